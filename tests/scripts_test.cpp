// The scripts module: Devanagari written in the eight other scripts by the
// conventions, read back, and the same in blocks cut anywhere. Text is
// written as hexadecimal code points ("924 94D" is ta + virama), with its
// ISO 15919 reading in the comment.
#include "scripts.hpp"
#include "scripttables.hpp"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

using scripts::script;

std::u32string cps(const std::string& hex)
{
    std::u32string s;
    std::istringstream in(hex);
    for (std::string h; in >> h;)
        s += char32_t(std::stoul(h, nullptr, 16));
    return s;
}

std::string hexof(const std::u32string& s)
{
    std::ostringstream out;
    for (char32_t c : s)
        out << std::hex << std::uppercase << unsigned(c) << ' ';
    return out.str();
}

// The text converted in blocks that end at each of `cuts`, the last one
// marked as the last.
std::u32string writes(script s, const std::u32string& in, std::vector<std::size_t> cuts = {})
{
    scripts::writer w;
    scripts::start(w, s);
    std::u32string out;
    cuts.push_back(in.size());
    std::size_t at = 0;
    for (std::size_t i = 0; i < cuts.size(); i++) {
        std::vector<char32_t> room(scripts::writeroom(cuts[i] - at));
        std::size_t n = scripts::write(w, in.data() + at, cuts[i] - at, i + 1 == cuts.size(), room.data());
        EXPECT_LE(n, room.size());
        out.append(room.data(), n);
        at = cuts[i];
    }
    return out;
}

std::u32string reads(const std::u32string& in, std::vector<std::size_t> cuts = {}, scripts::keepset keep = {})
{
    scripts::reader r;
    scripts::start(r, keep);
    std::u32string out;
    cuts.push_back(in.size());
    std::size_t at = 0;
    for (std::size_t i = 0; i < cuts.size(); i++) {
        std::vector<char32_t> room(scripts::readroom(cuts[i] - at));
        std::size_t n = scripts::read(r, in.data() + at, cuts[i] - at, i + 1 == cuts.size(), room.data());
        EXPECT_LE(n, room.size());
        out.append(room.data(), n);
        at = cuts[i];
    }
    return out;
}

// Both ways, and both cut at every place: the written text, and what it
// reads back as (the Devanagari itself when `back` is empty; only read
// when `dev` is).
struct convention {
    script s;
    const char *dev, *written, *back;
};
void expectboth(const convention& c)
{
    std::u32string dev = cps(c.dev), written = cps(c.written), back = *c.back ? cps(c.back) : dev;
    SCOPED_TRACE(std::string(scripts::names[int(c.s)]) + ": " + c.dev + " / " + c.written);
    if (!dev.empty()) {
        EXPECT_EQ(hexof(writes(c.s, dev)), hexof(written));
    }
    EXPECT_EQ(hexof(reads(written)), hexof(back));
    for (std::size_t cut = 0; cut <= dev.size() && !dev.empty(); cut++)
        EXPECT_EQ(hexof(writes(c.s, dev, {cut})), hexof(written)) << "cut at " << cut;
    for (std::size_t cut = 0; cut <= written.size(); cut++)
        EXPECT_EQ(hexof(reads(written, {cut})), hexof(back)) << "cut at " << cut;
}

TEST(Scripts, Names)
{
    script s;
    ASSERT_TRUE(scripts::find("assamese", s));
    EXPECT_EQ(s, script::assamese);
    EXPECT_FALSE(scripts::find("devnagari", s));
    EXPECT_EQ(scripts::names[0], "devanagari");
}

// Every cell, written alone, is the cell; a counterpart reads back as its
// row (or the first row with the same cell), a substitute as letters that
// are written as the substitute again. This holds the look-ups to the rows.
TEST(Scripts, EveryCellBothWays)
{
    using namespace scripts;
    for (std::size_t s = 1; s < count; s++)
        for (const row& r : rows) {
            const cell& c = r.cells[s - 1];
            std::u32string dev(1, r.dev), image(c.cp, c.n);
            SCOPED_TRACE(std::string(names[s]) + " " + hexof(dev));
            if (c.how == way::copied) {
                EXPECT_EQ(writes(script(s), dev), dev);
                continue;
            }
            EXPECT_EQ(hexof(writes(script(s), dev)), hexof(image));
            std::u32string back = reads(image);
            if (c.how == way::substitute) {
                EXPECT_NE(back, dev);
                EXPECT_EQ(hexof(writes(script(s), back)), hexof(image));
            } else if (!scripts::tables::isdev(c.cp[0])) {
                const row* first = &r;
                for (const row& o : rows)
                    if (&o < first && scripts::tables::same(o.cells[s - 1], c))
                        first = &o;
                EXPECT_EQ(hexof(back), hexof(std::u32string(1, first->dev)));
            }
        }
}

