#include "matrix/matrix.h"

#include "base/parallel_ranges.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <utility>

namespace {

// From this many elements on, a reduction over a matrix is shared among threads.
constexpr long long kParallelElements = 1LL << 20;

double* allocDoubles(int n, const char* message)
{
    double* block = new (std::nothrow) double[static_cast<std::size_t>(std::max(n, 1))];
    if (!block)
        throw MatrixError(message);
    return block;
}

double** allocRowTable(int n, const char* message)
{
    double** table = new (std::nothrow) double*[static_cast<std::size_t>(std::max(n, 1))];
    if (!table)
        throw MatrixError(message);
    return table;
}

// Count, maximum, sum and sum of squared shares of the columns in `runs` (each a range
// [first, last) of columns), into the per-column accumulators. Two passes row by row, as the
// elements are stored; each column adds its elements from the first row to the last.
void columnReductions(double* const* rows, int rowCount, const std::vector<std::pair<int, int>>& runs,
                      double* __restrict counts, double* __restrict largest, double* __restrict totals,
                      double* __restrict squares)
{
    for (int i = 0; i < rowCount; ++i)
        for (const auto& [first, last] : runs) {
            const double* __restrict row = rows[i];
            for (int j = first; j < last; ++j) {
                const double x = row[j];
                counts[j] += x > 0.0 ? 1.0 : 0.0;
                largest[j] = x > largest[j] ? x : largest[j];
                totals[j] += x;
            }
        }
    for (int i = 0; i < rowCount; ++i)
        for (const auto& [first, last] : runs) {
            const double* __restrict row = rows[i];
            for (int j = first; j < last; ++j) {
                const double share = row[j] / totals[j];
                squares[j] += share * share;
            }
        }
}

// The part of `runs` (ranges of columns, in order) from the first-th column they hold to
// the last-th.
std::vector<std::pair<int, int>> slice(const std::vector<std::pair<int, int>>& runs, int first, int last)
{
    std::vector<std::pair<int, int>> part;
    int passed = 0;
    for (const auto& [begin, end] : runs) {
        const int from = std::max(begin, begin + first - passed), to = std::min(end, begin + last - passed);
        if (from < to)
            part.emplace_back(from, to);
        passed += end - begin;
    }
    return part;
}

}  // namespace

Matrix::Matrix(int rows, int cols, double init)
{
    if (rows > maxRows)
        throw MatrixError("nRows too high in Matrix::Matrix(r, c)");
    if (cols > maxCols)
        throw MatrixError("nCols too high in Matrix::Matrix(r, c)");
    rows = std::max(rows, 0);
    cols = std::max(cols, 0);

    store_ = new (std::nothrow) Storage;
    if (!store_)
        throw MatrixError("Error: Out of memory in Matrix");
    store_->nRows = rows;
    store_->nCols = cols;
    try {
        store_->rows = allocRowTable(rows, "Out of memory in Matrix");
        if (cols == 1) {
            double* block = allocDoubles(rows, "Out of memory in Matrix");
            for (int i = 0; i < rows; ++i) {
                block[i] = init;
                store_->rows[i] = block + i;
            }
            if (rows == 0)
                delete[] block;
        } else {
            for (int i = 0; i < rows; ++i)
                store_->rows[i] = nullptr;
            for (int i = 0; i < rows; ++i) {
                store_->rows[i] = allocDoubles(cols, "Out of memory in Matrix");
                std::fill(store_->rows[i], store_->rows[i] + cols, init);
            }
        }
    } catch (...) {
        // With one column the block is the only allocation that can fail, so nothing
        // but the row table exists; otherwise the rows made so far are freed.
        if (cols != 1)
            freeElements(store_);
        delete[] store_->rows;
        delete store_;
        throw;
    }
}

Matrix::Matrix(const Matrix& other) : store_(other.store_)
{
    ++store_->refCount;
}

