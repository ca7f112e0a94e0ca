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
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/application.h"
#include "app/job.h"
#include "app/job.h"
#include "bench/large_workbook.h"

namespace {

using bench_workbook::BenchUser;

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
        _exit(bench_workbook::write(input, bench_workbook::taxonCodes(database, taxa), samples) ? 0 : 1);
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return 1;
    std::printf("input: %d samples x %d taxa, %.1f MB\n", samples, taxa,
                static_cast<double>(std::filesystem::file_size(input)) / 1e6);

    BenchUser user;
    Application app(user);
    app.OpenReferenceData(database);
    Job job(&app, user);

    auto start = std::chrono::steady_clock::now();
    auto phase = start;
    if (!job.OpenWorkbook(input))
        return 1;
    std::printf("import:   %.2f s\n", secondsSince(phase));
    phase = std::chrono::steady_clock::now();
    if (!job.Analyse())
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