TEST(Scripts, Conventions)
{
    const convention cases[] = {
        // Nukta letters, precomposed or not; a precomposed script letter reads as its decomposition.
        {script::gurmukhi, "921 93C", "A5C", "95C"},        // rra: its own letter
        {script::gurmukhi, "922 93C 928", "A5C A4D A39 A28", "95D 928"},
        {script::bengali, "95C", "9A1 9BC", ""},
        {script::bengali, "933 93C 93F", "934 93F", "934 93F"},  // lll, copied with its sign
        {script::oriya, "95F", "B5F", ""},
        {script::tamil, "91B 93C", "B9A B2 93C", ""}, // a nukta no letter takes: copied
        // Substitutes, written through the other rules (addak, tippi, superscripts).
        {script::gurmukhi, "937", "A38 A3C", "936"},
        {script::gurmukhi, "935 943 924 94D 924 93F", "A35 A4D A30 A3F A71 A24 A3F", "935 94D 930 93F 924 94D 924 93F"},
        {script::gurmukhi, "92C 943 902 939", "A2C A4D A30 A3F A70 A39", "92C 94D 930 93F 902 939"},
        {script::gurmukhi, "928 948 930 94D 90B", "A28 A48 A71 A30 A3F", "928 948 930 94D 930 93F"},
        {script::tamil, "921 949 915", "B9F BBE B3 B95", "921 93E 915"},
        {script::tamil, "922 93C 93E", "B9F BBE 2074", "922 93E"},
        {script::bengali, "915 949 932", "995 9B2", "915 932"},
        {script::malayalam, "95B 93F", "D38 D3F", "938 93F"},
        {script::kannada, "950", "C93 C82", "913 902"},
        // Khanda ta before no letter but ta tha na ba ma ya ra va, ZWJ, ZWNJ, nukta.
        {script::bengali, "909 924 94D 938", "989 9CE 9B8", ""},   // utsava
        {script::bengali, "91C 917 924 94D", "99C 997 9CE", ""},  // jagat
        {script::bengali, "924 94D 20 915", "9CE 20 995", ""},
        {script::bengali, "924 94D 924 924 94D 925 924 94D 928 924 94D 92C", "9A4 9CD 9A4 9A4 9CD 9A5 9A4 9CD 9A8 9A4 9CD 9AC", ""},
        {script::bengali, "924 94D 92E 924 94D 92F 924 94D 930 924 94D 200D", "9A4 9CD 9AE 9A4 9CD 9AF 9A4 9CD 9B0 9A4 9CD 200D", ""},
        {script::bengali, "924 94D 935", "9A4 9CD 9AC", "924 94D 92C"},  // va is written ba
        {script::assamese, "924 94D 935 930", "9A4 9CD 9F1 9F0", ""},
        {script::bengali, "924 94D 93C 924 94D 200C", "9A4 9CD 9BC 9A4 9CD 200C", ""},
        // Chillus, and the conjuncts that keep the virama.
        {script::malayalam, "92D 917 935 93E 928 94D", "D2D D17 D35 D3E D7B", ""},  // bhagavan
        {script::malayalam, "923 94D 915 928 94D 915 930 94D 915 932 94D 915 933 94D 915", "D7A D15 D7B D15 D7C D15 D7D D15 D7E D15", ""},
        {script::malayalam, "928 94D 928 928 94D 92F 928 94D 924 928 94D 925 928 94D 926 928 94D 927 928 94D 931",
         "D28 D4D D28 D28 D4D D2F D28 D4D D24 D28 D4D D25 D28 D4D D26 D28 D4D D27 D28 D4D D31", ""},
        {script::malayalam, "923 94D 91F 923 94D 920 923 94D 921 923 94D 922 923 94D 923 930 94D 92F",
         "D23 D4D D1F D23 D4D D20 D23 D4D D21 D23 D4D D22 D23 D4D D23 D30 D4D D2F", ""},
        {script::malayalam, "928 94D 200D 915 94D 20", "D28 D4D 200D D15 D4D 20", ""},
        {script::malayalam, "923 94D 924 20", "D7A D24 20", ""},  // nn before t: a chillu
        {script::malayalam, "", "D7F D54 D55 D56", "915 94D 92E 94D 92F 94D 934 94D"},
        // Tamil stops: the superscript after the vowel sign, the virama, and the virama of vocalic r.
        {script::tamil, "92D 917 935 926 94D 917 940 924 93E", "BAA 2074 B95 B3 BB5 BA4 BCD B3 B95 BC0 B3 BA4 BBE", ""},
        {script::tamil, "927 943 924", "BA4 BCD 2074 BB0 BC1 B2 BA4", ""},
        {script::tamil, "915 943 937 94D 923", "B95 BCD BB0 BC1 B2 BB7 BCD BA3", ""},
        {script::tamil, "90B 937 93F 20 901", "BB0 BC1 B2 BB7 BBF 20 B82 B2", ""},
        {script::tamil, "916 94D 930 941 20 918 94B 20 91D", "B95 BCD B2 BB0 BC1 20 B95 BCB 2074 20 B9C B2", ""},
        {script::tamil, "916 962", "B95 B2 962", ""},  // a copied sign: the superscript stays on the letter
        {script::tamil, "924 919 94D 915 92E 94D", "BA4 B99 BCD B95 BAE BCD", ""},
        {script::tamil, "928 948 930 94D 90B 924", "BA8 BC8 BB0 BCD BB0 BC1 B2 BA4", "928 948 930 943 924"},
        {script::tamil, "", "B9A B3 B9A 2074 B9C 2074 B95 B9 BCB", "91C 91D 91D 915 94B"},
        {script::tamil, "", "B95 BC6 BBE B3 B82 B2", "917 94A 901"},  // decomposed o sign
        // Gurmukhi: addak for a doubled and an aspirated pair, not for two aspirates; tippi or bindi.
        {script::gurmukhi, "92A 915 94D 915 93E 20 92C 941 926 94D 927", "A2A A71 A15 A3E 20 A2C A41 A71 A27", ""},
        {script::gurmukhi, "92B 94D 92B 20 915 94D 915 94D 915", "A2B A4D A2B 20 A71 A15 A4D A15", ""},
        {script::gurmukhi, "915 93F 902 20 915 902 20 905 902 20 906 902 20 915 940 902 20 92B 941 902 20 91A 93C 902",
         "A15 A3F A70 20 A15 A70 20 A05 A70 20 A06 A02 20 A15 A40 A02 20 A2B A41 A70 20 A1A A3C A70", ""},
        {script::gurmukhi, "915 94D 938 94D 930", "A15 A4D A38 A4D A30", ""},
        // Copied letters with their signs; ZWJ, dandas and digits.
        {script::bengali, "934 93F 915", "934 93F 995", ""},
        {script::gurmukhi, "93D 20 90C 20 915 945", "93D 20 90C 20 A15 945", ""},
        {script::telugu, "915 200D 94D 964 965 967 966", "C15 200D C4D 964 965 C67 C66", ""},
        {script::devanagari, "915 94D 937 95C", "915 94D 937 95C", ""},
        // Letters not in the table, and text outside the blocks, pass.
        {script::bengali, "41 B2 E9 9F3", "41 B2 E9 9F3", ""},
        {script::tamil, "", "BF0 A74 B2", "BF0 A74 B2"},
    };
    for (const convention& c : cases)
        expectboth(c);
}

