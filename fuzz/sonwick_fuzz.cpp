// sonwick on arbitrary bytes in every scheme: no crash, no sanitizer
// report, and the same output whether the input is read whole or in small
// pieces, and whether the fast lane takes what it can or every character
// the general way.
#include "harness.hpp"
#include "schemes.hpp"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The first byte draws the size of the pieces (its low four bits) and
    // the scheme (its high four).
    std::size_t chunk = 1 + data[0] % 16;
    auto scheme = static_cast<lipisetu::scheme>((data[0] >> 4) % schemes::count);
    std::string in(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::string whole = harness::sonwickconvert(in, codec::bufsize, true, scheme);
    std::string pieces = harness::sonwickconvert(in, chunk, true, scheme);
    std::string general = harness::sonwickconvert(in, codec::bufsize, false, scheme);
    if (whole != pieces || whole != general)
        std::abort();
    return 0;
}
