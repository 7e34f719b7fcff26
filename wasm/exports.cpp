// The WebAssembly module's entry points: the library's conversions as plain
// C calls on bytes in the module's memory, for the JavaScript loader
// (lipisetu.js) to call. Only the public header is used.
//
// Two ways in:
// - One-shot: the loader writes the input into the area lipisetu_input
//   gives, calls lipisetu_todevanagari or lipisetu_toroman with its size,
//   and reads the returned count of bytes at lipisetu_result(). Nothing is
//   allocated once the areas are large enough, so a word costs its bytes.
// - Streams: lipisetu_open makes a conversion that takes its input in
//   pieces. For each piece the loader writes it into the area
//   lipisetu_piece gives and calls lipisetu_push, which returns the count
//   of output bytes at lipisetu_output (and, for ISCII, fills the message
//   list); the last push ends the input. lipisetu_close frees it.
// - Strings: lipisetu_utf16 turns UTF-8 in the module's memory (a result,
//   an output) into UTF-16 code units at lipisetu_units, which the loader
//   makes a string of in one step; lipisetu_ascii tells a result that is
//   ASCII alone, which it makes a string of from the bytes themselves.
// - Names: lipisetu_schemes and lipisetu_scripts write the library's
//   scheme and script names, in the order of their numbers, at
//   lipisetu_result(), for the loader's lists.
// - Detection: lipisetu_detect tells what the text in the input area is
//   written in, and lipisetu_detectscore how sure it is.
//
// Any call may grow the memory, which detaches the loader's views of it.
#include "lipisetu.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace {

// Kinds of stream.
constexpr unsigned romankind = 0, devanagarikind = 1, isciikind = 2;

// Option bits of a Roman conversion: -s, -n, then the input form (two
// bits: detect, UTF-8, UTF-16LE, UTF-16BE), the output form, --nfc, and
// the number of the script written (--script) in four bits from bit 7;
// of an ISCII one: --atr.
constexpr unsigned sanskritbit = 1, numeralsbit = 2, nfcbit = 64;
constexpr unsigned scriptshift = 7, scriptbits = 15u << scriptshift;
constexpr unsigned atrbit = 1;

lipisetu::form formof(unsigned two)
{
    constexpr lipisetu::form forms[] = {lipisetu::form::detect, lipisetu::form::utf8, lipisetu::form::utf16le,
                                        lipisetu::form::utf16be};
    return forms[two & 3];
}

bool schemeof(unsigned k, lipisetu::scheme& s)
{
    s = static_cast<lipisetu::scheme>(k);
    return k < 256 && !lipisetu::nameof(s).empty();
}

bool scriptof(unsigned k, lipisetu::script& s)
{
    s = static_cast<lipisetu::script>(k);
    return k < 256 && !lipisetu::nameof(s).empty();
}

// kavrel's options from the option bits and the scheme; false when the
// script bits name no script.
bool optionsof(unsigned flags, lipisetu::scheme s, lipisetu::romanoptions& o)
{
    o.sanskrit = flags & sanskritbit;
    o.numerals = flags & numeralsbit;
    o.nfc = flags & nfcbit;
    o.input = formof(flags >> 2);
    o.output = formof(flags >> 4);
    o.scheme = s;
    return scriptof((flags & scriptbits) >> scriptshift, o.script);
}

// The names of the enumeration's values, numbered from 0, separated by
// spaces, at lipisetu_result(); their count of bytes.
template <class E> std::size_t writenames(std::string& out)
{
    out.clear();
    for (unsigned k = 0; k < 256; ++k) {
        std::string_view name = lipisetu::nameof(static_cast<E>(k));
        if (name.empty())
            break;
        if (k > 0)
            out += ' ';
        out += name;
    }
    return out.size();
}

// A growing area of memory; null when there is no memory for `size`.
unsigned char* room(std::string& area, std::size_t size)
{
    if (area.size() < size) {
        area.clear();
        area.shrink_to_fit();
        area.resize(size);
    }
    return reinterpret_cast<unsigned char*>(area.data());
}

// The one-shot calls' input and result.
std::string input, result;

// The UTF-16 code units of the last lipisetu_utf16.
std::u16string units;

// The score of the last lipisetu_detect.
double detectscore = 0;

// Whether none of the eight bytes at `p` is past ASCII.
bool ascii8(const unsigned char* p)
{
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    return !(w & 0x8080808080808080u);
}

// One message of the ISCII list, as the loader reads it: six 32-bit words.
struct messagewords {
    std::uint32_t offsetlow, offsethigh, line, byte, kind, span;
};

} // namespace

// A conversion taking its input in pieces.
struct stream {
    lipisetu::romandecoder roman;
    lipisetu::devanagaridecoder devanagari;
    lipisetu::isciidecoder iscii;
    std::string piece, out;
    std::vector<lipisetu::isciimessage> messages;
    std::vector<messagewords> words;
};

