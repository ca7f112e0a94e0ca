#pragma once

#include <memory>
#include <optional>
#include <string>

#include "import/imported_samples.h"
#include "import/reference_source.h"
#include "import/user_interaction.h"

namespace wb {
class Book;
}

// The import of a sample workbook: the user chooses the worksheet, its first data row and
// column and the metric family (UserInteraction::chooseWorksheet); the table under them is
// checked and copied with the reference tables of that family. Every failure has shown its
// message when these return nothing.

// The book of a workbook file, the wait cursor shown while it is read; nullptr, with
// "Error reading file" shown, when it cannot be read.
std::unique_ptr<wb::Book> ReadSampleWorkbook(UserInteraction& ui, const std::string& path);

// Reads the workbook at path and imports it. family is the one the choice starts from.
std::optional<ImportedSamples> ImportSamples(const std::string& path, ReferenceSource& references,
                                             UserInteraction& ui, int family = familyRivers);

// The import from a book already read from path.
std::optional<ImportedSamples> ImportSamplesFromBook(const wb::Book& book, const std::string& path,
                                                     ReferenceSource& references, UserInteraction& ui,
                                                     int family = familyRivers);
