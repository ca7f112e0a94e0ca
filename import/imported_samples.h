#pragma once

#include <memory>
#include <string>
#include <vector>

#include "import/family.h"
#include "matrix/matrix.h"
#include "refdb/database_identity.h"
#include "refdb/memory_table.h"

// One taxon row of the imported worksheet.
struct TaxonEntry {
    std::string code;
    std::string name;
};

// One workbook of a job: where a run of its samples came from.
struct SampleSource {
    std::string title;           // the workbook's file name with its extension
    std::string path;            // the workbook's path as given
    std::string workbookSha256;  // empty when the file could not be read again
    std::string sheetName;
    int firstDataRow = 1;        // 1-based, the first taxon's row
    int firstDataColumn = 3;     // 1-based, the first sample's column
    int sampleCount = 0;
    int taxonCount = 0;
};

// The first stage of a job: one worksheet of one sample workbook as the import read it for
// one metric family, with the reference tables that import found. Everything after the
// import reads it; only the chemistry defaults change afterwards (the user's choice).
struct ImportedSamples {
    // Where the samples came from.
    std::string title;           // the workbook's file name with its extension
    std::string path;            // the workbook's full path
    std::string workbookSha256;  // of the workbook as the import read it; empty when unreadable
    std::string sheetName;
    int family = familyRivers;
    std::string familyName = "TDI";
    bool cocAvailable = true;
    // The import's lines of the summary ("File:", "Worksheet:", ..., "Not imported: ..."),
    // separated by CR LF; the analysis continues them.
    std::string summary;

    // The table: taxa down, samples across, the header rows above.
    int taxonCount = 0;
    int sampleCount = 0;
    int headerRowCount = 0;
    int firstDataColumn = 3;  // 1-based, of the worksheet the samples came from
    std::vector<TaxonEntry> taxa;
    std::vector<std::string> headerLabels;
    std::vector<std::vector<std::string>> headerValues;  // [header row][sample]
    std::unique_ptr<Matrix> counts;                        // samples x taxa

    // The workbooks of a job pooled from several (PoolSamples), in job order, and each
    // sample's index among them. Both empty for the samples of one import, whose source is
    // the fields above (SourcesOf).
    std::vector<SampleSource> sources;
    std::vector<int> sampleSources;  // [sample]
    // The pooled summary's notes, kept for a later pooling: what each workbook left out
    // ("river-a.xlsx: Not imported: ..."), and each code that two workbooks name differently.
    std::vector<std::string> notImportedLines;
    std::vector<std::string> taxonNameNotes;

    // Chemistry bounds (fixed) and defaults (changed per job by the user).
    static constexpr double alkMinTDI3 = 6, alkMaxTDI3 = 150;  // mg/l
    static constexpr double alkMinTDI4 = 5, alkMaxTDI4 = 250;  // mg/l
    static constexpr double calciumMin = 5, calciumMax = 500;  // ueq/l
    static constexpr double docMin = 0, docMax = 50;           // mg/l
    double defaultAlkalinity = 100;           // mg/l
    double defaultCalcium = 100;              // ueq/l
    double defaultDOC = 1;                    // mg/l

    // Reference tables as this import found them; the analysis reads these, so that jobs
    // open side by side never read each other's.
    std::shared_ptr<const MemoryTable> masterTaxonList;
    std::shared_ptr<const MemoryTable> boundaries1;
    std::shared_ptr<const MemoryTable> boundaries2;
    std::shared_ptr<const MemoryTable> cocParameters;
    // The identity of the database those tables came from; null when it could not be read.
    std::shared_ptr<const DatabaseIdentity> referenceIdentity;
    // What a reader of the results must know about that database (ReferenceSource::
    // referenceNotes): the last lines of the import's summary.
    std::vector<std::string> referenceNotes;
};

// The import's part of the summary text, as the import composes it from the samples: the
// file, sheet, metric and counts, then each of notImportedLines and each reference note as
// a paragraph of its own.
std::string ImportSummary(const ImportedSamples& samples, const std::vector<std::string>& notImportedLines = {});

// The notImportedLines the import gave ImportSummary, read back from the samples' summary.
std::vector<std::string> NotImportedParagraphs(const ImportedSamples& samples);

// The workbooks the samples came from: the pooled sources, or the one workbook of an import.
std::vector<SampleSource> SourcesOf(const ImportedSamples& samples);

// The index in SourcesOf of the workbook that sample (0-based) came from.
int SourceOfSample(const ImportedSamples& samples, int sample);
