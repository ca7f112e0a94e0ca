// Several imports pooled into the samples of one job.

#include "import/pooled_samples.h"

#include <algorithm>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <memory>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "matrix/number_format.h"
#include "workbook/cells/cell_names.h"

void WorkbookNamingUser::showMessage(const std::string& text, const std::string& detail)
{
    // A detail of its own already names the file (FileProblemDetail).
    user_.showMessage(text, detail.empty() ? workbookPath_ : detail);
}

namespace {

// A sample's place, as the user finds it again: workbook, sheet and column.
std::string placeText(const SampleSource& source, int sampleInSource)
{
    return source.title + " (sheet \"" + source.sheetName + "\", column " +
           wb::ColumnLetters(source.firstDataColumn - 1 + sampleInSource) + ")";
}

std::string_view sampleName(const ImportedSamples& part, int sample)
{
    if (part.headerValues.empty() || static_cast<std::size_t>(sample) >= part.headerValues[0].size())
        return std::string_view();
    return part.headerValues[0][static_cast<std::size_t>(sample)];
}

// Where each sample of the job sits: its source and its index among that source's samples.
struct SamplePlace {
    int source = 0;
    int indexInSource = 0;
};

std::vector<SamplePlace> samplePlaces(const ImportedSamples& part, int sourceOffset)
{
    std::vector<SamplePlace> places;
    std::vector<int> seen(SourcesOf(part).size(), 0);
    for (int s = 0; s < part.sampleCount; ++s) {
        const int source = SourceOfSample(part, s);
        places.push_back({sourceOffset + source, seen[static_cast<std::size_t>(source)]++});
    }
    return places;
}

// One code named two ways: the name kept and the other, with their workbooks.
struct NameConflict {
    std::string code;
    std::string keptName, keptIn;
    std::string otherName, otherIn;
};

std::string workbookLines(const SampleSource& source)
{
    return "File:\t" + source.title + "\r\nWorksheet:\t" + source.sheetName +
           numtext::format("\r\nSamples:\t%d\r\nTaxa:\t%d",
                           {static_cast<long long>(source.sampleCount), static_cast<long long>(source.taxonCount)});
}

// The pooled summary: each workbook with its sheet, samples and taxa; then the job's
// metric and counts as one import states them; what each workbook left out, named by
// workbook; the codes named two ways; the reference notes.
std::string pooledSummary(const ImportedSamples& pooled)
{
    std::string summary;
    for (const SampleSource& source : pooled.sources)
        summary += (summary.empty() ? "" : "\r\n\r\n") + workbookLines(source);
    summary += "\r\n\r\nMetric:\t" + pooled.familyName;
    summary += numtext::format("\r\n\r\nNumber of taxa:\t%d\r\nNumber of samples:\t%d",
                               {static_cast<long long>(pooled.taxonCount), static_cast<long long>(pooled.sampleCount)});
    if (!pooled.cocAvailable)
        summary += numtext::format(
            "\r\n\r\nConfidence of class parameters not found for %s, uncertainty estimates will not be calculated.",
            {std::string_view(pooled.familyName)});
    for (const std::string& line : pooled.notImportedLines)
        summary += "\r\n\r\n" + line;
    for (const std::string& line : pooled.taxonNameNotes)
        summary += "\r\n\r\n" + line;
    for (const std::string& line : pooled.referenceNotes)
        summary += "\r\n\r\n" + line;
    return summary;
}

// releaseCounts: the parts belong to the pooling, and each part's counts are freed as soon
// as they are copied, so that the job's counts and the parts' are not all held at once
// (the rows freed are the very size the next part's rows take). Only once every check has
// passed: a refused pooling leaves the parts as they were.
std::optional<ImportedSamples> pool(const std::vector<ImportedSamples*>& parts, UserInteraction& ui,
                                    bool releaseCounts)
{
    const ImportedSamples& first = *parts.front();

    // One metric per job: the analysis reads one family's header rows and tables.
    for (const ImportedSamples* part : parts) {
        if (part->family != first.family) {
            ui.showMessage("The samples of " + part->title + " were imported for " + part->familyName +
                           ", the job's for " + first.familyName + ". A job is assessed for one metric; "
                           "nothing was added.");
            return std::nullopt;
        }
    }

    ImportedSamples pooled;
    std::vector<int> sourceOffsets;
    for (const ImportedSamples* part : parts) {
        sourceOffsets.push_back(static_cast<int>(pooled.sources.size()));
        for (SampleSource& source : SourcesOf(*part))
            pooled.sources.push_back(std::move(source));
    }

    // A sample in two workbooks would weigh double in its site's mean: refused, naming
    // both places. Within one workbook the import's own rules stand. (The names are the
    // parts' own, which stay as they are until every check has passed.)
    std::unordered_map<std::string_view, SamplePlace> seen;
    for (std::size_t p = 0; p < parts.size(); ++p) {
        const std::vector<SamplePlace> places = samplePlaces(*parts[p], sourceOffsets[p]);
        for (int s = 0; s < parts[p]->sampleCount; ++s) {
            const SamplePlace place = places[static_cast<std::size_t>(s)];
            auto [at, added] = seen.emplace(sampleName(*parts[p], s), place);
            if (added || at->second.source == place.source)
                continue;
            const SamplePlace before = at->second;
            ui.showMessage("Sample \"" + std::string(at->first) + "\" occurs twice in the job: in " +
                           placeText(pooled.sources[static_cast<std::size_t>(before.source)], before.indexInSource) +
                           " and in " +
                           placeText(pooled.sources[static_cast<std::size_t>(place.source)], place.indexInSource) +
                           ". Nothing was added.");
            return std::nullopt;
        }
    }

    // Taxa: the union by code. The n-th row of a code in one part is the n-th taxon of
    // that code in the job. (Codes are looked up as the parts' own strings.)
    std::unordered_map<std::string_view, std::vector<int>> rowsOfCode;  // code -> pooled taxa, in order
    std::unordered_map<std::string_view, std::string> firstNamedIn;    // code -> workbook of its kept name
    std::vector<NameConflict> conflicts;
    std::vector<std::vector<int>> columnOf(parts.size());  // [part][taxon] -> pooled taxon
    for (std::size_t p = 0; p < parts.size(); ++p) {
        const std::vector<TaxonEntry>& taxa = parts[p]->taxa;
        // A part that lists the job's first taxa in the job's order (workbooks made from
        // one template) needs no look-up: its t-th taxon is the job's t-th.
        const bool inJobOrder = taxa.size() <= pooled.taxa.size() &&
                                std::equal(taxa.begin(), taxa.end(), pooled.taxa.begin(),
                                           [](const TaxonEntry& a, const TaxonEntry& b) { return a.code == b.code; });
        std::unordered_map<std::string_view, int> occurrences;
        columnOf[p].reserve(taxa.size());
        for (std::size_t t = 0; t < taxa.size(); ++t) {
            const TaxonEntry& taxon = taxa[t];
            int column = static_cast<int>(t);
            if (!inJobOrder) {
                const std::size_t occurrence = static_cast<std::size_t>(occurrences[taxon.code]++);
                std::vector<int>& rows = rowsOfCode[taxon.code];
                if (occurrence == rows.size()) {
                    rows.push_back(static_cast<int>(pooled.taxa.size()));
                    columnOf[p].push_back(rows.back());
                    pooled.taxa.push_back(taxon);
                    // A job pooled before does not keep which of its workbooks named a taxon.
                    firstNamedIn.emplace(taxon.code, parts[p]->sources.empty() ? parts[p]->title : "the job");
                    continue;
                }
                column = rows[occurrence];
            }
            const std::string& kept = pooled.taxa[static_cast<std::size_t>(column)].name;
            if (kept != taxon.name) {
                bool told = false;
                for (const NameConflict& c : conflicts)
                    told = told || (c.code == taxon.code && c.otherName == taxon.name);
                if (!told)
                    conflicts.push_back({taxon.code, kept, firstNamedIn[taxon.code], taxon.name, parts[p]->title});
            }
            columnOf[p].push_back(column);
        }
    }

    int sampleCount = 0;
    int headerRows = 0;
    for (const ImportedSamples* part : parts) {
        sampleCount += part->sampleCount;
        headerRows = std::max(headerRows, part->headerRowCount);
    }
    const int taxonCount = static_cast<int>(pooled.taxa.size());
    if (sampleCount > Matrix::maxRows || taxonCount > Matrix::maxCols) {
        ui.showMessage(numtext::format(
            "Too much data: the job would have %d samples and %d taxa; at most %d samples and %d taxa can be "
            "imported.",
            {static_cast<long long>(sampleCount), static_cast<long long>(taxonCount),
             static_cast<long long>(Matrix::maxRows), static_cast<long long>(Matrix::maxCols)}));
        return std::nullopt;
    }

    pooled.title = first.title;
    pooled.path = first.path;
    pooled.workbookSha256 = first.workbookSha256;
    pooled.sheetName = first.sheetName;
    pooled.family = first.family;
    pooled.familyName = first.familyName;
    pooled.cocAvailable = first.cocAvailable;
    pooled.taxonCount = taxonCount;
    pooled.sampleCount = sampleCount;
    pooled.headerRowCount = headerRows;
    pooled.firstDataColumn = first.firstDataColumn;
    pooled.defaultAlkalinity = first.defaultAlkalinity;
    pooled.defaultCalcium = first.defaultCalcium;
    pooled.defaultDOC = first.defaultDOC;
    pooled.masterTaxonList = first.masterTaxonList;
    pooled.boundaries1 = first.boundaries1;
    pooled.boundaries2 = first.boundaries2;
    pooled.cocParameters = first.cocParameters;
    pooled.referenceIdentity = first.referenceIdentity;
    pooled.referenceNotes = first.referenceNotes;

    // A part pooled before keeps its notes as they were written then. (Read before the
    // parts' counts go: the summary of one import is read back with them.)
    for (const ImportedSamples* part : parts) {
        pooled.taxonNameNotes.insert(pooled.taxonNameNotes.end(), part->taxonNameNotes.begin(),
                                     part->taxonNameNotes.end());
        if (!part->sources.empty()) {
            pooled.notImportedLines.insert(pooled.notImportedLines.end(), part->notImportedLines.begin(),
                                           part->notImportedLines.end());
            continue;
        }
        for (const std::string& line : NotImportedParagraphs(*part))
            pooled.notImportedLines.push_back(part->title + ": " + line);
    }
    pooled.headerLabels.assign(static_cast<std::size_t>(headerRows), std::string());
    pooled.headerValues.assign(static_cast<std::size_t>(headerRows), std::vector<std::string>());
    for (int r = headerRows - 1; r >= 0; --r) {
        const std::size_t row = static_cast<std::size_t>(r);
        for (auto it = parts.rbegin(); it != parts.rend(); ++it)
            if (row < (*it)->headerLabels.size())
                pooled.headerLabels[row] = (*it)->headerLabels[row];
        pooled.headerValues[row].reserve(static_cast<std::size_t>(sampleCount));
        for (ImportedSamples* part : parts)
            for (int s = 0; s < part->sampleCount; ++s) {
                if (row >= part->headerValues.size() || static_cast<std::size_t>(s) >= part->headerValues[row].size())
                    pooled.headerValues[row].emplace_back();
                else if (releaseCounts)  // the parts are the pooling's: their texts are taken
                    pooled.headerValues[row].push_back(std::move(part->headerValues[row][static_cast<std::size_t>(s)]));
                else
                    pooled.headerValues[row].push_back(part->headerValues[row][static_cast<std::size_t>(s)]);
            }
    }

    // The counts, one part's block of rows at a time, appended below the blocks before.
    const auto release = [](ImportedSamples& part) {
        if (!part.counts)
            return;
        part.counts.reset();
#ifdef __GLIBC__
        // Parts read side by side were allocated by other threads, in other malloc arenas,
        // whose free rows this thread cannot take: given back to the system at once, they
        // do not stay resident beside the pooled rows.
        malloc_trim(0);
#endif
    };
    pooled.sampleSources.reserve(static_cast<std::size_t>(sampleCount));
    for (std::size_t p = 0; p < parts.size(); ++p) {
        ImportedSamples& part = *parts[p];
        const std::vector<SamplePlace> places = samplePlaces(part, sourceOffsets[p]);
        // A part whose taxa are the job's, in the job's order (workbooks made from one
        // template), is taken as it is: its rows need no reordering.
        bool sameColumns = part.counts && part.counts->nCols() == taxonCount && part.counts->nRows() == part.sampleCount;
        for (int t = 0; sameColumns && t < taxonCount; ++t)
            sameColumns = columnOf[p][static_cast<std::size_t>(t)] == t;
        if (sameColumns && (releaseCounts || pooled.counts)) {
            for (int s = 0; s < part.sampleCount; ++s)
                pooled.sampleSources.push_back(places[static_cast<std::size_t>(s)].source);
            // Owned parts give their rows over as they are: nothing is copied, and no
            // trim is needed, for no rows are freed.
            if (!pooled.counts)
                pooled.counts = std::move(part.counts);
            else if (releaseCounts)
                pooled.counts->appendRows(*part.counts);
            else
                pooled.counts->merge(*part.counts, 0);
            if (releaseCounts) {
                if (part.counts && part.counts->nRows() > 0)
                    release(part);
                part.counts.reset();
            }
            continue;
        }
        Matrix block(part.sampleCount, taxonCount, 0.0);
        for (int s = 0; s < part.sampleCount; ++s) {
            pooled.sampleSources.push_back(places[static_cast<std::size_t>(s)].source);
            if (!part.counts)
                continue;
            for (int t = 0; t < part.counts->nCols(); ++t)
                block(s, columnOf[p][static_cast<std::size_t>(t)]) = (*part.counts)(s, t);
        }
        if (releaseCounts)
            release(part);
        if (!pooled.counts)
            pooled.counts = std::make_unique<Matrix>(block);
        else
            pooled.counts->appendRows(block);
    }
    if (!pooled.counts)
        pooled.counts = std::make_unique<Matrix>(sampleCount, taxonCount, 0.0);

    for (const NameConflict& conflict : conflicts)
        pooled.taxonNameNotes.push_back("Taxon code " + conflict.code + " is named \"" + conflict.keptName + "\" in " +
                                        conflict.keptIn + " and \"" + conflict.otherName + "\" in " +
                                        conflict.otherIn + "; the name \"" + conflict.keptName + "\" is kept.");
    pooled.summary = pooledSummary(pooled);
    return pooled;
}

}  // namespace

std::optional<ImportedSamples> PoolSamples(std::vector<ImportedSamples> parts, UserInteraction& ui)
{
    if (parts.empty())
        return std::nullopt;
    if (parts.size() == 1)
        return std::move(parts.front());
    std::vector<ImportedSamples*> pointers;
    for (ImportedSamples& part : parts)
        pointers.push_back(&part);
    return pool(pointers, ui, true);
}

bool AddSamples(ImportedSamples& job, ImportedSamples added, UserInteraction& ui)
{
    std::optional<ImportedSamples> pooled = pool({&job, &added}, ui, false);
    if (!pooled)
        return false;
    job = std::move(*pooled);
    return true;
}

bool AddSamples(ImportedSamples& job, std::vector<ImportedSamples> added, UserInteraction& ui)
{
    if (added.empty())
        return true;
    std::vector<ImportedSamples*> parts{&job};
    for (ImportedSamples& part : added)
        parts.push_back(&part);
    std::optional<ImportedSamples> pooled = pool(parts, ui, false);
    if (!pooled)
        return false;
    job = std::move(*pooled);
    return true;
}
