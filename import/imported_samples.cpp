#include "import/imported_samples.h"

#include "matrix/number_format.h"

const char* FamilyName(int family)
{
    switch (family) {
    case familyLakes: return "LTDI";
    case familyDam: return "DAM";
    default: return "TDI";
    }
}

const char* FirstIndexName(int family)
{
    switch (family) {
    case familyLakes: return "LTDI1";
    case familyDam: return "DAM";
    default: return "TDI3";
    }
}

const char* SecondIndexName(int family)
{
    switch (family) {
    case familyLakes: return "LTDI2";
    case familyDam: return "";
    default: return "TDI4";
    }
}

namespace {

// The summary up to the lines of what was not imported: file, sheet, metric, counts and
// the confidence-of-class note.
std::string summaryHead(const ImportedSamples& samples)
{
    const int taxaInCounts = samples.counts ? samples.counts->nCols() : 0;
    const int samplesInCounts = samples.counts ? samples.counts->nRows() : 0;
    std::string summary = "File:\t" + samples.title;
    summary += "\r\nWorksheet:\t" + samples.sheetName;
    summary += "\r\n\r\nMetric:\t" + samples.familyName;
    summary += numtext::format("\r\n\r\nNumber of taxa:\t%d\r\nNumber of samples:\t%d",
                               {static_cast<long long>(taxaInCounts), static_cast<long long>(samplesInCounts)});
    if (!samples.cocAvailable)
        summary += numtext::format(
            "\r\n\r\nConfidence of class parameters not found for %s, uncertainty estimates will not be calculated.",
            {std::string_view(samples.familyName)});
    return summary;
}

std::string summaryTail(const ImportedSamples& samples)
{
    std::string tail;
    for (const std::string& line : samples.referenceNotes)
        tail += "\r\n\r\n" + line;
    return tail;
}

}  // namespace

std::string ImportSummary(const ImportedSamples& samples, const std::vector<std::string>& notImportedLines)
{
    std::string summary = summaryHead(samples);
    for (const std::string& line : notImportedLines)
        summary += "\r\n\r\n" + line;
    return summary + summaryTail(samples);
}

std::vector<std::string> NotImportedParagraphs(const ImportedSamples& samples)
{
    const std::string head = summaryHead(samples);
    const std::string tail = summaryTail(samples);
    const std::string& summary = samples.summary;
    std::vector<std::string> lines;
    if (summary.size() < head.size() + tail.size() || !summary.starts_with(head) || !summary.ends_with(tail))
        return lines;
    const std::string middle = summary.substr(head.size(), summary.size() - head.size() - tail.size());
    // Each line was added as a paragraph of its own: "\r\n\r\n" then the line.
    const std::string separator = "\r\n\r\n";
    std::size_t at = middle.starts_with(separator) ? separator.size() : std::string::npos;
    while (at != std::string::npos && at <= middle.size()) {
        const std::size_t next = middle.find(separator, at);
        lines.push_back(middle.substr(at, next == std::string::npos ? std::string::npos : next - at));
        at = next == std::string::npos ? std::string::npos : next + separator.size();
    }
    return lines;
}

std::vector<SampleSource> SourcesOf(const ImportedSamples& samples)
{
    if (!samples.sources.empty())
        return samples.sources;
    SampleSource source;
    source.title = samples.title;
    source.path = samples.path;
    source.workbookSha256 = samples.workbookSha256;
    source.sheetName = samples.sheetName;
    source.firstDataRow = samples.headerRowCount + 1;
    source.firstDataColumn = samples.firstDataColumn;
    source.sampleCount = samples.sampleCount;
    source.taxonCount = samples.taxonCount;
    return {source};
}

int SourceOfSample(const ImportedSamples& samples, int sample)
{
    if (sample < 0 || static_cast<std::size_t>(sample) >= samples.sampleSources.size())
        return 0;
    return samples.sampleSources[static_cast<std::size_t>(sample)];
}
