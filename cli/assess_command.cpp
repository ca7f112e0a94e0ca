// torven-cli assess: one analysis job from workbook to summary text (and results file).

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/application.h"
#include "base/safe_file.h"
#include "cli/cli_user.h"
#include "cli/commands.h"
#include "cli/import_options.h"
#include "import/default_values.h"
#include "import/job_workbooks.h"
#include "import/sample_import.h"
#include "metrics/analysis.h"
#include "results/assessment.h"
#include "sites/site_chart_data.h"
#include "sites/site_history_data.h"
#include "taxa/taxa.h"
#include "results/results_csv.h"
#include "results/results_workbook.h"
#include "ui/chart/chart_export.h"
#include "ui/chart/headless_gui.h"

namespace cli {

namespace {

struct AssessOptions {
    std::vector<JobWorkbook> workbooks;  // in job order
    std::optional<std::string> jobFile;
    ImportOptions import;
    // The job's defaults for missing chemistry, as typed (checked after parsing, in the
    // Default values dialog's order); nothing keeps the job's own default.
    std::optional<std::string> alkalinityText, calciumText, docText;
    DefaultValues defaults;
    std::optional<std::string> outputPath;
    std::optional<std::string> csvDirectory;
    std::optional<std::string> chartDirectory;
    std::optional<std::string> taxonMapPath;
    std::shared_ptr<const taxa::TaxonMap> taxonMap;  // read while the options are checked
    bool quiet = false;
    bool verbose = false;
};

// Whether the CSV export into folder could write over workbook: a file of the export's
// names in that folder.
bool isResultsCsvFile(const std::string& workbook, const std::string& folder)
{
    namespace fs = std::filesystem;
    const fs::path path(workbook);
    if (!results::IsCsvExportName(path.filename().string()))
        return false;
    const fs::path parent = path.has_parent_path() ? path.parent_path() : fs::path(".");
    return safefile::SameFile(parent.string(), folder);
}

// Every file the run would write, each checked as the save will check it: a target that
// is no regular file, or one of the run's own inputs, is a usage error before anything is
// written. The usage error's status (reported), or exitOk.
int checkTargets(const AssessOptions& options, const Assessment& job);

int usage(const std::string& reason)
{
    std::fprintf(stderr, "torven-cli assess: %s\n", reason.c_str());
    std::fputs("Usage: torven-cli assess WORKBOOK [WORKBOOK ...] [--sheet NAME] [--first-row N] [--first-col COL]\n"
               "       torven-cli assess --job FILE [--sheet NAME] [--first-row N] [--first-col COL]\n"
               "                         [--metric TDI|LTDI|DAM] [--alkalinity V] [--calcium V] [--doc V]\n"
               "                         [--db PATH] [-o PATH] [--csv DIR] [--chart DIR] [--taxon-map FILE]\n"
               "                         [--verbose] [--quiet]\n",
               stderr);
    return exitUsage;
}

// Fills options from the arguments; exitOk, or the usage error's status (reported).
int parseAssessOptions(const std::vector<std::string>& args, AssessOptions& options)
{
    std::vector<std::string> workbookArgs;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--quiet") {
            options.quiet = true;
            continue;
        }
        if (arg == "--verbose") {
            options.verbose = true;
            continue;
        }
        if (arg.size() > 1 && arg[0] == '-') {
            static const char* const valued[] = {"--alkalinity", "--calcium", "--doc", "-o", "--output", "--csv",
                                                 "--chart", "--taxon-map", "--job"};
            bool known = IsImportOption(arg);
            for (const char* name : valued)
                known = known || arg == name;
            if (!known)
                return usage("unknown option '" + arg + "'");
            if (i + 1 >= args.size())
                return usage(arg + " needs a value");
            const std::string& value = args[++i];
            if (IsImportOption(arg)) {
                if (std::optional<std::string> refused = TakeImportOption(arg, value, options.import))
                    return usage(*refused);
            } else if (arg == "--alkalinity") {
                options.alkalinityText = value;
            } else if (arg == "--calcium") {
                options.calciumText = value;
            } else if (arg == "--doc") {
                options.docText = value;
            } else if (arg == "-o" || arg == "--output") {
                options.outputPath = value;
            } else if (arg == "--taxon-map") {
                options.taxonMapPath = value;
            } else if (arg == "--job") {
                options.jobFile = value;
            } else if (arg == "--csv") {
                options.csvDirectory = value;
            } else {
                options.chartDirectory = value;
            }
        } else {
            workbookArgs.push_back(arg);
        }
    }
    // The import options apply to each workbook; a job file's fields override them.
    if (options.jobFile) {
        if (!workbookArgs.empty())
            return usage("give the workbooks or --job, not both");
        if (std::optional<std::string> refused = ReadJobFile(*options.jobFile, options.import.worksheet,
                                                             options.workbooks))
            return usage(*refused);
    } else {
        for (const std::string& path : workbookArgs)
            options.workbooks.push_back({path, options.import.worksheet});
    }
    if (options.workbooks.empty())
        return usage("no workbook given");
    // Results written over the samples would lose them: refused before anything is read.
    for (const JobWorkbook& workbook : options.workbooks) {
        if (options.outputPath && safefile::SameFile(*options.outputPath, workbook.path))
            return usage(*options.outputPath + ": " + results::kOwnWorkbookMessage);
        if (options.csvDirectory && isResultsCsvFile(workbook.path, *options.csvDirectory))
            return usage(*options.csvDirectory + ": the CSV files would replace the sample workbook " +
                         workbook.path + ". Choose another folder.");
    }
    if (options.outputPath && options.jobFile && safefile::SameFile(*options.outputPath, *options.jobFile))
        return usage(*options.outputPath + ": it is the job file. Choose another file.");

