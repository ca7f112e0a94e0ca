// The lock files that LibreOffice and Excel leave beside a workbook they have open.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "base/lock_file.h"
#include "tests/support/temp_dir.h"

namespace {

void writeBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

// Excel's owner file: the name's length, the name, padding to 54 bytes, then the same name
// in UTF-16 after its length, as Excel writes it (165 bytes in all).
std::string excelOwnerFile(const std::string& name)
{
    std::string bytes(1, static_cast<char>(name.size()));
    bytes += name;
    bytes.resize(54, ' ');
    bytes += static_cast<char>(name.size());
    bytes += '\0';
    for (const char c : name) {
        bytes += c;
        bytes += '\0';
    }
    bytes.resize(165, ' ');
    return bytes;
}

}  // namespace

TEST(LockFile, LibreOfficeNamesTheUserOrElseTheSystemUser)
{
    EXPECT_EQ(LibreOfficeLockHolder("Jane Doe,jdoe,lab-pc,09.12.2026 08:30,file:///home/jdoe/.config/libreoffice/4;"),
              "Jane Doe");
    // No name in LibreOffice's user data: the system user.
    EXPECT_EQ(LibreOfficeLockHolder(",jdoe,lab-pc,09.12.2026 08:30,file:///home/jdoe/.config/libreoffice/4;"), "jdoe");
    // LibreOffice escapes its separators with a backslash.
    EXPECT_EQ(LibreOfficeLockHolder("Doe\\, Jane,jdoe,lab-pc,09.12.2026 08:30,;"), "Doe, Jane");
    EXPECT_EQ(LibreOfficeLockHolder(""), "");
    EXPECT_EQ(LibreOfficeLockHolder(",,host;"), "");
    // Control characters are not shown.
    EXPECT_EQ(LibreOfficeLockHolder(std::string("J\x01" "ane\x7f,x;")), "Jane");
}

TEST(LockFile, ExcelNamesTheUserFromTheFirstByte)
{
    EXPECT_EQ(ExcelLockHolder(excelOwnerFile("Jane Doe")), "Jane Doe");
    EXPECT_EQ(ExcelLockHolder(""), "");
    EXPECT_EQ(ExcelLockHolder(std::string(1, '\0') + "Jane"), "");
    // A length past the file's end names nobody.
    EXPECT_EQ(ExcelLockHolder(std::string(1, '\x20') + "Jane"), "");
}

TEST(LockFile, FoundBesideTheWorkbookByItsName)
{
    const testing_support::TempDir dir;
    const std::string target = dir.file("Results.xlsx");
    writeBytes(target, "old results");
    EXPECT_FALSE(FindFileLock(target));

    // Another workbook's lock is not this one's.
    writeBytes(dir.file(".~lock.Other.xlsx#"), "Someone,x,y,z,;");
    EXPECT_FALSE(FindFileLock(target));

    writeBytes(dir.file("~$Results.xlsx"), excelOwnerFile("Jan Kowalski"));
    std::optional<FileLock> lock = FindFileLock(target);
    ASSERT_TRUE(lock);
    EXPECT_EQ(lock->lockPath, dir.file("~$Results.xlsx"));
    EXPECT_EQ(lock->holder, "Jan Kowalski");

    writeBytes(dir.file(".~lock.Results.xlsx#"), "Jane Doe,jdoe,lab-pc,09.12.2026 08:30,file:///x;\n");
    lock = FindFileLock(target);
    ASSERT_TRUE(lock);
    EXPECT_EQ(lock->lockPath, dir.file(".~lock.Results.xlsx#"));
    EXPECT_EQ(lock->holder, "Jane Doe");

    // A folder of a lock file's name is no lock file.
    const std::string fresh = dir.file("New.xls");
    std::filesystem::create_directory(dir.file(".~lock.New.xls#"));
    EXPECT_FALSE(FindFileLock(fresh));
}
