// lipisetu: the conversions of kavrel, sonwick and pellam as a library.
//
//   ISO 15919 Roman -> Unicode Devanagari   (kavrel)
//   Unicode Devanagari -> ISO 15919 Roman   (sonwick)
//   ISCII Devanagari -> UTF-8               (pellam)
//
// Each conversion comes three ways, all giving the bytes the program
// gives: from memory to memory in one call; from a source to a sink of any
// size in constant memory; and, for ISCII, piece by piece as the input
// arrives. No call throws for any input: text that breaks the
// transliteration, malformed UTF-8 and stray bytes convert as the programs
// convert them. A failed read or write ends a streaming conversion and is
// reported in its status with the errno of the failure.
//
// Any number of threads may convert at once. The one-shot calls
// (todevanagari, toroman, fromiscii) cost what their input costs: each
// thread keeps one conversion state for them, made at its first call (about
// half a megabyte, of which a short text touches a few pages) and started
// afresh for each call; the streaming calls make their own for each
// conversion.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "lipisetu_schemes.hpp" // enum class scheme, made from the schemes' table
#include "lipisetu_scripts.hpp" // enum class script, made from the scripts' table

#if defined(LIPISETU_BUILDING) && defined(__GNUC__)
#define LIPISETU_API __attribute__((visibility("default")))
#else
#define LIPISETU_API
#endif

