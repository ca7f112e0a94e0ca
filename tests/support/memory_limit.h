#pragma once

#include <cstddef>
#include <functional>

#include <gtest/gtest.h>

namespace testing_support {

// Runs `body` in a child process whose address space is limited to `memoryBytes` and
// whose run is limited to `seconds`; success when body returns true there. A reader that
// allocates what a hostile file claims fails with std::bad_alloc (reported as such), and
// one that loops is stopped by the alarm. Under AddressSanitizer, whose shadow memory
// needs terabytes of address space, only the time limit applies.
testing::AssertionResult RunsWithin(std::size_t memoryBytes, unsigned seconds, const std::function<bool()>& body);

// True in a build with AddressSanitizer.
bool SanitizedBuild();

}  // namespace testing_support
