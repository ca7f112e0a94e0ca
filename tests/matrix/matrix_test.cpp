#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "matrix/matrix.h"

namespace {

// Runs f and returns the message of the MatrixError it raised ("" if none).
template <typename F>
std::string errorOf(F f)
{
    try {
        f();
    } catch (const MatrixError& e) {
        return e.what();
    }
    return "";
}

Matrix fromRows(std::initializer_list<std::initializer_list<double>> rows)
{
    const int r = static_cast<int>(rows.size());
    const int c = r ? static_cast<int>(rows.begin()->size()) : 0;
    Matrix m(r, c, 0.0);
    int i = 0;
    for (auto& row : rows) {
        int j = 0;
        for (double v : row)
            m(i, j++) = v;
        ++i;
    }
    return m;
}

}  // namespace

TEST(MatrixLimits, ConstructionAtAndBeyondTheLimits)
{
    Matrix tall(20000, 1, 0.0);
    EXPECT_EQ(tall.nRows(), 20000);
    EXPECT_EQ(errorOf([] { Matrix m(20001, 1, 0.0); }), "nRows too high in Matrix::Matrix(r, c)");
    EXPECT_EQ(errorOf([] { Matrix m(1, 20001, 0.0); }), "nCols too high in Matrix::Matrix(r, c)");
    // Both too large: the rows are tested first.
    EXPECT_EQ(errorOf([] { Matrix m(20001, 20001, 0.0); }), "nRows too high in Matrix::Matrix(r, c)");
}

TEST(MatrixLimits, MergeOfRowsBeyondTheLimit)
{
    Matrix a(15000, 2, 0.0), b(5001, 2, 0.0);
    EXPECT_EQ(errorOf([&] { a.merge(b, 0); }), "nRows too high in Matrix::merge");
    EXPECT_EQ(a.nRows(), 15000);
    Matrix c(5000, 2, 0.0);
    a.merge(c, 0);
    EXPECT_EQ(a.nRows(), 20000);
}

TEST(MatrixAccess, BoundsAreAlwaysTested)
{
    Matrix m(2, 3, 1.5);
    EXPECT_EQ(m(1, 2), 1.5);
    EXPECT_EQ(errorOf([&] { m(2, 0); }), "Index out of range");
    EXPECT_EQ(errorOf([&] { m(0, 3); }), "Index out of range");
    EXPECT_EQ(errorOf([&] { m(-1, 0); }), "Index out of range");
    EXPECT_EQ(errorOf([&] { m(0, -1); }), "Index out of range");
    Matrix v(3, 1, 0.0);
    EXPECT_EQ(errorOf([&] { v(0, 1); }), "Index out of range");
}

TEST(MatrixAccess, RunsAreWrittenWhenWhollyInside)
{
    Matrix m(2, 4, 0.0);
    const double values[] = {1, 2, 3};
    m.setRun(1, 1, values, 3);
    EXPECT_EQ(m(1, 0), 0.0);
    EXPECT_EQ(m(1, 1), 1.0);
    EXPECT_EQ(m(1, 3), 3.0);
    EXPECT_EQ(m(0, 1), 0.0);
    // A run that leaves the row, or a row outside, writes nothing.
    EXPECT_EQ(errorOf([&] { m.setRun(0, 2, values, 3); }), "Index out of range");
    EXPECT_EQ(errorOf([&] { m.setRun(2, 0, values, 1); }), "Index out of range");
    EXPECT_EQ(errorOf([&] { m.setRun(0, -1, values, 2); }), "Index out of range");
    EXPECT_EQ(m(0, 2), 0.0);
    EXPECT_EQ(m(0, 3), 0.0);
    m.setRun(0, 4, values, 0);  // nothing to write
}

TEST(MatrixAccess, MissingMarker)
{
    Matrix m(1, 3, Matrix::missingValue);
    m(0, 1) = -99.9 + 5e-7;
    m(0, 2) = -99.9 + 2e-6;
    EXPECT_TRUE(m.isMissing(0, 0));
    EXPECT_TRUE(m.isMissing(0, 1));
    EXPECT_FALSE(m.isMissing(0, 2));
    EXPECT_DOUBLE_EQ(m.missing(), -99.9);
}

TEST(MatrixSharing, CopiesShareElementsAndOutliveTheOriginal)
{
    auto* first = new Matrix(2, 2, 0.0);
    Matrix second(*first);
    EXPECT_EQ(first->referenceCount(), 2);
    (*first)(1, 1) = 7.0;
    EXPECT_EQ(second(1, 1), 7.0);
    delete first;
    EXPECT_EQ(second.referenceCount(), 1);
    EXPECT_EQ(second(1, 1), 7.0);
}

