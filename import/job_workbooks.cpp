#include "import/job_workbooks.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "base/csv.h"
#include "import/pooled_samples.h"
#include "import/side_by_side.h"
#include "import/worksheet_choice.h"

namespace {

// The user of one workbook's import: its worksheet choice comes from that workbook's
// options, everything else goes to the job's user. A sheet the options name but the
// workbook lacks ends the import as a cancelled choice would, and is kept as a usage error.
class OptionsUser : public UserInteraction {
public:
    OptionsUser(UserInteraction& user, WorksheetOptions worksheet) : user_(user), worksheet_(std::move(worksheet)) {}

    void showMessage(const std::string& text, const std::string& detail) override { user_.showMessage(text, detail); }
    Answer askYesNoCancel(const std::string& question) override { return user_.askYesNoCancel(question); }
    std::optional<WorksheetChoice> chooseWorksheet(const wb::Book& book, const std::vector<std::string>& sheetNames,
                                                   int) override
    {
        return ChooseWorksheetFromOptions(worksheet_, book, sheetNames, usageError_);
    }
    std::optional<std::string> chooseResultsFile() override { return user_.chooseResultsFile(); }
    bool runLong(const std::string& what, const std::function<void(WorkProgress&)>& work, bool stoppable) override
    {
        return user_.runLong(what, work, stoppable);
    }
    void beginBusy() override { user_.beginBusy(); }
    void endBusy() override { user_.endBusy(); }

    const std::optional<std::string>& usageError() const { return usageError_; }

private:
    UserInteraction& user_;
    WorksheetOptions worksheet_;
    std::optional<std::string> usageError_;
};

// The import of one workbook with its worksheet choice. With the first data row given,
// nothing of the choice needs the sheet's cells: the counts can go from the workbook
// straight into the count matrix. Without it, its guess needs only the sheet's first rows.
std::optional<ImportedSamples> importWorkbook(const JobWorkbook& workbook, UserInteraction& user,
                                              ReferenceSource& references, ImportRoute& route)
{
    const WorksheetOptions& chosen = workbook.worksheet;
    std::optional<int> firstRow = chosen.firstDataRow;
    if (!firstRow)
        firstRow = GuessPresetFirstDataRow(workbook.path, chosen.sheetName);
    if (firstRow)
        return ImportPresetSamples(workbook.path, {chosen.sheetName, *firstRow, chosen.firstDataColumn, chosen.family},
                                   references, user, &route);
    route = {false, worksheet::FormatFor(workbook.path) == wb::Book::FileFormat::Xlsx
                        ? "its sheet cannot be streamed to guess the first data row"
                        : "an .xls workbook is always read whole"};
    return ImportSamples(workbook.path, references, user);
}

}  // namespace

std::optional<std::string> ReadJobFile(const std::string& jobPath, const WorksheetOptions& defaults,
                                       std::vector<JobWorkbook>& workbooks)
{
    namespace fs = std::filesystem;
    std::ifstream in(jobPath, std::ios::binary);
    if (!in)
        return jobPath + ": the job file cannot be read";
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return jobPath + ": the job file cannot be read";
    std::vector<csv::Record> records;
    std::size_t errorLine = 0;
    std::string reason;
    if (!csv::parse(text, records, errorLine, reason))
        return jobPath + ", line " + std::to_string(errorLine) + ": " + reason;
    static const char* const header[] = {"workbook", "sheet", "first row", "first column"};
    const auto lineError = [&](const csv::Record& record, const std::string& what) {
        return jobPath + ", line " + std::to_string(record.line) + ": " + what;
    };
    if (records.empty() || records[0].fields.size() != std::size(header))
        return jobPath + ": the first line must be \"workbook,sheet,first row,first column\"";
    for (std::size_t i = 0; i < std::size(header); ++i)
        if (records[0].fields[i].text != header[i])
            return jobPath + ": the first line must be \"workbook,sheet,first row,first column\"";
    const fs::path folder = fs::path(jobPath).parent_path();
    std::vector<JobWorkbook> named;
    for (std::size_t r = 1; r < records.size(); ++r) {
        const csv::Record& record = records[r];
        if (record.fields.size() != std::size(header))
            return lineError(record, "4 fields are needed (workbook, sheet, first row, first column), not " +
                                         std::to_string(record.fields.size()));
        const std::string& path = record.fields[0].text;
        if (path.empty())
            return lineError(record, "the workbook is missing");
        JobWorkbook workbook;
        workbook.path = fs::path(path).is_absolute() || folder.empty() ? path : (folder / path).string();
        workbook.worksheet = defaults;
        if (!record.fields[1].text.empty())
            workbook.worksheet.sheetName = record.fields[1].text;
        if (const std::string& row = record.fields[2].text; !row.empty()) {
            std::optional<int> parsed = parseCount(row);
            if (!parsed || *parsed < 1)
                return lineError(record, "the first row needs a row number of 1 or more, not '" + row + "'");
            workbook.worksheet.firstDataRow = *parsed;
        }
        if (const std::string& column = record.fields[3].text; !column.empty()) {
            std::optional<int> parsed = parseColumn(column);
            if (!parsed)
                return lineError(record, "the first column needs a column letter name or a number of 1 or more, "
                                         "not '" + column + "'");
            workbook.worksheet.firstDataColumn = *parsed;
        }
        named.push_back(std::move(workbook));
    }
    if (named.empty())
        return jobPath + ": the job file names no workbook";
    workbooks.insert(workbooks.end(), std::make_move_iterator(named.begin()), std::make_move_iterator(named.end()));
    return std::nullopt;
}

JobImport ImportJobWorkbooks(const std::vector<JobWorkbook>& workbooks, ReferenceSource& references,
                             UserInteraction& ui)
{
    JobImport result;
    const std::size_t count = workbooks.size();
    if (count == 0)
        return result;
    const bool several = count > 1;
    std::vector<std::unique_ptr<OptionsUser>> answering;
    std::vector<std::unique_ptr<WorkbookNamingUser>> naming;
    std::vector<UserInteraction*> askers;
    for (const JobWorkbook& workbook : workbooks) {
        // In a job of several workbooks each message names the workbook it is about.
        naming.push_back(std::make_unique<WorkbookNamingUser>(ui, workbook.path));
        UserInteraction& shown = several ? static_cast<UserInteraction&>(*naming.back()) : ui;
        answering.push_back(std::make_unique<OptionsUser>(shown, workbook.worksheet));
        askers.push_back(answering.back().get());
    }
    std::vector<std::optional<ImportedSamples>> parts(count);
    std::vector<ImportRoute> taken(count);
    const SideBySideOutcome outcome = ReadSideBySide(
        askers,
        [&](std::size_t i, UserInteraction& asker, ReferenceSource& shared) {
            parts[i] = importWorkbook(workbooks[i], asker, shared, taken[i]);
            return parts[i].has_value();
        },
        references, ui, "Reading the workbooks");
    for (std::size_t i = 0; i < count && i <= outcome.firstFailed; ++i)
        result.routes.push_back(taken[i]);
    if (!outcome.allRead(count)) {
        const std::size_t failed = std::min(outcome.firstFailed, count - 1);
        if (const std::optional<std::string>& usageError = answering[failed]->usageError())
            result.usageError = several ? workbooks[failed].path + ": " + *usageError : *usageError;
        return result;
    }
    std::vector<ImportedSamples> read;
    read.reserve(count);
    for (std::optional<ImportedSamples>& part : parts)
        read.push_back(std::move(*part));
    result.samples = PoolSamples(std::move(read), ui);
    return result;
}
