#include "app/job.h"

#include <filesystem>
#include <system_error>

#include "app/application.h"
#include "import/pooled_samples.h"
#include "import/sample_import.h"
#include "import/side_by_side.h"
#include "workbook/book.h"
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

bool Job::AddWorkbooks(const std::vector<std::string>& paths)
{
    if (!app) {
        ui.showMessage("Error retrieving taxon list");
        return false;
    }
    if (analysed || !samples.counts || paths.empty())
        return false;
    // Every message about one of the added workbooks names it.
    std::vector<std::unique_ptr<WorkbookNamingUser>> naming;
    std::vector<UserInteraction*> users;
    for (const std::string& path : paths) {
        naming.push_back(std::make_unique<WorkbookNamingUser>(ui, path));
        users.push_back(naming.back().get());
    }
    std::vector<std::unique_ptr<wb::Book>> books(paths.size());
    std::vector<std::string> digests(paths.size());
    const SideBySideOutcome read = ReadSideBySide(
        users,
        [&](std::size_t i, UserInteraction& user, ReferenceSource&) {
            books[i] = ReadSampleWorkbook(user, paths[i], &digests[i]);
            return books[i] != nullptr;
        },
        *app, ui, paths.size() == 1 ? "Reading " + std::filesystem::path(paths[0]).filename().string()
                                    : "Reading " + std::to_string(paths.size()) + " workbooks");
    if (!read.allRead(paths.size()))
        return false;

    std::vector<ImportedSamples> parts;
    SampleSource last = SourcesOf(samples).back();
    for (std::size_t i = 0; i < paths.size(); ++i) {
        std::optional<ImportedSamples> part =
            ImportSamplesFromBook(*books[i], paths[i], digests[i], *app, *users[i], samples.family,
                                  ChoiceStart{last.sheetName, last.firstDataRow, last.firstDataColumn});
        // The book is not needed once its samples are copied.
        books[i].reset();
        if (!part)
            return false;
        last = SourcesOf(*part).back();
        parts.push_back(std::move(*part));
    }
    if (!AddSamples(samples, std::move(parts), ui))
        return false;
    analysis = Analysis();
    sites = SiteSummaries();
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
