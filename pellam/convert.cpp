#include "convert.hpp"

#include "tables.hpp"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <new>

namespace pellam {

namespace {

// Input is taken a quarter of the output buffer at a time, so that the
// converted block (at most three bytes a byte, plus one of padding for the
// four-byte moves) always fits without a bounds check per byte.
constexpr std::size_t step = codec::bufsize / 4;
// With the ATR code read, a byte may write up to five.
constexpr std::size_t atrstep = (codec::bufsize - atrroom(0)) / 5;
static_assert(atrroom(atrstep) <= codec::bufsize);

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

void report(const decoder& d, const message& m)
{
    if (d.report)
        d.report(d.context, m);
}

} // namespace

int format(const message& m, char* buf, std::size_t size)
{
    if (m.kind == drop::ignored)
        return std::snprintf(buf, size, "Ignoring character 0x%x at line %ld\n", unsigned{m.byte}, m.line);
    return std::snprintf(buf, size, "Use of %s not supported at line %ld\n", m.kind == drop::atr ? "ATR" : "EXT",
                         m.line);
}

void startdecoder(decoder& d, reportfn report, void* context, long line, bool atr)
{
    d = decoder{};
    d.line = line;
    d.report = report;
    d.context = context;
    d.atr = atr;
}

// Plain bytes and keys are written at once. A nukta byte after a key that
// was written by itself takes back the key's three bytes and writes the
// joined character instead. A key at the very end of the piece is held
// back for the next piece, and the byte after an ATR or EXT at the very end
// is dropped there; its message waits until then, to tell whether a byte
// was dropped with it. Line feeds are counted only when a message needs the
// line number and at the end of the piece.
unsigned char* convert(decoder& d, const unsigned char* p, const unsigned char* end, unsigned char* o)
{
    const unsigned char* const start = p;
    unsigned char* const ostart = o;
    const unsigned char* counted = p;       // line feeds before this are in d.line
    const unsigned char* dropped = nullptr; // the last byte dropped after ATR or EXT
    auto lineat = [&](const unsigned char* at) {
        d.line += linefeeds(counted, at);
        counted = at;
        return d.line;
    };
    auto found = [&](const unsigned char* at, unsigned char* out, drop k) {
        message m;
        m.offset = d.offset + static_cast<std::uint64_t>(at - start);
        m.written = d.written + static_cast<std::uint64_t>(out - ostart);
        m.line = lineat(at);
        m.byte = *at;
        m.kind = k;
        m.span = k == drop::ignored ? 1 : 2;
        return m;
    };
    auto droppedafter = [&](const unsigned char* at) {
        dropped = at;
        d.deferred = false;
        report(d, d.pending);
    };

    if (d.deferred && p < end)
        droppedafter(p++);
    if (d.held >= 0 && p < end) {
        bool joins = *p == nuktabyte;
        o = put(o, joins ? index.joined[d.held] : index.bytes[d.held].out);
        p += joins;
        d.held = -1;
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
            report(d, found(p, o, drop::ignored));
            ++p;
            break;
        case kind::atr:
        case kind::ext:
            d.pending = found(p, o, b == atrbyte ? drop::atr : drop::ext);
            d.deferred = true;
            if (p + 1 < last) {
                droppedafter(p + 1);
                p += 2;
            } else {
                ++p; // the byte after it is in the next piece, or is the held key
            }
            break;
        default:
            break; // plain bytes and keys never stop the fast loop
        }
    }
    if (last < end) {
        if (d.deferred)
            droppedafter(last); // the key is the byte after an ATR or EXT
        else
            d.held = *last;
    }
    lineat(end);
    d.offset += static_cast<std::uint64_t>(end - start);
    d.written += static_cast<std::uint64_t>(o - ostart);
    return o;
}

unsigned char* endinput(decoder& d, unsigned char* o)
{
    if (d.deferred) {
        d.deferred = false;
        d.pending.span = 1;
        report(d, d.pending);
    }
    // A key at the very end of the input stands alone.
    if (d.held >= 0) {
        o = put(o, index.bytes[d.held].out);
        d.held = -1;
        d.written += 3;
    }
    return o;
}

state* newstate() { return new (std::nothrow) state; }
void freestate(state* st) { delete st; }

bool start(state& st, const options& opt, vocab::sink out)
{
    codec::open(st.in);
    codec::open(st.out, out);
    startdecoder(st.dec, opt.report, opt.context, opt.line, opt.atr);
    st.flushed = false;
    return true;
}

std::span<unsigned char> room(state& st) { return codec::room(st.in); }

namespace {

// With the ATR code read: the same, through the converter of the nine
// scripts, whose output may be longer. Kept out of fed(), so that the
// Devanagari path stays as it was compiled and placed: inlined, it moved
// the hot loop's branch across a 32-byte boundary, which cost it a tenth
// of its speed.
[[gnu::noinline]] void fedatr(state& st, bool last)
{
    codec::byteout& out = st.out;
    const unsigned char* p = st.in.buf + st.in.pos;
    const unsigned char* end = st.in.buf + st.in.len;
    while (p < end && !out.error) {
        std::size_t k = std::min(static_cast<std::size_t>(end - p), atrstep);
        if (codec::bufsize - out.len < atrroom(k))
            codec::drain(out);
        out.len = static_cast<std::size_t>(convertatr(st.dec, p, p + k, out.buf + out.len) - out.buf);
        p += k;
    }
    st.in.pos = st.in.len;
    if (last && !st.flushed) {
        if (codec::bufsize - out.len < atrroom(0))
            codec::drain(out);
        out.len = static_cast<std::size_t>(endatr(st.dec, out.buf + out.len) - out.buf);
        codec::finish(out);
        st.flushed = true;
    }
}

} // namespace

void fed(state& st, std::size_t n, bool last)
{
    codec::fed(st.in, n, last);
    if (st.dec.atr) {
        fedatr(st, last);
        return;
    }
    codec::byteout& out = st.out;
    const unsigned char* p = st.in.buf + st.in.pos;
    const unsigned char* end = st.in.buf + st.in.len;
    while (p < end && !out.error) {
        std::size_t k = static_cast<std::size_t>(end - p);
        if (k > step)
            k = step;
        if (codec::bufsize - out.len < 3 * k + 4)
            codec::drain(out);
        out.len = static_cast<std::size_t>(convert(st.dec, p, p + k, out.buf + out.len) - out.buf);
        p += k;
    }
    st.in.pos = st.in.len;
    if (last && !st.flushed) {
        if (codec::bufsize - out.len < 4)
            codec::drain(out);
        out.len = static_cast<std::size_t>(endinput(st.dec, out.buf + out.len) - out.buf);
        codec::finish(out);
        st.flushed = true;
    }
    if (st.dec.held >= 0)
        st.kept = static_cast<unsigned char>(st.dec.held);
    else if (st.dec.deferred)
        st.kept = st.dec.pending.byte;
}

void flush(state& st) { codec::drain(st.out); }

vocab::outcome outcome(const state& st) { return {st.out.error, false}; }

std::string_view kept(const state& st)
{
    if (st.dec.atr)
        return {reinterpret_cast<const char*>(st.dec.tail), st.dec.ntail};
    bool any = st.dec.held >= 0 || st.dec.deferred;
    return {reinterpret_cast<const char*>(&st.kept), any ? std::size_t{1} : 0};
}

long line(const state& st) { return st.dec.line; }

} // namespace pellam
