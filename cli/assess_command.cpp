// torven-cli assess: one analysis job from workbook to summary text (and results file).

#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/tvn_app.h"
#include "app/tvn_doc.h"
#include "cli/cli_user.h"
#include "cli/commands.h"
#include "matrix/number_format.h"
#include "metrics/analysis_command.h"
#include "results/results_csv.h"

namespace cli {

namespace {

struct AssessOptions {
    std::string workbook;
    WorksheetOptions worksheet;
    // The job's defaults for missing chemistry, as typed (checked after parsing, in the
    // Default values dialog's order); nothing keeps the job's own default.
    std::optional<std::string> alkalinityText, calciumText, docText;
    double alkalinityMgL = 100;
    double calciumUeqL = 100;
    double docMgL = 1;
    std::optional<std::string> databasePath;
    std::optional<std::string> outputPath;
    std::optional<std::string> csvDirectory;
    bool quiet = false;
};

int usage(const std::string& reason)
{
    std::fprintf(stderr, "torven-cli assess: %s\n", reason.c_str());
    std::fputs("Usage: torven-cli assess WORKBOOK [--sheet NAME] [--first-row N] [--first-col COL]\n"
               "                         [--metric TDI|LTDI|DAM] [--alkalinity V] [--calcium V] [--doc V]\n"
               "                         [--db PATH] [-o PATH] [--csv DIR] [--quiet]\n",
               stderr);
    return exitUsage;
}

// The Default values dialog's check of one box: a number (white space around it allowed)
// within [lowest, highest]; otherwise the dialog's message.
std::optional<std::string> checkDefaultValue(const std::string& text, double lowest, double highest, double& value)
{
    std::size_t begin = text.find_first_not_of(" \t");
    std::size_t end = text.find_last_not_of(" \t");
    std::string number = begin == std::string::npos ? std::string() : text.substr(begin, end - begin + 1);
    if (!number.empty() && number[0] == '+')
        number.erase(0, 1);
    double parsed = 0;
    const char* last = number.data() + number.size();
    std::from_chars_result r = std::from_chars(number.data(), last, parsed);
    if (number.empty() || r.ec != std::errc() || r.ptr != last || !std::isfinite(parsed))
        return std::string("Please enter a number.");
    if (parsed < lowest || parsed > highest)
        return "Please enter a number between " + numtext::g(lowest) + " and " + numtext::g(highest) + ".";
    value = parsed;
    return std::nullopt;
}

// Fills options from the arguments; exitOk, or the usage error's status (reported).
int parseAssessOptions(const std::vector<std::string>& args, AssessOptions& options)
{
    bool haveWorkbook = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--quiet") {
            options.quiet = true;
            continue;
        }
        if (arg.size() > 1 && arg[0] == '-') {
            static const char* const valued[] = {"--sheet", "--first-row", "--first-col", "--metric",
                                                 "--alkalinity", "--calcium", "--doc", "--db",
                                                 "-o", "--output", "--csv"};
            bool known = false;
            for (const char* name : valued)
                known = known || arg == name;
            if (!known)
                return usage("unknown option '" + arg + "'");
            if (i + 1 >= args.size())
                return usage(arg + " needs a value");
            const std::string& value = args[++i];
            if (arg == "--sheet") {
                options.worksheet.sheetName = value;
            } else if (arg == "--first-row") {
                std::optional<int> row = parseCount(value);
                if (!row || *row < 1)
                    return usage("--first-row needs a row number of 1 or more, not '" + value + "'");
                options.worksheet.firstDataRow = *row;
            } else if (arg == "--first-col") {
                std::optional<int> column = parseColumn(value);
                if (!column)
                    return usage("--first-col needs a column letter name or a number of 1 or more, not '" + value + "'");
                options.worksheet.firstDataColumn = *column;
            } else if (arg == "--metric") {
                std::optional<int> family = parseFamily(value);
                if (!family)
                    return usage("--metric needs TDI, LTDI or DAM, not '" + value + "'");
                options.worksheet.family = *family;
            } else if (arg == "--alkalinity") {
                options.alkalinityText = value;
            } else if (arg == "--calcium") {
                options.calciumText = value;
            } else if (arg == "--doc") {
                options.docText = value;
            } else if (arg == "--db") {
                options.databasePath = value;
            } else if (arg == "-o" || arg == "--output") {
                options.outputPath = value;
            } else {
                options.csvDirectory = value;
            }
        } else if (haveWorkbook) {
            return usage("only one workbook can be assessed");
        } else {
            options.workbook = arg;
            haveWorkbook = true;
        }
    }
    if (!haveWorkbook)
        return usage("no workbook given");

    // The Default values dialog's ranges and order; a refused value shows the dialog's
    // own message alone.
    struct DefaultBox {
        const std::optional<std::string>& text;
        double lowest, highest;
        double& value;
    };
    const DefaultBox boxes[] = {{options.alkalinityText, 0, 1000, options.alkalinityMgL},
                                {options.calciumText, 0, 100, options.calciumUeqL},
                                {options.docText, 0, 20, options.docMgL}};
    for (const DefaultBox& box : boxes) {
        if (!box.text)
            continue;
        if (std::optional<std::string> message = checkDefaultValue(*box.text, box.lowest, box.highest, box.value)) {
            std::fprintf(stderr, "%s\n", message->c_str());
            return exitUsage;
        }
    }
    return exitOk;
}

// The job's import as the desktop program runs it, with the worksheet choice from the
// options. exitOk, exitFailed (the import's message is on standard error) or exitUsage.
int importJob(const AssessOptions& options, CliUser& user, CTVNDoc& job)
{
    job.defaultAlkalinity = options.alkalinityMgL;
    job.defaultCalcium = options.calciumUeqL;
    job.defaultDOC = options.docMgL;
    if (job.OpenWorkbook(options.workbook))
        return exitOk;
    if (user.usageError())
        return usage(*user.usageError());
    return exitFailed;
}

void printSummary(const CTVNDoc& job)
{
    const std::string text = results::SummaryWithLineFeeds(job.summary);
    std::fwrite(text.data(), 1, text.size(), stdout);
}

int runAssess(const std::vector<std::string>& args)
{
    AssessOptions options;
    if (int status = parseAssessOptions(args, options); status != exitOk)
        return status;

    CliUser user(options.worksheet, options.outputPath);
    CTVNApp app(user);
    app.OpenReferenceData(options.databasePath.value_or(programDirectory() + "TORVENII.mdb"));

    CTVNDoc job(&app, user);
    if (int status = importJob(options, user, job); status != exitOk)
        return status;

    // The job form's "Analyse": the analysis and the confidence of class. A failed
    // analysis has shown its message.
    if (!RunAnalysis(job))
        return exitFailed;
    if (!options.quiet)
        printSummary(job);

    // The save shows the library's error text itself (on standard error).
    if (options.outputPath && !job.SaveResults())
        return exitNotWritten;
    if (options.csvDirectory) {
        std::string error;
        if (!results::WriteResultsCsv(job, *options.csvDirectory, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return exitNotWritten;
        }
    }
    return exitOk;
}

const CommandRegistration registration("assess", runAssess);

}  // namespace

}  // namespace cli
