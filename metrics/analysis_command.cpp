#include "metrics/analysis_command.h"

#include "app/tvn_doc.h"

bool RunAnalysis(CTVNDoc& doc)
{
    if (!doc.Analyse())
        return false;
    if (doc.cocAvailable) {
        doc.ConfidenceOfClass(1);
        if (doc.family == familyRivers || doc.family == familyLakes)
            doc.ConfidenceOfClass(2);
    }
    return true;
}
