// Pooling the imports of many workbooks into one job: 20 parts of 500 samples x 600 taxa,
// built in memory (the reading of each workbook is measured by assess_bench), every
// part listing the same taxa in another order. Prints the least time of five pools and the
// peak resident memory; run by hand.

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "import/pooled_samples.h"

namespace {

class SilentUser : public UserInteraction {
public:
    void showMessage(const std::string& text, const std::string&) override { std::fprintf(stderr, "%s\n", text.c_str()); }
    Answer askYesNoCancel(const std::string&) override { return Answer::No; }
    std::optional<WorksheetChoice> chooseWorksheet(const wb::Book&, const std::vector<std::string>&, int) override
    {
        return std::nullopt;
    }
    std::optional<std::string> chooseResultsFile() override { return std::nullopt; }
};

constexpr int kParts = 20, kSamples = 500, kTaxa = 600;

ImportedSamples makePart(int index)
{
    ImportedSamples part;
    part.title = "lab-" + std::to_string(index) + ".xlsx";
    part.sheetName = "Samples";
    part.sampleCount = kSamples;
    part.taxonCount = kTaxa;
    part.headerRowCount = 4;
    part.headerLabels = {"Sample", "Site code", "Date", "Alkalinity"};
    part.headerValues.assign(4, std::vector<std::string>());
    for (int s = 0; s < kSamples; ++s) {
        part.headerValues[0].push_back("S" + std::to_string(index) + "-" + std::to_string(s));
        part.headerValues[1].push_back("SITE" + std::to_string(s % 100));
        part.headerValues[2].push_back("44000");
        part.headerValues[3].push_back("50");
    }
    for (int t = 0; t < kTaxa; ++t) {
        const int code = (t + index * 37) % kTaxa;  // another order in each part
        part.taxa.push_back({"T" + std::to_string(code), "Taxon " + std::to_string(code)});
    }
    part.counts = std::make_unique<Matrix>(kSamples, kTaxa, 0.0);
    for (int s = 0; s < kSamples; ++s)
        for (int t = 0; t < kTaxa; t += 7)
            (*part.counts)(s, t) = (s + t) % 50;
    part.summary = ImportSummary(part);
    return part;
}

long peakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace

int main()
{
    SilentUser user;
    double best = 1e9;
    for (int run = 0; run < 5; ++run) {
        std::vector<ImportedSamples> parts;
        for (int p = 0; p < kParts; ++p)
            parts.push_back(makePart(p));
        const auto start = std::chrono::steady_clock::now();
        std::optional<ImportedSamples> pooled = PoolSamples(std::move(parts), user);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!pooled || pooled->sampleCount != kParts * kSamples || pooled->taxonCount != kTaxa) {
            std::fprintf(stderr, "pooling failed\n");
            return 1;
        }
        best = std::min(best, seconds);
    }
    std::printf("pool %d parts of %d samples x %d taxa: %.3f s (least of 5), peak %.1f MiB\n", kParts, kSamples,
                kTaxa, best, static_cast<double>(peakKiB()) / 1024.0);
    return 0;
}
