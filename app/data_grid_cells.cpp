#include "app/data_grid_cells.h"

#include "import/sample_layout.h"
#include "import/serial_date.h"
#include "app/job.h"
#include "matrix/number_format.h"
#include "import/worksheet_choice.h"
#include "workbook/cells/cell_names.h"

namespace datagrid {

namespace {

// Grid row of the sampling dates: header rows start in grid row 1.
constexpr int kDateRow = layout::dateRow + 1;

// Grid columns 1 and 2 hold the taxon code and name; samples start in column 3.
constexpr int kFirstSampleColumn = 3;

int headerRows(const Job& job)
{
    return static_cast<int>(job.samples.headerLabels.size());
}

// A job pooled from several workbooks has one more row below the header rows: each
// sample's workbook. A job of one workbook shows its table as the sheet has it.
int sourceRows(const Job& job)
{
    return job.samples.sources.empty() ? 0 : 1;
}

const std::string& headerValue(const Job& job, int headerRow, int sample)
{
    static const std::string empty;
    if (headerRow < 0 || static_cast<std::size_t>(headerRow) >= job.samples.headerValues.size())
        return empty;
    const std::vector<std::string>& values = job.samples.headerValues[static_cast<std::size_t>(headerRow)];
    if (sample < 0 || static_cast<std::size_t>(sample) >= values.size())
        return empty;
    return values[static_cast<std::size_t>(sample)];
}

bool unscored(const Job& job, int taxon)
{
    // Before a successful analysis there is no score list to go by.
    if (!job.analysed || taxon < 0 || static_cast<std::size_t>(taxon) >= job.analysis.scoredRow1.size())
        return false;
    return job.analysis.scoredRow1[static_cast<std::size_t>(taxon)] < 0;
}

bool mapped(const Job& job, int taxon)
{
    if (!job.analysed || taxon < 0 || static_cast<std::size_t>(taxon) >= job.analysis.mappedLine.size())
        return false;
    return job.analysis.mappedLine[static_cast<std::size_t>(taxon)] >= 0;
}

}  // namespace

int RowCount(const Job& job)
{
    return headerRows(job) + sourceRows(job) + static_cast<int>(job.samples.taxa.size());
}

int ColumnCount(const Job& job)
{
    return job.samples.sampleCount + 2;
}

std::string SamplingDateText(std::string_view text)
{
    const int serial = numtext::leadingInteger(text);
    if (layout::ShownAsDate(serial))
        return SerialDateText(serial);
    return std::string(text);
}

GridCell Cell(const Job& job, int row, int column)
{
    GridCell cell;
    if (row < 0 || column < 0 || row > RowCount(job) || column > ColumnCount(job))
        return cell;
    if (row == 0) {
        cell.text = wb::ColumnLetters(column - 1);
        return cell;
    }
    if (column == 0)
        return RowNumberCell(row);
    const int h = headerRows(job);
    if (row <= h) {
        if (column == 1) {
            cell.text = job.samples.headerLabels[static_cast<std::size_t>(row - 1)];
        } else if (column >= kFirstSampleColumn) {
            const std::string& text = headerValue(job, row - 1, column - kFirstSampleColumn);
            cell.text = row == kDateRow ? SamplingDateText(text) : text;
        }
        return cell;
    }
    if (sourceRows(job) && row == h + 1) {
        if (column == 1) {
            cell.text = "Workbook";
        } else if (column >= kFirstSampleColumn && column - kFirstSampleColumn < job.samples.sampleCount) {
            const int source = SourceOfSample(job.samples, column - kFirstSampleColumn);
            if (static_cast<std::size_t>(source) < job.samples.sources.size())
                cell.text = job.samples.sources[static_cast<std::size_t>(source)].title;
        }
        return cell;
    }

    const int taxon = row - h - sourceRows(job) - 1;
    // A mapped taxon without a score shows as unscored: the lack is what needs attention.
    if (unscored(job, taxon))
        cell.background = kUnscoredTaxonColour;
    else if (mapped(job, taxon))
        cell.background = kMappedTaxonColour;
    const TaxonEntry& entry = job.samples.taxa[static_cast<std::size_t>(taxon)];
    if (column == 1) {
        cell.text = entry.code;
    } else if (column == 2) {
        cell.text = entry.name;
    } else {
        const int sample = column - kFirstSampleColumn;
        cell.rightAligned = true;
        if (job.samples.counts && sample < job.samples.counts->nRows() && taxon < job.samples.counts->nCols())
            cell.text = numtext::g13((*job.samples.counts)(sample, taxon));
    }
    return cell;
}

std::string Caption(const Job& job)
{
    return "Data view: " + job.samples.title;
}

}  // namespace datagrid
