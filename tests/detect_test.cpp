// detect: a clear sentence in each scheme, the Devanagari script, English
// and nothing; every scheme of the table on text made from its own rows;
// and kavrel --scheme auto end to end.
#include "harness.hpp"
#include "schemes.hpp"

#include <gtest/gtest.h>

namespace {

using harness::utf8;
using lipisetu::writing;

// What detect finds, as "iast", "devanagari" or "unknown".
std::string found(const lipisetu::detection& d)
{
    return d.found == writing::roman ? std::string(lipisetu::nameof(d.scheme))
                                     : d.found == writing::devanagari ? "devanagari" : "unknown";
}

const std::string english = "Reads the file, or standard input, and writes Devanagari to standard output. ";
// A block of English, and more.
const std::string englishblock = [] {
    std::string s;
    while (s.size() < lipisetu::detectblock)
        s += english;
    return s;
}();
// "samskrtam krsnah sivaya namah" in IAST, with its dots and macrons.
const std::string iast = utf8(U"sa\u1E43sk\u1E5Btam k\u1E5B\u1E63\u1E47a\u1E25 \u015Biv\u0101ya nama\u1E25");

TEST(Detect, ClearTexts)
{
    using lipisetu::form;
    const struct {
        std::string text;
        form input;
        std::string want;
    } rows[] = {
        {utf8(U"sa\u1E41skr\u0325tam kr\u0325\u1E63\u1E47a\u1E25 \u015Biv\u0101ya nama\u1E25"), form::detect, "iso"},
        {iast, form::detect, "iast"},
        {"saMskRtam kRSNaH zivAya namaH", form::detect, "hk"},
        {"saMskRRitam kRRiShNaH shivAya namaH", form::detect, "itrans"},
        {"saMskftam kfzRaH SivAya namaH", form::detect, "slp1"},
        {"sa.msk.rtam k.r.s.na.h \"sivaaya nama.h", form::detect, "velthuis"},
        {"saMskqwam kqRNaH SivAya namaH", form::detect, "wx"},
        // Capitals folded, letters decomposed, the other input forms.
        {utf8(U"K\u1E5A\u1E62\u1E46A sa\u1E43sk\u1E5Btam"), form::detect, "iast"},
        {harness::nfd(iast), form::detect, "iast"},
        {harness::utf16("saMskRtam kRSNaH zivAya namaH", true, true), form::detect, "hk"},
        {harness::utf16("saMskRtam kRSNaH zivAya namaH", false), form::utf16be, "hk"},
        {utf8(U"\u0938\u0902\u0938\u094D\u0915\u0943\u0924\u092E\u094D \u0915\u0943\u0937\u094D\u0923\u0903"), form::detect,
         "devanagari"},
        {english, form::detect, "unknown"},
        {"", form::detect, "unknown"},
        {"2024, 12:30 -- !", form::detect, "unknown"},
        // Only the first block is read.
        {englishblock + iast, form::detect, "unknown"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(found(lipisetu::detect(r.text, r.input)), r.want) << r.text.substr(0, 80);
    EXPECT_EQ(lipisetu::detect("").score, 0);
    EXPECT_GT(lipisetu::detect(iast).score, 0.9);
}

// Every scheme of the table, on the syllables of its own rows (each
// consonant it spells with each vowel sign it spells) as sonwick writes
// them in it: the scheme itself, however many schemes the table holds.
TEST(Detect, EverySchemeOnItsOwnRows)
{
    for (std::size_t k = 0; k < schemes::count; ++k) {
        const schemes::scheme& sc = schemes::all[k];
        std::u32string text;
        std::size_t vowel = 0;
        for (const schemes::row& c : sc.rows) {
            if (c.k != schemes::kind::consonant || c.spellings.empty() || c.unit[1])
                continue;
            for (int i = 0; i < 3; ++i, ++vowel) {
                const schemes::row* v = nullptr;
                while (!v) {
                    const schemes::row& r = sc.rows[vowel++ % sc.rows.size()];
                    if (r.k == schemes::kind::vowel && r.sign[0] && !r.sign[1] && !r.spellings.empty())
                        v = &r;
                }
                text += {static_cast<char32_t>(c.unit[0]), static_cast<char32_t>(v->sign[0]), 0x0915, U' '};
            }
        }
        const auto s = static_cast<lipisetu::scheme>(k);
        const std::string roman = lipisetu::toroman(utf8(text), s);
        EXPECT_EQ(found(lipisetu::detect(roman)), sc.name) << roman.substr(0, 200);
    }
}

// kavrel --scheme auto reads the text as the scheme it finds, says so,
// and converts the whole input, the block it read ahead included: from a
// file and from a pipe in short reads.
TEST(Detect, KavrelSchemeAuto)
{
    std::string longer;
    while (longer.size() < 3 * lipisetu::detectblock)
        longer += iast + " " + std::to_string(longer.size()) + "\n";
    const struct {
        std::string text, scheme, err;
    } rows[] = {
        {iast + "\n", "iast", "kavrel: --scheme auto: reading iast\n"},
        {longer, "iast", "kavrel: --scheme auto: reading iast\n"},
        {english + "\n", "iso", "kavrel: --scheme auto: no scheme fits the text; reading iso\n"},
        {utf8(U"\u0928\u092E\u0938\u094D\u0924\u0947\n"), "iso",
         "kavrel: --scheme auto: the text is in Devanagari; reading iso\n"},
    };
    for (const auto& r : rows) {
        harness::tempfile file(r.text);
        const harness::result want = harness::run(KAVREL_BIN, {"--scheme", r.scheme, file.path});
        for (const harness::result& got : {harness::run(KAVREL_BIN, {"--scheme", "auto", file.path}),
                                           harness::run(KAVREL_BIN, {"--scheme=auto"}, r.text, {.pipein = true})}) {
            EXPECT_EQ(got.status, 0);
            EXPECT_EQ(got.err, r.err);
            EXPECT_EQ(harness::hex(got.out), harness::hex(want.out)) << r.text.substr(0, 80);
        }
    }
    // The last --scheme counts.
    EXPECT_EQ(harness::run(KAVREL_BIN, {"--scheme", "auto", "--scheme", "hk"}, "kRSNa").err, "");
}

} // namespace
