#pragma once

// A small reference database that checks clean, and the same with one planted problem of
// each kind the check knows, written as CSV files for torven-mkrefdb or straight to an
// Access file.

#include <string>
#include <utility>
#include <vector>

#include "refdb/jet/csv_table.h"
#include "refdb/jet/writer.h"
#include "tests/support/temp_dir.h"

namespace reference_fixture {

struct ReferenceCsv {
    std::string taxa;
    std::string boundaries;
    std::string coc;
};

inline ReferenceCsv cleanReference()
{
    ReferenceCsv csv;
    csv.taxa =
        "NBNCode:text(16),TaxonCode:text(6),TaxonName:text(120),TDI3:double,TDI4:double,LTDI1:double,LTDI2:double,"
        "DAM:double,Motile:boolean,OrganicTolerant:boolean,Planktic:boolean,Saline:boolean\n"
        "NBNSYS0000000001,AA001A,Alpha one,1,2,3,4,5,false,false,false,false\n"
        "NBNSYS0000000002,AA002A,Alpha two,2,3,,0,1,true,false,false,false\n"
        "NBNSYS0000000003,AA003A,Alpha three,5,5,5,5,5,false,true,false,true\n";
    csv.boundaries =
        "SiteType:text(10),LakeType:text(2),MedianTDI:double,HG:double,GM:double,MP:double,PB:double\n"
        "TDI3,,36.5,0.8,0.6,0.4,0.2\n"
        "TDI4,,40,0.8,0.6,0.4,0.2\n"
        "LTDI1,HA,43.5,0.9,0.7,0.46,0.23\n"
        "LTDI2,HA,46.2,0.88,0.68,0.45,0.22\n"
        "DAM,,1,0.9,0.7,0.5,0.3\n";
    csv.coc =
        "SiteType:text(10),Coefficient:long,Value:double\n"
        "TDI,0,0.05\nTDI,1,0.06\nTDI,2,0.04\nTDI,3,2\n"
        "LTDI,0,0.07\nLTDI,1,0.05\nLTDI,2,0.05\nLTDI,3,1.5\n"
        "DAM,0,0.09\nDAM,1,-0.02\nDAM,2,0.08\nDAM,3,3\n";
    return csv;
}

// One problem of each kind: a column missing (Saline), a code given twice in one code
// system (in another case), a score outside 1 to 5, boundaries out of order, a boundary
// not positive, a lake type given twice, a family with three confidence-of-class rows.
inline ReferenceCsv plantedReference()
{
    ReferenceCsv csv;
    csv.taxa =
        "NBNCode:text(16),TaxonCode:text(6),TaxonName:text(120),TDI3:double,TDI4:double,LTDI1:double,LTDI2:double,"
        "DAM:double,Motile:boolean,OrganicTolerant:boolean,Planktic:boolean\n"
        "NBNSYS0000000001,AA001A,Alpha one,1,2,3,4,5,false,false,false\n"
        "NBNSYS0000000002,AA002A,Alpha two,2,3,,0,1,true,false,false\n"
        "NBNSYS0000000003,AA003A,Alpha three,5,7,5,5,5,false,true,false\n"
        "NBNSYS0000000004,aa002a,Alpha two again,2,3,3,3,3,false,false,false\n";
    csv.boundaries =
        "SiteType:text(10),LakeType:text(2),MedianTDI:double,HG:double,GM:double,MP:double,PB:double\n"
        "TDI3,,36.5,0.8,0.6,0.4,0.2\n"
        "TDI4,,40,0.8,0.6,0.65,0.2\n"
        "LTDI1,HA,43.5,0.9,0.7,0.46,0.23\n"
        "LTDI1,HA,44,0.9,0.7,0.46,0.23\n"
        "LTDI2,HA,46.2,0.88,0.68,0.45,0.22\n"
        "DAM,,1,0.9,0.7,0.5,0\n";
    csv.coc =
        "SiteType:text(10),Coefficient:long,Value:double\n"
        "TDI,0,0.05\nTDI,1,0.06\nTDI,2,0.04\nTDI,3,2\n"
        "LTDI,0,0.07\nLTDI,1,0.05\nLTDI,2,0.05\nLTDI,3,1.5\n"
        "DAM,0,0.09\nDAM,1,-0.02\nDAM,2,0.08\n";
    return csv;
}

// The planted problems as the check lists them: table, key, column, value, what.
inline std::vector<std::string> plantedProblemLines()
{
    return {
        "NBSMasterTaxonList_PhaseII\trow 4 (aa002a)\tTaxonCode\taa002a\tcode given twice (also row 2): only the first "
        "row is matched",
        "NBSMasterTaxonList_PhaseII\trow 3 (AA003A)\tTDI4\t7\tscore outside 1 to 5: the index would leave 0 to 100",
        "NBSMasterTaxonList_PhaseII\t\tSaline\t\tcolumn missing",
        "Boundaries\tTDI4\tMP\t0.65\tModerate/Poor boundary not below the Good/Moderate boundary (0.6)",
        "Boundaries\tLTDI1 HA\tLakeType\tHA\tlake type given twice for LTDI1: only the first row is used",
        "Boundaries\tDAM\tPB\t0\tPoor/Bad boundary not positive",
        "CoC\tDAM\tSiteType\t3 rows\tfewer than four rows: no confidence of class for DAM",
    };
}

// The torven-mkrefdb arguments that write csv's tables (the CSV files go into dir).
inline std::string mkrefdbArguments(const testing_support::TempDir& dir, const ReferenceCsv& csv, const std::string& tag)
{
    const std::pair<const char*, const std::string*> tables[] = {
        {"NBSMasterTaxonList_PhaseII", &csv.taxa}, {"Boundaries", &csv.boundaries}, {"CoC", &csv.coc}};
    std::string arguments;
    for (const auto& [name, text] : tables) {
        const std::string file = dir.file(tag + "-" + name + ".csv");
        testing_support::writeFile(file, *text);
        arguments += " " + testing_support::shellQuote(std::string(name) + "=" + file);
    }
    return arguments;
}

// Writes csv's tables (and extra ones) as an Access file at path; false with the reason.
inline bool writeReference(const std::string& path, const ReferenceCsv& csv, std::string& error,
                           const std::vector<std::pair<std::string, std::string>>& extra = {})
{
    std::vector<std::pair<std::string, std::string>> texts = {
        {"NBSMasterTaxonList_PhaseII", csv.taxa}, {"Boundaries", csv.boundaries}, {"CoC", csv.coc}};
    texts.insert(texts.end(), extra.begin(), extra.end());
    std::vector<refdb::TableSpec> tables;
    for (const auto& [name, text] : texts) {
        refdb::TableSpec table(name);
        if (!refdb::parseCsvTable(text, name + ".csv", table, error))
            return false;
        tables.push_back(std::move(table));
    }
    return refdb::writeAccessFile(tables, path, refdb::JetFormat::jet4, error);
}

}  // namespace reference_fixture
