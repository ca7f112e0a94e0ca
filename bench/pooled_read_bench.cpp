// A job of 20 workbooks of 500 samples x 600 taxa, end to end as torven-cli assess runs
// it: read side by side and pooled into one analysis, against the same 20 workbooks
// assessed one after the other in the same run. Each way runs in a child process of its
// own, the two ways taking turns (five times each) so that a machine whose speed drifts
// slows both alike. Printed: each way's least time, with its peak memory above what the
// program held before it started reading, beside the size of the pooled count matrix; and
// the median of the five turns' ratios, pooled to one after another.
//
//   pooled_read_bench [DATABASE] [WORKBOOKS] [SAMPLES] [TAXA] [THREADS]
//   (defaults: TORVENII.mdb beside the program, 20, 500, 600, the machine's cores)
//   PHASES=1 prints each phase's time and the resident memory after it; ONLY=alone or
//   ONLY=pooled runs that way alone, once (for a profiler). RUNS=1 prints every run.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/application.h"
#include "bench/large_workbook.h"
#include "import/pooled_samples.h"
#include "import/sample_import.h"
#include "import/side_by_side.h"
#include "metrics/analysis.h"
#include "sites/site_summaries.h"

namespace {

using bench_workbook::BenchUser;

// A line of /proc/self/status in kB ("VmRSS", "VmHWM").
long statusKiB(const std::string& field)
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field + ":", 0) == 0)
            return std::atol(line.c_str() + field.size() + 1);
    return -1;
}

// The reset of the peak to what is resident now, so that a child counts its own peak.
void resetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

