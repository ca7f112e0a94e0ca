#include "import/count_tiles.h"

#include <gtest/gtest.h>

// Counts set taxon by taxon end up where they belong, whatever the number of taxa beside
// the tile's width, with taxa skipped, with a taxon sent after the tile moved on, and
// with a second flush and a count set after the flush.
TEST(CountTiles, EveryCountLandsInItsCell)
{
    for (int taxa : {1, 31, 32, 33, 70}) {
        SCOPED_TRACE(taxa);
        Matrix counts(5, taxa, 0.0);
        CountTiles tiles(counts);
        auto expected = [](int s, int t) { return t % 3 == 1 ? 0.0 : 100.0 * t + s + 0.5; };
        for (int t = 0; t < taxa; ++t)
            for (int s = 0; s < 5; ++s)
                if (t % 3 != 1)
                    tiles.set(s, t, expected(s, t));
        tiles.set(4, 0, -7);  // behind the tile: written at once
        tiles.flush();
        tiles.flush();  // writes nothing over what the first wrote
        tiles.set(3, taxa - 1, 0.25);  // after the flush, in the taxa it wrote
        for (int t = 0; t < taxa; ++t)
            for (int s = 0; s < 5; ++s)
                EXPECT_EQ(counts(s, t), s == 4 && t == 0       ? -7.0
                                        : s == 3 && t == taxa - 1 ? 0.25
                                                                  : expected(s, t))
                    << s << "," << t;
    }
}
