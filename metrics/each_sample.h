#pragma once

#include "base/parallel_ranges.h"

// Runs assessOne(s) for every sample s of a job. Each sample is assessed on its own,
// writing only its own row of the results and its own comments, so a large job's samples
// are shared out among threads (a small one stays on the calling thread). A step that
// adds to anything shared across samples must not use it.
template <typename PerSample>
void ForEachSample(int samples, PerSample&& assessOne)
{
    // Fewer samples than this to a thread cost more to start than they save.
    constexpr int kSamplesPerThread = 1000;
    ForEachRange(samples, kSamplesPerThread, [&](int first, int last) {
        for (int s = first; s < last; ++s)
            assessOne(s);
    });
}
