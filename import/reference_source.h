#pragma once

#include <memory>
#include <string>
#include <vector>

#include "refdb/database_identity.h"
#include "refdb/memory_table.h"

// Where an import finds the reference tables it keeps: the application's database, or the
// tables a test builds. Each table comes whole; null when it could not be loaded.
class ReferenceSource {
public:
    virtual ~ReferenceSource() = default;

    // The master taxon list, loaded once for the whole run.
    virtual std::shared_ptr<const MemoryTable> masterList() = 0;
    // The boundary rows of one site type ("TDI3", "LTDI2", ...).
    virtual std::shared_ptr<const MemoryTable> boundaryTable(const std::string& siteType) = 0;
    // The confidence-of-class rows of a family ("TDI", "LTDI", "DAM"); null when fewer than
    // four were found.
    virtual std::shared_ptr<const MemoryTable> cocTable(const std::string& familyName) = 0;
    // The identity of the database the tables come from; null when it is not known.
    virtual std::shared_ptr<const DatabaseIdentity> databaseIdentity() = 0;
    // Lines every job's summary ends its import part with, about the database itself
    // (demonstration data, problems found in it); none by default.
    virtual std::vector<std::string> referenceNotes() { return {}; }
};
