#include "convert.hpp"

#include "tables.hpp"

#include <cstring>

namespace pellam {

namespace {

// Input is taken a quarter of the output buffer at a time, so that the
// converted block (at most three bytes a byte, plus one of padding for the
// four-byte moves) always fits without a bounds check per byte.
constexpr std::size_t step = codec::bufsize / 4;

void ignoring(state& st, unsigned b)
{
    std::fprintf(st.msgs, "Ignoring character 0x%x at line %ld\n", b, st.line);
}

void unsupported(state& st, unsigned b)
{
    std::fprintf(st.msgs, "Use of %s not supported at line %ld\n", b == atr ? "ATR" : "EXT",
                 st.line);
}

unsigned char* put(unsigned char* o, const utf8char& u)
{
    std::memcpy(o, u.b, 4);
    return o + 3; // every character of the tables takes three bytes
}

// Converts p..end to o and returns the new end of the output. A key at the
// very end is held, and an ATR or EXT at the very end leaves its dropped
// byte to the next block.
unsigned char* convert(state& st, const unsigned char* p, const unsigned char* end,
                       unsigned char* o)
{
    if (st.skip && p < end) {
        st.skip = false;
        st.line += *p++ == '\n';
    }
    if (st.held >= 0 && p < end) {
        if (*p == nuktabyte) {
            o = put(o, index.joined[st.held]);
            ++p;
        } else {
            o = put(o, index.single[st.held]);
        }
        st.held = -1;
    }
    while (p < end) {
        unsigned b = *p++;
        switch (index.kinds[b]) {
        case kind::copy:
            *o++ = static_cast<unsigned char>(b);
            st.line += b == '\n';
            break;
        case kind::conv:
            o = put(o, index.single[b]);
            break;
        case kind::key:
            if (p == end) {
                st.held = static_cast<int>(b);
                return o;
            }
            if (*p == nuktabyte) {
                o = put(o, index.joined[b]);
                ++p;
            } else {
                o = put(o, index.single[b]);
            }
            break;
        case kind::ignore:
            ignoring(st, b);
            break;
        case kind::attr:
        case kind::extn:
            unsupported(st, b);
            if (p == end) {
                st.skip = true;
                return o;
            }
            st.line += *p++ == '\n';
            break;
        }
    }
    return o;
}

} // namespace

void start(state& st, std::FILE* in, std::FILE* out, std::FILE* msgs)
{
    codec::open(st.in, in);
    codec::open(st.out, out);
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
        out.len = static_cast<std::size_t>(put(out.buf + out.len, index.single[st.held]) - out.buf);
        st.held = -1;
    }
}

} // namespace pellam
