// Analysis and confidence of class of a large river job: 5,000 samples x 1,000 taxa
// against a 20,000-row master list. Prints the wall time of each step.

#include <chrono>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/job.h"
#include "refdb/memory_table.h"

namespace {

class SilentUser : public UserInteraction {
public:
    void showMessage(const std::string&, const std::string&) override {}
    Answer askYesNoCancel(const std::string&) override { return Answer::No; }
    std::optional<WorksheetChoice> chooseWorksheet(const wb::Book&, const std::vector<std::string>&, int) override
    {
        return std::nullopt;
    }
    std::optional<std::string> chooseResultsFile() override { return std::nullopt; }
};

MemoryTable::Column column(const std::string& name, int kind)
{
    MemoryTable::Column c;
    c.name = name;
    c.kind = kind;
    return c;
}

double seconds(std::chrono::steady_clock::time_point from)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
}

}  // namespace

int main()
{
    constexpr int listRows = 20000, taxa = 1000, samples = 5000;
    std::mt19937 random(42);

    std::vector<MemoryTable::Column> columns = {column("TaxonCode", MemoryTable::kindText), column("TaxonId", MemoryTable::kindText),
                                            column("TDI3", MemoryTable::kindDouble), column("TDI4", MemoryTable::kindDouble),
                                            column("Planktic", MemoryTable::kindBool), column("Motile", MemoryTable::kindBool)};
    for (int r = 0; r < listRows; ++r) {
        columns[0].texts.push_back("NBN" + std::to_string(r));
        columns[1].texts.push_back("TX" + std::to_string(r));
        columns[2].doubles.push_back(1 + random() % 5);
        columns[3].doubles.push_back(random() % 6);
        columns[4].booleans.push_back(random() % 2);
        columns[5].booleans.push_back(random() % 2);
    }
    SilentUser ui;
    Job doc(nullptr, ui);
    doc.samples.masterTaxonList = std::make_shared<MemoryTable>(std::move(columns), listRows);

    auto boundaryTable = [](const char* site) {
        std::vector<MemoryTable::Column> b = {column("SiteType", MemoryTable::kindText), column("Type", MemoryTable::kindText),
                                          column("MedianTDI", MemoryTable::kindDouble), column("HG", MemoryTable::kindDouble),
                                          column("GM", MemoryTable::kindDouble), column("MP", MemoryTable::kindDouble),
                                          column("PB", MemoryTable::kindDouble)};
        b[0].texts = {site};
        b[1].texts = {""};
        b[2].doubles = {0};
        b[3].doubles = {0.8};
        b[4].doubles = {0.6};
        b[5].doubles = {0.4};
        b[6].doubles = {0.2};
        return std::make_shared<MemoryTable>(std::move(b), 1);
    };
    doc.samples.boundaries1 = boundaryTable("TDI3");
    doc.samples.boundaries2 = boundaryTable("TDI4");
    std::vector<MemoryTable::Column> coc = {column("SiteType", MemoryTable::kindText), column("Coefficient", MemoryTable::kindDouble),
                                        column("Value", MemoryTable::kindDouble)};
    coc[0].texts.assign(4, "TDI");
    coc[1].doubles = {0, 1, 2, 3};
    coc[2].doubles = {0.05, 0.1, -0.05, 2};
    doc.samples.cocParameters = std::make_shared<MemoryTable>(std::move(coc), 4);

    doc.samples.family = familyRivers;
    for (int t = 0; t < taxa; ++t)
        doc.samples.taxa.push_back({"tx" + std::to_string((t * 19) % listRows), ""});  // lower case: folded look-ups
    doc.samples.counts = std::make_unique<Matrix>(samples, taxa, 0.0);
    doc.samples.headerValues.assign(6, std::vector<std::string>(samples));
    for (int s = 0; s < samples; ++s) {
        for (int k = 0; k < 40; ++k)
            (*doc.samples.counts)(s, static_cast<int>(random() % taxa)) += 1 + random() % 20;
        doc.samples.headerValues[1][static_cast<std::size_t>(s)] = "SITE" + std::to_string(s % 1200);
        doc.samples.headerValues[2][static_cast<std::size_t>(s)] = std::to_string(38000 + s % 3000);
        doc.samples.headerValues[3][static_cast<std::size_t>(s)] = std::to_string(1 + s % 300);
    }
    doc.samples.sampleCount = samples;
    doc.samples.taxonCount = taxa;

    const auto start = std::chrono::steady_clock::now();
    if (!doc.Analyse()) {
        std::fprintf(stderr, "analysis failed\n");
        return 1;
    }
    const double analysis = seconds(start);
    const auto cocStart = std::chrono::steady_clock::now();
    SummariseSites(doc.samples, doc.analysis, 1, doc.ui, doc.sites);
    SummariseSites(doc.samples, doc.analysis, 2, doc.ui, doc.sites);
    const double confidence = seconds(cocStart);
    std::printf("metrics: %d samples x %d taxa, %d-row master list, %d sites\n", samples, taxa, listRows,
                doc.sites.siteSummary1 ? doc.sites.siteSummary1->nRows() : 0);
    std::printf("  analysis            %.3f s\n", analysis);
    std::printf("  confidence of class %.3f s (both indices)\n", confidence);
    std::printf("  total               %.3f s\n", analysis + confidence);
    return 0;
}
