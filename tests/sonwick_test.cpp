// sonwick: Devanagari to ISO 15919 Roman, checked by the bytes it writes.
#include "harness.hpp"
#include "sonwick/convert.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using harness::hex;
using harness::utf8;

std::string convert(const std::string& input, std::size_t chunk = codec::bufsize)
{
    auto st = std::make_unique<sonwick::state>();
    harness::memout out;
    std::FILE* in = harness::memin(input);
    sonwick::start(*st, in, out.f, chunk);
    sonwick::process(*st);
    codec::finish(st->out.bytes);
    std::fclose(in);
    return out.take();
}

struct textcase {
    std::u32string in, out;
};

void expectall(const std::vector<textcase>& cases)
{
    for (const textcase& c : cases)
        EXPECT_EQ(hex(convert(utf8(c.in))), hex(utf8(c.out))) << "input " << hex(utf8(c.in));
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
        {U"\u0929\u093E", U"\u0929\u0101"}, {U"\u0915\u0945", U"ka\u0945"},
        {U"\u0918\u093C", U"gha\u093C"}, {U"\u0915", U"ka"}, {U"\u0939", U"ha"}, {U"", U""},
    });
}

// Each row alone (the virama after it keeps a consonant's vowel off), and
// after a consonant and before a space.
TEST(SonwickTransliterate, EveryRowText)
{
    const textcase rows[] = {
        {U"\u093D", U"\u2019"}, {U"\u0905", U"a"}, {U"\u0906", U"\u0101"}, {U"\u093E", U"\u0101"},
        {U"\u0907", U"i"}, {U"\u093F", U"i"}, {U"\u0908", U"\u012B"}, {U"\u0940", U"\u012B"},
        {U"\u0909", U"u"}, {U"\u0941", U"u"}, {U"\u090A", U"\u016B"}, {U"\u0942", U"\u016B"},
        {U"\u090B", U"r\u0325"}, {U"\u0943", U"r\u0325"}, {U"\u0960", U"r\u0325\u0304"},
        {U"\u0944", U"r\u0325\u0304"}, {U"\u090C", U"l\u0325"}, {U"\u0962", U"l\u0325"},
        {U"\u0961", U"l\u0325\u0304"}, {U"\u0963", U"l\u0325\u0304"}, {U"\u090F", U"e"},
        {U"\u0947", U"e"}, {U"\u0913", U"o"}, {U"\u094B", U"o"}, {U"\u0910", U"ai"},
        {U"\u0948", U"ai"}, {U"\u0914", U"au"}, {U"\u094C", U"au"}, {U"\u0901", U"m\u0310"},
        {U"\u0902", U"\u1E41"}, {U"\u0903", U"\u1E25"}, {U"\u0915", U"k"}, {U"\u0916", U"kh"},
        {U"\u0917", U"g"}, {U"\u0918", U"gh"}, {U"\u0919", U"\u1E45"}, {U"\u091A", U"c"},
        {U"\u091B", U"ch"}, {U"\u091C", U"j"}, {U"\u091D", U"jh"}, {U"\u091E", U"\u00F1"},
        {U"\u091F", U"\u1E6D"}, {U"\u0920", U"\u1E6Dh"}, {U"\u0921", U"\u1E0D"},
        {U"\u0922", U"\u1E0Dh"}, {U"\u0923", U"\u1E47"}, {U"\u0924", U"t"}, {U"\u0925", U"th"},
        {U"\u0926", U"d"}, {U"\u0927", U"dh"}, {U"\u0928", U"n"}, {U"\u092A", U"p"},
        {U"\u092B", U"ph"}, {U"\u092C", U"b"}, {U"\u092D", U"bh"}, {U"\u092E", U"m"},
        {U"\u092F", U"y"}, {U"\u0930", U"r"}, {U"\u0932", U"l"}, {U"\u0935", U"v"},
        {U"\u0936", U"\u015B"}, {U"\u0937", U"\u1E63"}, {U"\u0938", U"s"}, {U"\u0939", U"h"},
        {U"\u095C", U"\u1E5B"}, {U"\u095D", U"\u1E5Bh"}, {U"\u0933", U"\u1E37"},
        {U"\u0958", U"q"}, {U"\u0959", U"k\u035Fh"}, {U"\u095A", U"\u0121"}, {U"\u095E", U"f"},
        {U"\u095B", U"z"},
        {U"\u0966\u0967\u0968\u0969\u096A\u096B\u096C\u096D\u096E\u096F", U"0123456789"},
    };
    // Rows 31 to 71 are the consonants, the odd rows 3 to 27 the vowel signs;
    // rows 4 and 8 are I and U, which take a colon after an "a".
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        bool consonant = i >= 31 && i <= 71, sign = i % 2 == 1 && i >= 3 && i <= 27;
        std::u32string before = sign ? U"k" : i == 4 || i == 8 ? U"ka:" : U"ka";
        std::u32string after = consonant ? U"a " : U" ";
        expectall({{rows[i].in + U"\u094D", rows[i].out},
                   {U"\u0915" + rows[i].in + U" ", before + rows[i].out + after}});
    }
}

// Characters without a row are copied whole, after a pending "a".
TEST(SonwickTransliterate, CharactersWithoutRow)
{
    const char32_t norow[] = {0x0000, 'x', '\t', 0x00E9, 0x0900, 0x0904, 0x090D, 0x0912,
                              0x0929, 0x0931, 0x0934, 0x095F, 0x0945, 0x094A, 0x0950, 0x0951,
                              0x0964, 0x0965, 0x097F, 0x0980, 0x200D, 0xFEFF, 0x1F600, 0x10FFFF};
    for (char32_t c : norow) {
        std::u32string s(1, c);
        expectall({{s + U"\u0915", s + U"ka"}, {U"\u0915" + s + U"\u0915", U"ka" + s + U"ka"}});
    }
}

