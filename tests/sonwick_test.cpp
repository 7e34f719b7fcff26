// sonwick: Devanagari to ISO 15919 Roman, checked by the bytes it writes.
#include "harness.hpp"
#include "schemes.hpp"
#include "sonwick/convert.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using harness::bytes;
using harness::hex;
using harness::utf8;

struct textcase {
    std::u32string in, out;
};

// Each case read whole and in pieces, the fast way and the general way.
void expectall(const std::vector<textcase>& cases)
{
    for (const textcase& c : cases)
        EXPECT_EQ(harness::everyway(false, {}, utf8(c.in), utf8(c.out)), "");
}

// Each kind of character from each of the three states; the letter I after
// it shows the state it leaves (":i" after A, "a:i" after a consonant).
TEST(SonwickTransliterate, StateTable)
{
    struct row {
        std::u32string kind, neutral, aftera, pending;
    };
    const row rows[] = {
        {U"\u094D", U"i", U"ai", U"ki"},                     // virama
        {U"\u0907", U"ii", U"a:ii", U"ka:ii"},               // letter I
        {U"\u0909", U"ui", U"a:ui", U"ka:ui"},               // letter U
        {U"\u093E", U"\u0101i", U"a\u0101i", U"k\u0101i"},   // vowel sign AA
        {U"\u0917", U"ga:i", U"aga:i", U"kaga:i"},           // consonant GA
        {U"\u0905", U"a:i", U"aa:i", U"kaa:i"},              // letter A
        {U"\u0902", U"\u1E41i", U"a\u1E41i", U"ka\u1E41i"},  // anusvara
        {U"\u0964", U"\u0964i", U"a\u0964i", U"ka\u0964i"},  // danda, no row
    };
    for (const row& r : rows)
        expectall({{r.kind + U"\u0907", r.neutral},
                   {U"\u0905" + r.kind + U"\u0907", r.aftera},
                   {U"\u0915" + r.kind + U"\u0907", r.pending}});
}

// The last three: the end of the input gives a pending consonant its vowel.
TEST(SonwickTransliterate, VowelsSignsAndVirama)
{
    expectall({
        {U"\u0915\u093F", U"ki"}, {U"\u0915\n", U"ka\n"}, {U"\u0915\u0924\u093E", U"kat\u0101"},
        {U"\u0915\u094D\u0937 ", U"k\u1E63a "}, {U"\u0915\u0908", U"ka\u012B"},
        {U"\u0906\u0907", U"\u0101i"}, {U"\u0910", U"ai"}, {U"\u0915\u0948", U"kai"},
        {U"\u0915\u093E\u0901", U"k\u0101m\u0310"}, {U"\u0915\u0903", U"ka\u1E25"},
        {U"\u0915\u093D", U"ka\u2019"}, {U"\u0915\u0967", U"ka1"}, {U"\u094D", U""},
        {U"\u0915\u094D\u094D", U"k"}, {U"\u0915\u094D\u093F", U"ki"},
        {U"\u0915\u0946", U"ka\u0946"},
        {U"\u0918\u093C", U"gha\u093C"}, {U"\u0915", U"ka"}, {U"\u0939", U"ha"}, {U"", U""},
        // A colon keeps an aspirable consonant closed by the virama apart
        // from a following HA; a consonant and the nukta sign are its
        // precomposed letter.
        {U"\u0916\u094D\u0939", U"khha"}, {U"\u092E\u094D\u0939", U"mha"},
        {U"\u0915\u0939", U"kaha"}, {U"\u0915\u094D \u0939", U"k ha"},
        {U"\u0915\u094D\u094D\u0939", U"kha"}, {U"\u0915\u094D\u0939\u094D\u0939", U"k:hha"},
        {U"\u0921\u093C\u094D\u0939\u093E", U"\u1E5B:h\u0101"},
        {U"\u0915\u093C", U"qa"}, {U"\u0916\u093C", U"k\u035Fha"}, {U"\u0917\u093C", U"\u0121a"},
        {U"\u091C\u093C", U"za"}, {U"\u0922\u093C", U"\u1E5Bha"}, {U"\u092B\u093C", U"fa"},
        {U"\u0915\u093C\u093F", U"qi"}, {U"\u0915\u093C\u093C", U"qa\u093C"},
        {U"\u0915\u0915\u093C", U"kaqa"}, {U"\u0915\u094D\u093C", U"k\u093C"},
    });
}

