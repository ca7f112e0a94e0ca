// Writes a 20,000-row master taxon list to an Access file through the CSV reader and the
// writer, as torven-mkrefdb does, and reports the time of each step.
// Usage: mkrefdb_bench [OUT]   (default: mkrefdb_bench.mdb in the current folder)

#include <chrono>
#include <cstdio>
#include <string>

#include "refdb/jet/csv_table.h"
#include "refdb/jet/writer.h"

int main(int argc, char** argv)
{
    const std::string out = argc > 1 ? argv[1] : "mkrefdb_bench.mdb";
    constexpr int rows = 20000;
    std::string csv = "NBNCode:text(16),TaxonCode:text(6),TaxonName:text(120),TDI3:double,TDI4:double,LTDI1:double,"
                      "LTDI2:double,DAM:double,Motile:boolean,OrganicTolerant:boolean,Planktic:boolean,Saline:boolean\n";
    for (int i = 0; i < rows; ++i) {
        const std::string n = std::to_string(i);
        csv += "NBNSYS90" + std::string(8 - n.size(), '0') + n + ",B" + std::string(5 - n.size(), '0') + n + ",Nitzschia benchmarkii var. " + n + " K\xC3\xBCtz.," + std::to_string(1 + i % 5) + "," +
               std::to_string(1 + (i / 5) % 5) + ".5," + (i % 7 ? "3" : "") + ",2,0," + (i % 2 ? "true" : "false") +
               ",false,true,0\n";
    }
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    refdb::TableSpec table("NBSMasterTaxonList_PhaseII");
    std::string error;
    if (!refdb::parseCsvTable(csv, "bench.csv", table, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const auto parsed = Clock::now();
    if (!refdb::writeAccessFile({table}, out, refdb::JetFormat::jet4, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const auto written = Clock::now();
    auto ms = [](auto d) { return std::chrono::duration<double, std::milli>(d).count(); };
    std::printf("%d rows, %zu bytes of CSV: parse %.1f ms, build and write %.1f ms, total %.1f ms -> %s\n", rows, csv.size(),
                ms(parsed - start), ms(written - parsed), ms(written - start), out.c_str());
    return 0;
}
