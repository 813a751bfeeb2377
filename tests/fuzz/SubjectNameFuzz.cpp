// Fuzzes the subject comparison, which parses names out of a downloaded file:
// any bytes are read without fault (the sanitizers watch every read), and the
// comparison is symmetric.
#include "PublisherCheck.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    // The first byte splits the input into two names.
    const std::size_t split = size == 0 ? 0 : data[0] % size;
    const std::string first = input.substr(0, split), second = input.substr(split);

    if (IsSameName(first, second) != IsSameName(second, first))
        std::abort();
    return 0;
}
