#pragma once

// The bundled demonstration master taxon list (data/refdb), as the suggester takes it:
// the list's own code (TaxonCode) and TaxonName of every row, in file order.

#include <string>
#include <vector>

#include "taxa/taxa.h"

namespace taxa_test {

const std::vector<taxa::ListRow>& DemoList();

// The row of the demonstration list with this code (its name), for fixtures that change it.
std::string DemoName(const std::string& code);

}  // namespace taxa_test
