#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/user_interaction.h"
#include "matrix/matrix.h"
#include "refdb/database_identity.h"
#include "refdb/memory_table.h"

class Application;
namespace taxa {
struct TaxonMap;
}

// The status class names, for classes 1 to 5.
inline const std::vector<std::string>& StatusClassNames()
{
    static const std::vector<std::string> names = {"High", "Good", "Moderate", "Poor", "Bad"};
    return names;
}

// One taxon row of the imported worksheet.
struct TaxonEntry {
    std::string code;
    std::string name;
};

// One analysis job: one worksheet of one sample workbook, imported for one metric
// family, analysed and saved as a results workbook. Everything it imported or computed
// belongs to it; the workbook is open only inside the import and the save.
class Job {
public:
    // The windows of a job, as far as the closing rules care.
    enum class Window { JobForm, Data, Results };
    enum class State { Created, Imported, Analysed, Saved };

    // app may be null for a job that is filled by hand (tests); the import needs it.
    Job(Application* app, UserInteraction& ui);
    ~Job();
    Job(const Job&) = delete;
    Job& operator=(const Job&) = delete;

    // The import: false means the job is to be discarded (its message has been shown).
    bool OpenWorkbook(const std::string& path);
    // The analysis run: false when the job has no taxa or the lake typology is missing.
    bool Analyse();
    // The confidence of class of index 1 or 2; false after one of its two messages.
    bool ConfidenceOfClass(int index);
    // Asks for a file and writes the results workbook; true when it was written.
    bool SaveResults();
    // Writes the results workbook to path (the file choice already made); true when written.
    bool SaveResultsTo(const std::string& path);

    // The save-before-closing question: true when the job may close.
    bool SaveModified();
    // Closing the job form closes the job (and asks); a data or results window just closes.
    bool CanCloseFrame(Window window);

    State state() const;

    // The first lines of the summary text, composed at the end of the import.
    void ComposeImportSummary();

    // The first index of the family: TDI3, LTDI1 or DAM; the second: TDI4 or LTDI2 ("" for DAM).
    static const char* FamilyName(int family);
    static const char* FirstIndexName(int family);
    static const char* SecondIndexName(int family);

    Application* app;
    UserInteraction& ui;

    // Identity and state.
    std::string title;  // the workbook's file name with its extension
    std::string path;   // the workbook's full path
    std::string workbookSha256;  // of the workbook as the import read it; empty when unreadable
    std::string sheetName;
    bool modified = false;
    bool analysed = false;
    int family = familyRivers;
    std::string familyName = "TDI";
    bool cocAvailable = true;
    std::string summary;  // lines separated by CR LF

    // Imported data.
    int taxonCount = 0;
    int sampleCount = 0;
    int headerRowCount = 0;
    std::vector<TaxonEntry> taxa;
    std::vector<std::string> headerLabels;
    std::vector<std::vector<std::string>> headerValues;  // [header row][sample]
    std::unique_ptr<Matrix> counts;                        // samples x taxa

    // Chemistry bounds (fixed) and defaults (changed per job by the user).
    const double alkMinTDI3 = 6, alkMaxTDI3 = 150;      // mg/l
    const double alkMinTDI4 = 5, alkMaxTDI4 = 250;      // mg/l
    const double calciumMin = 5, calciumMax = 500;      // ueq/l
    const double docMin = 0, docMax = 50;               // mg/l
    double defaultAlkalinity = 100;                     // mg/l
    double defaultCalcium = 100;                        // ueq/l
    double defaultDOC = 1;                              // mg/l

    // Reference tables as this job's import found them; its analysis reads these, so that
    // jobs open side by side never read each other's.
    std::shared_ptr<const MemoryTable> masterTaxonList;
    std::shared_ptr<const MemoryTable> boundaries1;
    std::shared_ptr<const MemoryTable> boundaries2;
    std::shared_ptr<const MemoryTable> cocParameters;
    // The identity of the database those tables came from; null when it could not be read.
    std::shared_ptr<const DatabaseIdentity> referenceIdentity;

    // The taxon map the analysis uses (null: none) and the file it was read from.
    std::shared_ptr<const taxa::TaxonMap> taxonMap;
    std::string taxonMapPath;

    // Analysis outputs.
    std::string analysedAt;  // "2026-12-08 21:40:07 UTC"
    int indexCount = 0;
    std::vector<int> matchedRow, scoredRow1, scoredRow2;
    int matchedCount = 0, scoredCount1 = 0, scoredCount2 = 0;
    int lackingCount1 = 0, lackingCount2 = 0;
    std::vector<int> mappedLine;  // per taxon: the taxon map line (index) that matched it, or -1
    int mappedCount = 0;          // taxa matched through the taxon map
    std::unique_ptr<Matrix> results;  // samples x 17 (two indices) or 12 (DAM)
    std::vector<std::string> resultNames;
    std::vector<std::string> comments1, comments2;

    // Confidence-of-class outputs.
    std::unique_ptr<Matrix> siteSummary1, siteSummary2;
    std::vector<std::string> siteHeaders1, siteHeaders2;
    std::vector<std::string> siteCodes;
    bool uncertaintyAvailable = false;
};
