// libFuzzer target: see entries.h.
#include "tests/fuzz/entries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::readJobFile(data, size);
    return 0;
}
