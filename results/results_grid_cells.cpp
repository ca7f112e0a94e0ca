#include "results/results_grid_cells.h"

#include <charconv>

#include "import/sample_layout.h"
#include "import/serial_date.h"
#include "results/assessment.h"
#include "matrix/number_format.h"
#include "metrics/index_values.h"
#include "results/results_sheets.h"

namespace resultsgrid {

namespace {

// The sampling date header row; in the sample sheet it is a number, shown as a date only
// inside the date window, as the results workbook formats it.
constexpr int kDateColumn = layout::dateRow + 1;

const std::string& entryOr(const std::vector<std::string>& list, int i)
{
    static const std::string none;
    return i >= 0 && static_cast<std::size_t>(i) < list.size() ? list[static_cast<std::size_t>(i)] : none;
}

bool twoIndices(const Assessment& job)
{
    return job.samples.family != familyDam;
}

const std::string& headerValue(const Assessment& job, int headerRow, int sample)
{
    static const std::vector<std::string> none;
    const std::size_t r = static_cast<std::size_t>(headerRow);
    return entryOr(r < job.samples.headerValues.size() ? job.samples.headerValues[r] : none, sample);
}

int headerRows(const Assessment& job)
{
    return static_cast<int>(job.samples.headerLabels.size());
}

GridCell rowNumber(int row)
{
    GridCell cell;
    cell.text = std::to_string(row);
    cell.rightAligned = true;
    return cell;
}

GridCell className(double value)
{
    GridCell cell;
    if (const std::string* name = StatusClassName(value))
        cell.text = *name;
    return cell;
}

// The shortest text that reads back as the very same number ("36.46" for 36.46, where
// "%.17g" would write 36.460000000000001).
std::string inFull(double value)
{
    char digits[32];
    const std::to_chars_result written = std::to_chars(digits, digits + sizeof digits, value);
    return std::string(digits, written.ptr);
}

GridCell number(std::string text)
{
    GridCell cell;
    cell.text = std::move(text);
    cell.rightAligned = true;
    return cell;
}

// A result shown rounded (or as "..."), copied in full: the shortest text that reads back
// as the very number, nothing for a missing value.
GridCell result(std::string text, const Matrix& table, int row, int column)
{
    GridCell cell = number(std::move(text));
    cell.copied = table.isMissing(row, column) ? std::string() : inFull(table(row, column));
    return cell;
}

}  // namespace

int SampleRowCount(const Assessment& job)
{
    return job.analysis.results ? job.analysis.results->nRows() : 0;
}

int SampleColumnCount(const Assessment& job)
{
    if (!job.analysis.results)
        return 0;
    return headerRows(job) + job.analysis.results->nCols() - 1 + (twoIndices(job) ? 1 : 0);
}

GridCell SampleCell(const Assessment& job, int row, int column)
{
    GridCell cell;
    if (!job.analysis.results || row < 0 || column < 0 || row > SampleRowCount(job) || column > SampleColumnCount(job))
        return cell;
    const Matrix& table = *job.analysis.results;
    const int h = headerRows(job);
    const int c = table.nCols();
    const int j = column - h;  // the result column
    if (row == 0) {
        if (column >= 1 && column <= h)
            cell.text = job.samples.headerLabels[static_cast<std::size_t>(column - 1)];
        else if (column > h)
            cell.text = entryOr(job.analysis.resultNames, j);
        return cell;
    }
    if (column == 0)
        return rowNumber(row);

    const int s = row - 1;
    if (column <= h) {
        const std::string& text = headerValue(job, column - 1, s);
        if (column != kDateColumn) {
            cell.text = text;
            return cell;
        }
        const int serial = numtext::leadingInteger(text);
        if (layout::ShownAsDate(serial))
            return number(SerialDateText(serial));
        return number(std::to_string(serial));
    }
    if (j == c - 1) {
        cell.text = entryOr(job.analysis.comments1, s);
        return cell;
    }
    if (j == c) {
        cell.text = entryOr(job.analysis.comments2, s);
        return cell;
    }

    // A missing value and a negative one (an index that could not be worked out) alike
    // show as "...".
    const double v = table(s, j);
    const int indexCount = twoIndices(job) ? 2 : 1;
    const bool classColumn = j == rescol::firstClass || j == rescol::secondClass(indexCount);
    if (table.isMissing(s, j) || v < 0) {
        // A class is copied as its name, as the results workbook holds it: nothing here.
        if (classColumn) {
            GridCell missing = number("...");
            missing.copied = std::string();
            return missing;
        }
        return result("...", table, s, j);
    }
    if (classColumn)
        return className(v);
    const bool eqr = j == rescol::firstEqr || j == rescol::secondEqr(indexCount);
    return result(numtext::format(eqr ? "%.2f" : "%.1f", {v}), table, s, j);
}

std::vector<std::string> SiteSheetNames(const Assessment& job)
{
    std::vector<std::string> names;
    if (!job.sites.uncertaintyAvailable)
        return names;
    for (int index = 1; index <= (twoIndices(job) ? 2 : 1); ++index)
        names.push_back(results::SiteSheetName(job, index));
    return names;
}

int SiteRowCount(const SiteTable& table)
{
    return table.summary ? table.summary->nRows() : 0;
}

int SiteColumnCount(const SiteTable& table)
{
    return table.summary ? table.summary->nCols() + 1 : 0;
}

GridCell SiteCell(const Assessment& job, const SiteTable& table, int row, int column)
{
    GridCell cell;
    if (!table.summary || row < 0 || column < 0 || row > SiteRowCount(table) || column > SiteColumnCount(table))
        return cell;
    if (row == 0) {
        if (column >= 1 && table.headers)
            cell.text = entryOr(*table.headers, column - 1);
        return cell;
    }
    if (column == 0)
        return rowNumber(row);
    const int i = row - 1;
    if (column == 1) {
        cell.text = entryOr(job.sites.siteCodes, i);
        return cell;
    }
    const int j = column - 2;
    cell.text = SiteCellText(*table.summary, i, j);
    // Numbers and the missing value stand to the right, class names to the left.
    cell.rightAligned = j != sitecol::statusClass || table.summary->isMissing(i, j);
    if (table.summary->isMissing(i, j))
        cell.copied = std::string();
    else if (j != sitecol::statusClass)
        cell.copied = inFull((*table.summary)(i, j));
    return cell;
}

std::string Caption(const Assessment& job)
{
    return "Results view: " + job.samples.title;
}

}  // namespace resultsgrid
