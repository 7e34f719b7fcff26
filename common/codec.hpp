// The character codec shared by the three converters: buffered byte input
// and output over any stdio stream, and the character reader and writer for
// UTF-8 and for UCS-2/UTF-16 in both byte orders.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "lipisetu.hpp"

namespace codec {

// A character code: a Unicode code point, or -1 at the end of the input.
using lchar = std::int32_t;

constexpr lchar endofinput = -1;

// Block size of every read and write. GNU cat measured 128-256 KiB as the
// point past which larger blocks stop paying.
constexpr std::size_t bufsize = std::size_t{1} << 17;

struct byteout;

// Where the bytes come from and where they go: a function and the context
// it is handed, called only to fill or to empty a whole buffer.
//
// A read fills at most `size` bytes at `buf` and returns their count, 0 at
// the end of the input, or -1 with errno set. A write takes `size` bytes at
// `buf` and returns how many it took (at least one; the rest is offered
// again), or -1 with errno set; once the output is complete it is called
// with `size` 0, to flush whatever it keeps.
using readfn = std::ptrdiff_t (*)(void* context, unsigned char* buf, std::size_t size);
using writefn = std::ptrdiff_t (*)(void* context, const unsigned char* buf, std::size_t size);

// The reads and writes of a stdio stream: straight on its file descriptor
// when it has one (so a pipe's short reads are taken as they come, and the
// stream's own buffer is flushed before each write), and through fread and
// fwrite otherwise (fmemopen and the like). The context is the FILE*.
std::ptrdiff_t readfile(void* file, unsigned char* buf, std::size_t size);
std::ptrdiff_t writefile(void* file, const unsigned char* buf, std::size_t size);
std::ptrdiff_t readstream(void* file, unsigned char* buf, std::size_t size);
std::ptrdiff_t writestream(void* file, const unsigned char* buf, std::size_t size);
// The same on a bare file descriptor, its number cast to the context.
std::ptrdiff_t readfd(void* fd, unsigned char* buf, std::size_t size);
std::ptrdiff_t writefd(void* fd, const unsigned char* buf, std::size_t size);

inline void* fdcontext(int fd) { return reinterpret_cast<void*>(static_cast<std::intptr_t>(fd)); }

// Buffered byte input.
struct bytein {
    readfn read = nullptr; // none: the input is empty
    void* context = nullptr;
    // Drained before a read that follows a short one: when the writer at the
    // other end of a pipe or terminal pauses, what is converted so far goes
    // out instead of waiting for a full buffer.
    byteout* drainfirst = nullptr;
    std::size_t chunk = bufsize; // the most asked of one read; tests shrink it
    bool shortread = true;       // the last read gave less than was asked
    std::size_t pos = 0;         // the next byte to take
    std::size_t len = 0;
    int error = 0;   // errno of the read that failed, 0 while none has
    bool eof = false; // end of input or a read error: nothing more is read
    // The caller hands the input over in pieces (see take) and more may
    // come: a converter stops before it would have to read, and goes on
    // when the next piece, or the end, is handed over (which clears this
    // and sets eof).
    bool more = false;
    unsigned char buf[bufsize];
};

// Buffered byte output, the same way round.
struct byteout {
    writefn write = nullptr; // none: the output is dropped
    void* context = nullptr;
    std::size_t len = 0;
    int error = 0; // errno of the write that failed; later bytes are dropped
    unsigned char buf[bufsize];
};

// The read or write function for a stdio stream (see readfile); none for
// no stream.
readfn readerof(std::FILE* f);
writefn writerof(std::FILE* f);


// Where a conversion's bytes come from and where they go, as every engine
// starts from them: a read or write function and its context. A source
// also says the most bytes one read is asked for (0: a whole buffer), so
// that tests make small reads the same way for every engine.
struct source {
    readfn read = nullptr;
    void* context = nullptr;
    std::size_t most = 0;
};
struct sink {
    writefn write = nullptr;
    void* context = nullptr;
};
inline source sourceof(const lipisetu::source& s) { return {s.read, s.context, 0}; }
inline sink sinkof(const lipisetu::sink& s) { return {s.write, s.context}; }

// Fresh buffers over a source or sink, or a read or write function and
// its context.
inline void open(bytein& in, const source& s);
inline void open(byteout& out, const sink& s);
void open(bytein& in, readfn read, void* context, std::size_t chunk = bufsize);
void open(byteout& out, writefn write, void* context);

inline void open(bytein& in, const source& s) { open(in, s.read, s.context, s.most); }
inline void open(byteout& out, const sink& s) { open(out, s.write, s.context); }

// Reads more input after the bytes not yet taken, which move to the front
// of the buffer (the carried tail: a character cut by the end of the last
// read); false at the end of input or after an error.
bool refill(bytein& in);
// Input handed over by the caller: the bytes not yet taken move to the
// front, and as many of the n at p as fit are put after them; the count
// put there.
std::size_t take(bytein& in, const unsigned char* p, std::size_t n);

// Reads until at least n bytes are there to take, or the input ends;
// whether they are there.
bool ensure(bytein& in, std::size_t n);
// Writes out what is buffered; false once any write has failed.
bool drain(byteout& out);
// Drains the buffer and flushes the sink; false once any write has failed.
bool finish(byteout& out);

inline int getbyte(bytein& in)
{
    if (in.pos == in.len && !refill(in))
        return -1;
    return in.buf[in.pos++];
}

inline void putbyte(byteout& out, unsigned char b)
{
    if (out.len == bufsize)
        drain(out);
    out.buf[out.len++] = b;
}

void putbytes(byteout& out, const unsigned char* p, std::size_t n);

// A short run of output bytes kept ready to write: a character or two in
// whichever output form, padded so that a write is one fixed-size move.
struct shortbytes {
    unsigned char b[16] = {};
    std::uint8_t n = 0;
};

inline void putshort(byteout& out, const shortbytes& s)
{
    if (bufsize - out.len < sizeof s.b)
        drain(out);
    std::memcpy(out.buf + out.len, s.b, sizeof s.b);
    out.len += s.n;
}

// The forms of text on either side, and the table of their facts.
using lipisetu::form;
using lipisetu::formrow;
using lipisetu::forms;
using lipisetu::rowof;

// The character reader: the input form, which kavrel's block decoder
// follows; getuch reads UTF-8.
struct input {
    bytein bytes;
    form f = form::utf8;
};

// The character writer: the output form.
struct output {
    byteout bytes;
    form f = form::utf8;
};

// Bytes after a UTF-8 first byte of 0x80 or above: 110xxxxx starts two
// bytes and 11110xxx four; every other byte, the continuation bytes and
// 0xF8 to 0xFF included, starts three.
constexpr int utf8tail(int b1) { return (b1 & 0xE0) == 0xC0 ? 1 : b1 >= 0xF0 && b1 <= 0xF7 ? 3 : 2; }

// A UCS-2 code unit from its two bytes in input order.
constexpr lchar ucs2unit(bool little, int b1, int b2) { return little ? b1 | (b2 << 8) : (b1 << 8) | b2; }

// The code of a UTF-8 sequence from its first byte b1 (0x80 or above) and
// the utf8tail(b1) bytes t after it. A three-byte result keeps sixteen
// bits; continuation bytes are not checked.
constexpr lchar utf8value(int b1, const unsigned char* t)
{
    switch (utf8tail(b1)) {
    case 1:
        return ((b1 << 6) & 0x7C0) | (t[0] & 0x3F);
    case 3:
        return ((b1 & 0x07) << 18) | ((t[0] & 0x3F) << 12) | ((t[1] & 0x3F) << 6) | (t[2] & 0x3F);
    default:
        return ((b1 << 12) & 0xFFFF) | ((t[0] << 6) & 0xFC0) | (t[1] & 0x3F);
    }
}

lchar getutf8tail(bytein& in, int b1);

// The next character of UTF-8 input, or -1 at its end. A sequence cut by
// the end of the input gives -1, never part of a character.
inline lchar getuch(input& in)
{
    int b1 = getbyte(in.bytes);
    if (b1 < 0x80)
        return b1;
    return getutf8tail(in.bytes, b1);
}

// UTF-8 bytes of one code point; at most four, the count is returned.
constexpr int utf8encode(lchar c, unsigned char* p)
{
    if (c > 0xFFFF) {
        p[0] = static_cast<unsigned char>(0xF0 | ((c >> 18) & 0x07));
        p[1] = static_cast<unsigned char>(0x80 | ((c >> 12) & 0x3F));
        p[2] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
        p[3] = static_cast<unsigned char>(0x80 | (c & 0x3F));
        return 4;
    }
    if (c > 0x7FF) {
        p[0] = static_cast<unsigned char>(0xE0 | ((c >> 12) & 0x0F));
        p[1] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
        p[2] = static_cast<unsigned char>(0x80 | (c & 0x3F));
        return 3;
    }
    if (c > 0x7F) {
        p[0] = static_cast<unsigned char>(0xC0 | (c >> 6));
        p[1] = static_cast<unsigned char>(0x80 | (c & 0x3F));
        return 2;
    }
    p[0] = static_cast<unsigned char>(c & 0xFF);
    return 1;
}

void putucs2(output& out, lchar c);

// Adds one character's bytes in form `f` to `s`; false when they do not
// fit.
bool append(shortbytes& s, form f, lchar c);

// Writes one character in the output form.
inline void putuch(output& out, lchar c)
{
    if (out.f == form::utf16le || out.f == form::utf16be) {
        putucs2(out, c);
        return;
    }
    if (c >= 0 && c < 0x80) {
        putbyte(out.bytes, static_cast<unsigned char>(c));
        return;
    }
    unsigned char b[4];
    putbytes(out.bytes, b, static_cast<std::size_t>(utf8encode(c, b)));
}

} // namespace codec