    // Checked as the Default values dialog checks them; a refused value shows the
    // dialog's own message alone.
    DefaultValueTexts texts{options.alkalinityText, options.calciumText, options.docText};
    if (std::optional<DefaultValueRefusal> refusal = CheckDefaultValues(texts, options.defaults)) {
        std::fprintf(stderr, "%s\n", refusal->message.c_str());
        return exitUsage;
    }
    // A malformed map is refused whole, before the workbook is read.
    if (options.taxonMapPath) {
        auto map = std::make_shared<taxa::TaxonMap>();
        std::string error;
        if (!taxa::ReadTaxonMap(*options.taxonMapPath, *map, error)) {
            std::fprintf(stderr, "torven-cli assess: the taxon map is not used: %s\n", error.c_str());
            return exitUsage;
        }
        options.taxonMap = std::move(map);
    }
    return exitOk;
}

// How one workbook of the job was read (--verbose).
struct WorkbookRoute {
    std::string path;
    ImportRoute route;
};

// The import of the job's workbooks, each on its own, side by side (their messages in job
// order), then pooled, with the defaults for missing chemistry. exitOk, exitFailed (the
// import's message is on standard error) or exitUsage. `routes` gets how each workbook
// that was reached was read.
int importSamples(const AssessOptions& options, ReferenceSource& references, Assessment& assessment,
                  std::vector<WorkbookRoute>& routes)
{
    CliUser user(options.import.worksheet, options.outputPath);
    JobImport imported = ImportJobWorkbooks(options.workbooks, references, user);
    for (std::size_t i = 0; i < imported.routes.size(); ++i)
        routes.push_back({options.workbooks[i].path, imported.routes[i]});
    if (imported.usageError)
        return usage(*imported.usageError);
    if (!imported.samples)
        return exitFailed;
    assessment.samples = std::move(*imported.samples);
    assessment.samples.defaultAlkalinity = options.defaults.alkalinityMgL;
    assessment.samples.defaultCalcium = options.defaults.calciumUeqL;
    assessment.samples.defaultDOC = options.defaults.docMgL;
    return exitOk;
}

void printSummary(const Assessment& assessment)
{
    const std::string text = results::SummaryWithLineFeeds(SummaryText(assessment));
    std::fwrite(text.data(), 1, text.size(), stdout);
}

// How the workbook was read, one line (--verbose).
void printRoute(const std::string& workbook, const ImportRoute& route)
{
    if (route.streamed)
        std::printf("%s: streamed\n", workbook.c_str());
    else
        std::printf("%s: loaded whole: %s\n", workbook.c_str(), route.loadedBecause.c_str());
}