TEST(MatrixSharing, AssignmentReleasesTheOldStorage)
{
    Matrix a(1, 1, 1.0), b(1, 1, 2.0);
    Matrix keep(a);
    a = b;
    EXPECT_EQ(a(0, 0), 2.0);
    EXPECT_EQ(keep(0, 0), 1.0);
    EXPECT_EQ(keep.referenceCount(), 1);
    EXPECT_EQ(b.referenceCount(), 2);
    a = a;
    EXPECT_EQ(b.referenceCount(), 2);
}

TEST(MatrixSharing, MergeIsSeenThroughEveryHandle)
{
    Matrix a = fromRows({{1, 2, 3}, {4, 5, 6}});
    Matrix alias(a);
    a.merge(fromRows({{7, 8, 9}}), 0);
    EXPECT_EQ(alias.nRows(), 3);
    EXPECT_EQ(alias(2, 1), 8.0);
}

TEST(MatrixReductions, CountIgnoresZerosNegativesAndMissing)
{
    Matrix m = fromRows({{0, -1, -99.9, 2}, {3, 4, 0, 0}});
    Matrix byRow = m.count(0);
    ASSERT_EQ(byRow.nRows(), 2);
    ASSERT_EQ(byRow.nCols(), 1);
    EXPECT_EQ(byRow(0, 0), 1.0);
    EXPECT_EQ(byRow(1, 0), 2.0);
    Matrix byCol = m.count(1);
    ASSERT_EQ(byCol.nRows(), 1);
    ASSERT_EQ(byCol.nCols(), 4);
    EXPECT_EQ(byCol(0, 0), 1.0);
    EXPECT_EQ(byCol(0, 2), 0.0);
    EXPECT_EQ(byCol(0, 3), 1.0);
}

