#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

#include "matrix/matrix.h"

// Writes counts into the count matrix as a worksheet gives them, taxon by taxon (a row
// each). The matrix keeps a sample's taxa together, so writing each count straight in
// would touch another sample's row (a cache line, often a page) for every cell of a
// worksheet row; here the counts of kTaxa taxa at a time wait in a small tile and go in
// a sample's taxa side by side. Taxa come in order from the first; one before the tile
// (which no caller sends) goes straight into the matrix.
class CountTiles {
public:
    static constexpr int kTaxa = 32;

    explicit CountTiles(Matrix& counts)
        : counts_(counts), tile_(static_cast<std::size_t>(counts.nRows()) * kTaxa, 0.0)
    {
    }

    void set(int sample, int taxon, double count)
    {
        if (taxon < first_) {
            counts_(sample, taxon) = count;
            return;
        }
        if (taxon >= first_ + kTaxa) {
            writeTile();
            first_ = taxon / kTaxa * kTaxa;
        }
        tile_[static_cast<std::size_t>(sample) * kTaxa + static_cast<std::size_t>(taxon - first_)] = count;
    }

    // The counts of one taxon for `n` samples from `sample` on, as n calls of set().
    void setSamples(int sample, int taxon, const double* counts, int n)
    {
        if (taxon < first_) {
            for (int i = 0; i < n; ++i)
                counts_(sample + i, taxon) = counts[i];
            return;
        }
        if (taxon >= first_ + kTaxa) {
            writeTile();
            first_ = taxon / kTaxa * kTaxa;
        }
        double* at = tile_.data() + static_cast<std::size_t>(sample) * kTaxa + static_cast<std::size_t>(taxon - first_);
        for (int i = 0; i < n; ++i, at += kTaxa)
            *at = counts[i];
    }

    // Writes what waits into the matrix; call it once the last count is set. The taxa
    // written are left behind: a later count of one of them goes straight in, and a
    // second flush writes nothing over them.
    void flush()
    {
        writeTile();
        first_ += kTaxa;
    }

private:
    // The tile's taxa into the matrix, counts not set as 0 (the matrix starts at 0).
    void writeTile()
    {
        const int taxa = counts_.nCols() - first_ < kTaxa ? counts_.nCols() - first_ : kTaxa;
        double* waiting = tile_.data();
        for (int s = 0; s < counts_.nRows(); ++s, waiting += kTaxa) {
            counts_.setRun(s, first_, waiting, taxa);
            std::fill(waiting, waiting + kTaxa, 0.0);
        }
    }

    Matrix& counts_;
    std::vector<double> tile_;  // [sample][taxon - first_]
    int first_ = 0;             // the tile's first taxon
};
