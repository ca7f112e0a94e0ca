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

// The book of a workbook file, read as long work (UserInteraction::runLong); nullptr, with
// "Error reading file" shown, when it cannot be read, and without a message when the user
// stopped the reading. sha256, when given, gets the file's SHA-256 (empty when the file
// cannot be read again).
std::unique_ptr<wb::Book> ReadSampleWorkbook(UserInteraction& ui, const std::string& path,
                                             std::string* sha256 = nullptr);

// Where the worksheet choice of one more workbook of a job starts: the last workbook's
// sheet (by name: the first sheet when this workbook has none of that name), its first
// data row and column (1-based).
struct ChoiceStart {
    std::string sheetName;
    int firstDataRow = 1;
    int firstDataColumn = 3;
};

// Reads the workbook at path and imports it. family is the one the choice starts from.
std::optional<ImportedSamples> ImportSamples(const std::string& path, ReferenceSource& references,
                                             UserInteraction& ui, int family = familyRivers);

// The import from a book already read from path, whose SHA-256 was workbookSha256. With a
// start, the choice is asked with UserInteraction::chooseWorksheetFrom.
std::optional<ImportedSamples> ImportSamplesFromBook(const wb::Book& book, const std::string& path,
                                                     const std::string& workbookSha256, ReferenceSource& references,
                                                     UserInteraction& ui, int family = familyRivers,
                                                     const std::optional<ChoiceStart>& start = std::nullopt);

// A worksheet choice made before the workbook is read (the command line's options).
struct PresetChoice {
    std::optional<std::string> sheetName;  // the first sheet when not given
    int firstDataRow = 1;                  // 1-based
    int firstDataColumn = 3;               // 1-based
    int family = familyRivers;
};

// The first data row that the worksheet dialog's guess (worksheet::GuessFirstDataRow)
// finds on the named sheet (the first when not named) of an .xlsx workbook, read from the
// sheet's first rows alone; 1 when it finds none, as the command line takes it. Nothing
// for an .xls workbook or one that cannot be streamed: the import of the loaded book
// guesses it there, and says what is wrong.
std::optional<int> GuessPresetFirstDataRow(const std::string& path, const std::optional<std::string>& sheetName);

// How a workbook was read: its sheet streamed, or the book loaded whole, and then why.
struct ImportRoute {
    bool streamed = false;
    std::string loadedBecause;  // empty when streamed
};

// The import of a preset choice: an .xlsx sheet's counts go from the scanner straight into
// the count matrix, without keeping the sheet's cells. The same samples and messages as
// ImportSamples with the same choice (which chooseWorksheet must then give): whenever the
// sheet does not pass a check, or its cells are not in order, the workbook is read whole
// and imported as ImportSamples does, and that says what is wrong. A sheet's extent as
// its file states it (or does not) is only a hint. `route`, when given, gets which way
// the workbook was read.
std::optional<ImportedSamples> ImportPresetSamples(const std::string& path, const PresetChoice& choice,
                                                   ReferenceSource& references, UserInteraction& ui,
                                                   ImportRoute* route = nullptr);