// With PHASES set, each phase's time on standard error.
void phase(const char* name)
{
    static auto last = std::chrono::steady_clock::now();
    static double lastCpu = 0;
    static long lastFaults = 0;
    static double lastSystem = 0;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto now = std::chrono::steady_clock::now();
    timespec cpu{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
    const double cpuNow = static_cast<double>(cpu.tv_sec) + static_cast<double>(cpu.tv_nsec) / 1e9;
    const double systemNow = static_cast<double>(usage.ru_stime.tv_sec) + static_cast<double>(usage.ru_stime.tv_usec) / 1e6;
    if (std::getenv("PHASES"))
        std::fprintf(stderr,
                     "  %s %.3f s (processor %.3f s, system %.3f s, %ld page faults), resident %ld KiB, peak %ld KiB\n",
                     name, std::chrono::duration<double>(now - last).count(), cpuNow - lastCpu,
                     systemNow - lastSystem, usage.ru_minflt - lastFaults, statusKiB("VmRSS"), statusKiB("VmHWM"));
    last = now;
    lastCpu = cpuNow;
    lastFaults = usage.ru_minflt;
    lastSystem = systemNow;
}

const PresetChoice kChoice{std::nullopt, 5, 3, familyRivers};

// One workbook assessed alone: import, analysis, site summaries; all of it dropped.
bool assessAlone(const std::string& path, Application& app, BenchUser& user)
{
    std::optional<ImportedSamples> samples = ImportPresetSamples(path, kChoice, app, user);
    if (!samples)
        return false;
    phase("read");
    std::optional<Analysis> analysis = Analyse(*samples, TaxonMapChoice(), user);
    if (!analysis)
        return false;
    phase("analyse");
    SiteSummaries sites = SummariseAllSites(*samples, *analysis, user);
    phase("sites");
    return true;
}

// The workbooks read side by side, pooled, and assessed as one job.
bool assessPooled(const std::vector<std::string>& paths, Application& app, BenchUser& user, unsigned threads)
{
    std::vector<UserInteraction*> users(paths.size(), &user);
    std::vector<std::optional<ImportedSamples>> parts(paths.size());
    const SideBySideOutcome outcome = ReadSideBySide(
        users,
        [&](std::size_t i, UserInteraction& asker, ReferenceSource& references) {
            parts[i] = ImportPresetSamples(paths[i], kChoice, references, asker);
            return parts[i].has_value();
        },
        app, user, "Reading", threads);
    if (!outcome.allRead(paths.size()))
        return false;
    phase("read");
    std::vector<ImportedSamples> read;
    for (std::optional<ImportedSamples>& part : parts)
        read.push_back(std::move(*part));
    parts.clear();
    std::optional<ImportedSamples> pooled = PoolSamples(std::move(read), user);
    if (!pooled)
        return false;
    phase("pool");
    std::optional<Analysis> analysis = Analyse(*pooled, TaxonMapChoice(), user);
    if (!analysis)
        return false;
    phase("analyse");
    SiteSummaries sites = SummariseAllSites(*pooled, *analysis, user);
    phase("sites");
    return true;
}

// Runs one way in a child; its time in seconds and peak growth in KiB, or false.
bool runChild(const std::string& database, const std::vector<std::string>& paths, bool pooled, unsigned threads,
              double& seconds, long& peakGrowthKiB, double& cpuSeconds)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return false;
    const pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        BenchUser user;
        Application app(user);
        app.OpenReferenceData(database);
        resetPeak();
        phase("start");
        const long before = statusKiB("VmRSS");
        const auto start = std::chrono::steady_clock::now();
        bool ok = true;
        if (pooled)
            ok = assessPooled(paths, app, user, threads);
        else
            for (const std::string& path : paths)
                ok = ok && assessAlone(path, app, user);
        const double taken = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const long growth = statusKiB("VmHWM") - before;
        char line[64];
        const int n = std::snprintf(line, sizeof line, "%.6f %ld\n", taken, growth);
        if (ok && write(pipeEnds[1], line, static_cast<std::size_t>(n)) != n)
            _exit(2);
        _exit(ok ? 0 : 1);
    }
    close(pipeEnds[1]);
    char buffer[64] = {};
    const ssize_t got = read(pipeEnds[0], buffer, sizeof buffer - 1);
    close(pipeEnds[0]);
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    if (got <= 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return false;
    // The processor time of the whole child (start-up included): on a machine that others
    // load, it says whether a way does more work, which its wall time cannot.
    cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                 static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    return std::sscanf(buffer, "%lf %ld", &seconds, &peakGrowthKiB) == 2;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string self = std::filesystem::canonical("/proc/self/exe").parent_path().string();
    const std::string database = argc > 1 ? argv[1] : self + "/TORVENII.mdb";
    const int workbooks = argc > 2 ? std::atoi(argv[2]) : 20;
    const int samples = argc > 3 ? std::atoi(argv[3]) : 500;
    const int taxa = argc > 4 ? std::atoi(argv[4]) : 600;
    const unsigned threads = argc > 5 ? static_cast<unsigned>(std::atoi(argv[5]))
                                      : std::max(1u, std::thread::hardware_concurrency());
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("pooled-read-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);

    std::vector<std::string> paths;
    for (int w = 0; w < workbooks; ++w)
        paths.push_back((folder / ("lab-" + std::to_string(w + 1) + ".xlsx")).string());
    // The workbooks are written by a child, so that their memory counts in neither way.
    const pid_t writer = fork();
    if (writer == 0) {
        const std::vector<std::string> codes = bench_workbook::taxonCodes(database, taxa);
        for (int w = 0; w < workbooks; ++w)
            if (!bench_workbook::write(paths[static_cast<std::size_t>(w)], codes, samples, "L" + std::to_string(w + 1) + "-"))
                _exit(1);
        _exit(0);
    }
    int written = 0;
    waitpid(writer, &written, 0);
    if (!WIFEXITED(written) || WEXITSTATUS(written) != 0)
        return 1;
    std::printf("%d workbooks of %d samples x %d taxa (%.1f MB each), %u threads, %u cores\n", workbooks, samples,
                taxa, static_cast<double>(std::filesystem::file_size(paths[0])) / 1e6, threads,
                std::thread::hardware_concurrency());
    std::fflush(stdout);

    if (const char* only = std::getenv("ONLY")) {
        double seconds = 0, cpuSeconds = 0;
        long growth = 0;
        const bool pooled = std::string(only) == "pooled";
        if (!runChild(database, paths, pooled, threads, seconds, growth, cpuSeconds))
            return 1;
        std::printf("%s: %.3f s (processor %.3f s), peak +%.1f MiB\n", only, seconds, cpuSeconds, growth / 1024.0);
        std::filesystem::remove_all(folder);
        return 0;
    }
    double best[2] = {1e30, 1e30};
    double cpu[2] = {1e30, 1e30};
    long peak[2] = {0, 0};
    std::vector<double> ratios;
    for (int run = 0; run < 5; ++run) {
        double turn[2] = {0, 0};
        for (int way = 0; way < 2; ++way) {
            double seconds = 0, cpuSeconds = 0;
            long growth = 0;
            if (!runChild(database, paths, way == 1, threads, seconds, growth, cpuSeconds)) {
                std::fprintf(stderr, "the %s run failed\n", way == 1 ? "pooled" : "one-after-another");
                return 1;
            }
            if (std::getenv("RUNS"))
                std::fprintf(stderr, "  %s %.3f s (processor %.3f s)\n", way == 1 ? "pooled" : "alone", seconds, cpuSeconds);
            best[way] = std::min(best[way], seconds);
            cpu[way] = std::min(cpu[way], cpuSeconds);
            peak[way] = run == 0 ? growth : std::min(peak[way], growth);
            turn[way] = seconds;
        }
        ratios.push_back(turn[1] / turn[0]);
    }
    std::sort(ratios.begin(), ratios.end());
    const double countsMiB = static_cast<double>(workbooks) * samples * taxa * sizeof(double) / (1024.0 * 1024.0);
    std::printf("one after another: %.2f s (processor %.2f s), peak +%.1f MiB\n", best[0], cpu[0], peak[0] / 1024.0);
    std::printf("pooled:            %.2f s (processor %.2f s), peak +%.1f MiB (%.2f x the time)\n", best[1], cpu[1],
                peak[1] / 1024.0, best[1] / best[0]);
    std::printf("turn by turn: median %.2f x the time (from %.2f to %.2f)\n", ratios[ratios.size() / 2],
                ratios.front(), ratios.back());
    std::printf("pooled count matrix: %.1f MiB; goal: <= 0.6 x the time, peak <= %.1f MiB\n", countsMiB,
                countsMiB + 30 * 1e6 / (1024.0 * 1024.0));
    std::filesystem::remove_all(folder);
    return 0;
}
