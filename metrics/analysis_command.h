#pragma once

class Job;

// What the job form's "Analyse" does: the analysis run and, when it succeeds and the
// family's confidence-of-class parameters were found, the confidence of class of the
// first index and, for rivers and lakes, of the second. The result is the analysis
// run's; a failed confidence-of-class step has shown its own message.
bool RunAnalysis(Job& doc);
