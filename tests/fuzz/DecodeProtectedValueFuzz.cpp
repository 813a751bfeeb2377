// Fuzzes the protected-value decoding: any text decodes without fault to the
// length its characters allow, and any bytes stored in the synchronizer's
// format decode back to themselves.
#include "LibFuncaoDiv.h"
#include "ProtectedValueWriter.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);

    const std::size_t extra[4] = {0, 0, 1, 2};
    if (DecodeProtectedValue(input).size() != 3 * (size / 4) + extra[size % 4])
        std::abort();

    if (DecodeProtectedValue(ProtectValue(input)) != input)
        std::abort();
    return 0;
}
