#include "codec.hpp"

#include <cerrno>
#include <cstring>

namespace codec {

void open(bytein& in)
{
    in.pos = in.len = 0;
    in.eof = false;
}

void open(byteout& out, const sink& s)
{
    out.write = s.write;
    out.context = s.context;
    out.len = 0;
    out.keep = 0;
    out.error = 0;
}

std::span<unsigned char> room(bytein& in)
{
    std::size_t keep = in.len - in.pos;
    if (keep > 0 && in.pos > 0)
        std::memmove(in.buf, in.buf + in.pos, keep);
    in.pos = 0;
    in.len = keep;
    return {in.buf + keep, bufsize - keep};
}

bool drain(byteout& out)
{
    // The last `keep` bytes stay, moved to the front, for the writer to
    // change (sonwick's accent on the vowel before).
    std::size_t keep = out.len < out.keep ? out.len : out.keep;
    std::size_t n = out.len - keep;
    out.len = keep;
    if (out.error) {
        out.len = 0;
        return false;
    }
    const unsigned char* p = out.buf;
    const std::size_t written = n;
    while (n > 0 && out.write) {
        errno = 0;
        std::ptrdiff_t w = out.write(out.context, p, n);
        if (w <= 0) {
            out.error = w < 0 && errno ? errno : EIO;
            return false;
        }
        std::size_t took = static_cast<std::size_t>(w) < n ? static_cast<std::size_t>(w) : n;
        p += took;
        n -= took;
    }
    if (keep > 0)
        std::memmove(out.buf, out.buf + written, keep);
    return true;
}

bool finish(byteout& out)
{
    out.keep = 0;
    if (!drain(out))
        return false;
    errno = 0;
    if (out.write && out.write(out.context, out.buf, 0) < 0) {
        out.error = errno ? errno : EIO;
        return false;
    }
    return true;
}

void putbytes(byteout& out, const unsigned char* p, std::size_t n)
{
    if (bufsize - out.len < n)
        drain(out);
    if (n > bufsize) {
        // Larger than a whole buffer: never happens for characters, but
        // keep the writer sound for any caller.
        while (n > 0) {
            std::size_t k = n < bufsize ? n : bufsize;
            std::memcpy(out.buf, p, k);
            out.len = k;
            drain(out);
            p += k;
            n -= k;
        }
        return;
    }
    std::memcpy(out.buf + out.len, p, n);
    out.len += n;
}

// The rest of a UTF-8 sequence whose first byte b1 is 0x80 or above.
lchar getutf8tail(bytein& in, int b1)
{
    int count = utf8tail(b1);
    unsigned char t[3];
    for (int i = 0; i < count; ++i) {
        int b = getbyte(in);
        if (b < 0)
            return endofinput;
        t[i] = static_cast<unsigned char>(b);
    }
    return utf8value(b1, t);
}

// UCS-2 bytes of one character: a character above U+FFFF becomes its
// surrogate pair. Codes past U+10FFFF (only malformed UTF-8 makes them) have
// no UTF-16 form and become U+FFFD. Returns the count, 2 or 4.
static int ucs2encode(lchar c, bool little, unsigned char* p)
{
    auto unit = [little](lchar u, unsigned char* q) {
        unsigned char lo = static_cast<unsigned char>(u & 0xFF);
        unsigned char hi = static_cast<unsigned char>((u >> 8) & 0xFF);
        q[0] = little ? lo : hi;
        q[1] = little ? hi : lo;
    };
    if (c > 0x10FFFF)
        c = 0xFFFD;
    if (c > 0xFFFF) {
        c -= 0x10000;
        unit(0xD800 | (c >> 10), p);
        unit(0xDC00 | (c & 0x3FF), p + 2);
        return 4;
    }
    unit(c, p);
    return 2;
}

void putucs2(output& out, lchar c)
{
    unsigned char b[4];
    putbytes(out.bytes, b, static_cast<std::size_t>(ucs2encode(c, rowof(out.f).little, b)));
}

bool append(shortbytes& s, form f, lchar c)
{
    if (s.n + 4u > sizeof s.b)
        return false;
    if (rowof(f).width == 2)
        s.n = static_cast<std::uint8_t>(s.n + ucs2encode(c, rowof(f).little, s.b + s.n));
    else
        s.n = static_cast<std::uint8_t>(s.n + utf8encode(c, s.b + s.n));
    return true;
}

} // namespace codec