Matrix& Matrix::operator=(const Matrix& other)
{
    if (store_ != other.store_) {
        ++other.store_->refCount;
        release();
        store_ = other.store_;
    }
    return *this;
}

Matrix::~Matrix()
{
    release();
}

void Matrix::freeElements(Storage* store)
{
    if (!store->rows)
        return;
    if (store->nCols == 1) {
        if (store->nRows > 0)
            delete[] store->rows[0];
    } else {
        for (int i = 0; i < store->nRows; ++i)
            delete[] store->rows[i];
    }
}

void Matrix::release()
{
    if (--store_->refCount == 0) {
        freeElements(store_);
        delete[] store_->rows;
        delete store_;
    }
    store_ = nullptr;
}

void Matrix::checkIndex(int row, int col) const
{
    if (row < 0 || row >= store_->nRows || col < 0 || col >= store_->nCols)
        throw MatrixError("Index out of range");
}

double& Matrix::operator()(int row, int col)
{
    checkIndex(row, col);
    return store_->rows[row][col];
}

double Matrix::operator()(int row, int col) const
{
    checkIndex(row, col);
    return store_->rows[row][col];
}

const double* Matrix::rowData(int row) const
{
    if (row < 0 || row >= store_->nRows)
        throw MatrixError("Index out of range");
    return store_->rows[row];
}

void Matrix::setRun(int row, int firstCol, const double* values, int n)
{
    if (n <= 0)
        return;
    checkIndex(row, firstCol);
    checkIndex(row, firstCol + n - 1);
    std::copy(values, values + n, store_->rows[row] + firstCol);
}

bool Matrix::isMissing(int row, int col) const
{
    return std::fabs((*this)(row, col) - store_->missing) < 1e-6;
}

bool Matrix::isSingleBlock() const
{
    if (store_->nRows <= 1)
        return true;
    for (int i = 1; i < store_->nRows; ++i)
        if (store_->rows[i] != store_->rows[0] + static_cast<std::ptrdiff_t>(i) * store_->nCols)
            return false;
    return true;
}

Matrix Matrix::count(int dir) const
{
    if (dir != 0 && dir != 1)
        throw MatrixError("Direction out of range in Matrix::count(dir)");
    const int r = nRows(), c = nCols();
    Matrix out = dir == 0 ? Matrix(r, 1, 0.0) : Matrix(1, c, 0.0);
    for (int i = 0; i < r; ++i)
        for (int j = 0; j < c; ++j)
            if (store_->rows[i][j] > 0.0) {
                if (dir == 0)
                    out.store_->rows[i][0] += 1.0;
                else
                    out.store_->rows[0][j] += 1.0;
            }
    return out;
}

Matrix Matrix::matmax(int dir) const
{
    if (dir != 0 && dir != 1)
        throw MatrixError("Direction out of range in Matrix::matmax(dir)");
    const int r = nRows(), c = nCols();
    Matrix out = dir == 0 ? Matrix(r, 1, -1e30) : Matrix(1, c, -1e30);
    for (int i = 0; i < r; ++i)
        for (int j = 0; j < c; ++j) {
            double& best = dir == 0 ? out.store_->rows[i][0] : out.store_->rows[0][j];
            if (store_->rows[i][j] > best)
                best = store_->rows[i][j];
        }
    return out;
}

Matrix Matrix::sum(int dir) const
{
    if (dir != 0 && dir != 1)
        throw MatrixError("Direction out of range in Matrix::sum");
    const int r = nRows(), c = nCols();
    Matrix out = dir == 0 ? Matrix(r, 1, 0.0) : Matrix(1, c, 0.0);
    for (int i = 0; i < r; ++i)
        for (int j = 0; j < c; ++j) {
            if (dir == 0)
                out.store_->rows[i][0] += store_->rows[i][j];
            else
                out.store_->rows[0][j] += store_->rows[i][j];
        }
    return out;
}

