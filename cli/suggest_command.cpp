// torven-cli suggest: the taxa of a workbook that match no row of the master taxon list,
// with the rows the desktop program's "Unmatched taxa" window suggests.

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/application.h"
#include "cli/cli_user.h"
#include "cli/commands.h"
#include "cli/import_options.h"
#include "import/sample_import.h"
#include "metrics/unmatched_taxa.h"

namespace cli {

namespace {

constexpr int kDefaultLimit = 3;

struct SuggestOptions {
    std::string workbook;
    ImportOptions import;
    int limit = kDefaultLimit;
};

int usage(const std::string& reason)
{
    std::fprintf(stderr, "torven-cli suggest: %s\n", reason.c_str());
    std::fputs("Usage: torven-cli suggest WORKBOOK [--sheet NAME] [--first-row N] [--first-col COL]\n"
               "                          [--metric TDI|LTDI|DAM] [--db PATH] [--limit K]\n",
               stderr);
    return exitUsage;
}

int parseSuggestOptions(const std::vector<std::string>& args, SuggestOptions& options)
{
    bool haveWorkbook = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() > 1 && arg[0] == '-') {
            if (!IsImportOption(arg) && arg != "--limit")
                return usage("unknown option '" + arg + "'");
            if (i + 1 >= args.size())
                return usage(arg + " needs a value");
            const std::string& value = args[++i];
            if (IsImportOption(arg)) {
                if (std::optional<std::string> refused = TakeImportOption(arg, value, options.import))
                    return usage(*refused);
            } else {
                std::optional<int> limit = parseCount(value);
                if (!limit || *limit < 1 || *limit > 5)
                    return usage("--limit needs a number from 1 to 5, not '" + value + "'");
                options.limit = *limit;
            }
        } else if (haveWorkbook) {
            return usage("only one workbook can be read");
        } else {
            options.workbook = arg;
            haveWorkbook = true;
        }
    }
    if (!haveWorkbook)
        return usage("no workbook given");
    return exitOk;
}

int runSuggest(const std::vector<std::string>& args)
{
    SuggestOptions options;
    if (int status = parseSuggestOptions(args, options); status != exitOk)
        return status;

    CliUser user(options.import.worksheet, std::nullopt);
    Application app(user);
    OpenReferenceDatabase(app, options.import);
    const std::optional<ImportedSamples> samples = ImportSamples(options.workbook, app, user);
    if (!samples) {
        if (user.usageError())
            return usage(*user.usageError());
        return exitFailed;
    }

    writeRecord({"code", "name", "rank", "suggested code", "suggested name", "score", "reason"});
    const UnmatchedTaxa unmatched = FindUnmatchedTaxa(*samples, static_cast<std::size_t>(options.limit));
    for (const UnmatchedTaxon& taxon : unmatched.taxa) {
        if (taxon.suggestions.best.empty()) {
            writeRecord({taxon.code, taxon.name, "", "", "", "", ""});
            continue;
        }
        for (const taxa::Suggestion& s : taxon.suggestions.best)
            writeRecord({taxon.code, taxon.name, std::to_string(s.rank), s.code, s.name, std::to_string(s.score),
                       s.reason});
    }
    return exitOk;
}

const CommandRegistration registration("suggest", runSuggest);

}  // namespace

}  // namespace cli
