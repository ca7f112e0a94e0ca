// End to end on a large river workbook: import, analysis with the confidence of class,
// and the results workbook, timed phase by phase, with the peak resident memory of the
// job alone (the input workbook is written by a child process beforehand).
//
//   assess_bench [DATABASE] [SAMPLES] [TAXA]
//   (defaults: TORVENII.mdb beside the program, 5000 samples, 1000 taxa)

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/tvn_app.h"
#include "app/tvn_doc.h"
#include "metrics/analysis_command.h"
#include "workbook/book.h"

namespace {

class BenchUser : public UserInteraction {
public:
    void showMessage(const std::string& text, const std::string&) override { std::fprintf(stderr, "message: %s\n", text.c_str()); }
    Answer askYesNoCancel(const std::string&) override { return Answer::No; }
    std::optional<WorksheetChoice> chooseWorksheet(const wb::Book&, const std::vector<std::string>&, int) override
    {
        WorksheetChoice choice;
        choice.firstDataRow = 5;
        choice.firstDataColumn = 3;
        choice.family = familyRivers;
        return choice;
    }
    std::optional<std::string> chooseResultsFile() override { return std::nullopt; }
};

// Taxon codes of the bundled list (its second field), repeated with a suffix when the
// list is shorter than wanted, so that most rows match and some do not.
std::vector<std::string> taxonCodes(const std::string& database, int wanted)
{
    BenchUser user;
    CTVNApp app(user);
    app.OpenReferenceData(database);
    std::vector<std::string> listed;
    if (app.masterTaxonList)
        for (int r = 0; r < app.masterTaxonList->rowCount; ++r) {
            std::string code;
            if (app.masterTaxonList->GetString(r, 1, code) && !code.empty())
                listed.push_back(code);
        }
    std::vector<std::string> codes;
    for (int t = 0; t < wanted; ++t) {
        const std::size_t i = static_cast<std::size_t>(t);
        codes.push_back(i < listed.size() ? listed[i] : "BENCH" + std::to_string(t));
    }
    return codes;
}

bool writeInput(const std::string& path, const std::vector<std::string>& codes, int samples)
{
    std::unique_ptr<wb::Book> book = wb::xlCreateXMLBook();
    wb::Format* date = book->addFormat();
    date->setNumFormat(14);
    wb::Sheet* sheet = book->addSheet("Samples");
    sheet->writeStr(0, 0, "Sample");
    sheet->writeStr(1, 0, "Site code");
    sheet->writeStr(2, 0, "Sampling date");
    sheet->writeStr(3, 0, "Alkalinity (mg/l)");
    std::mt19937 rng(12345);
    std::uniform_int_distribution<int> count(1, 60);
    std::uniform_real_distribution<double> alkalinity(10, 200);
    const int taxa = static_cast<int>(codes.size());
    for (int s = 0; s < samples; ++s) {
        sheet->writeStr(0, 2 + s, "S" + std::to_string(s + 1));
        sheet->writeStr(1, 2 + s, "SITE" + std::to_string(s / 5));  // five samples a site
        sheet->writeNum(2, 2 + s, 44927 + (s * 7) % 365, date);
        sheet->writeNum(3, 2 + s, alkalinity(rng));
    }
    for (int t = 0; t < taxa; ++t) {
        sheet->writeStr(4 + t, 0, codes[static_cast<std::size_t>(t)]);
        sheet->writeStr(4 + t, 1, "Taxon " + std::to_string(t));
        // About one taxon in eight present in a sample, as in real counts.
        for (int s = 0; s < samples; ++s)
            if ((rng() & 7) == 0)
                sheet->writeNum(4 + t, 2 + s, count(rng));
    }
    if (!book->save(path)) {
        std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), book->errorMessage().c_str());
        return false;
    }
    return true;
}

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string self = std::filesystem::canonical("/proc/self/exe").parent_path().string();
    const std::string database = argc > 1 ? argv[1] : self + "/TORVENII.mdb";
    const int samples = argc > 2 ? std::atoi(argv[2]) : 5000;
    const int taxa = argc > 3 ? std::atoi(argv[3]) : 1000;
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / ("assess-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const std::string input = (folder / "large.xlsx").string();
    const std::string output = (folder / "results.xlsx").string();

    // The input is made in a child, so that its memory does not count as the job's.
    pid_t child = fork();
    if (child == 0)
        _exit(writeInput(input, taxonCodes(database, taxa), samples) ? 0 : 1);
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return 1;
    std::printf("input: %d samples x %d taxa, %.1f MB\n", samples, taxa,
                static_cast<double>(std::filesystem::file_size(input)) / 1e6);

    BenchUser user;
    CTVNApp app(user);
    app.OpenReferenceData(database);
    CTVNDoc job(&app, user);

    auto start = std::chrono::steady_clock::now();
    auto phase = start;
    if (!job.OpenWorkbook(input))
        return 1;
    std::printf("import:   %.2f s\n", secondsSince(phase));
    phase = std::chrono::steady_clock::now();
    if (!RunAnalysis(job))
        return 1;
    std::printf("analysis: %.2f s (confidence of class included)\n", secondsSince(phase));
    phase = std::chrono::steady_clock::now();
    if (!job.SaveResultsTo(output))
        return 1;
    std::printf("save:     %.2f s (%.1f MB)\n", secondsSince(phase),
                static_cast<double>(std::filesystem::file_size(output)) / 1e6);
    std::printf("total:    %.2f s\n", secondsSince(start));

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak resident memory: %.1f MB\n", static_cast<double>(usage.ru_maxrss) / 1024.0);
    std::filesystem::remove_all(folder);
    return 0;
}
