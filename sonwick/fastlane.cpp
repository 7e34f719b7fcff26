// The fast lane: running Devanagari text (the characters of the block,
// spaces, line ends, punctuation) converted straight from the input bytes,
// each character decoded and looked up in one step and its step from the
// current context written as one fixed-size move. The steps are made from
// the writer's actions, so the lane writes what puttch writes; anything else (other
// multi-byte characters, malformed bytes, the last few bytes of the buffer)
// is left to the general way.
#include "convert.hpp"

#include <cstdint>
#include <cstring>

namespace sonwick {

namespace {

// The first four bytes at p, the first in the low byte: one load where the
// machine allows it.
inline std::uint32_t fourbytes(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// The lane reads ASCII and the three-byte characters of the block, E0 A4 80
// to E0 A5 BF. An ASCII character's slot is its byte; a block character's
// is its last byte (10xxxxxx) with the low bit of the middle one (A4 or A5)
// in bit 6. Both are worked out without a branch: the mix of ASCII and
// Devanagari in running text is too irregular to be guessed well.
constexpr std::uint32_t blockmask = 0xC0FEFF, blockbits = 0x80A4E0;
static_assert(laneslot(blockstart + 0x3F) == 0xBF && laneslot(blockstart + 0x40) == 0xC0);
constexpr unsigned nuktaslot = laneslot(nukta);

// The step at `row` bytes past `column`, the step of a slot in the first
// row. The context's row is loaded last, so it is added last, in bytes.
inline const lanestep* stepat(const lanestep* column, std::size_t row)
{
    return reinterpret_cast<const lanestep*>(reinterpret_cast<const unsigned char*>(column) + row);
}

// Stands for the last character when the lane has written none: a nukta
// sign joins nothing to it.
constexpr lanestep nostep{};

// Where the lane is: the next byte to read and to write, the context (as
// its row), and the step of the last character written with the context it
// was written from.
struct lanepos {
    const unsigned char* ip;
    unsigned char* o;
    std::size_t row;
    const lanestep* last = &nostep;
    std::size_t lastrow = 0;
};

// Takes back the last character when a nukta sign could still join it,
// leaving it to the general way, which reads the character after it: its
// bytes are unwritten and the context is the one it was written from.
inline void takeback(lanepos& p)
{
    if (p.last->joined) {
        p.o -= p.last->n;
        p.ip -= 3;
        p.row = p.lastrow;
        p.last = &nostep;
    }
}

// Converts the characters that start at p.ip up to `stop`, the output
// having room for them all; false when it stops at one the lane does not
// read.
template <bool stops> bool run(const lanestep* lanes, lanepos& p, const unsigned char* stopat)
{
    const unsigned char* ip = p.ip;
    unsigned char* o = p.o;
    std::size_t row = p.row;
    const lanestep* last = p.last;
    std::size_t lastrow = p.lastrow;
    bool whole = true;
    while (ip <= stopat) {
        std::uint32_t w = fourbytes(ip);
        std::uint32_t high = (w >> 7) & 1; // 0 for ASCII, 1 for anything else
        if (((w & blockmask) ^ blockbits) & (0u - high)) {
            whole = false;
            break;
        }
        unsigned slot = ((w >> (high << 4)) & 0xFF) | ((w >> 2) & (high << 6));
        const lanestep* s = stepat(&lanes[slot], row);
        if (slot == nuktaslot && last->joined) {
            // The consonant just written and this nukta sign are one
            // letter, written in place of the consonant from the context
            // the consonant was written from.
            o -= last->n;
            row = lastrow;
            s = stepat(&lanes[last->joined], row);
        }
        // A step the lane cannot take (an accent put on the vowel before)
        // is the general way's.
        if constexpr (stops) {
            if (s->n == stop) {
                whole = false;
                break;
            }
        }
        last = s;
        lastrow = row;
        std::memcpy(o, s, sizeof *s);
        o += s->n;
        row = s->nextrow;
        // Tested on the byte itself, the step to the next character waits
        // on nothing but the load.
        ip = (w & 0x80) ? ip + 3 : ip + 1;
    }
    p = {ip, o, row, last, lastrow};
    return whole;
}

} // namespace

void fastlane(state& st)
{
    codec::bytein& in = st.in.bytes;
    codec::byteout& out = st.out.bytes;
    // Four bytes are read for every character, whatever its length. Once
    // the input has ended, three zero bytes after its last are read in
    // place of what follows, which no character of the lane ends in: the
    // lane goes on to the last byte (a word is read to its end), and a
    // character cut by the end is still the general way's.
    constexpr std::size_t readsize = 4;
    const unsigned char* ilast;
    if (in.eof && in.len > in.pos && codec::bufsize - in.len >= readsize - 1) {
        std::memset(in.buf + in.len, 0, readsize - 1);
        ilast = in.buf + in.len - 1;
    } else if (in.len - in.pos >= readsize) {
        ilast = in.buf + in.len - readsize;
    } else {
        return;
    }
    unsigned char* const olast = out.buf + codec::bufsize - sizeof(lanestep);
    const lanestep* const lanes = st.w->lanes;
    lanepos p{in.buf + in.pos, out.buf + out.len, st.ctx * rowbytes};
    while (p.ip <= ilast) {
        if (p.o > olast) {
            // A joined letter is written over its consonant's text, which
            // must still be in the buffer.
            takeback(p);
            out.len = static_cast<std::size_t>(p.o - out.buf);
            bool ok = codec::drain(out);
            p.o = out.buf + out.len;
            if (!ok)
                break;
        }
        std::size_t room = static_cast<std::size_t>(olast - p.o) / 2;
        std::size_t left = static_cast<std::size_t>(ilast - p.ip);
        const unsigned char* until = p.ip + (room < left ? room : left);
        if (!(st.w->stops ? run<true>(lanes, p, until) : run<false>(lanes, p, until)))
            break;
    }
    takeback(p);
    in.pos = static_cast<std::size_t>(p.ip - in.buf);
    out.len = static_cast<std::size_t>(p.o - out.buf);
    st.ctx = static_cast<std::uint8_t>(p.row / rowbytes);
}

} // namespace sonwick
