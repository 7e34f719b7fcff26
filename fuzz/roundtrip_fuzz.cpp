// Well-formed Devanagari words drawn from the fuzz bytes go through sonwick
// and then kavrel, and must come back unchanged.
#include "devwords.hpp"
#include "harness.hpp"
#include "kavrel/convert.hpp"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    devwords::chooser ch{data, size, nullptr};
    devwords::text t;
    for (int words = 0; words < 64 && devwords::more(ch); ++words)
        devwords::addword(ch, t);
    std::string roman = harness::sonwickconvert(harness::utf8(t.written));
    std::string back = harness::kavrelconvert({}, roman);
    std::string want = harness::utf8(t.expected);
    if (back != want) {
        std::fprintf(stderr, "in:    %s\nroman: %s\nback:  %s\nwant:  %s\n",
                     harness::hex(harness::utf8(t.written)).c_str(), roman.c_str(),
                     harness::hex(back).c_str(), harness::hex(want).c_str());
        std::abort();
    }
    return 0;
}