extern "C" {

// Room for the next one-shot input of `size` bytes; null when there is no
// memory for it.
unsigned char* lipisetu_input(std::size_t size) { return room(input, size); }

const unsigned char* lipisetu_result(void) { return reinterpret_cast<const unsigned char*>(result.data()); }

// Roman (UTF-8) to Devanagari (UTF-8), or to the script of the script
// bits, with the option bits (-s, -n, --nfc) in the scheme; the count of
// bytes at lipisetu_result().
std::size_t lipisetu_todevanagari(std::size_t size, unsigned flags, unsigned scheme)
{
    result.clear();
    lipisetu::scheme s;
    lipisetu::romanoptions o;
    if (size > input.size() || !schemeof(scheme, s) ||
        !optionsof(flags & (sanskritbit | numeralsbit | nfcbit | scriptbits), s, o))
        return 0;
    lipisetu::todevanagari(std::string_view(input.data(), size), result, o);
    return result.size();
}

// Devanagari (UTF-8) to Roman in the scheme.
std::size_t lipisetu_toroman(std::size_t size, unsigned scheme)
{
    result.clear();
    lipisetu::scheme s;
    if (size > input.size() || !schemeof(scheme, s))
        return 0;
    lipisetu::toroman(std::string_view(input.data(), size), result, s);
    return result.size();
}

// The names of the schemes, numbered from 0, separated by spaces; the count
// of bytes at lipisetu_result().
std::size_t lipisetu_schemes(void) { return writenames<lipisetu::scheme>(result); }

// The names of the scripts, the same way.
std::size_t lipisetu_scripts(void) { return writenames<lipisetu::script>(result); }

// What the first `size` bytes of the input area (UTF-8) are written in: 0
// nothing that fits, 1 Devanagari, 2 + k the scheme numbered k. Only the
// first lipisetu_detectblock() bytes are read.
unsigned lipisetu_detect(std::size_t size)
{
    lipisetu::detection d = lipisetu::detect(std::string_view(input.data(), std::min(size, input.size())),
                                             lipisetu::form::utf8);
    detectscore = d.score;
    if (d.found == lipisetu::writing::roman)
        return 2 + static_cast<unsigned>(d.scheme);
    return d.found == lipisetu::writing::devanagari ? 1 : 0;
}

double lipisetu_detectscore(void) { return detectscore; }

std::size_t lipisetu_detectblock(void) { return lipisetu::detectblock; }

// A stream of the kind, with the option bits and scheme of a Roman one (the
// scheme of a Devanagari one); null when there is no memory or no such
// kind, scheme or script.
stream* lipisetu_open(unsigned kind, unsigned flags, unsigned scheme)
{
    lipisetu::scheme s;
    lipisetu::romanoptions o;
    if (kind > isciikind || !schemeof(scheme, s) || (kind == romankind && !optionsof(flags, s, o)))
        return nullptr;
    auto* st = new (std::nothrow) stream;
    if (!st)
        return nullptr;
    if (kind == romankind)
        st->roman = lipisetu::newromandecoder(o);
    else if (kind == devanagarikind)
        st->devanagari = lipisetu::newdevanagaridecoder(s);
    else
        st->iscii = lipisetu::newisciidecoder({.atr = (flags & atrbit) != 0});
    if (!st->roman && !st->devanagari && !st->iscii) {
        delete st;
        return nullptr;
    }
    return st;
}

// Room for the stream's next piece of `size` bytes.
unsigned char* lipisetu_piece(stream* st, std::size_t size) { return room(st->piece, size); }

// Converts the first `size` bytes of the piece (`last`: and ends the
// input); the count of output bytes at lipisetu_output().
std::size_t lipisetu_push(stream* st, std::size_t size, int last)
{
    st->out.clear();
    st->messages.clear();
    st->words.clear();
    if (size > st->piece.size())
        size = 0;
    std::string_view piece(st->piece.data(), size);
    if (st->roman)
        lipisetu::decode(*st->roman, piece, last != 0, st->out);
    else if (st->devanagari)
        lipisetu::decode(*st->devanagari, piece, last != 0, st->out);
    else
        lipisetu::decode(*st->iscii, piece, last != 0, st->out, st->messages);
    for (const lipisetu::isciimessage& m : st->messages)
        st->words.push_back({static_cast<std::uint32_t>(m.offset), static_cast<std::uint32_t>(m.offset >> 32),
                             static_cast<std::uint32_t>(m.line), m.byte, static_cast<std::uint32_t>(m.kind), m.span});
    return st->out.size();
}

const unsigned char* lipisetu_output(const stream* st) { return reinterpret_cast<const unsigned char*>(st->out.data()); }

// The ISCII messages of the last push: lipisetu_messagecount() records of
// six 32-bit words (the offset's low and high words, the line, the byte,
// the kind: 0 ignored, 1 ATR, 2 EXT; the span).
std::size_t lipisetu_messagecount(const stream* st) { return st->words.size(); }
const std::uint32_t* lipisetu_messages(const stream* st)
{
    return reinterpret_cast<const std::uint32_t*>(st->words.data());
}

void lipisetu_close(stream* st) { delete st; }

// The `size` bytes of UTF-8 at `p` as UTF-16 code units at lipisetu_units(),
// decoded as TextDecoder decodes UTF-8 but for a surrogate's three bytes,
// which give that surrogate (lipisetu::decodeutf8); their count.
std::size_t lipisetu_utf16(const unsigned char* p, std::size_t size)
{
    if (units.size() < size) {
        units.clear();
        units.shrink_to_fit();
        units.resize(size);
    }
    return lipisetu::decodeutf8(std::string_view(reinterpret_cast<const char*>(p), size), units.data());
}

const char16_t* lipisetu_units(void) { return units.data(); }

// The count of ASCII bytes that the `size` bytes at `p` start with.
std::size_t lipisetu_ascii(const unsigned char* p, std::size_t size)
{
    std::size_t i = 0;
    while (size - i >= 8 && ascii8(p + i))
        i += 8;
    while (i < size && p[i] < 0x80)
        ++i;
    return i;
}

} // extern "C"