// A letter whose Devanagari the caller cannot write stays as it stood,
// with its nukta and its vowel sign or virama.
TEST(Scripts, KeepSet)
{
    scripts::keepset keep;
    scripts::keep(keep, 0x0934);
    scripts::keep(keep, 0x095C);
    scripts::keep(keep, 0x0916);
    const struct {
        const char *in, *out;
    } cases[] = {
        {"BB4 BC8 BAE", "BB4 BC8 92E"},        // lll with its sign
        {"9DC 9BE 995", "9DC 9BE 915"},        // rra precomposed, as it stood
        {"9A1 9BC 9CD 9A1", "9A1 9BC 9CD 921"}, // and decomposed
        {"B95 BBE B2 B95", "B95 BBE B2 915"},  // kha written ka, aa, superscript 2
        {"A71 A16 A3E", "A71 A16 A3E"},        // addak before kha
    };
    for (const auto& c : cases)
        for (std::size_t cut = 0; cut <= cps(c.in).size(); cut++)
            EXPECT_EQ(hexof(reads(cps(c.in), {cut}, keep)), hexof(cps(c.out))) << c.in << " cut at " << cut;
}

// Random text of the letters the rules look at, converted in one block and
// a character at a time: the fast lookups agree with the conventions.
TEST(Scripts, RandomTextInPieces)
{
    std::mt19937 rnd(27);
    const std::u32string dev = cps("915 916 924 925 928 923 930 932 933 92F 935 937 921 922 94D 93C 93F 93E 943 949 902 901 "
                                   "90B 905 958 95C 95D 200D 20 962 934");
    for (std::size_t s = 0; s < scripts::count; s++)
        for (int round = 0; round < 40; round++) {
            std::u32string in;
            for (int i = 0; i < 30; i++)
                in += dev[rnd() % dev.size()];
            auto each = [](const std::u32string& text) {
                std::vector<std::size_t> cuts;
                for (std::size_t i = 1; i < text.size(); i++)
                    cuts.push_back(i);
                return cuts;
            };
            std::u32string written = writes(script(s), in);
            ASSERT_EQ(hexof(writes(script(s), in, each(in))), hexof(written)) << hexof(in);
            std::u32string back = reads(written);
            ASSERT_EQ(hexof(reads(written, each(written))), hexof(back)) << hexof(written);
        }
}

} // namespace
