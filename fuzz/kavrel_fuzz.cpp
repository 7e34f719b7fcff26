// kavrel on arbitrary bytes under every option combination: no crash, no
// sanitizer report, and the same output whether the input is read whole or
// in small pieces.
#include "harness.hpp"
#include "kavrel/convert.hpp"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    // The first byte draws the options, the second the size of the pieces.
    kavrel::options opt = harness::optionsof(data[0]);
    std::size_t chunk = 1 + data[1] % 16;
    std::string in(reinterpret_cast<const char*>(data) + 2, size - 2);
    std::string whole = harness::kavrelconvert(opt, in);
    std::string pieces = harness::kavrelconvert(opt, in, chunk);
    if (whole != pieces)
        std::abort();
    return 0;
}
