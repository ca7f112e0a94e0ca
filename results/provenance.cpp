#include "results/provenance.h"

#include "results/assessment.h"
#include "refdb/database_identity.h"
#include "torven_version.h"

namespace results {

std::vector<std::string> ProvenanceLines(const Provenance& provenance)
{
    std::vector<std::string> lines;
    lines.push_back("Program: " + provenance.program);
    lines.push_back("Analysed: " + provenance.analysedAt);
    for (const Provenance::Workbook& workbook : provenance.workbooks) {
        lines.push_back("Sample workbook: " + workbook.name);
        lines.push_back("Sample workbook SHA-256: " +
                        (workbook.sha256.empty() ? std::string("not available") : workbook.sha256));
    }
    if (provenance.databaseLines.empty())
        lines.push_back("Reference database: not identified");
    lines.insert(lines.end(), provenance.databaseLines.begin(), provenance.databaseLines.end());
    return lines;
}

Provenance JobProvenance(const Assessment& job)
{
    Provenance provenance;
    provenance.program = std::string(torven::kProductName) + " " + torven::kProductVersion;
    provenance.analysedAt = job.analysis.analysedAt;
    for (const SampleSource& source : SourcesOf(job.samples))
        provenance.workbooks.push_back({source.title, source.workbookSha256});
    if (job.samples.referenceIdentity)
        provenance.databaseLines = DatabaseIdentityLines(
            *job.samples.referenceIdentity, job.samples.masterTaxonList ? static_cast<long>(job.samples.masterTaxonList->rowCount) : -1);
    return provenance;
}

}  // namespace results
