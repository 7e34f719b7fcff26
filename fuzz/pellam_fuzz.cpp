// pellam on arbitrary bytes, read as Devanagari or with the ATR code's
// switches of script: no crash, no sanitizer report, and the same output
// and messages whether the input is read whole or in small pieces.
#include "harness.hpp"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    std::size_t chunk = 1 + data[0] % 16;
    bool atr = data[0] & 16;
    std::string in(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::string wholemsgs, piecemsgs;
    std::string whole = harness::pellamconvert(in, codec::bufsize, &wholemsgs, atr);
    std::string pieces = harness::pellamconvert(in, chunk, &piecemsgs, atr);
    // Every byte writes at most one three-byte character, or with the ATR
    // code read, two bytes at most three (Gurmukhi rha, from ddha and the
    // nukta).
    if (whole != pieces || wholemsgs != piecemsgs || 2 * whole.size() > (atr ? 9 : 6) * in.size())
        std::abort();
    return 0;
}
