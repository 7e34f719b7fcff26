// Well-formed Devanagari words drawn from the fuzz bytes go through sonwick
// and then kavrel in the scheme the first byte draws, and must come back
// unchanged; words holding a run that the scheme cannot carry are left out.
#include "devwords.hpp"
#include "harness.hpp"
#include "kavrel/convert.hpp"
#include "schemes.hpp"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    auto scheme = static_cast<lipisetu::scheme>(data[0] % schemes::count);
    devwords::chooser ch{data + 1, size - 1, nullptr};
    devwords::text t;
    for (int words = 0; words < 64 && devwords::more(ch); ++words) {
        devwords::text w;
        devwords::addword(ch, w);
        if (harness::carries(scheme, w.expected)) {
            t.written += w.written;
            t.expected += w.expected;
        }
    }
    std::string roman = harness::sonwickconvert(harness::utf8(t.written), codec::bufsize, true, scheme);
    std::string back = harness::kavrelconvert({.scheme = scheme}, roman);
    std::string want = harness::utf8(t.expected);
    if (back != want) {
        std::fprintf(stderr, "scheme: %s\nin:    %s\nroman: %s\nback:  %s\nwant:  %s\n",
                     std::string(lipisetu::nameof(scheme)).c_str(), harness::hex(harness::utf8(t.written)).c_str(),
                     roman.c_str(), harness::hex(back).c_str(), harness::hex(want).c_str());
        std::abort();
    }
    return 0;
}
