#include "tests/taxa/demo_list.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "base/csv.h"
#include "tests/support/temp_dir.h"

namespace taxa_test {

const std::vector<taxa::ListRow>& DemoList()
{
    static const std::vector<taxa::ListRow> rows = [] {
        const std::string text = testing_support::readFile(std::string(TORVEN_SOURCE_DIR) +
                                                           "/data/refdb/NBSMasterTaxonList_PhaseII.csv");
        std::vector<csv::Record> records;
        std::size_t line = 0;
        std::string reason;
        if (!csv::parse(text, records, line, reason) || records.size() < 2)
            throw std::runtime_error("the demonstration list cannot be read: " + reason);
        std::vector<taxa::ListRow> list;
        for (std::size_t k = 1; k < records.size(); ++k)
            list.push_back({records[k].fields.at(1).text, records[k].fields.at(2).text});
        return list;
    }();
    return rows;
}

std::string DemoName(const std::string& code)
{
    for (const taxa::ListRow& row : DemoList())
        if (row.code == code)
            return row.name;
    throw std::runtime_error("no row " + code + " in the demonstration list");
}

}  // namespace taxa_test
