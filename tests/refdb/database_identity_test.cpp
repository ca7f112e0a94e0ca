#include "refdb/database_identity.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <utime.h>

#include "base/sha256.h"
#include "refdb/ado_database.h"
#include "refdb/jet/writer.h"
#include "tests/support/temp_dir.h"

using refdb::Cell;
using refdb::ColumnType;
using testing_support::TempDir;

namespace {

refdb::TableSpec taxaTable()
{
    refdb::TableSpec t("Taxa");
    t.addColumn("Code", ColumnType::text, 12);
    t.addRow({Cell::ofText("AC001A")});
    return t;
}

refdb::TableSpec versionTable()
{
    refdb::TableSpec t("Version");
    t.addColumn("Release", ColumnType::text, 20).addColumn("Issued", ColumnType::dateTime).addColumn("Note", ColumnType::text);
    t.addRow({Cell::ofText("2.0 demo"), Cell::ofDateTime(2026, 11, 30), Cell::null()});
    t.addRow({Cell::ofText("1.0"), Cell::ofDateTime(2020, 1, 1), Cell::ofText("older")});
    return t;
}

std::string openString(const std::string& path)
{
    return std::string("Provider=") + CADODatabase::kJetProvider + ";Data Source=" + path;
}

}  // namespace

// The identity names the file by size, time and digest, and the Version table's first row
// with every field; one changed byte changes the digest.
TEST(DatabaseIdentity, NamesTheFileAndItsVersion)
{
    TempDir dir;
    const std::string path = dir.file("ref.mdb");
    std::string error;
    ASSERT_TRUE(refdb::writeAccessFile({taxaTable(), versionTable()}, path, refdb::JetFormat::jet4, error)) << error;
    // 2026-12-08 21:40:07 UTC
    const utimbuf times{1796766007, 1796766007};
    ASSERT_EQ(utime(path.c_str(), &times), 0);

    CADODatabase database;
    ASSERT_TRUE(database.Open(openString(path))) << database.GetLastErrorText();
    DatabaseIdentity identity;
    ASSERT_TRUE(ReadDatabaseIdentity(path, database, identity, error)) << error;
    EXPECT_EQ(identity.fileName, "ref.mdb");
    EXPECT_EQ(identity.sizeBytes, std::filesystem::file_size(path));
    EXPECT_EQ(identity.modifiedUtc, "2026-12-08 21:40:07 UTC");
    std::string digest;
    ASSERT_TRUE(Sha256OfFile(path, digest, error));
    EXPECT_EQ(identity.sha256, digest);
    ASSERT_EQ(identity.version.size(), 3u);
    EXPECT_EQ(identity.version[0], (std::pair<std::string, std::string>{"Release", "2.0 demo"}));
    EXPECT_EQ(identity.version[1].first, "Issued");
    EXPECT_EQ(identity.version[1].second.substr(0, 10), "2026-11-30");
    EXPECT_EQ(identity.version[2], (std::pair<std::string, std::string>{"Note", ""}));

    const std::vector<std::string> lines = DatabaseIdentityLines(identity, 812);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].rfind("Reference database: ref.mdb (", 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find(" bytes, modified 2026-12-08 21:40:07 UTC)"), std::string::npos) << lines[0];
    EXPECT_EQ(lines[1], "Reference database SHA-256: " + digest);
    EXPECT_EQ(lines[2], "Master taxon list: 812 rows");
    EXPECT_EQ(lines[3].rfind("Database version: Release = 2.0 demo; Issued = 2026-11-30", 0), 0u) << lines[3];
    database.Close();

    // One byte changed near the end of the file (past the pages the reader needs).
    {
        std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(-1, std::ios::end);
        file.put('\x5a');
    }
    DatabaseIdentity changed;
    ASSERT_TRUE(database.Open(openString(path)));
    ASSERT_TRUE(ReadDatabaseIdentity(path, database, changed, error)) << error;
    EXPECT_NE(changed.sha256, identity.sha256);
    EXPECT_EQ(changed.sizeBytes, identity.sizeBytes);
}

TEST(DatabaseIdentity, WithoutVersionTableOrFile)
{
    TempDir dir;
    const std::string path = dir.file("plain.mdb");
    std::string error;
    ASSERT_TRUE(refdb::writeAccessFile({taxaTable()}, path, refdb::JetFormat::jet4, error)) << error;
    CADODatabase database;
    ASSERT_TRUE(database.Open(openString(path)));
    DatabaseIdentity identity;
    ASSERT_TRUE(ReadDatabaseIdentity(path, database, identity, error)) << error;
    EXPECT_TRUE(identity.version.empty());
    EXPECT_EQ(DatabaseIdentityLines(identity, -1).size(), 2u);

    EXPECT_FALSE(ReadDatabaseIdentity(dir.file("missing.mdb"), database, identity, error));
    EXPECT_EQ(error, "No such file or directory");
}
