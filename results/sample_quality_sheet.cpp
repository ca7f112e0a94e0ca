#include "results/sample_quality_sheet.h"

#include "results/assessment.h"
#include "import/sample_layout.h"
#include "matrix/number_format.h"
#include "metrics/sample_quality.h"

namespace results {

namespace {

std::string headerText(const Assessment& job, int headerRow, std::size_t sample)
{
    const std::size_t r = static_cast<std::size_t>(headerRow);
    if (r >= job.samples.headerValues.size() || sample >= job.samples.headerValues[r].size())
        return std::string();
    return job.samples.headerValues[r][sample];
}

// An empty text is no cell, as everywhere in the results.
ResultCell textCell(const std::string& text)
{
    return text.empty() ? ResultCell() : ResultCell::Text(text);
}

ResultRow headingRow(const Assessment& job)
{
    ResultRow header;
    for (const char* label : {"Sample", "Site code", "Sample sum"})
        header.push_back(ResultCell::Text(label));
    header.push_back(ResultCell::Text(std::string("% scored ") + FirstIndexName(job.samples.family)));
    if (job.samples.family != familyDam)
        header.push_back(ResultCell::Text(std::string("% scored ") + SecondIndexName(job.samples.family)));
    header.push_back(ResultCell::Text("Chemistry values replaced"));
    header.push_back(ResultCell::Text("Flags"));
    return header;
}

ResultRow sampleRow(const Assessment& job, int sample)
{
    const std::size_t s = static_cast<std::size_t>(sample);
    const SampleQuality quality = SampleQualityOf(job.samples, job.analysis, sample);
    ResultRow row;
    row.push_back(textCell(headerText(job, layout::sampleNameRow, s)));
    row.push_back(textCell(headerText(job, layout::siteCodeRow, s)));
    row.push_back(ResultCell::Number((*job.analysis.results)(sample, 1)));
    for (double percent : quality.scoredPercent)
        row.push_back(percent < 0 ? ResultCell() : ResultCell::Number(percent, CellFormat::TwoDecimals));
    row.push_back(ResultCell::Number(quality.chemistryReplaced));
    row.push_back(textCell(quality.flags));
    return row;
}

}  // namespace

ResultSheet SampleQualitySheet(const Assessment& job)
{
    ResultSheet sheet{kSampleQualitySheetName, {}, 0};
    sheet.rows.push_back(headingRow(job));
    if (!job.analysis.results)
        return sheet;
    for (int s = 0; s < job.analysis.results->nRows(); ++s)
        sheet.rows.push_back(sampleRow(job, s));
    return sheet;
}

}  // namespace results

namespace resultsgrid {

int QualityRowCount(const Assessment& job)
{
    return job.analysis.results ? job.analysis.results->nRows() : 0;
}

int QualityColumnCount(const Assessment& job)
{
    return job.analysis.results ? static_cast<int>(results::headingRow(job).size()) : 0;
}

GridCell QualityCell(const Assessment& job, int row, int column)
{
    GridCell cell;
    if (row < 0 || column < 0 || row > QualityRowCount(job) || column > QualityColumnCount(job))
        return cell;
    if (column == 0) {
        if (row > 0) {
            cell.text = std::to_string(row);
            cell.rightAligned = true;
        }
        return cell;
    }
    const results::ResultRow cells = row == 0 ? results::headingRow(job) : results::sampleRow(job, row - 1);
    const std::size_t c = static_cast<std::size_t>(column - 1);
    if (c >= cells.size())
        return cell;
    const results::ResultCell& value = cells[c];
    if (value.kind == results::ResultCell::Kind::Text) {
        cell.text = value.text;
    } else if (value.kind == results::ResultCell::Kind::Number) {
        cell.text = value.format == results::CellFormat::TwoDecimals ? numtext::format("%.1f", {value.number})
                                                                     : numtext::g(value.number);
        cell.rightAligned = true;
    } else if (row > 0 && c >= 3 && c + 2 < cells.size()) {
        // A percentage of nothing counted.
        cell.text = "...";
        cell.rightAligned = true;
    }
    return cell;
}

}  // namespace resultsgrid