Matrix Matrix::countmaxn2(int dir) const
{
    if (dir != 0 && dir != 1)
        throw MatrixError("Direction out of range in Matrix::countmaxn2(dir)");
    const int r = nRows(), c = nCols();
    if (dir == 1)
        return countmaxn2OfColumns(std::vector<std::uint8_t>(static_cast<std::size_t>(c), 1));
    // Each row adds its elements first to last, so its sums are those of count, matmax and
    // sum. The second pass adds every element's squared share, zeros too: a zero adds +0
    // to q when its row's sum is not 0, and a row whose sum is 0 has N2 0 whatever q holds
    // (NaN or infinity, which the test below turns into 0). Without a test per element
    // the pass runs at the speed of the division.
    //
    // The rows are shared out among threads for a large matrix, a slice of rows each:
    // every row is still added up by one thread in the same order, so the results do not
    // depend on how many threads there are.
    std::vector<double> n(static_cast<std::size_t>(r), 0.0), m(static_cast<std::size_t>(r), -1e30),
        s(static_cast<std::size_t>(r), 0.0), q(static_cast<std::size_t>(r), 0.0);
    const long long elements = static_cast<long long>(r) * c;
    ForEachRange(r, elements < kParallelElements ? r : 1, [&](int first, int last) {
        for (int i = first; i < last; ++i) {
            const double* row = store_->rows[i];
            double count = 0, largest = -1e30, total = 0, squares = 0;
            for (int j = 0; j < c; ++j) {
                const double x = row[j];
                count += x > 0.0 ? 1.0 : 0.0;
                largest = x > largest ? x : largest;
                total += x;
            }
            for (int j = 0; j < c; ++j) {
                const double share = row[j] / total;
                squares += share * share;
            }
            const std::size_t line = static_cast<std::size_t>(i);
            n[line] = count;
            m[line] = largest;
            s[line] = total;
            q[line] = squares;
        }
    });
    Matrix out(r, 3, 0.0);
    for (int line = 0; line < r; ++line) {
        const std::size_t k = static_cast<std::size_t>(line);
        out.store_->rows[line][0] = n[k];
        out.store_->rows[line][1] = m[k];
        // q is NaN for a row whose sum is 0; the test below gives such a row N2 = 0.
        out.store_->rows[line][2] = q[k] > 1e-6 ? 1.0 / q[k] : 0.0;
    }
    return out;
}

Matrix Matrix::countmaxn2OfColumns(const std::vector<std::uint8_t>& wanted) const
{
    const int r = nRows(), c = nCols();
    if (wanted.size() != static_cast<std::size_t>(c))
        throw MatrixError("Mask size mismatch in Matrix::countmaxn2OfColumns");
    std::vector<std::pair<int, int>> runs;
    int columns = 0;
    for (int j = 0; j < c; ++j) {
        if (!wanted[static_cast<std::size_t>(j)])
            continue;
        if (!runs.empty() && runs.back().second == j)
            ++runs.back().second;
        else
            runs.emplace_back(j, j + 1);
        ++columns;
    }
    std::vector<double> n(static_cast<std::size_t>(c), 0.0), m(static_cast<std::size_t>(c), -1e30),
        s(static_cast<std::size_t>(c), 0.0), q(static_cast<std::size_t>(c), 0.0);
    // Both passes walk the elements row by row, as they are stored: a pass down the
    // columns would touch a new row block for every element. Each column still adds its
    // elements from the first row to the last, so its sums are those of count, matmax and
    // sum, and zeros and a sum of 0 are taken as countmaxn2(0) takes them. Shared among
    // threads by the columns wanted, a slice each, whose accumulators (a few kilobytes)
    // stay in the cache while the rows stream past: each column is still added up by one
    // thread, in row order.
    const long long elements = static_cast<long long>(r) * columns;
    ForEachRange(columns, elements < kParallelElements ? columns : 1, [&](int first, int last) {
        columnReductions(store_->rows, r, slice(runs, first, last), n.data(), m.data(), s.data(), q.data());
    });
    Matrix out(c, 3, 0.0);
    for (const auto& [first, last] : runs)
        for (int j = first; j < last; ++j) {
            const std::size_t k = static_cast<std::size_t>(j);
            out.store_->rows[j][0] = n[k];
            out.store_->rows[j][1] = m[k];
            out.store_->rows[j][2] = q[k] > 1e-6 ? 1.0 / q[k] : 0.0;
        }
    return out;
}

