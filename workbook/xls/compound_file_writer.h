#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace wb {

// One stream of a compound file: its name and its bytes.
struct CompoundStream {
    std::u16string_view name;
    std::span<const std::uint8_t> bytes;
};

// Writes a compound file (version 3, 512-byte sectors) whose root storage holds the
// given streams (names must differ), as .xls workbooks need. The file is written beside
// `path` under a temporary name and renamed over it only when complete, so an existing
// file survives a failed write. False with a reason on failure.
bool writeCompoundFile(const std::string& path, std::span<const CompoundStream> streams, std::string& error);

// The same with a single stream.
bool writeCompoundFile(const std::string& path, std::u16string_view streamName, std::span<const std::uint8_t> stream,
                       std::string& error);

}  // namespace wb