int runAssess(const std::vector<std::string>& args)
{
    AssessOptions options;
    if (int status = parseAssessOptions(args, options); status != exitOk)
        return status;

    // Nothing this run reads may be written over, however its name is spelled; the
    // results file is checked as soon as each input is known, the rest once their names are.
    const auto outputRefused = [&options]() -> std::optional<std::string> {
        std::string reason;
        if (options.outputPath && !safefile::CheckTarget(*options.outputPath, reason))
            return *options.outputPath + ": " + reason;
        return std::nullopt;
    };
    for (const JobWorkbook& workbook : options.workbooks)
        safefile::ProtectInput(workbook.path, "the sample workbook");
    if (options.jobFile)
        safefile::ProtectInput(*options.jobFile, "the job file");
    if (options.taxonMapPath)
        safefile::ProtectInput(*options.taxonMapPath, "the taxon map");
    if (std::optional<std::string> refused = outputRefused())
        return usage(*refused);

    CliUser user(options.import.worksheet, options.outputPath);
    Application app(user);
    safefile::ProtectInput(OpenReferenceDatabase(app, options.import), "the reference database");
    if (std::optional<std::string> refused = outputRefused())
        return usage(*refused);

    // The road of one job: import, analysis, site summaries, results.
    Assessment job;
    std::vector<WorkbookRoute> routes;
    if (int status = importSamples(options, app, job, routes); status != exitOk) {
        // A failed import read its workbook one way or the other, unless it failed before.
        if (options.verbose && status == exitFailed)
            for (const WorkbookRoute& read : routes)
                if (read.route.streamed || !read.route.loadedBecause.empty())
                    printRoute(read.path, read.route);
        return status;
    }

    // The job form's "Analyse": the analysis and the confidence of class. A failed
    // analysis has shown its message; the summary is printed either way, as the job form
    // shows it after a failure too.
    std::optional<Analysis> analysis = Analyse(job.samples, {options.taxonMap, options.taxonMapPath.value_or("")}, user);
    if (analysis) {
        job.analysis = std::move(*analysis);
        job.sites = SummariseAllSites(job.samples, job.analysis, user);
        // The results are written from the analysis and the sites: the counts, the
        // largest thing a job holds, are not needed again.
        job.samples.counts.reset();
    }
    if (!options.quiet)
        printSummary(job);
    if (options.verbose)
        for (const WorkbookRoute& read : routes)
            printRoute(read.path, read.route);
    if (!analysis)
        return exitFailed;
    if (int status = checkTargets(options, job); status != exitOk)
        return status;

    // The save shows the library's error text itself (on standard error).
    if (options.outputPath && !results::SaveResultsWorkbook(job, *options.outputPath, user))
        return exitNotWritten;
    if (options.csvDirectory) {
        std::string error;
        if (!results::WriteResultsCsv(job, *options.csvDirectory, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return exitNotWritten;
        }
    }
    if (options.chartDirectory) {
        // Qt's GUI starts only here, on the offscreen platform: the rest of the program
        // needs neither it nor a display.
        const chart::HeadlessGui gui;
        std::string error;
        if (!chart::WriteSiteCharts(job, *options.chartDirectory, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return exitNotWritten;
        }
    }
    return exitOk;
}

int checkTargets(const AssessOptions& options, const Assessment& job)
{
    namespace fs = std::filesystem;
    std::vector<std::string> targets;
    if (options.outputPath)
        targets.push_back(*options.outputPath);
    if (options.csvDirectory)
        for (const std::string& name : results::ResultsCsvFileNames(job))
            targets.push_back((fs::path(*options.csvDirectory) / name).string());
    if (options.chartDirectory)
        for (const chart::SiteChartData& data : chart::SiteCharts(job.samples, job.sites))
            for (const char* extension : {".png", ".svg"})
                targets.push_back((fs::path(*options.chartDirectory) / (results::ChartFileStem(data) + extension)).string());
    if (options.chartDirectory)
        for (const chart::SiteHistoryData& data : chart::SiteHistories(job.samples, job.analysis, job.sites))
            for (const std::string& stem : results::HistoryFileStems(data))
                for (const char* extension : {".png", ".svg"})
                    targets.push_back((fs::path(*options.chartDirectory) / (stem + extension)).string());
    for (const std::string& target : targets) {
        std::string reason;
        if (!safefile::CheckTarget(target, reason))
            return usage(target + ": " + reason);
    }
    return exitOk;
}

const CommandRegistration registration("assess", runAssess);

}  // namespace

}  // namespace cli
