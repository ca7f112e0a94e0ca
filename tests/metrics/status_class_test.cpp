#include <gtest/gtest.h>

#include <vector>

#include "matrix/matrix.h"
#include "import/user_interaction.h"
#include "metrics/status_class.h"

namespace {

const std::array<double, 4> limits = {0.8, 0.6, 0.4, 0.2};

// One sample's first-index block (columns 2 to 6) with the given scored sum and index.
Matrix sampleRow(double scoredSum, double index)
{
    Matrix results(1, 12, 0.0);
    results(0, 1) = 100;
    results(0, 2) = scoredSum;
    results(0, 3) = index;
    return results;
}

}  // namespace

TEST(StatusClass, BoundaryExamples)
{
    EXPECT_EQ(StatusClass(0.8, limits), 1);  // on a limit: the better class
    EXPECT_EQ(StatusClass(0.79, limits), 2);
    EXPECT_EQ(StatusClass(0.6, limits), 2);
    EXPECT_EQ(StatusClass(0.2, limits), 4);
    EXPECT_EQ(StatusClass(0.19, limits), 5);
    EXPECT_EQ(StatusClass(-0.3, limits), 5);
}

TEST(CompleteIndex, EqrCaps)
{
    std::string comment;
    // TDI3 10 against 36.46: 90 / 63.54 = 1.416, held at 1, class High.
    Matrix r = sampleRow(50, 10);
    CompleteIndex(r, 0, 2, EqrRuleFor(familyRivers, 1), 36.46, limits, comment);
    EXPECT_EQ(r(0, 4), 36.46);
    EXPECT_EQ(r(0, 5), 1.0);
    EXPECT_EQ(r(0, 6), 1.0);
    EXPECT_EQ(comment, "");

    // TDI4: index 35 against 50: 65/50 = 1.3, held at 1.25; index 45: 55/50 = 1.1 kept.
    r = sampleRow(50, 35);
    CompleteIndex(r, 0, 2, EqrRuleFor(familyRivers, 2), 50, limits, comment);
    EXPECT_DOUBLE_EQ(r(0, 5), 1.25);
    r = sampleRow(50, 45);
    CompleteIndex(r, 0, 2, EqrRuleFor(familyRivers, 2), 50, limits, comment);
    EXPECT_DOUBLE_EQ(r(0, 5), 1.1);
    // The same 1.3 and 1.1 for TDI3 are both held at 1.
    r = sampleRow(50, 35);
    CompleteIndex(r, 0, 2, EqrRuleFor(familyRivers, 1), 50, limits, comment);
    EXPECT_EQ(r(0, 5), 1.0);
    r = sampleRow(50, 45);
    CompleteIndex(r, 0, 2, EqrRuleFor(familyRivers, 1), 50, limits, comment);
    EXPECT_EQ(r(0, 5), 1.0);

    // DAM 50 against 58.6: 50 / 58.6 = 0.8532, class High.
    r = sampleRow(50, 50);
    CompleteIndex(r, 0, 2, EqrRuleFor(familyDam, 1), 58.6, limits, comment);
    EXPECT_NEAR(r(0, 5), 0.8532, 1e-4);
    EXPECT_EQ(r(0, 6), 1.0);
    // No lower limit: TDI3 40 against 110 gives 60 / -10 = -6, class Bad.
    r = sampleRow(50, 40);
    CompleteIndex(r, 0, 2, EqrRuleFor(familyRivers, 1), 110, limits, comment);
    EXPECT_DOUBLE_EQ(r(0, 5), -6.0);
    EXPECT_EQ(r(0, 6), 5.0);
    EXPECT_EQ(comment, "");
}

TEST(CompleteIndex, ExpectedNotAboveZeroGivesNoEqr)
{
    // DAM 10 against -10.5 would be -0.952, "Bad": no EQR, no class, the expected value
    // kept, and the note after the chemistry note with "; ".
    std::string comment = "DOC > 50, value set to 50 mg/l";
    Matrix r = sampleRow(50, 10);
    CompleteIndex(r, 0, 2, EqrRuleFor(familyDam, 1), -10.5, limits, comment);
    EXPECT_EQ(r(0, 3), 10);
    EXPECT_EQ(r(0, 4), -10.5);
    EXPECT_TRUE(r.isMissing(0, 5));
    EXPECT_TRUE(r.isMissing(0, 6));
    EXPECT_EQ(comment, "DOC > 50, value set to 50 mg/l; No EQR: expected value not above 0");
    // Exactly 0 is not above 0 either, for every index; an empty comment gets no separator.
    for (const EqrRule& rule : {EqrRuleFor(familyRivers, 1), EqrRuleFor(familyRivers, 2), EqrRuleFor(familyLakes, 1),
                                EqrRuleFor(familyDam, 1)}) {
        comment.clear();
        r = sampleRow(50, 40);
        CompleteIndex(r, 0, 2, rule, 0.0, limits, comment);
        EXPECT_EQ(r(0, 4), 0.0);
        EXPECT_TRUE(r.isMissing(0, 5));
        EXPECT_TRUE(r.isMissing(0, 6));
        EXPECT_EQ(comment, "No EQR: expected value not above 0");
    }
    // Just above 0 is a ratio: DAM 10 against 0.5 gives 20, held at 1.
    comment.clear();
    r = sampleRow(50, 10);
    CompleteIndex(r, 0, 2, EqrRuleFor(familyDam, 1), 0.5, limits, comment);
    EXPECT_EQ(r(0, 5), 1.0);
    EXPECT_EQ(comment, "");
}

