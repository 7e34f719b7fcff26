// The romanisations besides the default, read by kavrel and written by
// sonwick: every spelling of every row read, every row written and read
// back, the rules beyond single spellings (flags, separators, escapes,
// passages, accents, the nukta, signs after a consonant) in golden rows,
// the examples file both ways, and random words through both converters.
#include "devwords.hpp"
#include "harness.hpp"
#include "kavrel/convert.hpp"
#include "schemes.hpp"

#include <gtest/gtest.h>
#include <utf8proc.h>

#include <fstream>
#include <memory>
#include <random>
#include <sstream>

namespace {

using harness::hex;
using harness::utf8;
using lipisetu::scheme;
using schemes::kind;

constexpr char32_t virama = 0x094D;
const std::u32string ma = U"\u092E"; // m in every scheme

scheme nth(std::size_t k) { return static_cast<scheme>(k); }
const schemes::scheme& of(scheme s) { return schemes::all[static_cast<std::size_t>(s)]; }

// kavrel (reading) or sonwick in the scheme gives `out` every way.
void expect(bool reading, scheme s, const std::string& in, const std::u32string& out, lipisetu::romanoptions opt = {})
{
    opt.scheme = s;
    EXPECT_EQ(harness::everyway(reading, opt, in, utf8(out)), "") << of(s).name << " \"" << in << "\"";
}
void expectread(scheme s, const std::string& in, const std::u32string& out, lipisetu::romanoptions opt = {})
{
    expect(true, s, in, out, opt);
}
void expectwrite(scheme s, const std::string& in, const std::u32string& out) { expect(false, s, in, out); }

std::u32string upper(std::u32string_view text, std::size_t count)
{
    std::u32string u(text);
    for (std::size_t i = 0; i < u.size() && i < count; ++i)
        u[i] = static_cast<char32_t>(utf8proc_toupper(static_cast<utf8proc_int32_t>(u[i])));
    return u;
}

// A spelling as it may be typed: composed or decomposed, and where the
// scheme reads capitals as small letters, with its first letter or every
// letter a capital.
std::vector<std::string> typings(scheme s, std::u32string_view spelling)
{
    std::vector<std::u32string> forms{std::u32string(spelling)};
    if (of(s).caps == schemes::capitals::every)
        forms.insert(forms.end(), {upper(spelling, 1), upper(spelling, spelling.size())});
    std::vector<std::string> out;
    for (const auto& f : forms)
        out.insert(out.end(), {harness::nfc(utf8(f)), harness::nfd(utf8(f))});
    return out;
}

std::u32string unitof(const schemes::row& r) { return {r.unit, r.unit + schemes::unitlength(r)}; }

// What the table says a row reads as, alone and right after a consonant
// (ma): a consonant with the virama that closes it; a vowel its letter,
// and its sign after a consonant; a sign, danda or digit itself, the
// virama first after a consonant; an accent the same (written at the end
// of its syllable); a spelt virama its spelling copied, and after a
// consonant itself.
struct reading {
    std::u32string alone, afterma;
};
reading readingof(const schemes::row& r, std::u32string_view spelling)
{
    const std::u32string unit = unitof(r);
    switch (r.k) {
    case kind::consonant:
    case kind::cluster:
        return {unit + virama, ma + virama + unit + virama};
    case kind::vowel:
        return {unit, ma + std::u32string(r.sign, r.sign + (r.sign[1] ? 2 : r.sign[0] ? 1 : 0))};
    case kind::virama:
        return {std::u32string(spelling), ma + unit};
    default:
        return {unit, ma + virama + unit};
    }
}

// Every spelling of every row of every scheme (and, with -n, of every
// digit) read as a word of its own and after m; a spelling read only
// before a vowel, before one; a spelling read only as a word of its own,
// between spaces.
TEST(SchemeReading, EverySpellingOfEveryRow)
{
    for (std::size_t k = 1; k < schemes::count; ++k)
        for (const auto& rows : {schemes::all[k].rows, std::span<const schemes::row>(schemes::digits)})
            for (const schemes::row& r : rows)
                for (int i = 0; i < schemes::spellingcount(r); ++i) {
                    char32_t flag = schemes::flagof(r, i);
                    if (flag == schemes::writtenonly || r.k == kind::nukta)
                        continue; // never read; the nukta only after a consonant (golden rows)
                    const lipisetu::romanoptions opt{.numerals = r.when == schemes::reading::numerals};
                    // After a consonant, an accent's combining mark composes
                    // with its letter (m acute is copied), and WX's Z is the
                    // nukta.
                    const std::u32string_view bare = schemes::spelling(r, i);
                    const bool joins = (r.k == kind::accent && bare[0] >= 0x0300 && bare[0] < 0x0370) ||
                                       (nth(k) == scheme::wx && bare == U"Z");
                    for (const std::string& sp : typings(nth(k), bare)) {
                        const reading want = readingof(r, schemes::spelling(r, i));
                        if (flag == schemes::beforevowel) {
                            expectread(nth(k), sp + "a", unitof(r), opt);
                        } else if (flag == schemes::wordalone) {
                            expectread(nth(k), " " + sp + " ", U" " + want.alone + U" ", opt);
                        } else {
                            expectread(nth(k), sp, want.alone, opt);
                            if (!joins)
                                expectread(nth(k), "m" + sp, want.afterma, opt);
                        }
                    }
                }
}

// Every row that is written, alone, after a consonant with its inherent a
// and after the virama, written in its spelling and read back (where the
// scheme carries it). A row without a spelling is copied.
TEST(SchemeWriting, EveryRowWrittenAndReadBack)
{
    for (std::size_t k = 1; k < schemes::count; ++k)
        for (const auto& rows : {schemes::all[k].rows, std::span<const schemes::row>(schemes::digits)})
            for (const schemes::row& r : rows) {
                if (schemes::unitlength(r) != 1 || r.k == kind::cluster || r.k == kind::virama || r.k == kind::nukta)
                    continue;
                const std::u32string unit = unitof(r), text(schemes::written(r));
                const lipisetu::romanoptions opt{.numerals = r.when == schemes::reading::numerals, .scheme = nth(k)};
                for (const std::u32string& word : {unit, U"\u0915" + unit, U"\u0915\u094D" + unit}) {
                    const std::string written = harness::sonwickconvert(utf8(word), codec::bufsize, true, nth(k));
                    // Marks go on the vowel; a text not listed is the copied
                    // character's, or a nukta letter's made of two.
                    if (!text.empty() && (r.k != kind::accent || text[0] < 0x0300 || text[0] >= 0x0370)) {
                        EXPECT_NE(written.find(utf8(text)), std::string::npos) << of(nth(k)).name << " " << utf8(word);
                    }
                    if (harness::carries(nth(k), word)) {
                        EXPECT_EQ(hex(harness::kavrelconvert(opt, written)), hex(utf8(word)))
                            << of(nth(k)).name << " " << written;
                    }
                }
            }
}

// A case read (Roman to Devanagari), written, or both.
enum way { reads = 1, writes = 2, both = 3 };
struct golden {
    scheme s;
    way w;
    std::u32string roman, devanagari;
    lipisetu::romanoptions opt = {};
};

// The rules beyond single spellings, each alone, after a consonant, before
// one and at the end of the input, read at every size (so cut across two
// reads too).
TEST(SchemeGolden, Rules)
{
    const lipisetu::romanoptions skt{.sanskrit = true}, num{.numerals = true};
    const golden rows[] = {
        // Spellings that begin longer ones.
        {scheme::itrans, reads, U"R RRi RRI RRRi", U"\u0931\u094D \u090B \u0960 \u0931\u0943"},
        {scheme::itrans, reads, U"sha shha shhha ksha", U"\u0936 \u0937 \u0937\u094D\u0939 \u0915\u094D\u0937"},
        {scheme::velthuis, reads, U".r .rr .rrr aaa", U"\u090B \u0960 \u0960\u0930\u094D \u0906\u0905"},
        {scheme::hk, reads, U"lR lRR llR RRR", U"\u090C \u0961 \u0932\u0962 \u0960\u090B"},
        // Separators end the unit before them and vanish: always in ITRANS
        // and Velthuis, in ISO 15919 only before a spelling; elsewhere they
        // are copied. They are written where two spellings together begin a
        // longer one, and only there.
        {scheme::itrans, reads, U"k_ k__a _", U"\u0915\u094D \u0915 "},
        {scheme::velthuis, reads, U"{} { k{ha", U" { \u0915\u094D{\u0939"},
        {scheme::iso15919, reads, U"ka:i k:ha a: b :\u2019 : a:\u0300", U"\u0915\u0907 \u0915\u094D\u0939 \u0905: \u092C\u094D \u093D : \u0905\u0952"},
        {scheme::itrans, both, U"ka_i k_ha aA a.N R_Ri |_|",
         U"\u0915\u0907 \u0915\u094D\u0939 \u0905\u0906 \u0905\u0901 \u0931\u094D\u0931\u093F \u0964\u0964"},
        {scheme::velthuis, both, U"ka{}i k{}ha a{}aa .d{}ha", U"\u0915\u0907 \u0915\u094D\u0939 \u0905\u0906 \u0921\u094D\u0939"},
        {scheme::iso15919, both, U"ka:i k:ha aā", U"\u0915\u0907 \u0915\u094D\u0939 \u0905\u0906"},
        // Copied text that a spelling after it would join is parted too.
        {scheme::itrans, writes, U"a_a k_ha", U"a\u0905 k\u0939"},
        // Flags: IAST's ḷ and ṛ are ळ and ड़ before a vowel; its dandas only
        // as words of their own; its om is written, never read.
        {scheme::iast, reads, U"agnim\u012B\u1E37e k\u1E37pta ba\u1E5B\u0101 \u1E5Btvij",
         U"\u0905\u0917\u094D\u0928\u093F\u092E\u0940\u0933\u0947 \u0915\u0962\u092A\u094D\u0924 \u092C\u095C\u093E \u090B\u0924\u094D\u0935\u093F\u091C\u094D"},
        {scheme::iast, reads, U"a/b / // a//", U"\u0905/\u092C\u094D \u0964 \u0965 \u0905//"},
        {scheme::iast, writes, U"o\u1E43", U"\u0950"},
        {scheme::iast, reads, U"o\u1E43", U"\u0913\u0902"},
        // Spelt viramas: after a consonant they close it (with the joiner:
        // a half form); elsewhere they are copied.
        {scheme::itrans, reads, U"jagat.h tat.h .h k{}Sha", U"\u091C\u0917\u0924\u094D \u0924\u0924\u094D .h \u0915\u094D\u200D\u0937"},
        {scheme::velthuis, reads, U"k& k+ta &", U"\u0915\u094D \u0915\u094D\u200D\u0924 &"},
        // ITRANS escapes and passages.
        {scheme::itrans, reads, U"1\\-1 cha\\, \\k", U"1-1 \u091A, k"},
        {scheme::itrans, reads, U"k##ka##ka ##!## ##a", U"\u0915\u094Dka\u0915 ! a"},
        // The nukta after a consonant (WX): the letter with nukta, still
        // open; elsewhere Z is the avagraha. Written as the consonant's
        // spelling and the nukta's where the scheme has no letter for it.
        {scheme::wx, both, U"badZe dZA lYZa JZa", U"\u092C\u095C\u0947 \u095C\u093E \u0934 \u091D\u093C"},
        {scheme::wx, reads, U"soZham dZZ Z", U"\u0938\u094B\u093D\u0939\u092E\u094D \u095C\u094D\u093D \u093D"},
        // A sign after a consonant with no vowel: the virama, then the sign.
        {scheme::hk, both, U"kM kH k~", U"\u0915\u094D\u0902 \u0915\u094D\u0903 \u0915\u094D\u0901"},
        {scheme::wx, reads, U"sMnyAsI", U"\u0938\u094D\u0902\u0928\u094D\u092F\u093E\u0938\u0940"},
        // Accents: held to the end of the syllable, after its vowel and
        // any anusvara or visarga; after a consonant, the virama first.
        {scheme::itrans, both, U"taM\\' yaM\\' a\\_gni\\'m", U"\u0924\u0902\u0951 \u092F\u0902\u0951 \u0905\u0952\u0917\u094D\u0928\u093F\u0951\u092E\u094D"},
        {scheme::itrans, reads, U"ta\\'M k\\' \\'", U"\u0924\u0902\u0951 \u0915\u094D\u0951 \u0951"},
        {scheme::slp1, both, U"agni/m a\\gni/m", U"\u0905\u0917\u094D\u0928\u093F\u0951\u092E\u094D \u0905\u0952\u0917\u094D\u0928\u093F\u0951\u092E\u094D"},
        {scheme::slp1, reads, U"a^ e1 o1", U"\u0905\u0951 \u090E \u0912"},
        // Accent marks on IAST and ISO 15919 vowels: read off the vowel's
        // letter (not off a consonant's), written on its last letter.
        {scheme::iast, both, U"agn\u00EDm \u00E0gn\u00EDm y\u00E1\u1E43 a\u00ED r\u0101m\u00E1\u1E25",
         U"\u0905\u0917\u094D\u0928\u093F\u0951\u092E\u094D \u0905\u0952\u0917\u094D\u0928\u093F\u0951\u092E\u094D "
         U"\u092F\u0902\u0951 \u0910\u0951 \u0930\u093E\u092E\u0903\u0951"},
        {scheme::iast, reads, U"a\u0331gnim \u012B\u030D\u1E3Be \u1E3B \u015B\u0101", U"\u0905\u0952\u0917\u094D\u0928\u093F\u092E\u094D \u0908\u0951\u0933\u0947 \u0933\u094D \u0936\u093E"},
        {scheme::iast, writes, U"\u0951 k\u0951", U"\u0951 \u0915\u094D\u0951"},
        {scheme::iso15919, both, U"dev\u00E1m \u0101\u0301 \u0155\u0325", U"\u0926\u0946\u0935\u0951\u092E\u094D \u0906\u0951 \u090B\u0951"},
        {scheme::iso15919, reads, U"a\u0332", U"\u0905\u0952"},
        // ISO 15919 as published: e and o short, ē and ō long, any case.
        {scheme::iso15919, both, U"n\u0113nu el\u0101 s\u014D\u2019ham", U"\u0928\u0947\u0928\u0941 \u090E\u0932\u093E \u0938\u094B\u093D\u0939\u092E\u094D"},
        {scheme::iso15919, reads, U"KR\u0325\u1E62\u1E46A", U"\u0915\u0943\u0937\u094D\u0923"},
        // Capitals: IAST reads them as small letters, the others as letters
        // of their own; Velthuis's capitals.
        {scheme::iast, reads, U"K\u1E5A\u1E62\u1E46A AI K\u035FH", U"\u0915\u0943\u0937\u094D\u0923 \u0910 \u0959\u094D"},
        {scheme::hk, reads, U"ka Ka kA", U"\u0915 K\u0905 \u0915\u093E"},
        {scheme::velthuis, reads, U"KA .o @ ~o .TI", U"\u0916\u093E \u0950 \u0970 \u0911 \u0920\u0940"},
        // Sanskrit mode: a space after a consonant closes up before a
        // letter, and one before an avagraha after a vowel is dropped; a
        // separator is no letter to close up with.
        {scheme::iast, reads, U"tat tvam te 'pi", U"\u0924\u0924\u094D\u0924\u094D\u0935\u092E\u094D\u0924\u0947\u093D\u092A\u093F", skt},
        {scheme::itrans, reads, U"k _a", U"\u0915\u094D \u0905", skt},
        {scheme::itrans, reads, U"k12 ka|| k|", U"\u0915\u094D\u0967\u0968 \u0915\u0965 \u0915\u094D\u0964", num},
        // A consonant the scheme cannot spell is copied with the nukta, and
        // the vowel sign or virama after it.
        {scheme::hk, writes, U"\u0934\u093C\u094Dra", U"\u0934\u093C\u094D\u0930"},
    };
    for (const golden& g : rows) {
        if (g.w & reads)
            expectread(g.s, utf8(g.roman), g.devanagari, g.opt);
        if (g.w & writes)
            expectwrite(g.s, utf8(g.devanagari), g.roman);
    }
}

// The examples file: words written in each scheme, and read back but where
// the scheme cannot carry them; then text as people write it, what it
// reads as, and what that is written as.
TEST(SchemeGolden, ExamplesFile)
{
    std::ifstream file(std::string(SCHEMES_DIR) + "/examples.tsv");
    std::string line;
    std::vector<scheme> columns;
    bool written = true;
    int rows = 0;
    while (std::getline(file, line)) {
        std::vector<std::string> cells;
        std::stringstream fields(line);
        for (std::string f; std::getline(fields, f, '\t');)
            cells.push_back(f);
        if (line.starts_with("#")) {
            written = line.find("as people write") == std::string::npos;
            continue;
        }
        ++rows;
        auto named = [](const std::string& name) {
            scheme s{};
            EXPECT_TRUE(lipisetu::schemenamed(name, s)) << name;
            return s;
        };
        if (!written) {
            ASSERT_EQ(cells.size(), 4u) << line;
            const scheme s = named(cells[0]);
            EXPECT_EQ(harness::nfc(harness::kavrelconvert({.scheme = s}, cells[1])), harness::nfc(cells[2])) << line;
            EXPECT_EQ(harness::sonwickconvert(cells[2], codec::bufsize, true, s), cells[3]) << line;
            continue;
        }
        if (columns.empty())
            for (const char* name : {"iast", "hk", "itrans", "slp1", "velthuis", "wx", "iso15919"})
                columns.push_back(named(name));
        ASSERT_EQ(cells.size(), columns.size() + 1) << line;
        for (std::size_t k = 0; k < columns.size(); ++k) {
            EXPECT_EQ(harness::sonwickconvert(cells[0], codec::bufsize, true, columns[k]), cells[k + 1]) << line;
            if (harness::carries(columns[k], harness::codepoints(cells[0]))) {
                EXPECT_EQ(harness::nfc(harness::kavrelconvert({.scheme = columns[k]}, cells[k + 1])), harness::nfc(cells[0]))
                    << "read back " << cells[k + 1];
            }
        }
    }
    EXPECT_GT(rows, 50);
}

// Every scheme fills kavrel's dictionary under every option set.
TEST(SchemeReading, EveryDictionaryFits)
{
    auto d = std::make_unique<kavrel::dictionary>();
    for (std::size_t k = 0; k < schemes::count; ++k)
        for (unsigned bits = 0; bits < 4; ++bits)
            EXPECT_TRUE(kavrel::fill(*d, {.sanskrit = (bits & 1) != 0, .numerals = (bits & 2) != 0,
                                          .scheme = static_cast<vocab::scheme>(nth(k))}))
                << schemes::all[k].name << " " << bits;
}

// Each named limit is genuine: every run it names is written as the
// spelling of other Devanagari, which is written the same, so that no
// reader could tell the two apart.
TEST(SchemeRoundTrip, LimitsAreGenuine)
{
    for (const harness::limit& l : harness::limits) {
        std::u32string before(l.before);
        for (const schemes::row& r : of(l.s).rows)
            if (l.aftera && (r.unit[0] == 0x0905 || (r.k == kind::consonant && !r.spellings.empty())))
                before += static_cast<char32_t>(r.unit[0]);
        for (char32_t b : before)
            for (char32_t a : l.after) {
                const std::u32string run = b + std::u32string(l.between) + a;
                const std::string written = harness::sonwickconvert(utf8(run), codec::bufsize, true, l.s);
                const std::string twin = harness::kavrelconvert({.scheme = l.s}, written);
                EXPECT_NE(twin, utf8(run)) << of(l.s).name << " " << written;
                EXPECT_FALSE(harness::carries(l.s, run)) << of(l.s).name << " " << written;
            }
    }
}

// Random words through sonwick and kavrel in each scheme, the default one
// too, come back, but for the runs the scheme cannot carry; all the words
// carried, as one text, come back the same at every read size.
TEST(SchemeRoundTrip, RandomWordsComeBack)
{
    for (std::size_t k = 0; k < schemes::count; ++k) {
        std::mt19937 rng(static_cast<unsigned>(15919 + k));
        devwords::chooser ch{nullptr, 0, &rng};
        std::u32string text, expected;
        int held = 0;
        for (int w = 0; w < 4000; ++w) {
            devwords::text t;
            devwords::addword(ch, t);
            if (!harness::carries(nth(k), t.expected)) {
                ++held;
                continue;
            }
            const std::string roman = harness::sonwickconvert(utf8(t.written), codec::bufsize, true, nth(k));
            EXPECT_EQ(hex(harness::kavrelconvert({.scheme = nth(k)}, roman)), hex(utf8(t.expected)))
                << schemes::all[k].name << ": " << utf8(t.written) << " written \"" << roman << "\"";
            text += t.written;
            expected += t.expected;
        }
        EXPECT_LT(held, 400) << schemes::all[k].name; // the limits are rare runs
        const std::string roman = harness::sonwickconvert(utf8(text), codec::bufsize, true, nth(k));
        for (std::size_t chunk : {std::size_t{1}, std::size_t{2}, std::size_t{3}}) {
            EXPECT_EQ(harness::sonwickconvert(utf8(text), chunk, chunk != 2, nth(k)), roman) << chunk;
            for (bool fast : {true, false})
                EXPECT_EQ(harness::kavrelconvert({.scheme = nth(k)}, roman, chunk, fast), utf8(expected)) << chunk;
        }
    }
}

// Devanagari digits come back with kavrel's numerals.
TEST(SchemeRoundTrip, DigitsComeBackWithNumerals)
{
    for (std::u32string text : {U"\u0966\u0967\u0968\u0969\u096A\u096B\u096C\u096D\u096E\u096F\n",
                                U"\u0915\u0967 \u0915\u093F\u0968\u0969 \u096B\u0915\n", U"\u0905\u0967 \u0915\u094D \u0967"})
        EXPECT_EQ(hex(harness::kavrelconvert({.numerals = true}, harness::sonwickconvert(utf8(text)))), hex(utf8(text)));
}

} // namespace
