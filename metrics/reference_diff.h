#pragma once

#include <string>
#include <vector>

#include "metrics/reference_check.h"

// What changed between two versions of the reference data, so that a changed class can be
// traced to the taxa, boundaries or coefficients behind it.
struct ReferenceDiff {
    int taxaAdded = 0;
    int taxaRemoved = 0;
    int taxaChanged = 0;  // taxa with at least one changed value
    int boundariesChanged = 0;  // boundary values changed, rows added or removed
    int cocChanged = 0;         // confidence-of-class values changed, rows added or removed
    int tablesOrColumnsChanged = 0;
    // One line each, tab-separated fields: what, key, column, old value, new value.
    //   taxon added    AC999A  TaxonName       Navicula nova
    //   taxon changed  AC002A  TDI3    3       4
    //   boundary changed       LTDI1 HA        HG      0.9     0.92
    std::vector<std::vector<std::string>> lines;

    bool same() const { return lines.empty(); }
};

// Taxa are matched by the list's own code (column 2, else column 1, ignoring case),
// boundary rows by site type and lake type, confidence-of-class rows by family and
// coefficient number; columns by name. Numbers compare exactly and are shown with 17
// significant digits where fewer would hide the change.
ReferenceDiff DiffReferenceTables(const ReferenceTables& before, const ReferenceTables& after);

// "Taxa: 1 added, 0 removed, 3 changed; boundaries: 1 changed; confidence of class: 0 changed",
// followed by "; tables or columns: N added or removed" when there are such.
std::string DiffCountLine(const ReferenceDiff& diff);
