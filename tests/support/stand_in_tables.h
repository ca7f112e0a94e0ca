#pragma once

#include <memory>
#include <string>
#include <vector>

#include "import/reference_source.h"

namespace testing_support {

// Reference tables without a database: an empty taxon list and the same empty table for
// the boundaries of every index (none when boundariesFound is false), no CoC parameters.
// An import that passes every check of the sheet gets through with them.
struct StandInTables : ReferenceSource {
    std::shared_ptr<const MemoryTable> empty = std::make_shared<const MemoryTable>(std::vector<MemoryTable::Column>{}, 0);
    bool boundariesFound = true;
    std::shared_ptr<const MemoryTable> masterList() override { return empty; }
    std::shared_ptr<const MemoryTable> boundaryTable(const std::string&) override
    {
        return boundariesFound ? empty : nullptr;
    }
    std::shared_ptr<const MemoryTable> cocTable(const std::string&) override { return nullptr; }
    std::shared_ptr<const DatabaseIdentity> databaseIdentity() override { return nullptr; }
};

}  // namespace testing_support
