#pragma once

// Metric families, as the import stores them.
enum Family : int { familyRivers = 0, familyLakes = 1, familyDam = 2 };

// The family's name as the database's tables key it: "TDI", "LTDI" or "DAM".
const char* FamilyName(int family);
// The first index of the family: TDI3, LTDI1 or DAM; the second: TDI4 or LTDI2 ("" for DAM).
const char* FirstIndexName(int family);
const char* SecondIndexName(int family);
// The name of index 1 or 2 of the family.
inline const char* IndexName(int family, int index)
{
    return index == 1 ? FirstIndexName(family) : SecondIndexName(family);
}
