#include "codec.hpp"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace codec {

std::ptrdiff_t readfd(void* fd, unsigned char* buf, std::size_t size)
{
    for (;;) {
        ssize_t n = ::read(static_cast<int>(reinterpret_cast<std::intptr_t>(fd)), buf, size);
        if (n >= 0 || errno != EINTR)
            return n;
    }
}

std::ptrdiff_t writefd(void* fd, const unsigned char* buf, std::size_t size)
{
    if (size == 0)
        return 0;
    for (;;) {
        ssize_t n = ::write(static_cast<int>(reinterpret_cast<std::intptr_t>(fd)), buf, size);
        if (n > 0 || (n < 0 && errno != EINTR))
            return n;
        if (n == 0) {
            errno = EIO;
            return -1;
        }
    }
}

std::ptrdiff_t readfile(void* file, unsigned char* buf, std::size_t size)
{
    return readfd(fdcontext(fileno(static_cast<std::FILE*>(file))), buf, size);
}

std::ptrdiff_t writefile(void* file, const unsigned char* buf, std::size_t size)
{
    auto* f = static_cast<std::FILE*>(file);
    // What the caller wrote through the stream goes out first.
    if (std::fflush(f) != 0) {
        if (!errno)
            errno = EIO;
        return -1;
    }
    return writefd(fdcontext(fileno(f)), buf, size);
}

std::ptrdiff_t readstream(void* file, unsigned char* buf, std::size_t size)
{
    auto* f = static_cast<std::FILE*>(file);
    std::size_t n = std::fread(buf, 1, size, f);
    if (n > 0 || !std::ferror(f))
        return static_cast<std::ptrdiff_t>(n);
    if (!errno)
        errno = EIO;
    return -1;
}

std::ptrdiff_t writestream(void* file, const unsigned char* buf, std::size_t size)
{
    auto* f = static_cast<std::FILE*>(file);
    if (size == 0 ? std::fflush(f) == 0 : std::fwrite(buf, 1, size, f) == size)
        return static_cast<std::ptrdiff_t>(size);
    if (!errno)
        errno = EIO;
    return -1;
}

void open(bytein& in, readfn read, void* context, std::size_t chunk)
{
    in.read = read;
    in.context = context;
    in.chunk = chunk == 0 || chunk > bufsize ? bufsize : chunk;
    in.shortread = true;
    in.pos = in.len = 0;
    in.error = 0;
    in.eof = false;
    in.more = false;
}

void open(byteout& out, writefn write, void* context)
{
    out.write = write;
    out.context = context;
    out.len = 0;
    out.error = 0;
}

readfn readerof(std::FILE* f) { return !f ? nullptr : fileno(f) >= 0 ? readfile : readstream; }
writefn writerof(std::FILE* f) { return !f ? nullptr : fileno(f) >= 0 ? writefile : writestream; }


namespace {

// Moves the bytes not yet taken to the front; their count.
std::size_t carry(bytein& in)
{
    std::size_t keep = in.len - in.pos;
    if (keep > 0 && in.pos > 0)
        std::memmove(in.buf, in.buf + in.pos, keep);
    in.pos = 0;
    in.len = keep;
    return keep;
}

} // namespace

std::size_t take(bytein& in, const unsigned char* p, std::size_t n)
{
    std::size_t keep = carry(in);
    std::size_t k = n < bufsize - keep ? n : bufsize - keep;
    if (k > 0)
        std::memcpy(in.buf + keep, p, k);
    in.len += k;
    return k;
}

bool refill(bytein& in)
{
    if (in.eof)
        return false;
    if (in.drainfirst && in.shortread)
        drain(*in.drainfirst);
    std::size_t keep = carry(in);
    std::size_t want = bufsize - keep < in.chunk ? bufsize - keep : in.chunk;
    errno = 0;
    std::ptrdiff_t n = in.read ? in.read(in.context, in.buf + keep, want) : 0;
    if (n > 0) {
        // A source may say it gave more than it was asked for; it is not
        // believed.
        std::size_t got = static_cast<std::size_t>(n) < want ? static_cast<std::size_t>(n) : want;
        in.shortread = got < want;
        in.len += got;
        return true;
    }
    if (n < 0)
        in.error = errno ? errno : EIO;
    in.eof = true;
    return false;
}

bool ensure(bytein& in, std::size_t n)
{
    while (in.len - in.pos < n)
        if (!refill(in))
            return false;
    return true;
}

bool drain(byteout& out)
{
    std::size_t n = out.len;
    out.len = 0;
    if (out.error)
        return false;
    const unsigned char* p = out.buf;
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
    return true;
}

bool finish(byteout& out)
{
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