void Matrix::appendRows(Matrix& other)
{
    Storage* src = other.store_;
    if (src == store_ || src->refCount != 1 || src->nCols == 1 || nCols() == 1 || nCols() != src->nCols) {
        merge(other, 0);
        return;
    }
    if (nRows() + src->nRows > maxRows)
        throw MatrixError("nRows too high in Matrix::merge");
    const int oldRows = nRows(), total = oldRows + src->nRows;
    double** table = allocRowTable(total, "Out of memory in merge(Matrix &)");
    std::copy(store_->rows, store_->rows + oldRows, table);
    std::copy(src->rows, src->rows + src->nRows, table + oldRows);
    delete[] store_->rows;
    store_->rows = table;
    store_->nRows = total;
    src->nRows = 0;
}

void Matrix::merge(const Matrix& other, int dir)
{
    if (dir == 0) {
        if (nRows() + other.nRows() > maxRows)
            throw MatrixError("nRows too high in Matrix::merge");
        if (nCols() != other.nCols())
            throw MatrixError("Arrays are not conformable in function merge");
        const int oldRows = nRows(), addRows = other.nRows(), cols = nCols();
        const int total = oldRows + addRows;
        // Other may be this very storage: read its rows before anything is freed.
        const Storage* src = other.store_;
        double** table = allocRowTable(total, "Out of memory in merge(Matrix &)");
        if (cols == 1) {
            double* block = new (std::nothrow) double[static_cast<std::size_t>(std::max(total, 1))];
            if (!block) {
                delete[] table;
                throw MatrixError("Out of memory in merge(Matrix &)");
            }
            for (int i = 0; i < oldRows; ++i)
                block[i] = store_->rows[i][0];
            for (int i = 0; i < addRows; ++i)
                block[oldRows + i] = src->rows[i][0];
            freeElements(store_);
            for (int i = 0; i < total; ++i)
                table[i] = block + i;
            if (total == 0)
                delete[] block;
        } else {
            int made = 0;
            try {
                for (; made < addRows; ++made) {
                    table[oldRows + made] = allocDoubles(cols, "Out of memory in merge(Matrix &)");
                    std::memcpy(table[oldRows + made], src->rows[made], sizeof(double) * static_cast<std::size_t>(cols));
                }
            } catch (...) {
                for (int i = 0; i < made; ++i)
                    delete[] table[oldRows + i];
                delete[] table;
                throw;
            }
            for (int i = 0; i < oldRows; ++i)
                table[i] = store_->rows[i];
        }
        delete[] store_->rows;
        store_->rows = table;
        store_->nRows = total;
        return;
    }
    if (dir == 1) {
        if (nCols() + other.nCols() > maxCols)
            throw MatrixError("nCols too high in Matrix::merge");
        if (nRows() != other.nRows())
            throw MatrixError("Arrays are not conformable in function merge");
        const int rows = nRows(), oldCols = nCols(), addCols = other.nCols();
        const int total = oldCols + addCols;
        const Storage* src = other.store_;
        std::vector<double*> built(static_cast<std::size_t>(rows), nullptr);
        try {
            if (total == 1) {
                double* block = allocDoubles(rows, "Out of memory in merge(fMat &)");
                for (int i = 0; i < rows; ++i) {
                    block[i] = oldCols == 1 ? store_->rows[i][0] : src->rows[i][0];
                    built[static_cast<std::size_t>(i)] = block + i;
                }
                if (rows == 0)
                    delete[] block;
            } else {
                for (int i = 0; i < rows; ++i) {
                    double* row = allocDoubles(total, "Out of memory in merge(fMat &)");
                    built[static_cast<std::size_t>(i)] = row;
                    for (int j = 0; j < oldCols; ++j)
                        row[j] = store_->rows[i][j];
                    for (int j = 0; j < addCols; ++j)
                        row[oldCols + j] = src->rows[i][j];
                }
            }
        } catch (...) {
            if (total != 1)
                for (double* row : built)
                    delete[] row;
            throw;
        }
        freeElements(store_);
        for (int i = 0; i < rows; ++i)
            store_->rows[i] = built[static_cast<std::size_t>(i)];
        store_->nCols = total;
        return;
    }
    throw MatrixError("Direction out of range in merge");
}

