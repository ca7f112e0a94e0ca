#pragma once

#include <cstdint>
#include <vector>

#include "workbook/layout.h"

namespace wb {

// The "\005SummaryInformation" stream of a compound file: a property set that holds the
// title, subject and writing program that file managers and spreadsheets show. Empty
// when none of the three is given.
std::vector<std::uint8_t> summaryInformationStream(const DocumentProperties& properties);

// Its name in the compound file; the first character is the control character 5.
inline constexpr char16_t kSummaryInformationName[] = u"\u0005SummaryInformation";

}  // namespace wb