TEST(CompleteIndex, NoMatchThresholds)
{
    // A scored sum of 0.00005 is nothing for TDI3, TDI4 and DAM ...
    for (const EqrRule& rule : std::vector<EqrRule>{EqrRuleFor(familyRivers, 1), EqrRuleFor(familyRivers, 2), EqrRuleFor(familyDam, 1)}) {
        std::string comment = "Missing Alkalinity, value set to 100 mg/l";
        Matrix r = sampleRow(0.00005, 40);
        CompleteIndex(r, 0, 2, rule, 36.46, limits, comment);
        for (int c = 3; c <= 6; ++c)
            EXPECT_TRUE(r.isMissing(0, c)) << c;
        EXPECT_EQ(comment, "Missing Alkalinity, value set to 100 mg/lNo matching taxa found");
    }
    // ... but is assessed for the lake indices, whose limit is 0.00001.
    std::string comment;
    Matrix r = sampleRow(0.00005, 40);
    CompleteIndex(r, 0, 2, EqrRuleFor(familyLakes, 1), 20, limits, comment);
    EXPECT_DOUBLE_EQ(r(0, 5), 0.75);  // 60 / 80
    EXPECT_EQ(r(0, 6), 2.0);
    EXPECT_EQ(comment, "");
    // Exactly at the threshold is assessed; just below it is not.
    r = sampleRow(0.0001, 40);
    CompleteIndex(r, 0, 2, EqrRuleFor(familyRivers, 1), 36.46, limits, comment);
    EXPECT_FALSE(r.isMissing(0, 5));
    r = sampleRow(0.000009, 40);
    CompleteIndex(r, 0, 2, EqrRuleFor(familyLakes, 2), 50, limits, comment);
    EXPECT_TRUE(r.isMissing(0, 5));
    EXPECT_EQ(comment, "No matching taxa found");
}

TEST(CompleteIndex, MissingIndexIsNotDivided)
{
    // Scored taxa but under one valve in all: the index is the missing marker. Dividing
    // it would give 199.9 / 63.54, held at 1, "High".
    std::string comment;
    Matrix r = sampleRow(0.999, Matrix::missingValue);
    CompleteIndex(r, 0, 2, EqrRuleFor(familyRivers, 1), 36.46, limits, comment);
    EXPECT_EQ(r(0, 4), 36.46);
    EXPECT_TRUE(r.isMissing(0, 5));
    EXPECT_TRUE(r.isMissing(0, 6));
    EXPECT_EQ(comment, "");
}

TEST(CompleteIndex, NonFiniteEqrIsMissing)
{
    // An expected value of 100 (lakes) or 0 (DAM) leaves nothing to divide by; the cap
    // must not turn the infinity into "High".
    std::string comment;
    Matrix r = sampleRow(10, 40);
    CompleteIndex(r, 0, 2, EqrRuleFor(familyLakes, 1), 100, limits, comment);
    EXPECT_EQ(r(0, 4), 100);
    EXPECT_TRUE(r.isMissing(0, 5));
    EXPECT_TRUE(r.isMissing(0, 6));
    r = sampleRow(10, 0);
    CompleteIndex(r, 0, 2, EqrRuleFor(familyDam, 1), 0, limits, comment);  // 0 / 0
    EXPECT_TRUE(r.isMissing(0, 5));
    EXPECT_TRUE(r.isMissing(0, 6));
    // Without usable limits the EQR stands and the class is missing.
    r = sampleRow(10, 40);
    CompleteIndex(r, 0, 2, EqrRuleFor(familyRivers, 1), 36.46, std::nullopt, comment);
    EXPECT_NEAR(r(0, 5), 60 / 63.54, 1e-12);
    EXPECT_TRUE(r.isMissing(0, 6));
}
