// kavrel on arbitrary bytes under every option combination, in every scheme
// and script: no crash, no sanitizer report, and the same output whether the
// input is read whole or in small pieces, and whether common units take the
// fast lane or every unit the general way.
#include "harness.hpp"
#include "kavrel/convert.hpp"
#include "schemes.hpp"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    // The first byte draws the options and the script, the second the size
    // of the pieces (its low four bits) and the scheme (its high four).
    lipisetu::romanoptions opt = harness::optionsof(data[0]);
    opt.scheme = static_cast<lipisetu::scheme>((data[1] >> 4) % schemes::count);
    std::size_t chunk = 1 + data[1] % 16;
    std::string in(reinterpret_cast<const char*>(data) + 2, size - 2);
    std::string whole = harness::kavrelconvert(opt, in);
    std::string pieces = harness::kavrelconvert(opt, in, chunk);
    std::string general = harness::kavrelconvert(opt, in, codec::bufsize, false);
    if (whole != pieces || whole != general) {
        std::fprintf(stderr, "scheme: %s\nwhole:   %s\npieces:  %s\ngeneral: %s\n",
                     std::string(lipisetu::nameof(opt.scheme)).c_str(), harness::hex(whole).c_str(),
                     harness::hex(pieces).c_str(), harness::hex(general).c_str());
        std::abort();
    }
    return 0;
}
