// Reading a master taxon list of 20,000 rows: opening the database, reading the table
// through the recordset and copying it into the in-memory table, as start-up does.
// The file is written first (not timed). Prints the best and the median of the runs.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "refdb/ado_database.h"
#include "refdb/ado_recordset.h"
#include "refdb/memory_table.h"
#include "refdb/jet/writer.h"

int main(int argc, char** argv)
{
    const int rows = argc > 1 ? std::atoi(argv[1]) : 20000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 7;
    namespace fs = std::filesystem;
    const fs::path path = fs::temp_directory_path() / ("torven-refdb-bench-" + std::to_string(::getpid()) + ".mdb");

    using refdb::Cell;
    using refdb::ColumnType;
    refdb::TableSpec t("NBSMasterTaxonList_PhaseII");
    t.addColumn("NBNCode", ColumnType::text, 20)
        .addColumn("TaxonCode", ColumnType::text, 10)
        .addColumn("TaxonName", ColumnType::text, 120);
    for (const char* index : {"TDI3", "TDI4", "LTDI1", "LTDI2", "DAM"})
        t.addColumn(index, ColumnType::doubleFloat);
    for (const char* flag : {"Motile", "OrganicTolerant", "Planktic", "Saline"})
        t.addColumn(flag, ColumnType::boolean);
    for (int r = 0; r < rows; ++r) {
        std::vector<Cell> row{Cell::ofText("NBNSYS" + std::to_string(9000000000 + r)),
                              Cell::ofText("TX" + std::to_string(r)),
                              Cell::ofText("Genus species var. number " + std::to_string(r) + " Kütz.")};
        for (int i = 0; i < 5; ++i)
            row.push_back(r % 7 == i ? Cell::null() : Cell::ofNumber(1 + (r + i) % 5 + 0.25 * i));
        for (int i = 0; i < 4; ++i)
            row.push_back(Cell::ofBool((r + i) % 3 == 0));
        t.addRow(std::move(row));
    }
    std::string error;
    if (!refdb::writeAccessFile({t}, path.string(), refdb::JetFormat::jet4, error)) {
        std::fprintf(stderr, "cannot write the fixture: %s\n", error.c_str());
        return 1;
    }

    std::vector<double> seconds;
    int rowCount = 0;
    for (int run = 0; run < runs; ++run) {
        auto start = std::chrono::steady_clock::now();
        CADODatabase db;
        if (!db.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path.string())) {
            std::fprintf(stderr, "%s", db.GetLastErrorText().c_str());
            return 1;
        }
        CADORecordset rs(db);
        if (!rs.Open("NBSMasterTaxonList_PhaseII", CADORecordset::modeTable)) {
            std::fprintf(stderr, "%s", rs.GetLastErrorText().c_str());
            return 1;
        }
        MemoryTable table(rs);
        rs.Close();
        db.Close();
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        rowCount = table.rowCount;
    }
    const double megabytes = static_cast<double>(fs::file_size(path)) / 1e6;
    fs::remove(path);
    std::sort(seconds.begin(), seconds.end());
    std::printf("master taxon list, %d rows (%.1f MB file): best %.3f s, median %.3f s over %d runs\n", rowCount,
                megabytes, seconds.front(), seconds[seconds.size() / 2], runs);
    return rowCount == rows ? 0 : 1;
}