TEST(MatrixReductions, MaxSumAndTheirDirections)
{
    Matrix m = fromRows({{1, -99.9}, {-5, -6}});
    EXPECT_EQ(m.matmax(0)(0, 0), 1.0);
    EXPECT_EQ(m.matmax(0)(1, 0), -5.0);
    EXPECT_EQ(m.matmax(1)(0, 1), -6.0);
    // The missing marker is added like any value.
    EXPECT_DOUBLE_EQ(m.sum(0)(0, 0), 1.0 - 99.9);
    EXPECT_DOUBLE_EQ(m.sum(1)(0, 0), -4.0);

    Matrix noColumns(3, 0, 0.0);
    Matrix mx = noColumns.matmax(0);
    ASSERT_EQ(mx.nRows(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(mx(i, 0), -1e30);
}

TEST(MatrixReductions, DirectionMessages)
{
    Matrix m(2, 2, 0.0);
    EXPECT_EQ(errorOf([&] { m.count(2); }), "Direction out of range in Matrix::count(dir)");
    EXPECT_EQ(errorOf([&] { m.matmax(-1); }), "Direction out of range in Matrix::matmax(dir)");
    EXPECT_EQ(errorOf([&] { m.countmaxn2(3); }), "Direction out of range in Matrix::countmaxn2(dir)");
    EXPECT_EQ(errorOf([&] { m.sum(5); }), "Direction out of range in Matrix::sum");
    EXPECT_EQ(errorOf([&] { m.merge(m, 2); }), "Direction out of range in merge");
}

TEST(MatrixReductions, CountMaxN2ByRows)
{
    // (2, 2): shares 1/2 each, q = 1/2, N2 = 2. (4, 0, 0) padded to the same width:
    // q = 1, N2 = 1. All zero: the sum is 0, N2 = 0.
    Matrix m = fromRows({{2, 2, 0}, {4, 0, 0}, {0, 0, 0}});
    Matrix r = m.countmaxn2(0);
    ASSERT_EQ(r.nRows(), 3);
    ASSERT_EQ(r.nCols(), 3);
    EXPECT_EQ(r(0, 0), 2.0);
    EXPECT_EQ(r(0, 1), 2.0);
    EXPECT_DOUBLE_EQ(r(0, 2), 2.0);
    EXPECT_EQ(r(1, 0), 1.0);
    EXPECT_EQ(r(1, 1), 4.0);
    EXPECT_DOUBLE_EQ(r(1, 2), 1.0);
    EXPECT_EQ(r(2, 0), 0.0);
    EXPECT_EQ(r(2, 1), 0.0);
    EXPECT_EQ(r(2, 2), 0.0);
}

TEST(MatrixReductions, CountMaxN2ByColumnsHasOneRowPerColumn)
{
    // Column 0: (1, 1, 2) sum 4, q = 1/16 + 1/16 + 4/16 = 6/16, N2 = 8/3.
    Matrix m = fromRows({{1, 0}, {1, 5}, {2, 0}});
    Matrix r = m.countmaxn2(1);
    ASSERT_EQ(r.nRows(), 2);
    ASSERT_EQ(r.nCols(), 3);
    EXPECT_EQ(r(0, 0), 3.0);
    EXPECT_EQ(r(0, 1), 2.0);
    EXPECT_DOUBLE_EQ(r(0, 2), 8.0 / 3.0);
    EXPECT_EQ(r(1, 0), 1.0);
    EXPECT_EQ(r(1, 1), 5.0);
    EXPECT_DOUBLE_EQ(r(1, 2), 1.0);
}

// Count, maximum and N2 of every line of a large count matrix, bit for bit as count,
// matmax and sum give them and as N2's definition gives it line by line: mostly zeros, a
// line all zero, one whose sum is 0 (+5 and -5) and missing markers among the counts.
// The larger shape is shared among threads, line by line.
TEST(MatrixReductions, CountMaxN2OfEveryLineMatchesTheOtherReductionsBitForBit)
{
    for (const auto& [rows, cols] : {std::pair{300, 200}, std::pair{1500, 800}}) {
        Matrix m(rows, cols, 0.0);
        std::mt19937 random(26);
        for (int i = 0; i < rows; ++i)
            for (int j = 0; j < cols; ++j)
                if (random() % 8 == 0)
                    m(i, j) = static_cast<double>(1 + random() % 60) / ((random() % 3) + 1.0);
        for (int k = 0; k < rows; ++k) {
            m(k, 7) = 0.0;  // a column all zero
            m(k, 9) = 0.0;  // and one of +5 and -5 (below) only
        }
        for (int k = 0; k < cols; ++k)
            m(11, k) = 0.0;  // a row all zero
        m(3, 9) = 5.0;
        m(4, 9) = -5.0;
        m(20, 30) = Matrix::missingValue;
        const auto same = [](double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; };
        for (int dir : {0, 1}) {
            const Matrix got = m.countmaxn2(dir);
            const Matrix n = m.count(dir), mx = m.matmax(dir), s = m.sum(dir);
            const int lines = dir == 0 ? rows : cols;
            ASSERT_EQ(got.nRows(), lines);
            ASSERT_EQ(got.nCols(), 3);
            for (int line = 0; line < lines; ++line) {
                const double total = dir == 0 ? s(line, 0) : s(0, line);
                double q = 0.0;
                for (int k = 0; k < (dir == 0 ? cols : rows); ++k) {
                    const double share = (dir == 0 ? m(line, k) : m(k, line)) / total;
                    q += share * share;
                }
                const double n2 = q > 1e-6 ? 1.0 / q : 0.0;
                EXPECT_TRUE(same(got(line, 0), dir == 0 ? n(line, 0) : n(0, line))) << dir << " " << line;
                EXPECT_TRUE(same(got(line, 1), dir == 0 ? mx(line, 0) : mx(0, line))) << dir << " " << line;
                EXPECT_TRUE(same(got(line, 2), n2)) << dir << " " << line << ": " << got(line, 2) << " against " << n2;
            }
        }
        // The lines without a positive count: none counted, N2 0.
        const Matrix byColumn = m.countmaxn2(1);
        EXPECT_EQ(byColumn(7, 0), 0.0);
        EXPECT_EQ(byColumn(7, 2), 0.0);
        EXPECT_EQ(byColumn(9, 2), 0.0);
        EXPECT_EQ(m.countmaxn2(0)(11, 2), 0.0);

        // Some columns alone, in runs long and one column wide, the first and the last and
        // the one whose sum is 0 among them (enough of them in the larger shape to be shared
        // among threads): theirs bit for bit as all columns give them, the others' rows 0.
        std::vector<std::uint8_t> wanted(static_cast<std::size_t>(cols), 0);
        for (int j = 0; j < cols; ++j)
            wanted[static_cast<std::size_t>(j)] = j == 0 || j == cols - 1 || (j % 16 != 5 && j % 16 != 7);
        const Matrix some = m.countmaxn2OfColumns(wanted);
        ASSERT_EQ(some.nRows(), cols);
        for (int j = 0; j < cols; ++j)
            for (int k = 0; k < 3; ++k)
                EXPECT_TRUE(same(some(j, k), wanted[static_cast<std::size_t>(j)] ? byColumn(j, k) : 0.0)) << j;
        EXPECT_EQ(m.countmaxn2OfColumns(std::vector<std::uint8_t>(static_cast<std::size_t>(cols), 0))(5, 1), 0.0);
    }
    Matrix small(2, 3, 1.0);
    EXPECT_EQ(errorOf([&] { small.countmaxn2OfColumns({1, 0}); }),
              "Mask size mismatch in Matrix::countmaxn2OfColumns");
}

// Rows appended by moving them: the values stay, the other matrix is left without rows;
// a matrix whose storage is shared, or the same one, is copied instead.
TEST(MatrixShape, AppendRowsMovesOrCopies)
{
    Matrix a = fromRows({{1, 2, 3}, {4, 5, 6}});
    Matrix b = fromRows({{7, 8, 9}});
    a.appendRows(b);
    ASSERT_EQ(a.nRows(), 3);
    EXPECT_EQ(a(2, 0), 7.0);
    EXPECT_EQ(a(2, 2), 9.0);
    EXPECT_EQ(b.nRows(), 0);
    EXPECT_EQ(b.nCols(), 3);

    Matrix c = fromRows({{10, 11, 12}});
    const Matrix sharing = c;
    a.appendRows(c);
    ASSERT_EQ(a.nRows(), 4);
    EXPECT_EQ(a(3, 1), 11.0);
    EXPECT_EQ(c.nRows(), 1);
    EXPECT_EQ(sharing(0, 2), 12.0);

    a.appendRows(a);
    ASSERT_EQ(a.nRows(), 8);
    EXPECT_EQ(a(7, 2), 12.0);
    EXPECT_EQ(a(4, 0), 1.0);

    Matrix narrow = fromRows({{1, 2}});
    EXPECT_EQ(errorOf([&] { a.appendRows(narrow); }), "Arrays are not conformable in function merge");
    EXPECT_EQ(narrow.nRows(), 1);
    Matrix tall(Matrix::maxRows, 3, 0.0);
    EXPECT_EQ(errorOf([&] { a.appendRows(tall); }), "nRows too high in Matrix::merge");
    EXPECT_EQ(tall.nRows(), Matrix::maxRows);
    EXPECT_EQ(a.nRows(), 8);
}

TEST(MatrixShape, MergeRowsAndColumns)
{
    Matrix a = fromRows({{1, 2, 3}, {4, 5, 6}});
    a.merge(fromRows({{7, 8, 9}}), 0);
    ASSERT_EQ(a.nRows(), 3);
    EXPECT_EQ(a(2, 2), 9.0);
    EXPECT_EQ(a(0, 0), 1.0);
    EXPECT_EQ(errorOf([&] { a.merge(fromRows({{1, 2}}), 0); }), "Arrays are not conformable in function merge");
    EXPECT_EQ(errorOf([&] { a.merge(fromRows({{1, 2}}), 1); }), "Arrays are not conformable in function merge");
    EXPECT_EQ(a.nRows(), 3);

    Matrix b = fromRows({{1}, {2}});
    b.merge(fromRows({{3, 4}, {5, 6}}), 1);
    ASSERT_EQ(b.nCols(), 3);
    EXPECT_EQ(b(0, 0), 1.0);
    EXPECT_EQ(b(1, 2), 6.0);
    EXPECT_FALSE(b.nRows() > 1 && b.nCols() == 1);
}

TEST(MatrixShape, OneColumnMatricesKeepTheSingleBlock)
{
    Matrix v = fromRows({{1}, {2}});
    EXPECT_TRUE(v.isSingleBlock());
    v.merge(fromRows({{3}}), 0);
    ASSERT_EQ(v.nRows(), 3);
    EXPECT_TRUE(v.isSingleBlock());
    EXPECT_EQ(v(2, 0), 3.0);

    // Zero columns merged with one column gives one column: the single block again.
    Matrix empty(3, 0, 0.0);
    empty.merge(v, 1);
    ASSERT_EQ(empty.nCols(), 1);
    EXPECT_TRUE(empty.isSingleBlock());
    EXPECT_EQ(empty(1, 0), 2.0);
}

TEST(MatrixShape, SelfMergeDoublesTheMatrix)
{
    Matrix a = fromRows({{1, 2}, {3, 4}});
    a.merge(a, 0);
    ASSERT_EQ(a.nRows(), 4);
    EXPECT_EQ(a(3, 1), 4.0);
    Matrix v = fromRows({{1}, {2}});
    v.merge(v, 1);
    ASSERT_EQ(v.nCols(), 2);
    EXPECT_EQ(v(1, 1), 2.0);
}

TEST(MatrixShape, Transpose)
{
    Matrix row = fromRows({{1, 2, 3, 4}});
    Matrix col = row.transpose();
    ASSERT_EQ(col.nRows(), 4);
    ASSERT_EQ(col.nCols(), 1);
    EXPECT_TRUE(col.isSingleBlock());
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(col(i, 0), i + 1.0);

    Matrix m = fromRows({{1, 2, 3}, {4, 5, 6}});
    Matrix t = m.transpose();
    ASSERT_EQ(t.nRows(), 3);
    ASSERT_EQ(t.nCols(), 2);
    EXPECT_EQ(t(2, 1), 6.0);
    EXPECT_EQ(t(0, 1), 4.0);
    EXPECT_EQ(m.referenceCount(), 1);
}

TEST(MatrixShape, DeleteColumns)
{
    Matrix m = fromRows({{0, 1, 2, 3, 4}, {10, 11, 12, 13, 14}});
    m.deleteColumns({0, 0, 0, 0, 1});
    ASSERT_EQ(m.nCols(), 4);
    EXPECT_EQ(m(1, 3), 13.0);
    m.deleteColumns({1, 0, 1, 0});
    ASSERT_EQ(m.nCols(), 2);
    EXPECT_EQ(m(0, 0), 1.0);
    EXPECT_EQ(m(1, 1), 13.0);

    // Keeping exactly one column gives the single-block layout.
    m.deleteColumns({1, 0});
    ASSERT_EQ(m.nCols(), 1);
    EXPECT_TRUE(m.isSingleBlock());
    EXPECT_EQ(m(0, 0), 3.0);
    EXPECT_EQ(m(1, 0), 13.0);
    EXPECT_EQ(errorOf([&] { m(0, 1); }), "Index out of range");
    m.merge(fromRows({{99}}), 0);
    EXPECT_EQ(m(2, 0), 99.0);
}

TEST(MatrixShape, DeleteColumnsRefusedWhileShared)
{
    Matrix m(2, 3, 1.0);
    Matrix other(m);
    EXPECT_EQ(errorOf([&] { m.deleteColumns({1, 0, 0}); }), "\nError: Cannot deleteRows - fMat has references");
    EXPECT_EQ(m.nCols(), 3);
}

TEST(MatrixShape, ResizeColumnsGrowsAndTrimsInPlace)
{
    Matrix m = fromRows({{1, 2, 3}, {4, 5, 6}});
    m.resizeColumns(5, 0.0);
    ASSERT_EQ(m.nCols(), 5);
    EXPECT_EQ(m(1, 2), 6.0);
    EXPECT_EQ(m(0, 3), 0.0);
    EXPECT_EQ(m(1, 4), 0.0);
    m(1, 4) = 9;
    m.resizeColumns(2, 0.0);
    ASSERT_EQ(m.nCols(), 2);
    EXPECT_EQ(m(1, 1), 5.0);
    EXPECT_EQ(errorOf([&] { m(0, 2); }), "Index out of range");

    // To and from one column: the single block, both ways.
    m.resizeColumns(1, 0.0);
    EXPECT_TRUE(m.isSingleBlock());
    EXPECT_EQ(m(1, 0), 4.0);
    m.resizeColumns(3, -1.0);
    EXPECT_FALSE(m.isSingleBlock());
    EXPECT_EQ(m(1, 0), 4.0);
    EXPECT_EQ(m(1, 2), -1.0);
    m.merge(fromRows({{7, 8, 9}}), 0);
    EXPECT_EQ(m(2, 2), 9.0);

    Matrix other(m);
    EXPECT_EQ(errorOf([&] { m.resizeColumns(4, 0.0); }), "\nError: Cannot resize - fMat has references");
    EXPECT_EQ(other.nCols(), 3);
    Matrix alone(1, 2, 0.0);
    EXPECT_EQ(errorOf([&] { alone.resizeColumns(Matrix::maxCols + 1, 0.0); }), "nCols too high in Matrix::resizeColumns");
    EXPECT_EQ(alone.nCols(), 2);
}

TEST(MatrixShape, SiteTableLosesItsFifthColumn)
{
    // The river family's second site table drops column 4 of 13.
    Matrix s(2, 13, 0.0);
    for (int j = 0; j < 13; ++j)
        s(1, j) = j;
    std::vector<std::uint8_t> mask(13, 0);
    mask[4] = 1;
    s.deleteColumns(mask);
    ASSERT_EQ(s.nCols(), 12);
    EXPECT_EQ(s(1, 3), 3.0);
    EXPECT_EQ(s(1, 4), 5.0);
    EXPECT_EQ(s(1, 11), 12.0);
}
