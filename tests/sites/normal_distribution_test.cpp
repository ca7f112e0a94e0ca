#include <gtest/gtest.h>

#include "sites/normal_distribution.h"
#include "tests/metrics/metrics_fixtures.h"

TEST(NormalLowerTail, KnownValues)
{
    // At 0 the first branch gives 0.5 - 0 exactly, and 1 - 0.5 for z = 0.
    EXPECT_EQ(NormalLowerTail(0.0), 0.5);
    // Tables: Phi(-1.96) = 0.0249979, Phi(-1) = 0.1586553.
    EXPECT_NEAR(NormalLowerTail(-1.96), 0.0249979, 1e-7);
    EXPECT_NEAR(NormalLowerTail(1.96), 1 - 0.0249979, 1e-7);
    EXPECT_NEAR(NormalLowerTail(-1.0), 0.1586553, 1e-7);
    // Beyond 12.7 the tail is cut off exactly.
    EXPECT_EQ(NormalLowerTail(-13.0), 0.0);
    EXPECT_EQ(NormalLowerTail(13.0), 1.0);
}

TEST(NormalLowerTail, AgreesWithErfcOnBothBranches)
{
    // Both rational approximations (|z| <= 1.28 and beyond) against the C library.
    for (double z = -12.5; z <= 12.5; z += 0.05)
        EXPECT_NEAR(NormalLowerTail(z), fixtures::phi(z), 1e-9) << z;
}
