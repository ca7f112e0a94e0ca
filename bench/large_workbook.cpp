#include "bench/large_workbook.h"

#include <cstdio>
#include <memory>
#include <random>

#include "app/application.h"
#include "import/user_interaction.h"
#include "workbook/book.h"

namespace bench_workbook {

void BenchUser::showMessage(const std::string& text, const std::string&)
{
    std::fprintf(stderr, "message: %s\n", text.c_str());
}

std::optional<WorksheetChoice> BenchUser::chooseWorksheet(const wb::Book&, const std::vector<std::string>&, int)
{
    WorksheetChoice choice;
    choice.firstDataRow = 5;
    choice.firstDataColumn = 3;
    choice.family = familyRivers;
    return choice;
}

std::vector<std::string> taxonCodes(const std::string& database, int wanted)
{
    BenchUser user;
    Application app(user);
    app.OpenReferenceData(database);
    std::vector<std::string> listed;
    if (app.masterTaxonList)
        for (int r = 0; r < app.masterTaxonList->rowCount; ++r) {
            std::string code;
            if (app.masterTaxonList->GetString(r, 1, code) && !code.empty())
                listed.push_back(code);
        }
    std::vector<std::string> codes;
    for (int t = 0; t < wanted; ++t) {
        const std::size_t i = static_cast<std::size_t>(t);
        codes.push_back(i < listed.size() ? listed[i] : "BENCH" + std::to_string(t));
    }
    return codes;
}

bool write(const std::string& path, const std::vector<std::string>& codes, int samples, const std::string& samplePrefix)
{
    std::unique_ptr<wb::Book> book = wb::xlCreateXMLBook();
    wb::Format* date = book->addFormat();
    date->setNumFormat(14);
    wb::Sheet* sheet = book->addSheet("Samples");
    sheet->writeStr(0, 0, "Sample");
    sheet->writeStr(1, 0, "Site code");
    sheet->writeStr(2, 0, "Sampling date");
    sheet->writeStr(3, 0, "Alkalinity (mg/l)");
    std::mt19937 rng(12345);
    std::uniform_int_distribution<int> count(1, 60);
    std::uniform_real_distribution<double> alkalinity(10, 200);
    const int taxa = static_cast<int>(codes.size());
    for (int s = 0; s < samples; ++s) {
        sheet->writeStr(0, 2 + s, samplePrefix + std::to_string(s + 1));
        sheet->writeStr(1, 2 + s, "SITE" + std::to_string(s / 5));  // five samples a site
        sheet->writeNum(2, 2 + s, 44927 + (s * 7) % 365, date);
        sheet->writeNum(3, 2 + s, alkalinity(rng));
    }
    for (int t = 0; t < taxa; ++t) {
        sheet->writeStr(4 + t, 0, codes[static_cast<std::size_t>(t)]);
        sheet->writeStr(4 + t, 1, "Taxon " + std::to_string(t));
        // About one taxon in eight present in a sample, as in real counts.
        for (int s = 0; s < samples; ++s)
            if ((rng() & 7) == 0)
                sheet->writeNum(4 + t, 2 + s, count(rng));
    }
    if (!book->save(path)) {
        std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), book->errorMessage().c_str());
        return false;
    }
    return true;
}

}  // namespace bench_workbook
