#pragma once

#include <algorithm>
#include <exception>
#include <thread>
#include <vector>

// Runs work(begin, end) over [0, count) cut into consecutive ranges, one per thread, as
// many as the machine has cores but none shorter than `shortest`; on the calling thread
// alone when that leaves one range. The work of one range must not touch another's data.
// The first exception thrown in a range is thrown again here, once every range has ended.
template <typename Work>
void ForEachRange(int count, int shortest, Work&& work)
{
    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    const int ranges = std::clamp(count / std::max(shortest, 1), 1, cores);
    if (ranges == 1) {
        work(0, count);
        return;
    }
    std::vector<std::exception_ptr> failures(static_cast<std::size_t>(ranges));
    std::vector<std::thread> threads;
    const auto run = [&](int range) {
        try {
            work(static_cast<int>(static_cast<long long>(count) * range / ranges),
                 static_cast<int>(static_cast<long long>(count) * (range + 1) / ranges));
        } catch (...) {
            failures[static_cast<std::size_t>(range)] = std::current_exception();
        }
    };
    try {
        for (int range = 1; range < ranges; ++range)
            threads.emplace_back(run, range);
    } catch (...) {
        // No thread to be had: the ranges not started run here.
        for (int range = static_cast<int>(threads.size()) + 1; range < ranges; ++range)
            run(range);
    }
    run(0);
    for (std::thread& thread : threads)
        thread.join();
    for (const std::exception_ptr& failure : failures)
        if (failure)
            std::rethrow_exception(failure);
}
