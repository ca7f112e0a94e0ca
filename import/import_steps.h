#pragma once

// The steps both imports share (of a loaded book and of a preset choice): the rules of the
// lists and the header rows, and the reference tables the samples keep.

#include <optional>
#include <string>
#include <string_view>

#include "import/imported_samples.h"
#include "import/reference_source.h"
#include "import/user_interaction.h"
#include "workbook/cells/cell_store.h"

// True for a cell that ends the list of sample names or taxon codes: an empty or blank
// cell, or an error (a #DIV/0! is a typing slip, not a sample or a taxon).
bool EndsList(wb::CellType type);
// A header value or a taxon code as the import keeps it: a number with "%g", a text as
// it is, anything else empty.
std::string CellText(wb::CellType type, double number, std::string_view text);
// The message of a header-row label that does not fit the family (row index from 0);
// nothing when the row passes.
std::optional<std::string> LabelError(int family, int row, const std::string& label);
// The message of too few header rows for the family; nothing when there are enough.
std::optional<std::string> HeaderCountError(int family, int headerRows);
// The boundaries of the family's indices and its confidence-of-class parameters, kept by
// the samples with the master taxon list. False with the message shown.
bool LoadReferenceTables(ImportedSamples& samples, ReferenceSource& references, UserInteraction& ui);
