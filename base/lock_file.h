#pragma once

#include <optional>
#include <string>
#include <string_view>

// A spreadsheet program that has a workbook open leaves a lock file beside it, and may
// later save its own copy over whatever was written there meanwhile. LibreOffice's is
// ".~lock.NAME#", one CSV line whose first field is the user's name as LibreOffice knows
// it and whose second is the system user; Excel's is "~$NAME", whose first byte is the
// length of the user's name and the next bytes that name.
struct FileLock {
    std::string lockPath;
    std::string holder;  // who holds the file, as the lock file names them; empty when it does not
};

// The lock file beside path, LibreOffice's first; nothing when there is none.
std::optional<FileLock> FindFileLock(const std::string& path);

// The holder named by a lock file's contents; empty when they name nobody readable.
std::string LibreOfficeLockHolder(std::string_view text);
std::string ExcelLockHolder(std::string_view bytes);
