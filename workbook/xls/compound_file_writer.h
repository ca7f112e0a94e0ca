#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace wb {

// Writes a compound file (version 3, 512-byte sectors) that holds one stream under the
// root storage, as .xls workbooks need. The file is written beside `path` under a
// temporary name and renamed over it only when complete, so an existing file survives a
// failed write. False with a reason on failure.
bool writeCompoundFile(const std::string& path, std::u16string_view streamName, std::span<const std::uint8_t> stream,
                       std::string& error);

}  // namespace wb
