#include "app/job.h"

#include <filesystem>
#include <system_error>

#include "app/application.h"
#include "import/sample_import.h"
#include "taxa/taxa.h"

Job::Job(Application* application, UserInteraction& user) : app(application), ui(user) {}

Job::~Job() = default;

Job::State Job::state() const
{
    if (!samples.counts)
        return State::Created;
    if (!analysed)
        return State::Imported;
    return modified ? State::Analysed : State::Saved;
}

bool Job::OpenWorkbook(const std::string& workbookPath)
{
    if (!app) {
        ui.showMessage("Error retrieving taxon list");
        return false;
    }
    std::optional<ImportedSamples> imported = ImportSamples(workbookPath, *app, ui, samples.family);
    if (!imported)
        return false;
    samples = std::move(*imported);
    analysis = Analysis();
    sites = SiteSummaries();
    analysed = false;
    // The map beside the workbook holds the user's own earlier choices for its taxa: it
    // comes back with the workbook, and the analysis names it in the summary. A map that
    // cannot be read is named and left out; the job goes on without one.
    taxonMap = TaxonMapChoice();
    const std::string mapPath = taxa::TaxonMapBeside(workbookPath);
    std::error_code noThrow;
    if (std::filesystem::is_regular_file(mapPath, noThrow)) {
        std::string error;
        if (!SetTaxonMap(mapPath, error))
            ui.showMessage("The taxon map cannot be used.", error);
    }
    return true;
}

bool Job::Analyse()
{
    // A new run starts from the import alone: nothing of an earlier run is kept.
    analysis = Analysis();
    sites = SiteSummaries();
    analysed = false;
    std::optional<Analysis> run = ::Analyse(samples, taxonMap, ui);
    if (!run)
        return false;
    analysis = std::move(*run);
    if (samples.cocAvailable)
        sites = SummariseAllSites(samples, analysis, ui);
    modified = true;
    analysed = true;
    return true;
}

bool Job::SetTaxonMap(const std::string& mapPath, std::string& error)
{
    auto map = std::make_shared<taxa::TaxonMap>();
    if (!taxa::ReadTaxonMap(mapPath, *map, error))
        return false;
    taxonMap.map = std::move(map);
    taxonMap.path = mapPath;
    return true;
}

void Job::ClearTaxonMap()
{
    taxonMap = TaxonMapChoice();
}

bool Job::SaveModified()
{
    if (!modified)
        return true;
    switch (ui.askYesNoCancel("Save Results?")) {
    case UserInteraction::Answer::Cancel:
        return false;
    case UserInteraction::Answer::No:
        return true;
    case UserInteraction::Answer::Yes:
        // Results the user asked to keep are never dropped: a cancelled file choice or a
        // failed save keeps the job open (and still modified).
        return SaveResults();
    }
    return false;
}

bool Job::CanCloseFrame(Window window)
{
    if (window != Window::JobForm)
        return true;
    return SaveModified();
}
