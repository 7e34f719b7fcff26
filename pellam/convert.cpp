#include "convert.hpp"

#include "tables.hpp"

#include <bit>
#include <cstdint>
#include <cstring>

namespace pellam {

namespace {

// Input is taken a quarter of the output buffer at a time, so that the
// converted block (at most three bytes a byte, plus one of padding for the
// four-byte moves) always fits without a bounds check per byte.
constexpr std::size_t step = codec::bufsize / 4;

// The index packed for the hot loop, one word a byte: the character's four
// bytes where a copy from the word's start finds them, and beside them its
// length and a flag for the slow path.
struct packedindex {
    std::uint64_t w[256];
};

constexpr packedindex pack()
{
    packedindex x{};
    for (int b = 0; b < 256; ++b) {
        const entry& e = index.bytes[b];
        std::uint64_t little = 0, big = 0;
        for (int i = 0; i < 4; ++i) {
            little |= std::uint64_t{e.out.b[i]} << (8 * i);
            big = big << 8 | e.out.b[i];
        }
        std::uint64_t meta = std::uint64_t{e.len} | std::uint64_t{e.k > kind::key} << 8;
        if constexpr (std::endian::native == std::endian::little)
            x.w[b] = little | meta << 32;
        else
            x.w[b] = big << 32 | meta;
    }
    return x;
}

constexpr packedindex packed = pack();

constexpr std::uint64_t metaof(std::uint64_t w)
{
    return std::endian::native == std::endian::little ? w >> 32 : w & 0xFFFFFFFF;
}
constexpr bool slow(std::uint64_t w) { return metaof(w) >> 8; }
constexpr std::size_t length(std::uint64_t w) { return metaof(w) & 0xFF; }

bool iskey(unsigned char b) { return index.bytes[b].k == kind::key; }

// The line feeds in p..end, found with memchr, which looks at many bytes a
// step.
long linefeeds(const unsigned char* p, const unsigned char* end)
{
    long n = 0;
    while (p < end && (p = static_cast<const unsigned char*>(
                           std::memchr(p, '\n', static_cast<std::size_t>(end - p))))) {
        ++n;
        ++p;
    }
    return n;
}

unsigned char* put(unsigned char* o, const utf8char& u, std::size_t len = 3)
{
    std::memcpy(o, u.b, 4);
    return o + len;
}

// Converts p..end to o and returns the new end of the output.
//
// Plain bytes and keys are written at once. A nukta byte after a key that
// was written by itself takes back the key's three bytes and writes the
// joined character instead. A key at the very end of the block is held
// back for the next block, and the byte after an ATR or EXT at the very end
// is dropped there. Line feeds are counted only when a message needs the
// line number and at the end of the block.
unsigned char* convert(state& st, const unsigned char* p, const unsigned char* end,
                       unsigned char* o)
{
    const unsigned char* const start = p;
    const unsigned char* counted = p;      // line feeds before this are in st.line
    const unsigned char* dropped = nullptr; // the last byte dropped after ATR or EXT
    auto lineat = [&](const unsigned char* at) {
        st.line += linefeeds(counted, at);
        counted = at;
        return st.line;
    };

    if (st.skip && p < end) {
        st.skip = false;
        dropped = p++;
    }
    if (st.held >= 0 && p < end) {
        bool joins = *p == nuktabyte;
        o = put(o, joins ? index.joined[st.held] : index.bytes[st.held].out);
        p += joins;
        st.held = -1;
    }
    const unsigned char* last = end;
    if (p < end && iskey(end[-1]))
        --last; // decided below, once the bytes before it are done

    while (p < last) {
        // The hot loop: one packed look-up, one four-byte store a byte.
        while (p < last) {
            std::uint64_t w = packed.w[*p];
            if (slow(w))
                break;
            std::memcpy(o, &w, 4);
            o += length(w);
            ++p;
        }
        if (p == last)
            break;
        unsigned b = *p;
        switch (index.bytes[b].k) {
        case kind::nukta:
            if (p > start && iskey(p[-1]) && p - 1 != dropped)
                o = put(o - 3, index.joined[p[-1]]);
            else
                o = put(o, index.bytes[b].out);
            ++p;
            break;
        case kind::ignore:
            std::fprintf(st.msgs, "Ignoring character 0x%x at line %ld\n", b, lineat(p));
            ++p;
            break;
        case kind::attr:
        case kind::extn:
            std::fprintf(st.msgs, "Use of %s not supported at line %ld\n", b == atr ? "ATR" : "EXT",
                         lineat(p));
            if (p + 1 < last) {
                dropped = p + 1;
                p += 2;
            } else {
                st.skip = true; // the byte after it is in the next block, or is the held key
                ++p;
            }
            break;
        default:
            break; // plain bytes and keys never stop the fast loop
        }
    }
    if (last < end) {
        if (st.skip)
            st.skip = false; // the key is the byte after an ATR or EXT
        else
            st.held = *last;
    }
    lineat(end);
    return o;
}

} // namespace

void start(state& st, std::FILE* in, std::FILE* out, std::FILE* msgs)
{
    codec::open(st.in, in);
    codec::open(st.out, out);
    st.in.drainfirst = &st.out;
    st.msgs = msgs;
    st.line = 1;
    st.held = -1;
    st.skip = false;
}

void process(state& st)
{
    codec::byteout& out = st.out;
    while (!out.error && codec::refill(st.in)) {
        const unsigned char* p = st.in.buf;
        const unsigned char* end = p + st.in.len;
        while (p < end) {
            std::size_t n = static_cast<std::size_t>(end - p);
            if (n > step)
                n = step;
            if (codec::bufsize - out.len < 3 * n + 4)
                codec::drain(out);
            out.len = static_cast<std::size_t>(convert(st, p, p + n, out.buf + out.len) - out.buf);
            p += n;
        }
        st.in.pos = st.in.len;
    }
    // A key at the very end of the input stands alone.
    if (st.held >= 0 && !out.error) {
        if (codec::bufsize - out.len < 4)
            codec::drain(out);
        out.len = static_cast<std::size_t>(put(out.buf + out.len, index.bytes[st.held].out) - out.buf);
        st.held = -1;
    }
}

} // namespace pellam
