#pragma once

#include <optional>
#include <string>
#include <vector>

#include "import/sample_import.h"

// The import of a preset choice set beside the import of the loaded book with the same
// choice, for the tests that hold them equal.
namespace preset_compare {

struct Outcome {
    std::optional<ImportedSamples> samples;
    std::vector<std::string> messages;
    int choicesAsked = 0;
    ImportRoute route;  // the preset import's
};

// The import of the loaded book, the worksheet dialog answering with the preset choice.
Outcome loaded(const std::string& path, const PresetChoice& preset, int sheetIndex);
// The preset import (asked for the choice only when it goes back to the loaded book).
Outcome streamed(const std::string& path, const PresetChoice& preset, int sheetIndex);

// Every field of the two outcomes equal: messages, samples down to each count, summary.
void expectSame(const Outcome& a, const Outcome& b);

// Both imports of the sheet, expected equal; `streams` says whether the preset import
// reads the sheet as a stream (and then never asks for the choice). Returns the preset
// import's outcome.
Outcome compare(const std::string& path, const PresetChoice& preset, int sheetIndex, bool streams);

}  // namespace preset_compare
