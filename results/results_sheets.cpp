#include "results/results_sheets.h"

#include <optional>

#include <algorithm>

#include "import/sample_layout.h"
#include "results/assessment.h"
#include "matrix/number_format.h"
#include "sites/confidence_of_class.h"
#include "metrics/index_values.h"
#include "results/provenance.h"
#include "results/sample_quality_sheet.h"
#include "results/sources_sheet.h"

namespace results {

ResultCell ResultCell::Text(std::string value)
{
    ResultCell cell;
    cell.kind = Kind::Text;
    cell.text = std::move(value);
    return cell;
}

ResultCell ResultCell::Number(double value, CellFormat format)
{
    ResultCell cell;
    cell.kind = Kind::Number;
    cell.number = value;
    cell.format = format;
    return cell;
}

namespace {

void put(ResultRow& row, int col, ResultCell cell)
{
    if (static_cast<int>(row.size()) <= col)
        row.resize(static_cast<std::size_t>(col) + 1);
    row[static_cast<std::size_t>(col)] = std::move(cell);
}

// An empty text leaves the cell empty: no reader tells an empty text cell from no cell,
// and some writers refuse one.
void putText(ResultRow& row, int col, const std::string& text)
{
    if (!text.empty())
        put(row, col, ResultCell::Text(text));
}

const std::string& entryOr(const std::vector<std::string>& list, std::size_t i)
{
    static const std::string none;
    return i < list.size() ? list[i] : none;
}

const std::string& headerValue(const Assessment& job, int headerRow, std::size_t sample)
{
    static const std::vector<std::string> none;
    const std::size_t r = static_cast<std::size_t>(headerRow);
    return entryOr(r < job.samples.headerValues.size() ? job.samples.headerValues[r] : none, sample);
}

bool twoIndices(const Assessment& job) { return job.samples.family != familyDam; }

ResultRow singleCell(std::string text)
{
    ResultRow row;
    putText(row, 0, text);
    return row;
}

}  // namespace

std::vector<ResultRow> SummaryLineRows(const Assessment& job)
{
    std::vector<ResultRow> rows;
    auto addLine = [&rows](std::string_view piece) {
        std::string line;
        line.reserve(piece.size());
        for (char c : piece) {
            if (c == '\r' || c == '\n')
                continue;
            line += c == '\t' ? ' ' : c;
        }
        rows.push_back(singleCell(std::move(line)));
    };
    const std::string summary = SummaryText(job);
    std::string_view text = summary;
    std::size_t begin = 0;
    for (std::size_t end; (end = text.find("\r\n", begin)) != std::string_view::npos; begin = end + 2)
        addLine(text.substr(begin, end - begin));
    if (begin < text.size())
        addLine(text.substr(begin));
    return rows;
}

std::vector<ResultRow> LackingTaxaRows(const Assessment& job)
{
    std::vector<ResultRow> rows;
    // The analysis keeps the per-taxon numbers; a job filled by hand may have the counts alone.
    std::optional<Matrix> computed;
    const Matrix* perTaxon = job.analysis.perTaxon.get();
    if (!perTaxon && job.samples.counts)
        perTaxon = &computed.emplace(job.samples.counts->countmaxn2(1));
    if ((job.analysis.lackingCount1 == 0 && job.analysis.lackingCount2 == 0) || !perTaxon)
        return rows;
    const bool two = twoIndices(job);

    rows.emplace_back();
    rows.push_back(singleCell(numtext::format("The following taxa do not have %s scores in the TORVEN database.",
                                              {std::string_view(job.samples.familyName)})));
    rows.emplace_back();
    ResultRow header;
    for (const char* label : {"Code", "Name", "N", "N2", "Max"})
        header.push_back(ResultCell::Text(label));
    if (two) {
        header.push_back(ResultCell::Text(FirstIndexName(job.samples.family)));
        header.push_back(ResultCell::Text(SecondIndexName(job.samples.family)));
    }
    rows.push_back(std::move(header));

    // One row per taxon: N, Max, N2.
    const int taxa = perTaxon->nRows();
    for (int t = 0; t < taxa; ++t) {
        const std::size_t ti = static_cast<std::size_t>(t);
        const bool lacks1 = ti < job.analysis.scoredRow1.size() && job.analysis.scoredRow1[ti] == -1;
        const bool lacks2 = two && ti < job.analysis.scoredRow2.size() && job.analysis.scoredRow2[ti] == -1;
        if (!lacks1 && !lacks2)
            continue;
        ResultRow row;
        if (ti < job.samples.taxa.size()) {
            putText(row, 0, job.samples.taxa[ti].code);
            putText(row, 1, job.samples.taxa[ti].name);
        }
        put(row, 2, ResultCell::Number((*perTaxon)(t, 0)));
        put(row, 3, ResultCell::Number((*perTaxon)(t, 2), CellFormat::TwoDecimals));
        put(row, 4, ResultCell::Number((*perTaxon)(t, 1), CellFormat::TwoDecimals));
        if (lacks1 && two)
            put(row, 5, ResultCell::Text("No value"));
        if (lacks2)
            put(row, 6, ResultCell::Text("No value"));
        rows.push_back(std::move(row));
    }
    return rows;
}

ResultSheet JobSummarySheet(const Assessment& job)
{
    ResultSheet sheet{"Job Summary", SummaryLineRows(job)};
    std::vector<ResultRow> list = LackingTaxaRows(job);
    // The list opens with an empty row, its title and another empty row.
    if (!list.empty())
        sheet.headerRow = static_cast<int>(sheet.rows.size()) + 3;
    sheet.rows.insert(sheet.rows.end(), std::make_move_iterator(list.begin()), std::make_move_iterator(list.end()));
    sheet.rows.emplace_back();
    for (std::string& line : ProvenanceLines(JobProvenance(job)))
        sheet.rows.push_back(singleCell(std::move(line)));
    return sheet;
}

ResultSheet SampleSummarySheet(const Assessment& job)
{
    ResultSheet sheet{"Sample Summary", {}, 0};
    if (!job.analysis.results)
        return sheet;
    const Matrix& table = *job.analysis.results;
    const int h = static_cast<int>(job.samples.headerLabels.size());
    const int c = table.nCols();
    const bool two = twoIndices(job);
    // The class columns of the results table (one, for a single index).
    const int class1 = rescol::firstClass, class2 = rescol::secondClass(two ? 2 : 1);

    ResultRow header;
    for (int r = 0; r < h; ++r)
        putText(header, r, job.samples.headerLabels[static_cast<std::size_t>(r)]);
    // Result column 0 (the type) is never written.
    for (int j = 1; j < c; ++j)
        putText(header, h + j - 1, entryOr(job.analysis.resultNames, static_cast<std::size_t>(j)));
    if (two)
        putText(header, h + c - 1, entryOr(job.analysis.resultNames, static_cast<std::size_t>(c)));
    sheet.rows.push_back(std::move(header));

    for (int s = 0; s < table.nRows(); ++s) {
        const std::size_t si = static_cast<std::size_t>(s);
        ResultRow row;
        for (int r = 0; r < h; ++r) {
            const std::string& text = headerValue(job, r, si);
            if (r == layout::dateRow) {
                // A sampling date outside the date window is written as the number it is,
                // every digit and any fraction kept (the quality sheet flags it).
                const int serial = numtext::leadingInteger(text);
                if (layout::ShownAsDate(serial))
                    put(row, r, ResultCell::Number(serial, CellFormat::Date));
                else
                    put(row, r, ResultCell::Number(numtext::leadingNumber(text), CellFormat::None));
            } else {
                putText(row, r, text);
            }
        }
        for (int j = 1; j <= c - 2; ++j) {
            const double value = table(s, j);
            if (j == class1 || j == class2) {
                if (const std::string* name = StatusClassName(value))
                    put(row, h + j - 1, ResultCell::Text(*name));
            } else if (!table.isMissing(s, j)) {
                put(row, h + j - 1, ResultCell::Number(value, CellFormat::TwoDecimals));
            }
        }
        putText(row, h + c - 2, entryOr(job.analysis.comments1, si));
        if (two)
            putText(row, h + c - 1, entryOr(job.analysis.comments2, si));
        sheet.rows.push_back(std::move(row));
    }
    return sheet;
}

namespace {

ResultSheet siteSheet(const Assessment& job, std::string name, const Matrix& summary,
                      const std::vector<std::string>& headers)
{
    ResultSheet sheet{std::move(name), {}, 0};
    const int k = summary.nCols();
    ResultRow header;
    for (int j = 0; j <= k; ++j)
        putText(header, j, entryOr(headers, static_cast<std::size_t>(j)));
    sheet.rows.push_back(std::move(header));

    // Column 3 of a site table is the class of the site's mean EQR.
    constexpr int classColumn = 3;
    for (int i = 0; i < summary.nRows(); ++i) {
        ResultRow row;
        putText(row, 0, entryOr(job.sites.siteCodes, static_cast<std::size_t>(i)));
        for (int j = 0; j < k; ++j) {
            const double value = summary(i, j);
            const CellFormat format = j < 2 ? CellFormat::None : CellFormat::TwoDecimals;
            const std::string* name = j == classColumn ? StatusClassName(value) : nullptr;
            if (name) {
                put(row, j + 1, ResultCell::Text(*name));
            } else {
                ResultCell cell = ResultCell::Number(value, format);
                if (summary.isMissing(i, j))
                    cell.kind = ResultCell::Kind::Missing;
                put(row, j + 1, std::move(cell));
            }
        }
        sheet.rows.push_back(std::move(row));
    }
    return sheet;
}

}  // namespace

std::string SiteSheetName(const Assessment& job, int index)
{
    return std::string("Uncertainty ") + (index == 1 ? FirstIndexName(job.samples.family) : SecondIndexName(job.samples.family));
}

std::vector<ResultSheet> SiteSheets(const Assessment& job)
{
    std::vector<ResultSheet> sheets;
    if (!job.sites.uncertaintyAvailable)
        return sheets;
    for (int index = 1; index <= (twoIndices(job) ? 2 : 1); ++index)
        if (const SiteTable table = SiteTableOf(job, index); table.summary)
            sheets.push_back(siteSheet(job, SiteSheetName(job, index), *table.summary, *table.headers));
    return sheets;
}

std::vector<ResultSheet> ResultSheets(const Assessment& job)
{
    std::vector<ResultSheet> sheets;
    sheets.push_back(JobSummarySheet(job));
    sheets.push_back(SampleSummarySheet(job));
    std::vector<ResultSheet> sites = SiteSheets(job);
    sheets.insert(sheets.end(), std::make_move_iterator(sites.begin()), std::make_move_iterator(sites.end()));
    sheets.push_back(SampleQualitySheet(job));
    sheets.push_back(SourcesSheet(job));
    return sheets;
}

}  // namespace results
