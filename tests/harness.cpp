#include "harness.hpp"

#include "kavrel/convert.hpp"
#include "pellam/convert.hpp"
#include "schemes.hpp"
#include "sonwick/convert.hpp"

#include <utf8proc.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace harness {

std::string bytes(std::initializer_list<int> list) { return {list.begin(), list.end()}; }

std::string utf8(std::u32string_view text)
{
    std::string s;
    utf8proc_uint8_t b[4];
    for (char32_t c : text)
        s.append(reinterpret_cast<const char*>(b), utf8proc_encode_char(static_cast<utf8proc_int32_t>(c), b));
    return s;
}

std::u32string codepoints(const std::string& text)
{
    std::u32string out;
    const auto* p = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
    for (utf8proc_ssize_t i = 0, n = static_cast<utf8proc_ssize_t>(text.size()); i < n;) {
        utf8proc_int32_t c;
        i += std::max<utf8proc_ssize_t>(1, utf8proc_iterate(p + i, n - i, &c));
        out += static_cast<char32_t>(c);
    }
    return out;
}

std::string utf16(const std::string& text, bool little, bool mark)
{
    std::string out;
    auto unit = [&](unsigned u) {
        out += static_cast<char>(little ? u & 0xFF : u >> 8);
        out += static_cast<char>(little ? u >> 8 : u & 0xFF);
    };
    if (mark)
        unit(0xFEFF);
    const auto* p = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
    for (utf8proc_ssize_t i = 0, n = static_cast<utf8proc_ssize_t>(text.size()); i < n;) {
        utf8proc_int32_t c;
        i += utf8proc_iterate(p + i, n - i, &c);
        auto u = static_cast<unsigned>(c);
        if (u >= 0x10000) {
            unit(0xD800 + ((u - 0x10000) >> 10));
            u = 0xDC00 + (u & 0x3FF);
        }
        unit(u);
    }
    return out;
}

static std::string normalised(const std::string& s, utf8proc_uint8_t* (*form)(const utf8proc_uint8_t*))
{
    utf8proc_uint8_t* n = form(reinterpret_cast<const utf8proc_uint8_t*>(s.c_str()));
    std::string r(reinterpret_cast<const char*>(n));
    std::free(n);
    return r;
}

std::string nfc(const std::string& s) { return normalised(s, utf8proc_NFC); }
std::string nfd(const std::string& s) { return normalised(s, utf8proc_NFD); }

std::string hex(const std::string& s)
{
    std::string h;
    char b[4];
    for (unsigned char c : s) {
        std::snprintf(b, sizeof b, "%02x ", c);
        h += b;
    }
    return h;
}

std::size_t scriptcount()
{
    std::size_t n = 0;
    while (!lipisetu::nameof(static_cast<lipisetu::script>(n)).empty())
        ++n;
    return n;
}

lipisetu::romanoptions optionsof(unsigned bits)
{
    using lipisetu::form;
    const form forms[] = {form::detect, form::utf16le, form::utf16be, form::utf8};
    return {.sanskrit = (bits & 32) != 0, .numerals = (bits & 16) != 0, .input = forms[bits & 3],
            .output = forms[bits >> 2 & 3], .script = static_cast<lipisetu::script>(bits % scriptcount())};
}

namespace {

std::ptrdiff_t tostring(void* context, const unsigned char* buf, std::size_t size)
{
    static_cast<std::string*>(context)->append(reinterpret_cast<const char*>(buf), size);
    return static_cast<std::ptrdiff_t>(size);
}

void print(void* context, const vocab::message& m)
{
    char buf[64];
    int n = pellam::format(m, buf, sizeof buf);
    static_cast<std::string*>(context)->append(buf, static_cast<std::size_t>(n));
}

// Hands `in` to the engine `chunk` bytes at a time, the last piece ending
// the input.
template <class State> void feedall(State& st, const std::string& in, std::size_t chunk)
{
    std::size_t at = 0;
    for (;;) {
        std::span<unsigned char> r = room(st);
        std::size_t k = std::min({chunk, r.size(), in.size() - at});
        std::copy_n(in.data() + at, k, r.data());
        at += k;
        fed(st, k, at == in.size());
        if (at == in.size())
            return;
    }
}

} // namespace

