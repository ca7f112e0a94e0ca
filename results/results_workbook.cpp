#include "results/results_workbook.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>

#include "results/assessment.h"
#include "import/user_interaction.h"
#include "base/safe_file.h"
#include "results/provenance.h"
#include "results/results_sheets.h"
#include "torven_version.h"
#include "workbook/book.h"

namespace results {

bool IsXlsPath(const std::string& path)
{
    return std::filesystem::path(path).extension() == ".xls";
}

bool IsJobWorkbook(const Assessment& job, const std::string& path)
{
    for (const SampleSource& source : SourcesOf(job.samples))
        if (safefile::SameFile(source.path, path))
            return true;
    return false;
}

namespace {

// The built-in number formats of the two cell formats.
constexpr int kShortDateFormat = 14;
constexpr int kTwoDecimalsFormat = 2;

// A4, the paper of the program's users; printed across (landscape), one page wide.
constexpr int kA4Paper = 9;

// Characters a short date takes on screen ("31/12/2009").
constexpr int kDateCharacters = 10;
// The general number format shows at most this many characters of a number.
constexpr int kGeneralCharacters = 11;
// In tenths of a character: bold letters are about a tenth wider, and a margin of one
// and a half characters keeps the text off the cell's edges.
constexpr std::size_t kTenthsPerCharacter = 10;
constexpr std::size_t kTenthsPerBoldCharacter = 11;
constexpr std::size_t kMarginTenths = 15;

std::size_t characterCount(const std::string& text)
{
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// The characters the spreadsheet shows for a cell in its number format.
std::size_t shownCharacters(const ResultCell& cell)
{
    char digits[64];
    switch (cell.kind) {
    case ResultCell::Kind::Empty:
        return 0;
    case ResultCell::Kind::Text:
        return characterCount(cell.text);
    case ResultCell::Kind::Number:
    case ResultCell::Kind::Missing:
        break;
    }
    if (!std::isfinite(cell.number))
        return 0;
    switch (cell.format) {
    case CellFormat::Date:
        return kDateCharacters;
    case CellFormat::TwoDecimals: {
        auto r = std::to_chars(digits, digits + sizeof digits, cell.number, std::chars_format::fixed, 2);
        return r.ec == std::errc() ? static_cast<std::size_t>(r.ptr - digits) : kGeneralCharacters;
    }
    case CellFormat::None:
        break;
    }
    auto r = std::to_chars(digits, digits + sizeof digits, cell.number);
    const auto n = r.ec == std::errc() ? static_cast<std::size_t>(r.ptr - digits) : kGeneralCharacters;
    return std::min<std::size_t>(n, kGeneralCharacters);
}

// Whether a row holds a line of text rather than a table row: "Job Summary"'s rows above
// the header of its taxa list (or every row, when there is no list).
bool isSummaryLine(const ResultSheet& sheet, std::size_t row)
{
    return sheet.name == "Job Summary" && (sheet.headerRow < 0 || row < static_cast<std::size_t>(sheet.headerRow));
}

}  // namespace

std::vector<double> FittedColumnWidths(const ResultSheet& sheet)
{
    std::vector<double> widths;
    for (std::size_t r = 0; r < sheet.rows.size(); ++r) {
        const ResultRow& row = sheet.rows[r];
        if (widths.size() < row.size())
            widths.resize(row.size(), 0.0);
        const bool bold = static_cast<int>(r) == sheet.headerRow;
        const bool summaryLine = isSummaryLine(sheet, r);
        for (std::size_t c = 0; c < row.size(); ++c) {
            const std::size_t shown = shownCharacters(row[c]);
            if (shown == 0)
                continue;
            const double cap = summaryLine && c == 0 ? kMaxSummaryWidth : kMaxFittedWidth;
            const std::size_t tenths = shown * (bold ? kTenthsPerBoldCharacter : kTenthsPerCharacter) + kMarginTenths;
            const auto wanted = static_cast<double>((tenths + 9) / 10);  // whole characters, rounded up
            widths[c] = std::max(widths[c], std::min(wanted, cap));
        }
    }
    for (double& w : widths)
        w = std::max(w, kMinFittedWidth);
    return widths;
}

namespace {

// Widths, frozen panes and page set-up. A sheet whose table starts at the top keeps its
// header row and its first column (sample names, site codes) in view and prints the
// header on every page.
void layOut(wb::Sheet& sheet, const ResultSheet& content)
{
    const std::vector<double> widths = FittedColumnWidths(content);
    for (std::size_t c = 0; c < widths.size(); ++c)
        sheet.setColumnWidth(static_cast<int>(c), widths[c]);
    if (content.headerRow == 0) {
        sheet.freezePanes(1, 1);
        sheet.printTitleRows(0, 0);
    }
    sheet.setLandscape();
    sheet.setPaper(kA4Paper);
    sheet.fitToPagesWide(1);
    sheet.setFooter(kPageFooter);
}

}  // namespace

bool WriteResultsWorkbook(const Assessment& job, const std::string& path, std::string& error)
{
    std::unique_ptr<wb::Book> book = IsXlsPath(path) ? wb::xlCreateBook() : wb::xlCreateXMLBook();
    // Both formats exist before any sheet, as the file formats keep them book-wide.
    wb::Format* date = book->addFormat();
    date->setNumFormat(kShortDateFormat);
    wb::Format* twoDecimals = book->addFormat();
    twoDecimals->setNumFormat(kTwoDecimalsFormat);
    // Header cells are texts in the default number format, in bold.
    wb::Format* header = book->addFormat();
    header->setBold();
    wb::DocumentProperties properties;
    properties.title = kDocumentTitle;
    properties.subject = job.samples.title;
    properties.application = std::string(torven::kProductName) + " " + torven::kProductVersion;
    // The provenance travels with the file even when its sheets are edited away.
    properties.keywords = std::string(torven::kProductName) + ", " + job.samples.familyName;
    for (const std::string& line : ProvenanceLines(JobProvenance(job)))
        properties.comments += (properties.comments.empty() ? "" : "\n") + line;
    book->setProperties(properties);
    auto formatOf = [&](CellFormat f) -> const wb::Format* {
        switch (f) {
        case CellFormat::Date: return date;
        case CellFormat::TwoDecimals: return twoDecimals;
        case CellFormat::None: break;
        }
        return nullptr;
    };

    for (const ResultSheet& content : ResultSheets(job)) {
        wb::Sheet* sheet = book->addSheet(content.name);
        if (!sheet) {
            error = book->errorMessage();
            return false;
        }
        layOut(*sheet, content);
        for (std::size_t r = 0; r < content.rows.size(); ++r) {
            const ResultRow& row = content.rows[r];
            const bool isHeader = static_cast<int>(r) == content.headerRow;
            for (std::size_t c = 0; c < row.size(); ++c) {
                const ResultCell& cell = row[c];
                const int ri = static_cast<int>(r), ci = static_cast<int>(c);
                switch (cell.kind) {
                case ResultCell::Kind::Empty:
                    break;
                case ResultCell::Kind::Text:
                    // A header holds texts only, which no number format changes.
                    sheet->writeStr(ri, ci, cell.text, isHeader && cell.format == CellFormat::None ? header
                                                                                                 : formatOf(cell.format));
                    break;
                case ResultCell::Kind::Number:
                case ResultCell::Kind::Missing:
                    // A value the file cannot hold (NaN, an infinity) is refused by
                    // writeNum and leaves the cell empty.
                    sheet->writeNum(ri, ci, cell.number, formatOf(cell.format));
                    break;
                }
            }
        }
    }
    if (!book->save(path)) {
        error = book->errorMessage();
        return false;
    }
    return true;
}


namespace {

// The writers' texts name the file ("cannot write \"r.xlsx\": Permission denied"); the
// message's detail gives the file and the reason alone.
std::string reasonOf(const std::string& error, const std::string& target)
{
    const std::string prefix = "cannot write \"" + target + "\": ";
    return error.starts_with(prefix) ? error.substr(prefix.size()) : error;
}

}  // namespace

bool SaveResultsWorkbook(const Assessment& job, const std::string& target, UserInteraction& ui)
{
    // Checked here rather than in the file dialog, so that every way of choosing the file
    // is covered; nothing is written.
    if (IsJobWorkbook(job, target)) {
        ui.showMessage(kOwnWorkbookMessage, target);
        return false;
    }
    std::string error;
    bool written = false;
    const std::string name = std::filesystem::path(target).filename().string();
    // A file half written cannot be taken back: the save runs to its end.
    ui.runLong("Saving " + name, [&](WorkProgress&) { written = WriteResultsWorkbook(job, target, error); }, false);
    if (!written) {
        ui.showMessage(error, FileProblemDetail(target, reasonOf(error, target)));
        return false;
    }
    return true;
}

}  // namespace results
