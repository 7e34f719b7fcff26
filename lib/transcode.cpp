// Text between the conversions' UTF-8 and the strings of the bindings:
// code points of one width (Python's str) and UTF-16 (JavaScript's). A
// lone surrogate passes both ways in its three-byte form, so that text
// holding one converts as the rest does and comes back with it.
#include "lipisetu.hpp"

#include <cstring>

namespace lipisetu {

namespace {

// Whether none of the eight bytes at p is past ASCII.
bool ascii8(const unsigned char* p)
{
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    return !(w & 0x8080808080808080u);
}

// The UTF-8 of one code point, a surrogate as itself; the end of what was
// written.
char* pututf8(std::uint32_t c, char* o)
{
    auto b = [](std::uint32_t v) { return static_cast<char>(static_cast<unsigned char>(v)); };
    if (c < 0x80) {
        *o++ = b(c);
    } else if (c < 0x800) {
        *o++ = b(0xC0 | c >> 6);
        *o++ = b(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *o++ = b(0xE0 | c >> 12);
        *o++ = b(0x80 | (c >> 6 & 0x3F));
        *o++ = b(0x80 | (c & 0x3F));
    } else {
        *o++ = b(0xF0 | c >> 18);
        *o++ = b(0x80 | (c >> 12 & 0x3F));
        *o++ = b(0x80 | (c >> 6 & 0x3F));
        *o++ = b(0x80 | (c & 0x3F));
    }
    return o;
}

template <class T> std::size_t encode(const T* p, std::size_t n, char* out)
{
    char* o = out;
    std::size_t i = 0;
    while (i < n) {
        // Runs of ASCII, the bulk of Roman text, a byte each.
        while (i < n && p[i] < 0x80)
            *o++ = static_cast<char>(p[i++]);
        if (i < n)
            o = pututf8(static_cast<std::uint32_t>(p[i++]), o);
    }
    return static_cast<std::size_t>(o - out);
}

// One code point as UTF-16 units, or as itself.
void put(std::uint32_t c, char16_t*& o)
{
    if (c >= 0x10000) {
        c -= 0x10000;
        *o++ = static_cast<char16_t>(0xD800 | c >> 10);
        *o++ = static_cast<char16_t>(0xDC00 | (c & 0x3FF));
    } else {
        *o++ = static_cast<char16_t>(c);
    }
}

void put(std::uint32_t c, std::uint32_t*& o) { *o++ = c; }

// Decodes UTF-8 as browsers do (each maximal ill-formed part one U+FFFD,
// the byte that cuts a sequence short starting anew), but for the three
// bytes of a surrogate, which give that surrogate. Returns the count of
// units written (never more than the bytes) and the largest code point.
template <class T> std::size_t decode(std::string_view s, T* out, std::uint32_t& widest)
{
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const unsigned char* const end = p + s.size();
    T* o = out;
    std::uint32_t wide = 0;
    while (p < end) {
        while (end - p >= 8 && ascii8(p)) {
            for (int i = 0; i < 8; ++i)
                o[i] = p[i];
            p += 8;
            o += 8;
        }
        if (p == end)
            break;
        unsigned b = *p;
        if (b < 0x80) {
            *o++ = static_cast<T>(b);
            ++p;
            continue;
        }
        // A whole character of two or three bytes (Devanagari's, and the
        // Roman letters' marks) at once; a surrogate's three bytes are
        // taken as any other's.
        if (end - p >= 3 && (p[1] & 0xC0) == 0x80) {
            std::uint32_t c = 0;
            int len = 0;
            if (b >= 0xC2 && b <= 0xDF) {
                c = (b & 0x1F) << 6 | (p[1] & 0x3F);
                len = 2;
            } else if ((b & 0xF0) == 0xE0 && (p[2] & 0xC0) == 0x80 && (b != 0xE0 || p[1] >= 0xA0)) {
                c = (b & 0x0F) << 12 | (p[1] & 0x3Fu) << 6 | (p[2] & 0x3F);
                len = 3;
            }
            if (len) {
                wide = c > wide ? c : wide;
                put(c, o);
                p += len;
                continue;
            }
        }
        // Any other: the bytes that follow the lead byte, and the range of
        // the first of them.
        int need;
        unsigned lo = 0x80, hi = 0xBF;
        std::uint32_t c;
        if (b >= 0xC2 && b <= 0xDF) {
            need = 1;
            c = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            need = 2;
            c = b & 0x0F;
            if (b == 0xE0)
                lo = 0xA0;
        } else if (b >= 0xF0 && b <= 0xF4) {
            need = 3;
            c = b & 0x07;
            if (b == 0xF0)
                lo = 0x90;
            else if (b == 0xF4)
                hi = 0x8F;
        } else {
            need = 0;
            c = 0;
        }
        const unsigned char* q = p + 1;
        bool whole = need > 0;
        for (int i = 0; i < need; ++i, ++q) {
            if (q == end || *q < lo || *q > hi) {
                whole = false;
                break;
            }
            c = c << 6 | (*q & 0x3Fu);
            lo = 0x80;
            hi = 0xBF;
        }
        p = q;
        if (!whole)
            c = 0xFFFD;
        wide = c > wide ? c : wide;
        put(c, o);
    }
    widest = wide;
    return static_cast<std::size_t>(o - out);
}

} // namespace

std::size_t encodeutf8(const std::uint8_t* p, std::size_t n, char* out) { return encode(p, n, out); }
std::size_t encodeutf8(const std::uint16_t* p, std::size_t n, char* out) { return encode(p, n, out); }
std::size_t encodeutf8(const std::uint32_t* p, std::size_t n, char* out) { return encode(p, n, out); }

std::size_t decodeutf8(std::string_view s, std::uint32_t* out, std::uint32_t& widest)
{
    return decode(s, out, widest);
}

std::size_t decodeutf8(std::string_view s, char16_t* out)
{
    std::uint32_t widest;
    return decode(s, out, widest);
}

} // namespace lipisetu
