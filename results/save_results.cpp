#include "app/tvn_doc.h"

bool CTVNDoc::SaveResults()
{
    std::optional<std::string> chosen = ui.chooseResultsFile();
    if (!chosen)
        return false;
    return SaveResultsTo(*chosen);
}

bool CTVNDoc::SaveResultsTo(const std::string&)
{
    ui.showMessage("Results cannot be saved yet");
    return false;
}
