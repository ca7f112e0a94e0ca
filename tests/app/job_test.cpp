#include <gtest/gtest.h>

#include "app/job.h"
#include "metrics/status_class.h"
#include "tests/support/scripted_user.h"

namespace {

// A job as an import of `taxa` taxa and `samples` samples leaves it.
void importedJob(Job& doc, int samples, int taxa)
{
    doc.samples.title = "river.xlsx";
    doc.samples.sheetName = "Sheet1";
    doc.samples.counts = std::make_unique<Matrix>(samples, taxa, 0.0);
}

}  // namespace

TEST(JobModel, InitialValues)
{
    ScriptedUser ui;
    Job doc(nullptr, ui);
    EXPECT_EQ(doc.samples.family, familyRivers);
    EXPECT_EQ(doc.samples.familyName, "TDI");
    EXPECT_TRUE(doc.samples.cocAvailable);
    EXPECT_FALSE(doc.analysed);
    EXPECT_FALSE(doc.modified);
    EXPECT_FALSE(doc.sites.uncertaintyAvailable);
    EXPECT_EQ(doc.samples.alkMinTDI3, 6);
    EXPECT_EQ(doc.samples.alkMaxTDI3, 150);
    EXPECT_EQ(doc.samples.alkMinTDI4, 5);
    EXPECT_EQ(doc.samples.alkMaxTDI4, 250);
    EXPECT_EQ(doc.samples.calciumMin, 5);
    EXPECT_EQ(doc.samples.calciumMax, 500);
    EXPECT_EQ(doc.samples.docMin, 0);
    EXPECT_EQ(doc.samples.docMax, 50);
    EXPECT_EQ(doc.samples.defaultAlkalinity, 100);
    EXPECT_EQ(doc.samples.defaultCalcium, 100);
    EXPECT_EQ(doc.samples.defaultDOC, 1);
    EXPECT_EQ(doc.state(), Job::State::Created);
    EXPECT_EQ(StatusClassNames(), (std::vector<std::string>{"High", "Good", "Moderate", "Poor", "Bad"}));
}

TEST(JobModel, FamilyNames)
{
    EXPECT_STREQ(FamilyName(familyRivers), "TDI");
    EXPECT_STREQ(FamilyName(familyLakes), "LTDI");
    EXPECT_STREQ(FamilyName(familyDam), "DAM");
    EXPECT_STREQ(FirstIndexName(familyLakes), "LTDI1");
    EXPECT_STREQ(SecondIndexName(familyRivers), "TDI4");
    EXPECT_STREQ(SecondIndexName(familyDam), "");
}

TEST(ImportSummary, ComposedExactly)
{
    ScriptedUser ui;
    Job doc(nullptr, ui);
    importedJob(doc, 3, 40);
    doc.samples.summary = ImportSummary(doc.samples);
    // Taxa are the matrix's columns, samples its rows.
    EXPECT_EQ(doc.summary(),
              "File:\triver.xlsx\r\nWorksheet:\tSheet1\r\n\r\nMetric:\tTDI\r\n\r\n"
              "Number of taxa:\t40\r\nNumber of samples:\t3");
}

TEST(ImportSummary, WithTheConfidenceOfClassParagraph)
{
    ScriptedUser ui;
    Job doc(nullptr, ui);
    importedJob(doc, 12, 7);
    doc.samples.family = familyLakes;
    doc.samples.familyName = "LTDI";
    doc.samples.cocAvailable = false;
    doc.samples.summary = ImportSummary(doc.samples);
    EXPECT_EQ(doc.summary(),
              "File:\triver.xlsx\r\nWorksheet:\tSheet1\r\n\r\nMetric:\tLTDI\r\n\r\n"
              "Number of taxa:\t7\r\nNumber of samples:\t12\r\n\r\n"
              "Confidence of class parameters not found for LTDI, uncertainty estimates will not be calculated.");
}

TEST(ClosingRules, AnUnchangedJobClosesWithoutAsking)
{
    ScriptedUser ui;
    Job doc(nullptr, ui);
    importedJob(doc, 1, 1);
    EXPECT_TRUE(doc.CanCloseFrame(Job::Window::JobForm));
    EXPECT_TRUE(ui.questions.empty());
    EXPECT_TRUE(ui.messages.empty());
}

TEST(ClosingRules, DataAndResultsWindowsCloseAloneWithoutAsking)
{
    ScriptedUser ui;
    Job doc(nullptr, ui);
    doc.modified = true;
    EXPECT_TRUE(doc.CanCloseFrame(Job::Window::Data));
    EXPECT_TRUE(doc.CanCloseFrame(Job::Window::Results));
    EXPECT_TRUE(ui.questions.empty());
}

TEST(ClosingRules, CancelKeepsTheJobOpen)
{
    ScriptedUser ui;
    Job doc(nullptr, ui);
    doc.modified = true;
    ui.answers = {UserInteraction::Answer::Cancel};
    EXPECT_FALSE(doc.CanCloseFrame(Job::Window::JobForm));
    EXPECT_EQ(ui.questions, std::vector<std::string>{"Save Results?"});
    EXPECT_TRUE(doc.modified);
}

TEST(ClosingRules, NoClosesWithoutSaving)
{
    ScriptedUser ui;
    Job doc(nullptr, ui);
    doc.modified = true;
    ui.answers = {UserInteraction::Answer::No};
    EXPECT_TRUE(doc.SaveModified());
    EXPECT_EQ(ui.questions, std::vector<std::string>{"Save Results?"});
    EXPECT_TRUE(ui.messages.empty());
}

TEST(ClosingRules, YesThenCancelledFileChoiceKeepsTheJobOpenAndModified)
{
    ScriptedUser ui;
    Job doc(nullptr, ui);
    importedJob(doc, 1, 1);
    doc.analysis.results = std::make_unique<Matrix>(1, 17, 0.0);
    doc.analysed = true;
    doc.modified = true;
    ui.answers = {UserInteraction::Answer::Yes};
    ui.resultsFiles = {std::nullopt};
    EXPECT_FALSE(doc.CanCloseFrame(Job::Window::JobForm));
    EXPECT_TRUE(doc.modified);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(ui.resultsFiles.empty()) << "the file was asked for";
}

TEST(ClosingRules, YesThenFailedSaveKeepsTheJobOpen)
{
    ScriptedUser ui;
    Job doc(nullptr, ui);
    // Modified but holding no results: the save cannot write anything.
    doc.modified = true;
    ui.answers = {UserInteraction::Answer::Yes};
    ui.resultsFiles = {std::string("/nonexistent-folder/Results.xlsx")};
    EXPECT_FALSE(doc.SaveModified());
    EXPECT_TRUE(doc.modified);
    EXPECT_EQ(ui.messages.size(), 1u);
}
