#pragma once

#include <string>

// Opens a file for reading only when it is a regular file. A FIFO given where a file is
// expected would block the open until some writer came (for ever, as a rule), and a
// device such as /dev/zero never ends; both are refused ("it is not a regular file")
// without waiting. The descriptor is blocking once open. -1 with the reason in error.
int OpenRegularFile(const std::string& path, std::string& error);

// The refusal of a file that is not a regular one.
inline constexpr const char* kNotRegularFile = "it is not a regular file";
