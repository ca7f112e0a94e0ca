#pragma once

#include <memory>
#include <string>
#include <vector>

#include "import/user_interaction.h"
#include "results/assessment.h"

class Application;

// One analysis job of the desktop program: one worksheet of one sample workbook, imported
// for one metric family, analysed and saved as a results workbook. The stages it has
// reached are its Assessment (samples, analysis, sites); the job adds what the windows
// observe: its state, the modified flag, the taxon map the user chose. The workbook is
// open only inside the import and the save. The command line runs the same steps without
// a job.
class Job : public Assessment {
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
    // Adds the samples of more workbooks to an imported job before its analysis. The books
    // are read side by side (one progress, one Cancel); then each one's worksheet is
    // chosen in turn, the choice starting from the last one made and the job's metric;
    // then their samples join the job (PoolSamples' rules). All or nothing: a workbook
    // that cannot be read or imported (its message names it), a cancelled choice, or a
    // sample the job already has leaves the job exactly as it was. True when they joined.
    bool AddWorkbooks(const std::vector<std::string>& paths);
    // The analysis run and, when the family has its parameters, the site summaries; false
    // when the job has no taxa or the lake typology is missing.
    bool Analyse();
    // Reads the taxon map file for the next analysis. A malformed file is refused as a
    // whole: false with the reason in error, and the job keeps the map it had (or none).
    bool SetTaxonMap(const std::string& mapPath, std::string& error);
    // The next analysis matches without a map.
    void ClearTaxonMap();

    // Asks for a file and writes the results workbook; true when it was written.
    bool SaveResults();
    // Writes the results workbook to path (the file choice already made); true when written.
    bool SaveResultsTo(const std::string& path);

    // The save-before-closing question: true when the job may close.
    bool SaveModified();
    // Closing the job form closes the job (and asks); a data or results window just closes.
    bool CanCloseFrame(Window window);

    State state() const;
    // The summary text as the job form shows it.
    std::string summary() const { return SummaryText(*this); }

    Application* app;
    UserInteraction& ui;

    bool modified = false;
    bool analysed = false;
    // The taxon map the next analysis uses (none at first).
    TaxonMapChoice taxonMap;
};
