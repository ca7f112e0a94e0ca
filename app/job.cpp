#include "app/job.h"

#include "app/application.h"
#include "matrix/number_format.h"

Job::Job(Application* application, UserInteraction& user) : app(application), ui(user) {}

Job::~Job() = default;

const char* Job::FamilyName(int f)
{
    switch (f) {
    case familyLakes: return "LTDI";
    case familyDam: return "DAM";
    default: return "TDI";
    }
}

const char* Job::FirstIndexName(int f)
{
    switch (f) {
    case familyLakes: return "LTDI1";
    case familyDam: return "DAM";
    default: return "TDI3";
    }
}

const char* Job::SecondIndexName(int f)
{
    switch (f) {
    case familyLakes: return "LTDI2";
    case familyDam: return "";
    default: return "TDI4";
    }
}

void Job::ComposeImportSummary()
{
    const int taxaInCounts = counts ? counts->nCols() : 0;
    const int samplesInCounts = counts ? counts->nRows() : 0;
    summary = "File:\t" + title;
    summary += "\r\nWorksheet:\t" + sheetName;
    summary += "\r\n\r\nMetric:\t" + familyName;
    summary += numtext::format("\r\n\r\nNumber of taxa:\t%d\r\nNumber of samples:\t%d",
                               {static_cast<long long>(taxaInCounts), static_cast<long long>(samplesInCounts)});
    if (!cocAvailable)
        summary += numtext::format(
            "\r\n\r\nConfidence of class parameters not found for %s, uncertainty estimates will not be calculated.",
            {std::string_view(familyName)});
}

Job::State Job::state() const
{
    if (!counts)
        return State::Created;
    if (!analysed)
        return State::Imported;
    return modified ? State::Analysed : State::Saved;
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