// Each conversion reuses one state, as it must be able to: start() makes it
// fresh.
std::string pellamconvert(const std::string& in, std::size_t chunk, std::string* msgs, bool atr)
{
    static const auto st = std::make_unique<pellam::state>();
    std::string out, m;
    pellam::start(*st, {print, &m, 1, atr}, {tostring, &out});
    feedall(*st, in, chunk);
    if (msgs)
        *msgs = m;
    return out;
}

std::string kavrelconvert(const lipisetu::romanoptions& opt, const std::string& in, std::size_t chunk, bool fastlane)
{
    static const auto st = std::make_unique<kavrel::state>();
    std::string out;
    kavrel::start(*st,
                  {.sanskrit = opt.sanskrit,
                   .numerals = opt.numerals,
                   .nfc = opt.nfc,
                   .input = static_cast<vocab::form>(opt.input),
                   .output = static_cast<vocab::form>(opt.output),
                   .scheme = static_cast<vocab::scheme>(opt.scheme),
                   .script = static_cast<vocab::script>(opt.script)},
                  {tostring, &out});
    st->fastlane = fastlane;
    feedall(*st, in, chunk);
    return out;
}

std::string sonwickconvert(const std::string& in, std::size_t chunk, bool fastlane, lipisetu::scheme scheme)
{
    static const auto st = std::make_unique<sonwick::state>();
    std::string out;
    sonwick::start(*st, static_cast<vocab::scheme>(scheme), {tostring, &out});
    st->fastlane = fastlane;
    feedall(*st, in, chunk);
    return out;
}

namespace {

// Whether kavrel reads and writes UTF-8 and `in` is whole UTF-8: then a
// text after it changes nothing before it, as the end of the input does.
bool paddable(const lipisetu::romanoptions& opt, const std::string& in)
{
    using lipisetu::form;
    if (opt.input == form::utf16le || opt.input == form::utf16be || opt.output == form::utf16le ||
        opt.output == form::utf16be)
        return false;
    const auto* p = reinterpret_cast<const utf8proc_uint8_t*>(in.data());
    for (utf8proc_ssize_t i = 0, n = static_cast<utf8proc_ssize_t>(in.size()); i < n;) {
        utf8proc_int32_t c;
        utf8proc_ssize_t k = utf8proc_iterate(p + i, n - i, &c);
        if (k <= 0)
            return false;
        i += k;
    }
    return true;
}

} // namespace

std::string everyway(bool reading, const lipisetu::romanoptions& opt, const std::string& in, const std::string& want)
{
    for (std::size_t chunk : {codec::bufsize, std::size_t{1}, std::size_t{2}, std::size_t{3}})
        for (bool fast : {true, false}) {
            std::string got = reading ? kavrelconvert(opt, in, chunk, fast) : sonwickconvert(in, chunk, fast, opt.scheme);
            if (got != want)
                return (reading ? "read " : "written ") + hex(in) + "chunk " + std::to_string(chunk) +
                       (fast ? "" : " general way") + ": " + hex(got);
        }
    // kavrel's fast lane stops short of the end of the input by what its
    // units look at: a line of copied text after the input takes the input
    // through the lane.
    const std::string pad = "\n" + std::string(24, '-');
    if (reading && paddable(opt, in)) {
        std::string got = kavrelconvert(opt, in + pad);
        if (got != want + pad)
            return "read " + hex(in) + "before a line: " + hex(got);
    }
    return "";
}

namespace {

std::ptrdiff_t readpieces(void* context, unsigned char* buf, std::size_t size)
{
    auto& p = *static_cast<pieces*>(context);
    if (p.at >= p.failat) {
        errno = EIO;
        return -1;
    }
    std::size_t n = std::min({size, p.next(), p.in.size() - p.at});
    std::copy_n(p.in.data() + p.at, n, buf);
    p.at += n;
    return static_cast<std::ptrdiff_t>(n);
}

std::ptrdiff_t writepieces(void* context, const unsigned char* buf, std::size_t size)
{
    auto& p = *static_cast<pieces*>(context);
    if (size == 0) {
        p.flushed = true;
        return 0;
    }
    if (p.out.size() >= p.failat) {
        errno = ENOSPC;
        return -1;
    }
    std::size_t n = std::min(size, p.next());
    p.out.append(reinterpret_cast<const char*>(buf), n);
    return static_cast<std::ptrdiff_t>(n);
}

} // namespace

lipisetu::source pieces::source() { return {readpieces, this}; }
lipisetu::sink pieces::sink() { return {writepieces, this}; }

