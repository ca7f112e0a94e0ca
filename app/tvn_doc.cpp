#include "app/tvn_doc.h"

#include "app/tvn_app.h"
#include "matrix/number_format.h"

CTVNDoc::CTVNDoc(CTVNApp* application, UserInteraction& user) : app(application), ui(user) {}

CTVNDoc::~CTVNDoc() = default;

const char* CTVNDoc::FamilyName(int f)
{
    switch (f) {
    case familyLakes: return "LTDI";
    case familyDam: return "DAM";
    default: return "TDI";
    }
}

const char* CTVNDoc::FirstIndexName(int f)
{
    switch (f) {
    case familyLakes: return "LTDI1";
    case familyDam: return "DAM";
    default: return "TDI3";
    }
}

const char* CTVNDoc::SecondIndexName(int f)
{
    switch (f) {
    case familyLakes: return "LTDI2";
    case familyDam: return "";
    default: return "TDI4";
    }
}

void CTVNDoc::ComposeImportSummary()
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

CTVNDoc::State CTVNDoc::state() const
{
    if (!counts)
        return State::Created;
    if (!analysed)
        return State::Imported;
    return modified ? State::Analysed : State::Saved;
}

bool CTVNDoc::SaveModified()
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

bool CTVNDoc::CanCloseFrame(Window window)
{
    if (window != Window::JobForm)
        return true;
    return SaveModified();
}
