// ISCII read with the ATR code's switches of script. The input is cut into
// units: a byte; two bytes that make one character (a nukta pair, a virama
// and the joiner it asks for, two dandas); a Gurmukhi consonant, virama and
// the same consonant, written with addak; a code and the byte after it.
// Each unit is written in the block the last ATR code chose. A unit cut by
// a piece's end waits in the decoder's tail for the next piece.
#include "convert.hpp"

#include "atrtables.hpp"

#include <algorithm>
#include <cstring>

namespace pellam {

namespace {

using atr::act;

// One call: the decoder, and where its output began, which the messages
// count their output bytes from.
struct call {
    decoder& d;
    unsigned char* ostart;
};

void drop(const call& c, std::uint64_t offset, const unsigned char* o, unsigned char byte, vocab::drop kind,
          std::uint8_t span)
{
    if (!c.d.report)
        return;
    message m;
    m.offset = offset;
    m.written = c.d.written + static_cast<std::uint64_t>(o - c.ostart);
    m.line = c.d.line;
    m.byte = byte;
    m.kind = kind;
    m.span = span;
    c.d.report(c.d.context, m);
}

unsigned char* put(unsigned char* o, const utf8char& u, std::size_t len)
{
    std::memcpy(o, u.b, sizeof u.b);
    return o + len;
}

unsigned char* put(unsigned char* o, const atr::utf8text& t)
{
    std::memcpy(o, t.b, sizeof t.b);
    return o + t.len;
}

// Converts the unit that starts at p, `offset` in the input, to o. Returns
// the bytes it took, or 0 when what it is depends on bytes past `end` and
// more input is to come (`last` false).
std::size_t unit(const call& c, const unsigned char* p, const unsigned char* end, bool last, std::uint64_t offset,
                 unsigned char*& o)
{
    decoder& d = c.d;
    const atr::blockindex& x = atr::byblock.blocks[d.block];
    const unsigned char b = *p;
    const atr::entry& e = x.bytes[b];
    const auto have = static_cast<std::size_t>(end - p);
    // The byte n places on: -1 past the end of the input; wait(n) when it
    // is still to come.
    auto at = [&](std::size_t n) { return n < have ? int{p[n]} : -1; };
    auto wait = [&](std::size_t n) { return n >= have && !last; };
    bool tippi = false;
    std::size_t took = 1;

    if (e.pair) {
        if (wait(1))
            return 0;
        const atr::pairentry& pe = x.paired[e.pair - 1];
        if (at(1) == atr::pairs[e.pair - 1].second && pe.out.len) {
            o = put(o, pe.out);
            d.tippi = pe.tippi;
            return 2;
        }
    }
    switch (e.a) {
    case act::plain:
    case act::first:
        if (e.len)
            o = put(o, e.out, e.len);
        else
            drop(c, offset, o, b, vocab::drop::ignored, 1);
        tippi = e.tippi;
        break;
    case act::lacking:
        drop(c, offset, o, b, vocab::drop::ignored, 1);
        break;
    case act::newline:
        o = put(o, e.out, 1);
        d.block = 0;
        d.line += b == '\n';
        break;
    case act::atr:
    case act::ext: {
        if (wait(1))
            return 0;
        const vocab::drop kind = e.a == act::atr ? vocab::drop::atr : vocab::drop::ext;
        if (have < 2) { // the last byte of the input
            drop(c, offset, o, b, kind, 1);
            break;
        }
        took = 2;
        const unsigned char code = p[1];
        if (e.a == act::atr) {
            if (std::uint8_t k = atr::byblock.blockofcode[code])
                d.block = static_cast<std::uint8_t>(k - 1);
            else if (code < atr::displayfirst || code > atr::displaylast)
                drop(c, offset, o, b, kind, 2);
        } else {
            const atr::utf8text* t = nullptr;
            for (std::size_t i = 0; i < atr::extended.size(); ++i)
                if (atr::extended[i].iscii == code && x.ext[i].len)
                    t = &x.ext[i];
            if (t)
                o = put(o, *t);
            else
                drop(c, offset, o, b, kind, 2);
        }
        d.line += code == '\n'; // taken as the code: it ends no line of text
        break;
    }
    case act::inv:
        // Before a virama, which it shows alone, the invisible consonant is
        // a space.
        if (wait(1))
            return 0;
        o = at(1) == atr::virama ? put(o, utf8char{{' '}}, 1) : put(o, e.out, e.len);
        break;
    case act::virama:
        if (wait(1))
            return 0;
        o = put(o, e.out, e.len);
        if (at(1) == atr::virama || at(1) == nuktabyte) {
            o = put(o, at(1) == atr::virama ? atr::zwnj : atr::zwj, 3);
            took = 2;
        }
        break;
    case act::danda:
        if (wait(1))
            return 0;
        if (at(1) == atr::danda) {
            o = put(o, x.dandas, 3);
            took = 2;
        } else {
            o = put(o, e.out, e.len);
        }
        break;
    case act::consonant:
        // A consonant, the virama and the same consonant are the consonant
        // doubled: addak before it. Not when the nukta follows the second,
        // which makes it another letter.
        tippi = true;
        if (wait(1) || (at(1) == atr::virama && (wait(2) || (at(2) == b && wait(3)))))
            return 0;
        if (at(1) == atr::virama && at(2) == b && at(3) != nuktabyte) {
            o = put(o, atr::addak, 3);
            took = 3;
        }
        o = put(o, e.out, e.len);
        break;
    case act::nasal:
        o = d.tippi ? put(o, atr::tippi, 3) : put(o, e.out, e.len);
        break;
    case act::nukta: // a consonant with the nukta keeps its inherent vowel
        o = put(o, e.out, e.len);
        tippi = d.tippi;
        break;
    }
    d.tippi = tippi;
    return took;
}

} // namespace

// Plain bytes (those that make their character whatever is around them),
// and those that make a character with the next byte when the next one is
// not such, take a fast loop; the others are units of their own.
unsigned char* convertatr(decoder& d, const unsigned char* p, const unsigned char* end, unsigned char* o)
{
    const call c{d, o};
    if (d.ntail) {
        // The unit cut by the last piece's end, with enough of this piece
        // to settle it: a unit is at most four bytes.
        unsigned char joined[sizeof d.tail + 4];
        const std::size_t n = d.ntail, more = std::min<std::size_t>(4, static_cast<std::size_t>(end - p));
        std::memcpy(joined, d.tail, n);
        std::memcpy(joined + n, p, more);
        std::size_t at = 0;
        while (at < n) {
            std::size_t took = unit(c, joined + at, joined + n + more, false, d.offset + at, o);
            if (!took)
                break;
            at += took;
        }
        if (at < n) { // the piece was too short to settle it
            d.ntail = static_cast<std::uint8_t>(n + more - at);
            std::memmove(d.tail, joined + at, d.ntail);
            d.offset += at;
            d.written += static_cast<std::uint64_t>(o - c.ostart);
            return o;
        }
        d.ntail = 0;
        d.offset += at;
        p += at - n;
    }
    const unsigned char* const start = p;
    while (p < end) {
        const atr::blockindex& x = atr::byblock.blocks[d.block];
        for (; p < end; ++p) {
            const atr::entry& e = x.bytes[*p];
            if (e.a != act::plain && !(e.alone && p + 1 < end && p[1] != e.next[0] && p[1] != e.next[1]))
                break;
            o = put(o, e.out, e.len);
            d.tippi = e.tippi;
        }
        if (p == end)
            break;
        std::size_t took = unit(c, p, end, false, d.offset + static_cast<std::uint64_t>(p - start), o);
        if (!took) {
            d.ntail = static_cast<std::uint8_t>(end - p);
            std::memcpy(d.tail, p, d.ntail);
            break;
        }
        p += took;
    }
    d.offset += static_cast<std::uint64_t>(p - start);
    d.written += static_cast<std::uint64_t>(o - c.ostart);
    return o;
}

unsigned char* endatr(decoder& d, unsigned char* o)
{
    const call c{d, o};
    for (std::size_t at = 0; at < d.ntail;)
        at += unit(c, d.tail + at, d.tail + d.ntail, true, d.offset + at, o);
    d.offset += d.ntail;
    d.ntail = 0;
    d.written += static_cast<std::uint64_t>(o - c.ostart);
    return o;
}

} // namespace pellam
