#pragma once

#include <optional>
#include <string>
#include <vector>

#include "import/user_interaction.h"

// The large river workbook of the benchmarks: four header rows (sample, site code,
// sampling date, alkalinity), then one row per taxon, the data from row 5, column C.
namespace bench_workbook {

// Taxon codes of the bundled list (its second field), repeated with a suffix when the
// list is shorter than wanted, so that most rows match and some do not.
std::vector<std::string> taxonCodes(const std::string& database, int wanted);

// Writes the workbook, its samples named samplePrefix1, samplePrefix2, ...; false after a
// message on standard error.
bool write(const std::string& path, const std::vector<std::string>& codes, int samples,
           const std::string& samplePrefix = "S");

// The user of a benchmark: reports each message on standard error, answers No, saves
// nowhere, and takes this workbook's own layout (data from row 5, column C, rivers).
class BenchUser : public UserInteraction {
public:
    void showMessage(const std::string& text, const std::string& detail) override;
    Answer askYesNoCancel(const std::string&) override { return Answer::No; }
    std::optional<WorksheetChoice> chooseWorksheet(const wb::Book&, const std::vector<std::string>&, int) override;
    std::optional<std::string> chooseResultsFile() override { return std::nullopt; }
};

}  // namespace bench_workbook
