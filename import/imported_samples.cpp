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

std::string ImportSummary(const ImportedSamples& samples, const std::vector<std::string>& notImportedLines)
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
    for (const std::string& line : notImportedLines)
        summary += "\r\n\r\n" + line;
    for (const std::string& line : samples.referenceNotes)
        summary += "\r\n\r\n" + line;
    return summary;
}
