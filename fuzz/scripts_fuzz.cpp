// The scripts module on text drawn from arbitrary bytes: the first byte
// draws the script, the size of the pieces and the letters kept; each byte
// after it is a character of the Devanagari block (below 0x80) or of the
// drawn script's block (Assamese: Bengali's), a few of them ZWJ, ZWNJ or a
// superscript. Devanagari is written in the script and read back, and text
// of the block read, each whole and in pieces: the same output either way,
// within the room the calls ask for.
#include "scripts.hpp"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

template <class State, class Convert>
std::u32string convert(State& st, const std::u32string& in, std::size_t piece, std::size_t per, Convert call)
{
    std::u32string out;
    for (std::size_t at = 0;;) {
        std::size_t n = std::min(piece, in.size() - at);
        bool last = at + n == in.size();
        std::vector<char32_t> room(per * (n + 16));
        std::size_t made = call(st, in.data() + at, n, last, room.data());
        if (made > room.size())
            std::abort();
        out.append(room.data(), made);
        at += n;
        if (last)
            return out;
    }
}

std::u32string written(scripts::script s, const std::u32string& in, std::size_t piece)
{
    scripts::writer w;
    scripts::start(w, s);
    return convert(w, in, piece, 4, [](scripts::writer& st, const char32_t* p, std::size_t n, bool last,
                                        char32_t* o) { return scripts::write(st, p, n, last, o); });
}

std::u32string read(const scripts::keepset& keep, const std::u32string& in, std::size_t piece)
{
    scripts::reader r;
    scripts::start(r, keep);
    return convert(r, in, piece, 2, [](scripts::reader& st, const char32_t* p, std::size_t n, bool last,
                                        char32_t* o) { return scripts::read(st, p, n, last, o); });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    auto s = scripts::script(data[0] % scripts::count);
    std::size_t piece = 1 + data[1] % 7;
    scripts::keepset keep;
    if (data[1] & 0x80)
        for (char32_t c = 0x0915 + data[0] % 8; c < 0x0960; c += 5)
            scripts::keep(keep, c);
    const char32_t extra[] = {0x200D, 0x200C, 0x00B2, 0x00B3, 0x2074, 0x00B9, 0x20, 0x0964};
    std::u32string dev, block;
    for (std::size_t i = 2; i < size; i++) {
        std::uint8_t b = data[i];
        char32_t c = b >= 0xF8 ? extra[b - 0xF8] : 0x0900 + (b & 0x7F);
        dev += c;
        block += b >= 0x80 && b < 0xF8 ? c + 0x80 * char32_t(int(s) - (s > scripts::script::assamese)) : c;
    }
    std::u32string w = written(s, dev, 1 << 16);
    if (written(s, dev, piece) != w || read(keep, w, 1 << 16) != read(keep, w, piece) ||
        read(keep, block, 1 << 16) != read(keep, block, piece))
        std::abort();
    return 0;
}
