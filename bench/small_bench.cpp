// Small workbooks must stay quick: the bundled examples and a generated workbook of 10
// samples, each imported, analysed (confidence of class included) and saved as a results
// workbook, in milliseconds, the least of several runs for each phase and for the whole.
// The reference data is opened once, before the runs, as a program does at start-up.
//
//   small_bench [EXAMPLES-DIR [RUNS [DATABASE]]]
//   (defaults: data/examples, 20 runs, TORVENII.mdb beside the program)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>
#include <unistd.h>

#include "app/application.h"
#include "app/job.h"
#include "import/worksheet_choice.h"
#include "bench/large_workbook.h"
#include "app/job.h"
#include "workbook/book.h"

namespace {

// Takes the first sheet, the first data row guessed as the worksheet dialog guesses it,
// column C and the family of the workbook.
class ExampleUser : public bench_workbook::BenchUser {
public:
    explicit ExampleUser(int family) : family_(family) {}
    std::optional<WorksheetChoice> chooseWorksheet(const wb::Book& book, const std::vector<std::string>&,
                                                   int) override
    {
        WorksheetChoice choice;
        const wb::Sheet* sheet = book.getSheet(0);
        choice.firstDataRow = sheet ? worksheet::GuessFirstDataRow(*sheet).value_or(1) : 1;
        choice.firstDataColumn = 3;
        choice.family = family_;
        return choice;
    }

private:
    int family_;
};

double millisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

struct Timing {
    double import = std::numeric_limits<double>::infinity();
    double analysis = std::numeric_limits<double>::infinity();
    double save = std::numeric_limits<double>::infinity();
    double total = std::numeric_limits<double>::infinity();
};

// One job on the workbook, runs times; nothing when a run fails (its message is on
// standard error).
std::optional<Timing> timeJob(const std::string& database, const std::string& input, int family,
                              const std::string& output, int runs)
{
    ExampleUser user(family);
    Application app(user);
    app.OpenReferenceData(database);
    Timing least;
    for (int run = 0; run < runs; ++run) {
        Job job(&app, user);
        const auto start = std::chrono::steady_clock::now();
        if (!job.OpenWorkbook(input))
            return std::nullopt;
        const double imported = millisecondsSince(start);
        if (!job.Analyse())
            return std::nullopt;
        const double analysed = millisecondsSince(start);
        if (!job.SaveResultsTo(output))
            return std::nullopt;
        const double total = millisecondsSince(start);
        least.import = std::min(least.import, imported);
        least.analysis = std::min(least.analysis, analysed - imported);
        least.save = std::min(least.save, total - analysed);
        least.total = std::min(least.total, total);
    }
    return least;
}

int familyOf(const std::string& name)
{
    if (name.rfind("lake", 0) == 0)
        return familyLakes;
    if (name.rfind("dam", 0) == 0)
        return familyDam;
    return familyRivers;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string self = std::filesystem::canonical("/proc/self/exe").parent_path().string();
    const std::filesystem::path examples = argc > 1 ? argv[1] : "data/examples";
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 20;
    const std::string database = argc > 3 ? argv[3] : self + "/TORVENII.mdb";
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / ("small-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const std::string output = (folder / "results.xlsx").string();

    std::vector<std::filesystem::path> inputs;
    for (const auto& entry : std::filesystem::directory_iterator(examples)) {
        const std::string extension = entry.path().extension().string();
        if (extension == ".xlsx" || extension == ".xls")
            inputs.push_back(entry.path());
    }
    std::sort(inputs.begin(), inputs.end());
    // The river workbook of the large benchmarks, cut to 10 samples (all 1,000 taxon rows).
    const std::filesystem::path generated = folder / "ten-samples.xlsx";
    if (!bench_workbook::write(generated.string(), bench_workbook::taxonCodes(database, 1000), 10))
        return 1;
    inputs.push_back(generated);

    std::printf("%-22s %9s %9s %9s %9s   (ms, least of %d runs)\n", "workbook", "import", "analysis", "save",
                "total", runs);
    int failed = 0;
    for (const std::filesystem::path& input : inputs) {
        const std::string name = input.filename().string();
        const std::optional<Timing> timing = timeJob(database, input.string(), familyOf(name), output, runs);
        if (!timing) {
            std::printf("%-22s failed\n", name.c_str());
            ++failed;
            continue;
        }
        std::printf("%-22s %9.2f %9.2f %9.2f %9.2f\n", name.c_str(), timing->import, timing->analysis,
                    timing->save, timing->total);
    }
    std::filesystem::remove_all(folder);
    return failed == 0 ? 0 : 1;
}