// Characters without a row are copied whole, after a pending "a".
TEST(SonwickTransliterate, CharactersWithoutRow)
{
    for (char32_t c : {0x0000, 0x00E9, 0x0900, 0x090E, 0x0912, 0x0946, 0x094A, 0x0950, 0x0964,
                       0x097F, 0x200D, 0xFEFF, 0x1F600, 0x10FFFF})
        expectall({{{c, 0x0915}, {c, 'k', 'a'}}, {{0x0915, c, 0x0915}, {'k', 'a', c, 'k', 'a'}}});
}

// Every aspirable consonant closed by the virama takes the colon before HA.
TEST(SonwickTransliterate, ColonBeforeHa)
{
    const char32_t aspirable[] = {0x0915, 0x0917, 0x091A, 0x091C, 0x091F, 0x0921,
                                  0x0924, 0x0926, 0x092A, 0x092C, 0x095C};
    for (char32_t c : aspirable) {
        std::string bare = harness::sonwickconvert(utf8(std::u32string{c, 0x094D}));
        EXPECT_EQ(harness::sonwickconvert(utf8(std::u32string{c, 0x094D, 0x0939})), bare + ":ha");
    }
}

// The candra vowels and the Dravidian and Urdu consonants are written in
// the letters kavrel reads: alone, after a consonant, after the virama, and
// spelled with the separate nukta sign. None of them is aspirated by h.
TEST(SonwickTransliterate, ModernAndDravidianLetters)
{
    // NNNA, RRA, LLLA, YYA precomposed, and as NA, RA, LLA, YA with the nukta.
    const std::u32string nnna = U"\u0929", rra = U"\u0931", llla = U"\u0934", yya = U"\u095F";
    const std::u32string four[] = {nnna, rra, llla, yya};
    const std::u32string spelt[] = {U"\u0928\u093C", U"\u0930\u093C", U"\u0933\u093C", U"\u092F\u093C"};
    const std::u32string roman[] = {U"\u1E49", U"r\u0306", U"\u1E3B", U"\u1E8F"};
    for (int i = 0; i < 4; ++i)
        expectall({
            {four[i], roman[i] + U"a"},
            {spelt[i] + U"\u093E", roman[i] + U"\u0101"},
            {U"\u0915\u094D" + four[i], U"k" + roman[i] + U"a"},    // after the virama
            {four[i] + U"\u094D\u0939", roman[i] + U"ha"},         // no colon before ha
            {U"\u0915" + spelt[i] + U"\u0949", U"ka" + roman[i] + U"\u00F4"},
        });
    expectall({
        {U"\u090D \u0911", U"\u00EA \u00F4"},                     // candra e, candra o
        {U"\u0915\u0945 \u0915\u0949", U"k\u00EA k\u00F4"},
        {U"\u0915\u090D \u0915\u0911", U"ka\u00EA ka\u00F4"},
        {U"\u0915\u094D\u0949", U"k\u00F4"},
        {U"\u0905\u092A\u0949\u0930\u091A\u0941\u0928\u093F\u091F\u093F", U"ap\u00F4racuni\u1E6Di"},
    });
}