TEST(SonwickTransliterate, ColonBeforeHa)
{
    const textcase aspirable[] = {
        {U"\u0915", U"k"}, {U"\u0917", U"g"}, {U"\u091A", U"c"}, {U"\u091C", U"j"},
        {U"\u091F", U"\u1E6D"}, {U"\u0921", U"\u1E0D"}, {U"\u0924", U"t"}, {U"\u0926", U"d"},
        {U"\u092A", U"p"}, {U"\u092C", U"b"}, {U"\u095C", U"\u1E5B"},
    };
    for (const textcase& a : aspirable)
        expectall({{a.in + U"\u094D\u0939", a.out + U":ha"}});
    expectall({
        {U"\u0916\u094D\u0939", U"khha"}, {U"\u092E\u094D\u0939", U"mha"},
        {U"\u0915\u0939", U"kaha"}, {U"\u0915\u094D \u0939", U"k ha"},
        {U"\u0915\u094D\u094D\u0939", U"kha"}, {U"\u0915\u094D\u200D\u0939", U"k\u200Dha"},
        {U"\u0915\u094D\u0939\u094D\u0939", U"k:hha"}, {U"\u0905\u094D\u0939", U"aha"},
        {U"\u0921\u093C\u094D\u0939\u093E", U"\u1E5B:h\u0101"},
    });
}

TEST(SonwickTransliterate, ConsonantWithNuktaSign)
{
    expectall({
        {U"\u0915\u093C", U"qa"}, {U"\u0916\u093C", U"k\u035Fha"}, {U"\u0917\u093C", U"\u0121a"},
        {U"\u091C\u093C", U"za"}, {U"\u0921\u093C", U"\u1E5Ba"}, {U"\u0922\u093C", U"\u1E5Bha"},
        {U"\u092B\u093C", U"fa"}, {U"\u0915\u093C\u093F", U"qi"}, {U"\u0958", U"qa"},
        {U"\u0915\u093C\u093C", U"qa\u093C"}, {U"\u0915\u0915\u093C", U"kaqa"},
        {U"\u0915\u094D\u093C", U"k\u093C"}, {U"\u0915 \u093C", U"ka \u093C"},
        {U"\u093C", U"\u093C"},
    });
}

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
        {harness::bytes({0xE0}), ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(hex(convert(c.in)), hex(c.out)) << hex(c.in);
}

TEST(SonwickTransliterate, ReadChunkSizeDoesNotMatter)
{
    const std::string text =
        harness::bytes({0xEF, 0xBB, 0xBF}) +
        utf8(U"\u0905\u0907 \u0915\u093C\u0915\u094D\u0939\u0915\u094D\u0937\u093F\u0902\r\n"
             U"\u0921\u093C\u0964 \U0001F600\u0905\u0909\u0917\u093C\u0966\u0915");
    const std::string whole = convert(text);
    ASSERT_FALSE(whole.empty());
    for (std::size_t chunk = 1; chunk <= 8; ++chunk)
        EXPECT_EQ(hex(convert(text, chunk)), hex(whole)) << "chunk " << chunk;
}

// The compile-time index answers as the linear searches do, everywhere.
TEST(SonwickIndex, AgreesWithLinearSearch)
{
    for (codec::lchar c = -1; c <= 0x10FFFF; ++c) {
        const sonwick::dentry& e = sonwick::entryof(c);
        int row = sonwick::finddchar(c);
        ASSERT_EQ(e.row, row) << c;
        ASSERT_EQ(e.inmedvowel, sonwick::isinarray(c, sonwick::medvowel, 13)) << c;
        ASSERT_EQ(e.incons, sonwick::isinarray(c, sonwick::cons, 41)) << c;
        ASSERT_EQ(e.copy, row < 0 && c != 0x094D) << c;
    }
    EXPECT_FALSE(sonwick::isinarray(0x0915, sonwick::cons, 0));
}

TEST(SonwickDriver, MessagesAndStatuses)
{
    const std::string unable = "Unable to open file\n", bom = harness::bytes({0xEF, 0xBB, 0xBF});
    harness::tempfile text(utf8(U"\u0915\u0924\u093E\n\u0915")), empty(""), marked(bom + "x");
    const struct {
        std::vector<std::string> args;
        std::string out, err;
        int status;
    } cases[] = {
        {{}, "", unable, 1},
        {{text.path + ".missing"}, "", unable, 1},
        {{"-"}, "", unable, 1}, // a file name, never standard input
        {{"."}, "", "sonwick: read error: Is a directory\n", 1},
        {{empty.path}, "", "", 0},
        {{text.path}, "kat\xC4\x81\nka", "", 0},
        {{text.path, empty.path + ".missing"}, "kat\xC4\x81\nka", "", 0},
        {{marked.path}, bom + "x", "", 0},
    };
    for (const auto& c : cases) {
        harness::result r = harness::run(SONWICK_BIN, c.args, utf8(U"\u0915"));
        EXPECT_EQ(hex(r.out), hex(c.out)) << c.args.size();
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.status, c.status);
    }
    harness::result full = harness::run(SONWICK_BIN, {text.path}, "", "/dev/full");
    EXPECT_EQ(full.err, "sonwick: write error: No space left on device\n");
    EXPECT_EQ(full.status, 1);
}

} // namespace
