// The character codec shared by the three converters: byte input handed
// over in pieces, buffered byte output to a sink, and the character reader
// and writer for UTF-8 and for UCS-2/UTF-16 in both byte orders.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "vocabulary.hpp"

namespace codec {

using vocab::lchar;

constexpr lchar endofinput = -1;

// Block size of every read and write. GNU cat measured 128-256 KiB as the
// point past which larger blocks stop paying.
constexpr std::size_t bufsize = std::size_t{1} << 17;

using vocab::sink;
using vocab::writefn;

// Byte input, handed over in pieces: each is put after the bytes not yet
// taken (the carried tail: a character cut by the end of the last piece),
// and the last piece ends the input.
struct bytein {
    std::size_t pos = 0; // the next byte to take
    std::size_t len = 0;
    bool eof = false; // the last piece has come: nothing more will
    unsigned char buf[bufsize];
};

// Buffered byte output to a sink.
struct byteout {
    writefn write = nullptr; // none: the output is dropped
    void* context = nullptr;
    std::size_t len = 0;
    // The bytes at the end that a drain keeps, moved to the front, for the
    // writer to change still; finish writes them.
    std::size_t keep = 0;
    int error = 0; // errno of the write that failed; later bytes are dropped
    unsigned char buf[bufsize];
};

// Fresh buffers: an input with nothing in it yet, an output to the sink.
void open(bytein& in);
void open(byteout& out, const sink& s);

// The room for the next piece: the bytes not yet taken move to the front
// of the buffer, and the piece goes after them.
std::span<unsigned char> room(bytein& in);
// `n` bytes were put in the room; `last`: and the input ends with them.
inline void fed(bytein& in, std::size_t n, bool last)
{
    in.len += n;
    in.eof = last;
}

// Writes out what is buffered; false once any write has failed.
bool drain(byteout& out);
// Drains the buffer and flushes the sink; false once any write has failed.
bool finish(byteout& out);

// The next byte, or -1 when none is there.
inline int getbyte(bytein& in) { return in.pos < in.len ? in.buf[in.pos++] : -1; }

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

// The forms of text on either side, and what each is: its byte-order mark
// (written before UCS-2 output, and detected on input), the bytes of a
// code unit and their order.
using vocab::form;

struct formrow {
    form f;
    unsigned char mark[2];
    int width;
    bool little; // the low byte first
};

inline constexpr formrow forms[] = {
    {form::utf8, {}, 1, false},
    {form::utf16le, {0xFF, 0xFE}, 2, true},
    {form::utf16be, {0xFE, 0xFF}, 2, false},
};

// The row of a form; detect reads as UTF-8 until a mark says otherwise.
constexpr const formrow& rowof(form f) { return forms[f == form::utf16le ? 1 : f == form::utf16be ? 2 : 0]; }

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