// Each scheme's writer knows each code point as a search of its rows in
// their listed order finds it: its text, whether it is a vowel sign that
// takes the inherent a's place, a consonant, or a consonant it cannot spell.
TEST(SonwickWriter, EntriesAgreeWithTheRows)
{
    for (std::size_t k = 0; k < schemes::count; ++k) {
        const schemes::scheme& s = schemes::all[k];
        const sonwick::writer& w = sonwick::writerfor(k);
        for (codec::lchar c = -1; c <= 0x3000; c = c == 0x3000 ? 0x10FFFF : c + 1) {
            std::u32string_view text;
            bool sign = false, consonant = false, unspelt = false;
            for (const auto& rows : {s.rows, std::span<const schemes::row>(schemes::digits)})
                for (const schemes::row& r : rows) {
                    bool one = schemes::unitlength(r) == 1 && r.k != schemes::kind::cluster &&
                               r.k != schemes::kind::virama && r.k != schemes::kind::nukta;
                    if (text.empty() && one && r.unit[0] == c) {
                        text = schemes::written(r);
                        consonant = r.k == schemes::kind::consonant;
                        unspelt = consonant && text.empty();
                    } else if (text.empty() && one && r.k == schemes::kind::vowel && r.sign[0] && r.sign[0] == c && !r.sign[1]) {
                        text = schemes::written(r);
                        sign = !text.empty();
                    }
                }
            // A nukta letter the scheme spells as its consonant and its nukta
            // (WX's dZ for ड़).
            std::u32string made(text);
            for (const vocab::nuktapair& p : vocab::nuktapairs)
                if (p.joined == c && text.empty() && w.nuktatext.len &&
                    sonwick::entryof(w, p.plain).row >= 0) {
                    made = std::u32string(w.rows[sonwick::entryof(w, p.plain).row].spelling()).append(w.nuktatext.spelling());
                    unspelt = false;
                }
            const sonwick::dentry& e = sonwick::entryof(w, c);
            ASSERT_EQ(e.row >= 0 ? std::u32string(w.rows[e.row].spelling()) : std::u32string{}, made) << s.name << " " << c;
            ASSERT_EQ(e.inmedvowel, sign) << s.name << " " << c;
            ASSERT_EQ(e.incons, consonant && !made.empty()) << s.name << " " << c;
            ASSERT_EQ(e.unspelt, unspelt) << s.name << " " << c;
        }
    }
}

// Output that fills the buffer while the lane writes it, with a joined
// letter, a consonant that the nukta sign may join and a pending "a" at
// each place of the buffer's edge.
TEST(SonwickFastLane, OutputBufferEdge)
{
    const std::string unit = utf8(U"\u0915\u093C\u0921 \u0921\u093C\u093E\u0928\u093C\u0915\u094D\u0939\n");
    for (std::size_t shift = 0; shift < 8; ++shift) {
        std::string text(shift, '.');
        while (text.size() < 2 * codec::bufsize + 100)
            text += unit;
        EXPECT_EQ(harness::sonwickconvert(text), harness::sonwickconvert(text, codec::bufsize, false)) << "shift " << shift;
    }
}

// The byte-order mark is copied like any character; carriage returns are
// kept; a character cut by the end of the input gives nothing.
TEST(SonwickTransliterate, BytesAtTheEdges)
{
    const std::string ka = utf8(U"\u0915"), bom = harness::bytes({0xEF, 0xBB, 0xBF});
    const struct {
        std::string in, out;
    } cases[] = {
        {bom + ka, bom + "ka"},
        {ka + "\r\n" + ka + "\r\n", "ka\r\nka\r\n"},
        {ka + harness::bytes({0xE0, 0xA4}), "ka"},
        {harness::bytes({'x', 0xF0, 0x9F, 0x98}), "x"},
        // Continuation bytes and 0xF8 to 0xFF lead three-byte sequences.
        {harness::bytes({0x80, 0x81, 0x82, 0xF8, 0xA4, 0x95}), "B" + harness::bytes({0xE8, 0xA4, 0x95})},
    };
    for (const auto& c : cases)
        EXPECT_EQ(harness::everyway(false, {}, c.in, c.out), "");
}

} // namespace
