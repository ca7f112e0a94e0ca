#pragma once

#include <string>
#include <vector>

// The large river workbook of the benchmarks: four header rows (sample, site code,
// sampling date, alkalinity), then one row per taxon, the data from row 5, column C.
namespace bench_workbook {

// Taxon codes of the bundled list (its second field), repeated with a suffix when the
// list is shorter than wanted, so that most rows match and some do not.
std::vector<std::string> taxonCodes(const std::string& database, int wanted);

// Writes the workbook; false after a message on standard error.
bool write(const std::string& path, const std::vector<std::string>& codes, int samples);

}  // namespace bench_workbook