namespace lipisetu {

// ---------------------------------------------------------------- Sources and sinks

// A read fills at most `size` bytes at `buf` and returns their count, 0 at
// the end of the input, or -1 with errno set.
using readfn = std::ptrdiff_t (*)(void* context, unsigned char* buf, std::size_t size);
// A write takes `size` bytes at `buf` and returns how many it took (at
// least one; the rest is offered again), or -1 with errno set. Once the
// output is complete it is called once with `size` 0: flush what you keep.
using writefn = std::ptrdiff_t (*)(void* context, const unsigned char* buf, std::size_t size);

// Called once a buffer (128 KiB) is full or empty, never per character.
struct source {
    readfn read = nullptr; // none: an empty input
    void* context = nullptr;
};
struct sink {
    writefn write = nullptr; // none: the output is dropped
    void* context = nullptr;
};

// A file descriptor, read and written with read(2) and write(2).
LIPISETU_API source fdsource(int fd);
LIPISETU_API sink fdsink(int fd);
// A stdio stream. One with a file descriptor is read and written through
// it, as the programs do: a pipe's short reads are taken as they come, and
// bytes already in the stream's input buffer are not seen (read none
// through the stream before). The output stream's buffer is flushed before
// each write. A stream without one (fmemopen) goes through fread and
// fwrite.
LIPISETU_API source filesource(std::FILE* f);
LIPISETU_API sink filesink(std::FILE* f);

// What a streaming conversion met: zero where all went well.
struct status {
    int readerror = 0;      // errno of the read that failed; the input ended there
    int writeerror = 0;     // errno of the write that failed; nothing more was written
    bool nomemory = false;  // no memory for the conversion's state: nothing was done
    bool badoption = false; // an option names no scheme or form: nothing was done
};

inline bool ok(const status& s) { return !s.readerror && !s.writeerror && !s.nomemory && !s.badoption; }

// ---------------------------------------------------------------- Text in other encodings

// The conversions read and write UTF-8. A caller whose strings are held
// otherwise (code points of one width, as Python's str; UTF-16, as
// JavaScript's) turns them into UTF-8 and back with these. A lone
// surrogate passes both ways in its three-byte form, as Python's
// "surrogatepass" writes it, so that it comes back from a conversion as it
// went in.

// The UTF-8 of n code points held in 8, 16 or 32 bits each (a surrogate
// stands for itself, never paired with the next). `out` has room for 2, 3
// or 4 bytes a code point. Returns the bytes written.
LIPISETU_API std::size_t encodeutf8(const std::uint8_t* p, std::size_t n, char* out);
LIPISETU_API std::size_t encodeutf8(const std::uint16_t* p, std::size_t n, char* out);
LIPISETU_API std::size_t encodeutf8(const std::uint32_t* p, std::size_t n, char* out);

// The code points of UTF-8, into `out`, which has room for one a byte. Bytes
// that are not UTF-8 give U+FFFD, one for each maximal ill-formed part,
// as browsers decode them; a surrogate's three bytes give that surrogate.
// Returns the count, and the largest code point in `widest`.
LIPISETU_API std::size_t decodeutf8(std::string_view s, std::uint32_t* out, std::uint32_t& widest);
// The same as UTF-16 code units (a code point past U+FFFF as its pair).
LIPISETU_API std::size_t decodeutf8(std::string_view s, char16_t* out);

// ---------------------------------------------------------------- Romanisations

// The scheme's name as the programs take it (the enumerator's); empty past
// the last scheme, so that the names can be listed from the first on.
LIPISETU_API std::string_view nameof(scheme s);
// The scheme of that name; false when there is none.
LIPISETU_API bool schemenamed(std::string_view name, scheme& s);

// ---------------------------------------------------------------- Scripts

// The script's name as kavrel takes it (the enumerator's); empty past the
// last script, so that the names can be listed from the first on.
LIPISETU_API std::string_view nameof(script s);
// The script of that name; false when there is none.
LIPISETU_API bool scriptnamed(std::string_view name, script& s);

// ---------------------------------------------------------------- Roman to Devanagari

// The forms of kavrel's input and output.
enum class form : std::uint8_t {
    detect,  // input: from a byte-order mark, else UTF-8; output: the input's form
    utf8,    // -iu, -ou
    utf16le, // -il, -ol: UCS-2/UTF-16 little-endian
    utf16be, // -ib, -ob
};

// The form's name: "detect", "utf-8", "utf-16le", "utf-16be"; and the form
// of a name, false when there is none.
LIPISETU_API std::string_view nameof(form f);
LIPISETU_API bool formnamed(std::string_view name, form& f);

struct romanoptions {
    bool sanskrit = false; // -s: spaces closed up after a consonant, the apostrophe as avagraha
    bool numerals = false; // -n: digits as Devanagari numerals
    // --nfc: output in Unicode's normal form C, the nukta letters that it
    // excludes from composition (U+0958..095F) written as their consonant
    // and the nukta sign
    bool nfc = false;
    form input = form::detect;
    form output = form::detect;
    lipisetu::scheme scheme = lipisetu::scheme::iso; // --scheme: the romanisation read
    // --script: the script written. The Devanagari is written in it with
    // the conventions its readers expect (Bengali khanda ta, Malayalam
    // chillus, Gurmukhi addak and tippi, Tamil's superscripted stops), a
    // letter the script lacks by the spelling its readers use, or else
    // copied with its signs; digits with -n in the script's own.
    lipisetu::script script = lipisetu::script::devanagari;
};

// Roman to Devanagari, or with opt.script to another script, as kavrel with
// those options writes it (UTF-16 output starts with its byte-order mark).
LIPISETU_API std::string todevanagari(std::string_view roman, const romanoptions& opt = {});
// The same, appended to `out`. A caller converting many short texts (a
// column of words or titles) clears one string between calls, and no call
// allocates once it is large enough.
LIPISETU_API void todevanagari(std::string_view roman, std::string& out, const romanoptions& opt = {});
LIPISETU_API status convertroman(source in, sink out, const romanoptions& opt = {});

// ---------------------------------------------------------------- Which scheme

// What a text is written in, as detect finds it.
enum class writing : std::uint8_t {
    unknown,    // nothing fits: no letters, or Latin text that no scheme reads well (English)
    roman,      // a romanisation: the detection's scheme
    devanagari, // the Devanagari script itself
};

struct detection {
    writing found = writing::unknown;
    lipisetu::scheme scheme = lipisetu::scheme::iso; // the romanisation, where found is roman
    // How sure detect is, from 0 to 1: of the evidence detect weighs, the
    // share that speaks for the answer. For a romanisation, that is the
    // share of the schemes that read the text into the same Devanagari
    // (a text in letters that several schemes share scores lower); for
    // Devanagari, the share of the letters that are Devanagari; for
    // unknown, the share for plain Latin text (0 when there are no letters).
    double score = 0;
};

// detect reads at most this much of a text: its first block, in bytes.
constexpr std::size_t detectblock = 4096;

// The romanisation that a text's first block is most likely written in, or
// the Devanagari script (when its letters outnumber the Latin ones), or
// unknown. The block is read as kavrel reads its input (`input`: its form;
// detect takes it from a byte-order mark, else UTF-8), each scheme's
// reading of it scored by how well its words make Devanagari words, against
// the reading of it as Latin text of no scheme. Short texts and texts
// whose letters several schemes spell alike may name any of them: a text
// in ASCII letters alone is often read the same by most schemes.
LIPISETU_API detection detect(std::string_view text, form input = form::detect);

// ---------------------------------------------------------------- Devanagari to Roman

// UTF-8 Devanagari to Roman in the scheme (ISO 15919 when none is named),
// as sonwick writes it. Text in any of the other eight scripts' blocks is
// read as the Devanagari it stands for; a letter the scheme cannot spell
// stays as it stood, in its own script.
LIPISETU_API std::string toroman(std::string_view devanagari);
LIPISETU_API std::string toroman(std::string_view devanagari, scheme s);
// The same, appended to `out`.
LIPISETU_API void toroman(std::string_view devanagari, std::string& out, scheme s = scheme::iso);
LIPISETU_API status convertdevanagari(source in, sink out);
LIPISETU_API status convertdevanagari(source in, sink out, scheme s);

// ---------------------------------------------------------------- In pieces

// The incremental converters: input handed over in pieces of any size, cut
// anywhere (inside a unit, a character or a byte-order mark), gives the
// bytes of one call on the whole. What a piece cannot settle yet is kept
// back until the next piece or the end: the last few characters, which
// what follows may still change, and a character cut by the piece's end.
// Each decode appends what is settled to `out`; `last` ends the input (a
// last call may have an empty piece), and once it has ended decode appends
// nothing more until reset.
struct romanstate;
struct romanfree {
    LIPISETU_API void operator()(romanstate* d) const;
};
using romandecoder = std::unique_ptr<romanstate, romanfree>;

// Roman to Devanagari with those options, as todevanagari converts it;
// null when out of memory or the options name no scheme.
LIPISETU_API romandecoder newromandecoder(const romanoptions& opt = {});
LIPISETU_API void decode(romanstate& d, std::string_view piece, bool last, std::string& out);
// Back to the start of an input, with the same options.
LIPISETU_API void reset(romanstate& d);

struct devanagaristate;
struct devanagarifree {
    LIPISETU_API void operator()(devanagaristate* d) const;
};
using devanagaridecoder = std::unique_ptr<devanagaristate, devanagarifree>;

// Devanagari to Roman in the scheme, as toroman converts it; null when out
// of memory or there is no such scheme.
LIPISETU_API devanagaridecoder newdevanagaridecoder(scheme s = scheme::iso);
LIPISETU_API void decode(devanagaristate& d, std::string_view piece, bool last, std::string& out);
LIPISETU_API void reset(devanagaristate& d);

// ---------------------------------------------------------------- ISCII to UTF-8

// Why pellam dropped a byte.
enum class drop : std::uint8_t {
    ignored, // a byte with no character
    atr,     // the ATR code, with the byte after it
    ext,     // the EXT code, with the byte after it
};

// One message of pellam's: a dropped byte, or an ATR or EXT code with the
// byte after it.
struct isciimessage {
    std::uint64_t offset = 0;  // of the byte in the input
    std::uint64_t written = 0; // UTF-8 bytes of output before it
    long line = 0;             // its line: 1 + the line feeds before it
    std::uint8_t byte = 0;     // the byte (0xEF for ATR, 0xF0 for EXT)
    drop kind = drop::ignored;
    std::uint8_t span = 1; // bytes dropped from `offset` on: 1, or 2 for ATR or EXT and the byte after
};

// The message as pellam writes it, line feed included:
// "Ignoring character 0xa0 at line 1\n", "Use of ATR not supported at line 3\n".
LIPISETU_API std::string describe(const isciimessage& m);

struct isciitext {
    std::string text;                   // UTF-8
    std::vector<isciimessage> messages; // in input order
};

// How pellam reads ISCII. With `atr` (pellam --atr), the ATR code switches
// the script of the bytes after it among the nine of ISCII, and is dropped
// with a message only when its code is none of ISCII's; the text is written
// in the Unicode block of that script (back in Devanagari after each line
// feed or carriage return), and a byte the script lacks is dropped with a
// message. Without it, ISCII is read as Devanagari, as pellam reads it by
// default.
struct isciioptions {
    bool atr = false;
};

LIPISETU_API isciitext fromiscii(std::string_view iscii);
LIPISETU_API isciitext fromiscii(std::string_view iscii, const isciioptions& opt);

// Each message goes to `report` as it is found, in input order.
using messagefn = void (*)(void* context, const isciimessage& m);
LIPISETU_API status convertiscii(source in, sink out, messagefn report = nullptr, void* context = nullptr);
LIPISETU_API status convertiscii(source in, sink out, const isciioptions& opt, messagefn report = nullptr,
                                 void* context = nullptr);

// The incremental decoder: input in pieces of any size gives the text and
// the messages of one call on the whole. A byte that may join the next
// piece (a letter before the nukta byte) and an ATR or EXT code whose next
// byte has not come yet are kept back until the next piece or the end;
// with `atr`, the bytes of any unit cut by the piece's end (up to three: a
// Gurmukhi consonant, the virama and the consonant again wait to learn
// whether the nukta follows).
struct isciistate;
struct isciifree {
    LIPISETU_API void operator()(isciistate* d) const;
};
using isciidecoder = std::unique_ptr<isciistate, isciifree>;

// A fresh decoder counting lines from `line`; null when out of memory.
LIPISETU_API isciidecoder newisciidecoder(long line = 1);
LIPISETU_API isciidecoder newisciidecoder(const isciioptions& opt, long line = 1);
// Decodes the next piece, appending its text and messages; `last` ends the
// input (a last call may have an empty piece). Message offsets count from
// the start of the input (or the last reset).
LIPISETU_API void decode(isciistate& d, std::string_view piece, bool last, std::string& text,
                         std::vector<isciimessage>& messages);
// The bytes kept back (none or one; up to three with `atr`), and the line
// the decoder is on.
LIPISETU_API std::string_view pending(const isciistate& d);
LIPISETU_API long line(const isciistate& d);
// Back to the start of an input, counting lines from `line`, with the
// options the decoder was made with.
LIPISETU_API void reset(isciistate& d, long line = 1);

} // namespace lipisetu
