#include <gtest/gtest.h>

#include "metrics/expected_values.h"

TEST(ExpectedValues, WorkedExamples)
{
    // Alkalinity 100: L = 2, 56.83*2 - 25.36 - 12.96*4 = 36.46; with summer + 3.21 = 39.67.
    EXPECT_NEAR(ExpectedTDI3(100, 0), 36.46, 1e-9);
    EXPECT_NEAR(ExpectedTDI3(100, 1), 39.67, 1e-9);
    // 9.933 * exp(0.81 * 2) = 9.933 * 5.0531 = 50.1923.
    EXPECT_NEAR(ExpectedTDI4(100), 50.1923, 1e-4);
    // Calcium 100, DOC 1: 33*2 - 5.5 - 1.9 = 58.6.
    EXPECT_NEAR(ExpectedDAM(100, 1), 58.6, 1e-9);
    // DOC raises the acid stress: 33*1 - 5.5 - 1.9*20 = -10.5 at calcium 10.
    EXPECT_NEAR(ExpectedDAM(10, 20), -10.5, 1e-9);
}

TEST(ChemistrySubstitution, NotesAndBounds)
{
    std::string comment;
    bool noted = false;
    EXPECT_EQ(SubstituteChemistry(0, 100, 6, 150, alkalinityNotes, comment, noted), 100);
    EXPECT_EQ(comment, "Missing Alkalinity, value set to 100 mg/l");
    EXPECT_TRUE(noted);

    comment.clear();
    noted = false;
    EXPECT_EQ(SubstituteChemistry(3, 100, 6, 150, alkalinityNotes, comment, noted), 6);
    EXPECT_EQ(comment, "Alkalinity < 6, value set to 6 mg/l");
    comment.clear();
    EXPECT_EQ(SubstituteChemistry(3, 100, 5, 250, alkalinityNotes, comment, noted), 5);
    EXPECT_EQ(comment, "Alkalinity < 5, value set to 5 mg/l");
    comment.clear();
    EXPECT_EQ(SubstituteChemistry(200, 100, 6, 150, alkalinityNotes, comment, noted), 150);
    EXPECT_EQ(comment, "Alkalinity > 150, value set to 150 mg/l");

    // Values on a bound are used as they are.
    for (double v : {6.0, 150.0}) {
        comment.clear();
        noted = false;
        EXPECT_EQ(SubstituteChemistry(v, 100, 6, 150, alkalinityNotes, comment, noted), v);
        EXPECT_EQ(comment, "");
        EXPECT_FALSE(noted);
    }

    // A default outside the range is clamped too, the notes run together.
    comment.clear();
    EXPECT_EQ(SubstituteChemistry(-1, 200, 6, 150, alkalinityNotes, comment, noted), 150);
    EXPECT_EQ(comment, "Missing Alkalinity, value set to 200 mg/lAlkalinity > 150, value set to 150 mg/l");

    // DOC 0 is missing, not out of range, though the lower bound is 0.
    comment.clear();
    EXPECT_EQ(SubstituteChemistry(0, 1, 0, 50, docNotes, comment, noted), 1);
    EXPECT_EQ(comment, "Missing DOC, value set to 1 mg/l");
    comment.clear();
    EXPECT_EQ(SubstituteChemistry(600, 100, 5, 500, calciumNotes, comment, noted), 500);
    EXPECT_EQ(comment, "Calcium > 500, value set to 500 ueq/l");
    comment.clear();
    EXPECT_EQ(SubstituteChemistry(2.5, 100, 5, 500, calciumNotes, comment, noted), 5);
    EXPECT_EQ(comment, "Calcium < 5, value set to 5 ueq/l");
    comment.clear();
    EXPECT_EQ(SubstituteChemistry(0, 100, 5, 500, calciumNotes, comment, noted), 100);
    EXPECT_EQ(comment, "Missing Calcium, value set to 100 ueq/l");
    comment.clear();
    EXPECT_EQ(SubstituteChemistry(51, 1, 0, 50, docNotes, comment, noted), 50);
    EXPECT_EQ(comment, "DOC > 50, value set to 50 mg/l");
}

TEST(Season, DatesAndMonths)
{
    // Serial 40000 is 6 July 2009, so 39994 is 30 June and 39995 is 1 July.
    EXPECT_EQ(SeasonOf(39994), 0);
    EXPECT_EQ(SeasonOf(39995), 1);
    // 20000 (3 October 1954) and 60000 (8 April 2064) are valid.
    EXPECT_FALSE(IsBadDate(20000));
    EXPECT_FALSE(IsBadDate(60000));
    EXPECT_EQ(SeasonOf(20000), 1);
    EXPECT_EQ(SeasonOf(60000), 0);
    EXPECT_TRUE(IsBadDate(19999));
    EXPECT_TRUE(IsBadDate(60001));
    EXPECT_EQ(SeasonOf(0), 0);
}
