#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <vector>

// The one error type of the matrix: it carries one fixed message text.
class MatrixError : public std::exception {
public:
    explicit MatrixError(const char* message) : message_(message) {}
    const char* what() const noexcept override { return message_; }

private:
    const char* message_;
};

// A matrix of doubles with shared, reference-counted storage. Copies are shallow: every
// handle on the same storage sees the same elements and the same shape. Element access
// always tests its bounds. A cell without a value holds the missing-value marker -99.9.
//
// Layout: a one-column matrix keeps all its values in one contiguous block (so a column
// vector is also a plain array of doubles); any other matrix keeps one block per row.
class Matrix {
public:
    static constexpr int maxRows = 20000;
    static constexpr int maxCols = 20000;
    static constexpr double missingValue = -99.9;

    Matrix(int rows, int cols, double init);
    Matrix(const Matrix& other);
    Matrix& operator=(const Matrix& other);
    ~Matrix();

    int nRows() const { return store_->nRows; }
    int nCols() const { return store_->nCols; }
    double missing() const { return store_->missing; }

    double& operator()(int row, int col);
    double operator()(int row, int col) const;
    // The nCols() elements of one row, tested once: for a loop over a whole row.
    const double* rowData(int row) const;
    // Copies n values into the row from column firstCol on: one bounds test for the run
    // (all of it must lie inside), for a caller that fills a row a stretch at a time.
    void setRun(int row, int firstCol, const double* values, int n);

    // True when the element is the missing-value marker (within 1e-6).
    bool isMissing(int row, int col) const;

    // Reductions; dir 0 gives one result per row (nRows x 1), dir 1 one per column (1 x nCols).
    Matrix count(int dir) const;   // strictly positive elements
    Matrix matmax(int dir) const;  // largest element, from -1e30
    Matrix sum(int dir) const;     // as stored, missing markers included
    // Count of positive elements, maximum and Hill's N2, one row per row (dir 0) or per
    // column (dir 1) of this matrix: nRows x 3 or nCols x 3.
    Matrix countmaxn2(int dir) const;
    // countmaxn2(1) for the columns whose byte in `wanted` (nCols() bytes) is non-zero, each
    // bit for bit as countmaxn2(1) gives it; the rows of the other columns hold 0.
    Matrix countmaxn2OfColumns(const std::vector<std::uint8_t>& wanted) const;

    // In place: dir 0 appends other's rows below, dir 1 its columns to the right.
    void merge(const Matrix& other, int dir);
    // In place: other's rows are appended below, as merge(other, 0) would, but moved, not
    // copied, when other alone holds its storage and both keep one block per row (other is
    // then left with no rows); copied otherwise.
    void appendRows(Matrix& other);
    Matrix transpose() const;
    // In place: removes every column whose mask byte is non-zero. Refused while the
    // storage is shared.
    void deleteColumns(const std::vector<std::uint8_t>& mask);

    // In place: every row keeps its first min(cols, nCols) elements, and elements added
    // on the right hold init. Rows are made one at a time and the old one freed, so that
    // a large matrix never exists twice (growing it as its columns arrive, or trimming
    // it, costs one row beside it). A growth that runs out of memory throws and leaves the
    // matrix as it was; a trim always succeeds. Refused while the storage is shared.
    void resizeColumns(int cols, double init);
    // Handles on this storage (for tests and for deleteColumns' rule).
    int referenceCount() const { return store_->refCount; }
    // True when the elements lie in one contiguous block (always so with one column).
    bool isSingleBlock() const;

private:
    struct Storage {
        double** rows = nullptr;
        int nRows = 0;
        int nCols = 0;
        int refCount = 1;
        double missing = missingValue;
    };

    void release();
    static void freeElements(Storage* store);
    void checkIndex(int row, int col) const;

    Storage* store_;
};
