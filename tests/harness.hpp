// What the tests and the fuzz targets share: byte strings, the in-process
// conversions, and running a built program end to end.
#pragma once

#include "codec.hpp"
#include "lipisetu.hpp"

#include <span>
#include <string>
#include <tuple>
#include <vector>

namespace harness {

// Bytes from a list of values 0 to 255.
std::string bytes(std::initializer_list<int> list);
// UTF-8 of a list of code points, and the code points of UTF-8.
std::string utf8(std::u32string_view text);
std::u32string codepoints(const std::string& text);
// UTF-16 of well-formed UTF-8, low byte first if `little`, after the
// byte-order mark if `mark`.
std::string utf16(const std::string& text, bool little, bool mark = false);
// The text in Unicode normal form C or D (through utf8proc).
std::string nfc(const std::string& s);
std::string nfd(const std::string& s);
// Printable form of bytes for failure messages: "e0 a4 95".
std::string hex(const std::string& s);
// The bytes of a file.
std::string slurp(const std::string& path);

// kavrel's options drawn from `bits`: the input form, the output form, -n
// and -s from its low six bits, and the script, which the number of them
// counts through, from all of it.
lipisetu::romanoptions optionsof(unsigned bits);
// The scripts the library names.
std::size_t scriptcount();

// The in-process conversions, the input handed to the engine in pieces of
// at most `chunk` bytes.
std::string pellamconvert(const std::string& in, std::size_t chunk = codec::bufsize,
                          std::string* msgs = nullptr, bool atr = false);
// kavrel's conversion with its fast lane, or (`fastlane` false) with
// every unit taking the general way.
std::string kavrelconvert(const lipisetu::romanoptions& opt, const std::string& in,
                          std::size_t chunk = codec::bufsize, bool fastlane = true);
// sonwick's conversion with its fast lane, or (`fastlane` false) with every
// character taking the general way.
std::string sonwickconvert(const std::string& in, std::size_t chunk = codec::bufsize, bool fastlane = true,
                           lipisetu::scheme scheme = lipisetu::scheme::iso);

// kavrel (`reading`) or else sonwick in opt.scheme on `in`, read whole and
// 1, 2 and 3 bytes at a time, by the fast lane and the general way: "" when
// every way gives `want`, else which did not and what it gave.
std::string everyway(bool reading, const lipisetu::romanoptions& opt, const std::string& in, const std::string& want);

// A source that gives at most `most` bytes a read (or, with `sizes`, the
// sizes drawn in turn from them) and a sink that takes as few a write;
// either fails once `failat` bytes have passed.
struct pieces {
    std::string_view in;
    std::size_t most = 1, failat = SIZE_MAX;
    const unsigned char* sizes = nullptr;
    std::size_t nsizes = 0, turn = 0, at = 0;
    std::string out{};
    bool flushed = false;
    std::size_t next() { return sizes ? 1 + sizes[turn++ % nsizes] % 32 : most; }
    lipisetu::source source();
    lipisetu::sink sink();
};
// Collects ISCII messages into a std::vector<lipisetu::isciimessage>.
void collect(void* context, const lipisetu::isciimessage& m);
// Every field of each message, to compare lists of them.
using fieldlist = std::vector<std::tuple<std::uint64_t, std::uint64_t, long, int, int, int>>;
fieldlist fields(const std::vector<lipisetu::isciimessage>& list);
// The library's incremental ISCII decoder on `in` cut in two at every
// place, and a byte at a time: "" when each gives the text and messages of
// one call, keeps back no more than the unit the cut splits (one byte, or
// three with atr) and nothing at the end, else the first way that did not.
std::string everysplit(const std::string& in, const lipisetu::isciioptions& opt);

// Runs of Devanagari that a scheme without a separator writes as the
// spelling of other Devanagari, so that no reader can give them back: a
// character of `before` (or, with `aftera`, an a: the letter, or a
// consonant the scheme spells with its inherent a), then `between`, then a
// character of `after`.
struct limit {
    lipisetu::scheme s;
    bool aftera;
    std::u32string_view before, between, after;
};
extern const std::span<const limit> limits;

// Whether sonwick then kavrel in the scheme give the text back as far as
// the scheme can carry it: it holds no run of the scheme's limits. The
// text has its nukta letters precomposed.
bool carries(lipisetu::scheme s, std::u32string_view text);

// A temporary file holding `data`; removed when the object goes.
struct tempfile {
    std::string path;
    explicit tempfile(const std::string& data);
    ~tempfile();
    tempfile(const tempfile&) = delete;
    tempfile& operator=(const tempfile&) = delete;
};

struct result {
    std::string out, err;
    int status = -1; // exit status, or 128 + signal number
};

// Where a program runs: its standard streams and its working directory.
struct setting {
    const char* outpath = nullptr; // standard output to this file (say /dev/full)
    bool closeout = false;         // standard output closed
    bool pipein = false;           // the input through a pipe, in pieces (short reads)
    const char* inpath = nullptr;  // standard input from this file, not the input
    const char* dir = nullptr;     // the working directory
};

// Runs `prog` (an absolute path) with `args`, the bytes of `input` on
// standard input.
result run(const std::string& prog, const std::vector<std::string>& args,
           const std::string& input = {}, const setting& where = {});

} // namespace harness
