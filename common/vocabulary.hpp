// The words the engines, the codec and the library share: the
// romanisations, the forms of text, the options of a conversion, where its
// output goes, how its outcome is told, pellam's messages, and the
// Devanagari characters several engines write or test. The library's
// public header has its own types for its callers and maps them onto
// these, so that nothing here is the library's interface.
#pragma once

#include <cstddef>
#include <cstdint>

#include "schemelist.hpp" // vocab::scheme, made from the schemes' table
#include "scriptlist.hpp" // vocab::script, made from the scripts' table

namespace vocab {

// A character code: a Unicode code point, or -1 at the end of the input.
using lchar = std::int32_t;

// Devanagari characters that more than one engine writes or tests.
constexpr lchar candrabindu = 0x0901;
constexpr lchar anusvara = 0x0902;
constexpr lchar visarga = 0x0903;
constexpr lchar lettera = 0x0905;
constexpr lchar letteri = 0x0907;
constexpr lchar letteru = 0x0909;
constexpr lchar letterha = 0x0939;
constexpr lchar nukta = 0x093C;
constexpr lchar avagraha = 0x093D;
constexpr lchar virama = 0x094D;

// The forms of kavrel's input and output.
enum class form : std::uint8_t {
    detect,  // input: from a byte-order mark, else UTF-8; output: the input's form
    utf8,
    utf16le, // UCS-2/UTF-16, low byte first
    utf16be,
};

// What kavrel converts with: -s, -n, the forms, the scheme read and the
// script written.
struct romanoptions {
    bool sanskrit = false;
    bool numerals = false;
    bool nfc = false; // nukta letters excluded from composition written as consonant and nukta
    form input = form::detect;
    form output = form::detect;
    vocab::scheme scheme = vocab::scheme::iso;
    vocab::script script = vocab::script::devanagari;
};

// Where a conversion's output goes: a function called with a whole buffer
// at a time (never per character) and the context it is handed. It takes
// `size` bytes at `buf` and returns how many it took (at least one; the
// rest is offered again), or -1 with errno set; once the output is
// complete it is called with `size` 0, to flush what it keeps.
using writefn = std::ptrdiff_t (*)(void* context, const unsigned char* buf, std::size_t size);
struct sink {
    writefn write = nullptr; // none: the output is dropped
    void* context = nullptr;
};

// How a conversion went: the errno of the write that failed (nothing more
// was written), or no memory for what it needed (nothing was converted).
struct outcome {
    int writeerror = 0;
    bool nomemory = false;
};

// Why pellam dropped a byte, and one message of pellam's: a dropped byte,
// or an ATR or EXT code with the byte after it.
enum class drop : std::uint8_t { ignored, atr, ext };
struct message {
    std::uint64_t offset = 0;  // of the byte in the input
    std::uint64_t written = 0; // UTF-8 bytes of output before it
    long line = 0;             // 1 + the line feeds before it
    std::uint8_t byte = 0;     // the byte (0xEF for ATR, 0xF0 for EXT)
    drop kind = drop::ignored;
    std::uint8_t span = 1; // bytes dropped from `offset` on: 1, or 2 for ATR or EXT and the byte after
};
// Where the messages go, one call each, in input order.
using reportfn = void (*)(void* context, const message& m);

} // namespace vocab