Matrix Matrix::transpose() const
{
    const int r = nRows(), c = nCols();
    Matrix out(c, r, 0.0);
    for (int i = 0; i < r; ++i)
        for (int j = 0; j < c; ++j)
            out.store_->rows[j][i] = store_->rows[i][j];
    return out;
}

void Matrix::resizeColumns(int cols, double init)
{
    if (store_->refCount >= 2)
        throw MatrixError("\nError: Cannot resize - fMat has references");
    if (cols > maxCols)
        throw MatrixError("nCols too high in Matrix::resizeColumns");
    cols = std::max(cols, 0);
    const int rows = nRows(), old = nCols();
    if (cols == old)
        return;
    const int kept = std::min(cols, old);
    if (cols <= 1 || old <= 1) {
        // A one-column matrix is one block of its own layout: built beside the old one,
        // which holds at most a few elements a row.
        Matrix built(rows, cols, init);
        for (int i = 0; i < rows; ++i)
            std::copy(store_->rows[i], store_->rows[i] + kept, built.store_->rows[i]);
        std::swap(store_, built.store_);
        return;
    }
    for (int i = 0; i < rows; ++i) {
        double* row = new (std::nothrow) double[static_cast<std::size_t>(cols)];
        if (!row) {
            // A shorter row is only a saving: a row left longer holds the first cols
            // elements as well. A longer one cannot be left out.
            if (cols < old)
                continue;
            throw MatrixError("Out of memory in Matrix::resizeColumns");
        }
        std::copy(store_->rows[i], store_->rows[i] + kept, row);
        std::fill(row + kept, row + cols, init);
        delete[] store_->rows[i];
        store_->rows[i] = row;
    }
    store_->nCols = cols;
}

void Matrix::deleteColumns(const std::vector<std::uint8_t>& mask)
{
    if (store_->refCount >= 2)
        throw MatrixError("\nError: Cannot deleteRows - fMat has references");
    const int rows = nRows(), cols = nCols();
    std::vector<int> kept;
    for (int j = 0; j < cols; ++j)
        if (static_cast<std::size_t>(j) >= mask.size() || mask[static_cast<std::size_t>(j)] == 0)
            kept.push_back(j);
    const int k = static_cast<int>(kept.size());
    std::vector<double*> built(static_cast<std::size_t>(rows), nullptr);
    try {
        if (k == 1) {
            double* block = allocDoubles(rows, "\nError: Out of memory in fMat");
            for (int i = 0; i < rows; ++i) {
                block[i] = store_->rows[i][kept[0]];
                built[static_cast<std::size_t>(i)] = block + i;
            }
            if (rows == 0)
                delete[] block;
        } else {
            for (int i = 0; i < rows; ++i) {
                double* row = allocDoubles(k, "\nError: Out of memory in fMat");
                built[static_cast<std::size_t>(i)] = row;
                for (int n = 0; n < k; ++n)
                    row[n] = store_->rows[i][kept[static_cast<std::size_t>(n)]];
            }
        }
    } catch (...) {
        if (k != 1)
            for (double* row : built)
                delete[] row;
        throw;
    }
    freeElements(store_);
    for (int i = 0; i < rows; ++i)
        store_->rows[i] = built[static_cast<std::size_t>(i)];
    store_->nCols = k;
}
