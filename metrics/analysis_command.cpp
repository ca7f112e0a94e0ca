#include "metrics/analysis_command.h"

#include "app/job.h"

bool RunAnalysis(Job& doc)
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
