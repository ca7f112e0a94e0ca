#include "results/sources_sheet.h"

#include "results/assessment.h"
#include "workbook/cells/cell_names.h"

namespace results {

ResultSheet SourcesSheet(const Assessment& job)
{
    ResultSheet sheet{kSourcesSheetName, {}, 0};
    ResultRow heading;
    for (const char* label : {"Workbook", "SHA-256", "Sheet", "First row", "First column", "Samples", "Taxa"})
        heading.push_back(ResultCell::Text(label));
    sheet.rows.push_back(std::move(heading));
    for (const SampleSource& source : SourcesOf(job.samples)) {
        ResultRow row;
        row.push_back(ResultCell::Text(source.title));
        // As the provenance lines say it, so that the two never disagree.
        row.push_back(ResultCell::Text(source.workbookSha256.empty() ? "not available" : source.workbookSha256));
        // An empty text is no cell, as everywhere in the results.
        row.push_back(source.sheetName.empty() ? ResultCell() : ResultCell::Text(source.sheetName));
        row.push_back(ResultCell::Number(source.firstDataRow));
        // The column as the spreadsheet heads it, as it is typed for --first-col.
        row.push_back(ResultCell::Text(wb::ColumnLetters(source.firstDataColumn - 1)));
        row.push_back(ResultCell::Number(source.sampleCount));
        row.push_back(ResultCell::Number(source.taxonCount));
        sheet.rows.push_back(std::move(row));
    }
    return sheet;
}

}  // namespace results