void collect(void* context, const lipisetu::isciimessage& m)
{
    static_cast<std::vector<lipisetu::isciimessage>*>(context)->push_back(m);
}

fieldlist fields(const std::vector<lipisetu::isciimessage>& list)
{
    fieldlist f;
    for (const auto& m : list)
        f.emplace_back(m.offset, m.written, m.line, m.byte, static_cast<int>(m.kind), m.span);
    return f;
}

std::string everysplit(const std::string& in, const lipisetu::isciioptions& opt)
{
    const lipisetu::isciitext whole = lipisetu::fromiscii(in, opt);
    const std::size_t most = opt.atr ? 3 : 1;
    for (std::size_t cut = 0; cut <= in.size() + 1; ++cut) {
        lipisetu::isciidecoder d = lipisetu::newisciidecoder(opt);
        lipisetu::isciitext t;
        bool kept = true; // what is kept back is the end of what came
        auto piece = [&](std::string_view p, bool last) {
            lipisetu::decode(*d, p, last, t.text, t.messages);
            std::string_view k = lipisetu::pending(*d);
            kept = kept && k.size() <= most && (k.empty() || (!p.empty() && k.back() == p.back()));
        };
        if (cut <= in.size()) {
            piece(std::string_view(in).substr(0, cut), false);
            piece(std::string_view(in).substr(cut), true);
        } else {
            for (const char& c : in)
                piece(std::string_view(&c, 1), false);
            piece({}, true);
        }
        if (t.text != whole.text || fields(t.messages) != fields(whole.messages) || !kept ||
            !lipisetu::pending(*d).empty())
            return (cut <= in.size() ? "cut at " + std::to_string(cut) : std::string("a byte at a time")) + " of " +
                   hex(in) + ": " + hex(t.text) + " for " + hex(whole.text);
    }
    return "";
}

namespace {

using lipisetu::scheme;

// IAST and Harvard-Kyoto have no separator: an a before i or u is written
// as the diphthong, a consonant closed by the virama before h as its
// aspirate; in Harvard-Kyoto l before R is the vocalic l, and R or lR
// before R the long vowel. In the four, two dandas are the double danda.
const limit limitlist[] = {
    {scheme::iast, false, U"\u0964", U"", U"\u0964\u0965"}, // | |: ||
    {scheme::hk, false, U"\u0964", U"", U"\u0964\u0965"},
    {scheme::slp1, false, U"\u0964", U"", U"\u0964\u0965"},
    {scheme::wx, false, U"\u0964", U"", U"\u0964\u0965"},
    {scheme::iast, true, U"", U"", U"\u0907\u0909"}, // ka i, a u: kai, au
    {scheme::iast, false, U"\u0915\u0917\u091A\u091C\u091F\u0921\u0924\u0926\u092A\u092C\u095C", U"\u094D", U"\u0939"}, // k h: kh
    {scheme::hk, true, U"", U"", U"\u0907\u0909"},
    {scheme::hk, false, U"\u0915\u0917\u091A\u091C\u091F\u0921\u0924\u0926\u092A\u092C", U"\u094D", U"\u0939"}, // T h: Th
    {scheme::hk, false, U"\u0932", U"", U"\u0943\u0944"},             // l with the sign of R: lR
    {scheme::hk, false, U"\u0932", U"\u094D", U"\u090B\u0960"},      // l, virama, RR: lRR
    {scheme::hk, false, U"\u090B\u0943\u090C\u0962", U"", U"\u090B\u0960"}, // R R: RR, lR R: lRR
    // IAST's vocalic r and l before a vowel read as its dddha and lla.
    {scheme::iast, false, U"\u090B\u0943\u090C\u0962", U"",
     U"\u0905\u0906\u0907\u0908\u0909\u090A\u090B\u0960\u090C\u0961\u090F\u0910\u0913\u0914"},
    // WX: a consonant closed by the virama before the avagraha reads as
    // the consonant with nukta (kZ).
    {scheme::wx, true, U"", U"\u094D", U"\u093D"},
    // The anudatta, copied where no vowel's letter takes it as a mark,
    // goes into the marks of a spelling that ends in a mark of a higher
    // class (r with ring below and macron, m with candrabindu) when the
    // reader composes them.
    {scheme::iso, false, U"\u0944\u0960\u0961\u0963\u0901", U"", U"\u0952"},
    {scheme::iast, false, U"\u0945\u0949\u090D\u0911", U"\u0901", U"\u0952"},
};

// Whether c is a consonant that the scheme spells.
bool spelt(scheme s, char32_t c)
{
    for (const schemes::row& r : schemes::all[static_cast<std::size_t>(s)].rows)
        if (r.k == schemes::kind::consonant && static_cast<char32_t>(r.unit[0]) == c)
            return !r.spellings.empty();
    return false;
}

// Whether the text holds none of the runs that the scheme cannot carry.
bool runsheld(scheme s, std::u32string_view text)
{
    // In every scheme, a consonant closed by the virama before a vowel's
    // letter reads as the consonant with the vowel's sign: the virama
    // writes nothing, and no separator reopens the syllable.
    auto consonant = [](char32_t c) { return (c >= 0x0915 && c <= 0x0939) || (c >= 0x0958 && c <= 0x095F); };
    auto vowel = [](char32_t c) { return (c >= 0x0904 && c <= 0x0914) || c == 0x0960 || c == 0x0961; };
    for (std::size_t i = 0; i + 2 < text.size(); ++i)
        if (consonant(text[i]) && text[i + 1] == 0x094D && vowel(text[i + 2]))
            return false;
    // IAST writes om as o with anusvara, which it reads as those two.
    if (s == scheme::iast && text.find(U'\u0950') != text.npos)
        return false;
    for (const limit& l : limitlist)
        for (std::size_t i = 0; l.s == s && i + 1 + l.between.size() < text.size(); ++i) {
            char32_t c = text[i];
            bool before = l.before.find(c) != l.before.npos || (l.aftera && (c == 0x0905 || spelt(s, c)));
            if (before && text.substr(i + 1, l.between.size()) == l.between &&
                l.after.find(text[i + 1 + l.between.size()]) != l.after.npos)
                return false;
        }
    return true;
}

} // namespace

