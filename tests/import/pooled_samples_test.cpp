// Several workbooks pooled into one job: the union of taxa by code, the samples in
// workbook order, a sample in two workbooks refused with the job as it was, a code named
// two ways told in the summary, and each workbook's own messages naming it.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <random>

#include "import/pooled_samples.h"
#include "import/sample_import.h"
#include "tests/import/import_fixture.h"
#include "tests/support/scripted_user.h"
#include "tests/support/stand_in_tables.h"
#include "tests/support/temp_dir.h"

namespace {

using import_fixture::choose;
using import_fixture::riversSheet;
using import_fixture::SheetSpec;
using testing_support::StandInTables;
using testing_support::TempDir;

// A rivers part made by hand: taxa (code, name), samples by name, counts [sample][taxon].
ImportedSamples part(const std::string& title, const std::vector<TaxonEntry>& taxa,
                     const std::vector<std::string>& sampleNames, const std::vector<std::vector<double>>& counts,
                     int firstColumn = 3)
{
    ImportedSamples samples;
    samples.title = title;
    samples.path = "/data/" + title;
    samples.workbookSha256 = "digest of " + title;
    samples.sheetName = "Samples";
    samples.taxa = taxa;
    samples.taxonCount = static_cast<int>(taxa.size());
    samples.sampleCount = static_cast<int>(sampleNames.size());
    samples.headerRowCount = 4;
    samples.firstDataColumn = firstColumn;
    samples.headerLabels = {"Sample", "Site code", "Date", "Alkalinity"};
    samples.headerValues.resize(4);
    for (const std::string& name : sampleNames) {
        samples.headerValues[0].push_back(name);
        samples.headerValues[1].push_back("site of " + name);
        samples.headerValues[2].push_back("44000");
        samples.headerValues[3].push_back("50");
    }
    samples.counts = std::make_unique<Matrix>(samples.sampleCount, samples.taxonCount, 0.0);
    for (int s = 0; s < samples.sampleCount; ++s)
        for (int t = 0; t < samples.taxonCount; ++t)
            (*samples.counts)(s, t) = counts[static_cast<std::size_t>(s)][static_cast<std::size_t>(t)];
    samples.summary = ImportSummary(samples);
    return samples;
}

std::vector<std::vector<double>> countsOf(const ImportedSamples& samples)
{
    std::vector<std::vector<double>> rows;
    for (int s = 0; s < samples.counts->nRows(); ++s) {
        rows.emplace_back();
        for (int t = 0; t < samples.counts->nCols(); ++t)
            rows.back().push_back((*samples.counts)(s, t));
    }
    return rows;
}

std::vector<std::string> codesOf(const ImportedSamples& samples)
{
    std::vector<std::string> codes;
    for (const TaxonEntry& taxon : samples.taxa)
        codes.push_back(taxon.code);
    return codes;
}

TEST(PoolSamples, TaxaAreTheUnionByCodeAndAMissingTaxonCountsZero)
{
    std::vector<ImportedSamples> parts;
    parts.push_back(part("a.xlsx", {{"T1", "one"}, {"T2", "two"}}, {"A1", "A2"}, {{1, 2}, {3, 4}}));
    // Another order, one taxon the first lacks, one it has missing.
    parts.push_back(part("b.xlsx", {{"T3", "three"}, {"T1", "one"}}, {"B1"}, {{5, 6}}, 5));
    parts.push_back(part("c.xls", {{"T2", "two"}}, {"C1", "C2"}, {{7}, {8}}));
    ScriptedUser user;
    std::optional<ImportedSamples> pooled = PoolSamples(std::move(parts), user);
    ASSERT_TRUE(pooled);
    EXPECT_TRUE(user.messages.empty());

    EXPECT_EQ(codesOf(*pooled), (std::vector<std::string>{"T1", "T2", "T3"}));
    // Rows: A1 A2 B1 C1 C2; columns T1 T2 T3, worked out from the parts above.
    EXPECT_EQ(countsOf(*pooled), (std::vector<std::vector<double>>{
                                     {1, 2, 0}, {3, 4, 0}, {6, 0, 5}, {0, 7, 0}, {0, 8, 0}}));
    EXPECT_EQ(pooled->sampleCount, 5);
    EXPECT_EQ(pooled->taxonCount, 3);
    EXPECT_EQ(pooled->headerValues[0], (std::vector<std::string>{"A1", "A2", "B1", "C1", "C2"}));
    EXPECT_EQ(pooled->headerValues[1][2], "site of B1");
    EXPECT_EQ(pooled->sampleSources, (std::vector<int>{0, 0, 1, 2, 2}));

    ASSERT_EQ(pooled->sources.size(), 3u);
    EXPECT_EQ(pooled->sources[1].title, "b.xlsx");
    EXPECT_EQ(pooled->sources[1].path, "/data/b.xlsx");
    EXPECT_EQ(pooled->sources[1].workbookSha256, "digest of b.xlsx");
    EXPECT_EQ(pooled->sources[1].firstDataRow, 5);
    EXPECT_EQ(pooled->sources[1].firstDataColumn, 5);
    EXPECT_EQ(pooled->sources[1].sampleCount, 1);
    EXPECT_EQ(pooled->sources[1].taxonCount, 2);

    // Each workbook with its sheet, samples and taxa, then the job's metric and counts.
    EXPECT_EQ(pooled->summary.substr(0, pooled->summary.find("\r\n\r\nConfidence")),
              "File:\ta.xlsx\r\nWorksheet:\tSamples\r\nSamples:\t2\r\nTaxa:\t2\r\n\r\n"
              "File:\tb.xlsx\r\nWorksheet:\tSamples\r\nSamples:\t1\r\nTaxa:\t2\r\n\r\n"
              "File:\tc.xls\r\nWorksheet:\tSamples\r\nSamples:\t2\r\nTaxa:\t1\r\n\r\n"
              "Metric:\tTDI\r\n\r\nNumber of taxa:\t3\r\nNumber of samples:\t5");
}

TEST(PoolSamples, ACodeListedTwiceInOneWorkbookStaysTwoTaxa)
{
    std::vector<ImportedSamples> parts;
    parts.push_back(part("a.xlsx", {{"T1", "one"}, {"T1", "one"}}, {"A1"}, {{1, 2}}));
    parts.push_back(part("b.xlsx", {{"T1", "one"}}, {"B1"}, {{3}}));
    ScriptedUser user;
    std::optional<ImportedSamples> pooled = PoolSamples(std::move(parts), user);
    ASSERT_TRUE(pooled);
    EXPECT_EQ(codesOf(*pooled), (std::vector<std::string>{"T1", "T1"}));
    EXPECT_EQ(countsOf(*pooled), (std::vector<std::vector<double>>{{1, 2}, {3, 0}}));
}

TEST(PoolSamples, ACodeWithTwoNamesKeepsTheFirstAndIsNamed)
{
    std::vector<ImportedSamples> parts;
    parts.push_back(part("a.xlsx", {{"T1", "Navicula lanceolata"}}, {"A1"}, {{1}}));
    parts.push_back(part("b.xlsx", {{"T1", "Navicula lanceolata var."}}, {"B1"}, {{2}}));
    parts.push_back(part("c.xlsx", {{"T1", "Navicula lanceolata var."}}, {"C1"}, {{3}}));
    // Listed after a new taxon, the code is looked up rather than taken by its place.
    parts.push_back(part("d.xlsx", {{"T9", "nine"}, {"T1", "Navicula sp."}}, {"D1"}, {{4, 5}}));
    ScriptedUser user;
    std::optional<ImportedSamples> pooled = PoolSamples(std::move(parts), user);
    ASSERT_TRUE(pooled);
    EXPECT_TRUE(user.messages.empty());
    ASSERT_EQ(pooled->taxa.size(), 2u);
    EXPECT_EQ(pooled->taxa[0].name, "Navicula lanceolata");
    EXPECT_EQ(countsOf(*pooled), (std::vector<std::vector<double>>{{1, 0}, {2, 0}, {3, 0}, {5, 4}}));
    // Told once, however many workbooks repeat the other name.
    const std::string note = "Taxon code T1 is named \"Navicula lanceolata\" in a.xlsx and \"Navicula lanceolata "
                             "var.\" in b.xlsx; the name \"Navicula lanceolata\" is kept.";
    EXPECT_NE(pooled->summary.find("\r\n\r\n" + note), std::string::npos) << pooled->summary;
    EXPECT_EQ(pooled->summary.find(note), pooled->summary.rfind(note));
    EXPECT_NE(pooled->summary.find("Taxon code T1 is named \"Navicula lanceolata\" in a.xlsx and \"Navicula sp.\" in "
                                   "d.xlsx; the name \"Navicula lanceolata\" is kept."),
              std::string::npos)
        << pooled->summary;
}

TEST(PoolSamples, ASampleInTwoWorkbooksIsRefusedNamingBothPlaces)
{
    std::vector<ImportedSamples> parts;
    parts.push_back(part("a.xlsx", {{"T1", "one"}}, {"A1", "X"}, {{1}, {2}}));
    parts.push_back(part("b.xlsx", {{"T1", "one"}}, {"B1", "B2", "X"}, {{3}, {4}, {5}}, 4));
    ScriptedUser user;
    EXPECT_FALSE(PoolSamples(std::move(parts), user));
    ASSERT_EQ(user.messages.size(), 1u);
    EXPECT_EQ(user.messages[0], "Sample \"X\" occurs twice in the job: in a.xlsx (sheet \"Samples\", column D) and "
                                "in b.xlsx (sheet \"Samples\", column F). Nothing was added.");
}

TEST(PoolSamples, AddingLeavesTheJobAsItWasWhenRefused)
{
    ImportedSamples job = part("a.xlsx", {{"T1", "one"}}, {"A1"}, {{1}});
    ScriptedUser user;
    ASSERT_TRUE(AddSamples(job, part("b.xlsx", {{"T2", "two"}}, {"B1"}, {{2}}), user));
    const std::string summary = job.summary;
    const auto counts = countsOf(job);

    // The same workbook again: every sample is already in the job.
    EXPECT_FALSE(AddSamples(job, part("b.xlsx", {{"T3", "three"}}, {"B1"}, {{9}}), user));
    ASSERT_EQ(user.messages.size(), 1u);
    EXPECT_NE(user.messages[0].find("Sample \"B1\" occurs twice"), std::string::npos);
    EXPECT_EQ(job.summary, summary);
    EXPECT_EQ(countsOf(job), counts);
    EXPECT_EQ(job.sources.size(), 2u);
    EXPECT_EQ(codesOf(job), (std::vector<std::string>{"T1", "T2"}));

    // A third workbook joins a job pooled before: its sources and notes carry on.
    ASSERT_TRUE(AddSamples(job, part("c.xlsx", {{"T2", "deux"}}, {"C1"}, {{3}}), user));
    ASSERT_EQ(job.sources.size(), 3u);
    EXPECT_EQ(job.sources[2].title, "c.xlsx");
    EXPECT_EQ(countsOf(job), (std::vector<std::vector<double>>{{1, 0}, {0, 2}, {0, 3}}));
    EXPECT_EQ(job.sampleSources, (std::vector<int>{0, 1, 2}));
    EXPECT_NE(job.summary.find("Taxon code T2 is named \"two\" in the job and \"deux\" in c.xlsx; the name \"two\" "
                               "is kept."),
              std::string::npos)
        << job.summary;
}

TEST(PoolSamples, RandomPartsPoolAsTheRuleSaysAllAtOnceOrAddedOneByOne)
{
    // Parts from one template (the job's first taxa in order, some fewer), shuffled ones,
    // ones with a code listed twice, against the rule worked out the slow way: the n-th row
    // of a code in a workbook is the n-th row of that code in the job, made when missing.
    std::mt19937 random(20261209);
    const std::vector<std::string> codes = {"A", "B", "C", "D", "E", "F"};
    for (int round = 0; round < 300; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        std::vector<std::vector<TaxonEntry>> taxaOf;
        std::vector<std::vector<std::vector<double>>> countsOfPart;
        std::vector<std::string> jobCodes;
        std::vector<std::vector<double>> expected;
        const int partCount = 2 + static_cast<int>(random() % 4);
        for (int p = 0; p < partCount; ++p) {
            std::vector<std::string> listed;
            switch (random() % 3) {
            case 0:  // a template's first rows, when the job has them
                listed.assign(jobCodes.begin(), jobCodes.begin() + static_cast<long>(random() % (jobCodes.size() + 1)));
                break;
            case 1:  // a shuffled subset
                for (const std::string& code : codes)
                    if (random() % 2)
                        listed.push_back(code);
                std::shuffle(listed.begin(), listed.end(), random);
                break;
            default:  // a code listed twice, among others
                listed = {codes[random() % 3], codes[random() % codes.size()], codes[random() % 3]};
                break;
            }
            if (listed.empty())
                listed.push_back(codes[random() % codes.size()]);
            std::vector<TaxonEntry> taxa;
            for (const std::string& code : listed)
                taxa.push_back({code, "name of " + code});
            // The slow way: each row's column in the job, the job's list growing as needed.
            std::vector<int> column;
            std::map<std::string, int> seen;
            for (const std::string& code : listed) {
                int occurrence = seen[code]++, at = -1;
                for (std::size_t j = 0; j < jobCodes.size() && at < 0; ++j)
                    if (jobCodes[j] == code && occurrence-- == 0)
                        at = static_cast<int>(j);
                if (at < 0) {
                    jobCodes.push_back(code);
                    at = static_cast<int>(jobCodes.size()) - 1;
                }
                column.push_back(at);
            }
            std::vector<std::vector<double>> counts(1 + random() % 3, std::vector<double>(listed.size()));
            for (std::vector<double>& sample : counts) {
                expected.emplace_back(jobCodes.size() + codes.size() * 3, 0.0);
                for (std::size_t t = 0; t < listed.size(); ++t) {
                    sample[t] = static_cast<double>(random() % 50) / 4;
                    expected.back()[static_cast<std::size_t>(column[t])] = sample[t];
                }
            }
            taxaOf.push_back(taxa);
            countsOfPart.push_back(counts);
        }
        for (std::vector<double>& row : expected)
            row.resize(jobCodes.size());

        const auto partNumber = [&](int p) {
            std::vector<std::string> names;
            for (std::size_t s = 0; s < countsOfPart[static_cast<std::size_t>(p)].size(); ++s)
                names.push_back("S" + std::to_string(p) + "-" + std::to_string(s));
            return part("p" + std::to_string(p) + ".xlsx", taxaOf[static_cast<std::size_t>(p)], names,
                        countsOfPart[static_cast<std::size_t>(p)]);
        };
        std::vector<ImportedSamples> parts;
        for (int p = 0; p < partCount; ++p)
            parts.push_back(partNumber(p));
        ScriptedUser user;
        std::optional<ImportedSamples> pooled = PoolSamples(std::move(parts), user);
        ASSERT_TRUE(pooled);
        EXPECT_EQ(codesOf(*pooled), jobCodes);
        EXPECT_EQ(countsOf(*pooled), expected);

        ImportedSamples job = partNumber(0);
        for (int p = 1; p < partCount; ++p)
            ASSERT_TRUE(AddSamples(job, partNumber(p), user));
        EXPECT_EQ(codesOf(job), jobCodes);
        EXPECT_EQ(countsOf(job), expected);
        EXPECT_TRUE(user.messages.empty());
    }
}

TEST(PoolSamples, OneMetricPerJob)
{
    std::vector<ImportedSamples> parts;
    parts.push_back(part("a.xlsx", {{"T1", "one"}}, {"A1"}, {{1}}));
    parts.push_back(part("b.xlsx", {{"T1", "one"}}, {"B1"}, {{2}}));
    parts[1].family = familyLakes;
    parts[1].familyName = "LTDI";
    ScriptedUser user;
    EXPECT_FALSE(PoolSamples(std::move(parts), user));
    ASSERT_EQ(user.messages.size(), 1u);
    EXPECT_NE(user.messages[0].find("b.xlsx were imported for LTDI"), std::string::npos) << user.messages[0];
}

// Real workbooks, written by openpyxl and xlwt, through the import of each.
class PoolWorkbooks : public ::testing::Test {
protected:
    std::optional<ImportedSamples> import(const std::string& path, UserInteraction& user)
    {
        return ImportSamples(path, tables, user);
    }
    TempDir dir;
    StandInTables tables;
};

TEST_F(PoolWorkbooks, OneWorkbookIsTheImportAsItIs)
{
    const std::string path = import_fixture::writeWorkbook(dir, "one.xlsx", {riversSheet()});
    ScriptedUser user;
    user.worksheetChoices = {choose(5), choose(5)};
    std::optional<ImportedSamples> alone = import(path, user);
    std::optional<ImportedSamples> imported = import(path, user);
    ASSERT_TRUE(alone && imported);
    std::vector<ImportedSamples> parts;
    parts.push_back(std::move(*imported));
    std::optional<ImportedSamples> pooled = PoolSamples(std::move(parts), user);
    ASSERT_TRUE(pooled);
    EXPECT_EQ(pooled->summary, alone->summary);
    EXPECT_TRUE(pooled->sources.empty());
    const std::vector<SampleSource> sources = SourcesOf(*pooled);
    ASSERT_EQ(sources.size(), 1u);
    EXPECT_EQ(sources[0].title, "one.xlsx");
    EXPECT_EQ(sources[0].sheetName, "Samples");
    EXPECT_EQ(sources[0].firstDataRow, 5);
    EXPECT_EQ(sources[0].firstDataColumn, 3);
    EXPECT_EQ(sources[0].sampleCount, 2);
    EXPECT_EQ(sources[0].taxonCount, 2);
    EXPECT_EQ(sources[0].workbookSha256.size(), 64u);
}

TEST_F(PoolWorkbooks, EachWorkbooksMessagesNameIt)
{
    // The second workbook's row 4 is no alkalinity row: its own message, naming the file.
    SheetSpec wrong = SheetSpec("Samples");
    wrong.text(1, 1, "Sample").text(1, 3, "S3");
    wrong.text(2, 1, "Site code").text(2, 3, "Site C");
    wrong.text(3, 1, "Date").number(3, 3, 40321);
    wrong.text(4, 1, "pH").number(4, 3, 7);
    wrong.text(5, 1, "NBN0001").text(5, 2, "Achnanthes minutissima").number(5, 3, 10);
    const std::string good = import_fixture::writeWorkbook(dir, "good.xlsx", {riversSheet()});
    const std::string bad = import_fixture::writeWorkbook(dir, "bad.xls", {wrong});
    ScriptedUser user;
    user.worksheetChoices = {choose(5), choose(5)};
    std::optional<ImportedSamples> job = import(good, user);
    ASSERT_TRUE(job);
    const std::string summary = job->summary;

    WorkbookNamingUser naming(user, bad);
    EXPECT_FALSE(import(bad, naming));
    ASSERT_EQ(user.messages.size(), 1u);
    EXPECT_EQ(user.messages[0], "Error: Alkalinity values must be in row 4 for TDI3 or TDI4 calculations.");
    EXPECT_EQ(user.details[0], bad);
    // Nothing reached the job.
    EXPECT_EQ(job->summary, summary);
    EXPECT_TRUE(job->sources.empty());
}

TEST_F(PoolWorkbooks, WhatAWorkbookLeftOutIsToldUnderItsName)
{
    const std::string first = import_fixture::writeWorkbook(dir, "first.xlsx", {riversSheet()});
    SheetSpec second = SheetSpec("Samples");
    second.text(1, 1, "Sample").text(1, 3, "S3").text(1, 5, "S9");  // S9 lies right of an empty cell
    second.text(2, 1, "Site code").text(2, 3, "Site C");
    second.text(3, 1, "Date").number(3, 3, 40321);
    second.text(4, 1, "Alkalinity").number(4, 3, 50);
    second.text(5, 1, "NBN0002").text(5, 2, "Navicula lanceolata").number(5, 3, 7);
    const std::string secondPath = import_fixture::writeWorkbook(dir, "second.xlsx", {second});
    ScriptedUser user;
    user.worksheetChoices = {choose(5), choose(5)};
    std::vector<ImportedSamples> parts;
    for (const std::string& path : {first, secondPath}) {
        std::optional<ImportedSamples> samples = import(path, user);
        ASSERT_TRUE(samples);
        parts.push_back(std::move(*samples));
    }
    std::optional<ImportedSamples> pooled = PoolSamples(std::move(parts), user);
    ASSERT_TRUE(pooled);
    EXPECT_NE(pooled->summary.find(
                  "\r\n\r\nsecond.xlsx: Not imported: 1 sample name right of the empty cell that ended row 1: S9"),
              std::string::npos)
        << pooled->summary;
    EXPECT_EQ(countsOf(*pooled), (std::vector<std::vector<double>>{{10, 30}, {20, 40}, {0, 7}}));
    EXPECT_EQ(pooled->headerValues[3], (std::vector<std::string>{"123.457", "1.23457e+06", "50"}));
}

}  // namespace