const std::span<const limit> limits = limitlist;

bool carries(scheme s, std::u32string_view accented)
{
    // The runs below are looked for with the accents taken out: written
    // as marks on a vowel's letter (IAST, ISO 15919), accents part no
    // spellings; where a scheme writes them between two spellings, a word
    // is at worst left out that would have come back.
    std::u32string bare;
    for (char32_t c : accented)
        if (c != 0x0951 && c != 0x0952)
            bare += c;
    for (std::u32string_view text : {accented, std::u32string_view(bare)})
        if (!runsheld(s, text))
            return false;
    return true;
}

tempfile::tempfile(const std::string& data)
{
    std::string name = std::filesystem::temp_directory_path() / "lipisetu-test-XXXXXX";
    int fd = mkstemp(name.data());
    path = name;
    std::ofstream(path, std::ios::binary) << data;
    close(fd);
}

tempfile::~tempfile() { unlink(path.c_str()); }

std::string slurp(const std::string& path)
{
    std::ostringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
}

result run(const std::string& prog, const std::vector<std::string>& args, const std::string& input,
           const setting& where)
{
    tempfile in(where.pipein ? "" : input), out(""), err("");
    int feed[2] = {-1, -1};
    pid_t writer = -1;
    if (where.pipein && pipe(feed) == 0 && (writer = fork()) == 0) {
        // Pieces of an odd size cut characters across the reads.
        close(feed[0]);
        for (std::size_t at = 0; at < input.size(); at += 997)
            if (write(feed[1], input.data() + at, std::min<std::size_t>(997, input.size() - at)) < 0)
                _exit(1);
        _exit(0);
    }
    pid_t pid = fork();
    if (pid == 0) {
        dup2(where.pipein ? feed[0] : open(where.inpath ? where.inpath : in.path.c_str(), O_RDONLY), 0);
        close(feed[1]);
        dup2(open(where.outpath ? where.outpath : out.path.c_str(), O_WRONLY | O_TRUNC), 1);
        dup2(open(err.path.c_str(), O_WRONLY | O_TRUNC), 2);
        if (where.closeout)
            close(1);
        if (where.dir && chdir(where.dir) != 0)
            _exit(126);
        std::vector<char*> argv{const_cast<char*>(prog.c_str())};
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(prog.c_str(), argv.data());
        _exit(127);
    }
    close(feed[0]);
    close(feed[1]);
    int ws = 0;
    waitpid(pid, &ws, 0);
    if (writer > 0)
        waitpid(writer, nullptr, 0);
    return {slurp(out.path), slurp(err.path), WIFEXITED(ws) ? WEXITSTATUS(ws) : 128 + WTERMSIG(ws)};
}

} // namespace harness
