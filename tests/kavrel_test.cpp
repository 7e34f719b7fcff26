// kavrel: Roman text in, Devanagari bytes out.
#include "harness.hpp"
#include "kavrel/convert.hpp"
#include "kavrel/tables.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cwctype>
#include <memory>

using harness::bytes;
using harness::hex;
using harness::utf8;

namespace {

const lipisetu::romanoptions def{}, skt{.sanskrit = true}, num{.numerals = true};

struct golden {
    std::u32string in;
    lipisetu::romanoptions opt;
    std::u32string out;
};

// A letter, an acute and n - 1 grave accents below: n marks.
std::u32string marked(char32_t letter, std::size_t n)
{
    return std::u32string(1, letter).append(1, U'\u0301').append(n - 1, U'\u0316');
}

// The syllable writer, the unit reader and decomposed letters: each row
// read whole and in pieces, the fast way and the general way.
TEST(Kavrel, Golden)
{
    const golden rows[] = {
        {U"ka", def, U"\u0915"},
        {U"ka:i", def, U"\u0915\u0907"},
        {U"k:ha", def, U"\u0915\u094D\u0939"},
        {U"k. a", def, U"\u0915\u094D. \u0905"},
        {U"k\u1E41 k\u1E25 km\u0310", def, U"\u0915\u094D\u0902 \u0915\u094D\u0903 \u0915\u094D\u0901"}, // no sign dropped
        {U"k\u00E1\u00E1", def, U"\u0915\u0905"},
        {U"k\u00F5", def, U"\u0915\u094B\u0902"},
        {U"k1", num, U"\u0915\u094D\u0967"},
        {U"k1", def, U"\u0915\u094D1"},
        // The colon vanishes before a listed unit, is written before an
        // unlisted one, and gives the avagraha before an apostrophe.
        {U"so:'ham", def, U"\u0938\u094B\u093D\u0939\u092E\u094D"},
        {U"k:\u2019a", def, U"\u0915\u094D\u093D\u0905"},
        {U"a :b", def, U"\u0905 \u092C\u094D"},
        {U"a :b", skt, U"\u0905 :\u092C\u094D"},
        {U"k:\u0301", def, U"\u0915\u094D:\u0301"},
        {U"k:'", skt, U"\u0915"},
        // Sanskrit mode: spaces closed up after a consonant before a listed
        // unit, dropped before an avagraha; apostrophes are the avagraha.
        {U"so'ham", skt, U"\u0938\u094B\u093D\u0939\u092E\u094D"},
        {U"te 'pi", skt, U"\u0924\u0947\u093D\u092A\u093F"},
        {U"tat tvam", skt, U"\u0924\u0924\u094D\u0924\u094D\u0935\u092E\u094D"},
        {U"k \n", skt, U"\u0915\u094D \n"},
        // Marks after a line feed are its unit's, copied with it.
        {U"x\n\u035FA \n\u0301a \n\u0301\u0300\u0316\u0317a", def,
         U"x\n\u035FA \n\u0301\u0905 \n\u0301\u0300\u0316\u0317\u0905"},
        {U"\nkh\u035FU", def, U"\n\u0916\u094D\u035F\u0909"}, // no mark after the line feed
        {U". 'b", skt, U". \u093D\u092C\u094D"},
        {U"a'\u1E40", skt, U"\u0905\u0902\u093D"},
        {U"a\u2019\u1E41\u0301", skt, U"\u0905\u093D\u1E41\u0301"},
        {U"'\u0301", skt, U"'\u0301"},
        {U"kHa", def, U"\u0916"},
        {U"\u1E6DHa", def, U"\u0920"},
        {U"\u1E5Bha", def, U"\u095D"},
        {U"nha", def, U"\u0928\u094D\u0939"},
        {U"\u1E37ha", def, U"\u0933\u094D\u0939"},
        {U"ka\u00CC", def, U"\u0915\u0948"},
        {U"a\u0128", def, U"\u0910\u0902"},
        {U"\u0101i", def, U"\u0906\u0907"},
        {U"l\u0325\u0304\u0300\u0301", def, U"\u0961\u0301"},
        {U"k\u035FHa", def, U"\u0959"},
        {U"k\u035F ", def, U"k\u035F "},
        {U"k\u03B1", def, U"k\u03B1"},
        // U+0000 is copied wherever it stands.
        {std::u32string(U"\0k\0a\0", 5), def, std::u32string(U"\0\u0915\u094D\0\u0905\0", 6)},
        {std::u32string(U"l\u0325\u0304\0", 4), def, std::u32string(U"\u0961\0", 2)},
        {std::u32string(U"k\u035F\0", 3), def, std::u32string(U"k\u035F\0", 3)},
        {std::u32string(U"k:\0", 3), def, std::u32string(U"\u0915\u094D:\0", 4)},
        {std::u32string(U"a'\0", 3), skt, std::u32string(U"\u0905\u093D\0", 3)},
        // The end of input inside the marks closes the unit, which converts.
        {U"\u0101\u0303", def, U"\u0906\u0901"},
        {U"k\u035F", def, U"k\u035F"},
        {U"a\U0001F600k", def, U"\u0905\U0001F600\u0915\u094D"},
        // Canonically equivalent spellings read alike: a letter and its
        // marks are composed before the unit is cut, however they arrive.
        {U"ra\u0304ma", def, U"\u0930\u093E\u092E"},
        {U"a\u0304", def, U"\u0906"},                       // at the first character
        {U"r\u0304\u0325", def, U"\u0960"},                 // marks in canonical order
        {U"\u013A\u0325 \u0154\u0325", def, U"\u090C \u090B"}, // composed acute letters
        {U"l\u0325\u0301", def, U"\u090C"},
        {U"a\u0301", def, U"\u0905"},
        {U"kai\u0301", def, U"\u0915\u0948"},
        {U"kaI\u0301", def, U"\u0915\u0948"},
        {U"kh\u0323a", def, U"\u0915\u094D\u0903\u0905"}, // h dot below is no aspirating h
        {U"k\u035Fha", def, U"\u0959"},
        {U"o\u0308 k\u0301", def, U"\u00F6 \u1E31"},          // unlisted: copied composed
        {U"\u0958 k\u093C \u0915\u093C", def, U"\u0958 \u0915\u094D\u093C \u0915\u093C"},
        {marked('a', 30), def, std::u32string(1, U'\u00E1').append(29, U'\u0316')},
        {marked('a', 31), def, marked('a', 31)},
        {U"s\u0323 \u2019a\u0301", skt, U"\u0937\u0905"},
    };
    for (const golden& g : rows)
        EXPECT_EQ(harness::everyway(true, g.opt, utf8(g.in), utf8(g.out)), "");
}

// The decoder takes a character for no mark from its first bytes: below
// U+0300, and the letters of Latin Extended Additional.
TEST(Kavrel, NoMarksWhereTheDecoderLooksNoFurther)
{
    for (kavrel::lchar c = 0; c < 0x1F00; c = c == 0x02FF ? 0x1E00 : c + 1)
        ASSERT_EQ(compose::combiningclassof(c), 0) << std::hex << c;
}

// Every listed unit, in its listed, composed and decomposed spellings, at
// the start of a word and after a consonant, converts to the same bytes.
TEST(Kavrel, EverySpellingOfEveryRow)
{
    for (const kavrel::convrec& r : kavrel::convlist) {
        const std::u32string key(r.roman, std::find(r.roman, r.roman + 5, 0));
        for (const lipisetu::romanoptions& opt : {def, skt}) {
            const std::string listed = utf8(key + U" k" + key + U"\n");
            const std::string want = harness::kavrelconvert(opt, listed);
            EXPECT_EQ(hex(harness::kavrelconvert(opt, harness::nfc(listed))), hex(want)) << listed;
            EXPECT_EQ(hex(harness::kavrelconvert(opt, harness::nfd(listed))), hex(want)) << listed;
            EXPECT_NE(want.substr(0, utf8(key).size()), utf8(key)) << listed << " was copied";
        }
    }
}

TEST(Kavrel, FormsAndByteOrderMarks)
{
    const std::string ka = utf8(U"ka"), le = bytes({'k', 0, 'a', 0}), be = bytes({0, 'k', 0, 'a'}),
                      outka = utf8(U"\u0915"),
                      outle = bytes({0xFF, 0xFE, 0x15, 0x09}), outbe = bytes({0xFE, 0xFF, 0x09, 0x15}),
                      ffe = bytes({0xFF, 0xFE}), fef = bytes({0xFE, 0xFF});
    const std::string smile8 = utf8(U"\U0001F600"), smilele = bytes({0x3D, 0xD8, 0x00, 0xDE}),
                      smilebe = bytes({0xD8, 0x3D, 0xDE, 0x00});
    using lipisetu::form;
    const lipisetu::romanoptions il{.input = form::utf16le}, ib{.input = form::utf16be};
    const struct {
        lipisetu::romanoptions opt;
        std::string in, out;
    } rows[] = {
        {def, ka, outka},
        {def, bytes({0xEF, 0xBB, 0xBF}) + ka, outka},
        {def, bytes({0xEF, 0xBF, 0xBE}) + ka, outka}, // U+FFFE, the mark in the wrong order
        {def, ka + bytes({0xEF, 0xBF, 0xBE}), outka + bytes({0xEF, 0xBF, 0xBE})}, // later, copied
        {def, ffe + le, outle},
        {def, fef + be, outbe},
        {{.input = form::utf8}, ffe + ka, outka},
        {il, fef + le, outle},
        {ib, be, outbe},
        {{.output = form::utf16le}, ka, outle},
        {{.output = form::utf8}, ffe + le, outka},
        {{.output = form::utf16be}, ffe + le, outbe},
        // Surrogate pairs come through whole in every form; a lone surrogate
        // is handed on without losing the unit after it.
        {def, ffe + smilele, ffe + smilele},
        {{.input = form::utf16be, .output = form::utf8}, smilebe + bytes({0, 'a'}), smile8 + utf8(U"\u0905")},
        {{.output = form::utf16le}, smile8, ffe + smilele},
        {{.output = form::utf16le}, bytes({'a', 0xF7, 0xBF, 0xBF, 0xBF}), ffe + bytes({0x05, 0x09, 0xFD, 0xFF})}, // past U+10FFFF
        {il, bytes({0x00, 0xD8, 'a', 0}), ffe + bytes({0x00, 0xD8, 0x05, 0x09})},
        {ib, bytes({0xDC, 0, 0xD8, 0, 0xD8, 0, 0xDC, 0}), fef + bytes({0xDC, 0, 0xD8, 0, 0xD8, 0, 0xDC, 0})},
        // An input that ends inside its first character gives nothing.
        {def, "", ""},
        {def, bytes({0xC4}), ""},
        {il, bytes({0x15}), ""},
        {def, ffe, ffe},
        // Decomposed letters in every form, composed before the unit is cut;
        // a stray continuation byte leads three bytes: 80 8C 81 is U+0301.
        {def, bytes({0xEF, 0xBB, 0xBF}) + utf8(U"a\u0304"), utf8(U"\u0906")},
        {def, ffe + bytes({'a', 0, 0x04, 0x03}), ffe + bytes({0x06, 0x09})},
        {def, fef + bytes({0, 'a', 0x03, 0x04}), fef + bytes({0x09, 0x06})},
        {il, bytes({'a', 0, 0x04, 0x03}), ffe + bytes({0x06, 0x09})},
        {def, bytes({'k', 'a', 0x80, 0x8C, 0x81}), utf8(U"\u0915")},
    };
    for (const auto& r : rows)
        EXPECT_EQ(harness::everyway(true, r.opt, r.in, r.out), "");
}

TEST(Kavrel, Dictionary)
{
    auto d = std::make_unique<kavrel::dictionary>();
    auto unit = [](std::u32string_view s) {
        kavrel::tchar u;
        for (char32_t c : s)
            u.c[u.n++] = static_cast<kavrel::lchar>(c);
        return u;
    };
    // The direct index of lone units finds what a walk of the unit's bucket
    // finds.
    auto walk = [&d](const kavrel::tchar& u) -> const kavrel::convnode* {
        const kavrel::convnode* n = d->convtab[static_cast<unsigned>(u.c[0]) & 0xFF];
        while (n && !(n->roman == u))
            n = n->next;
        return n;
    };
    ASSERT_TRUE(kavrel::fill(*d, {.sanskrit = true, .numerals = true}));
    for (char32_t c = 0; c < kavrel::lonemax + 0x100; ++c)
        ASSERT_EQ(kavrel::lookup(*d, unit({&c, 1})), walk(unit({&c, 1}))) << int(c);
    EXPECT_EQ(kavrel::lookup(*d, unit(U"khh")), nullptr);
    EXPECT_EQ(kavrel::lookup(*d, unit(U"\u0161")), nullptr); // shares a's bucket

    // A key installed again keeps its entry and takes the new outputs; a
    // full dictionary refuses a new key and leaves no trace of it.
    ASSERT_TRUE(kavrel::fill(*d, {}));
    const kavrel::convnode* k = kavrel::lookup(*d, unit(U"k"));
    const int used = d->used;
    EXPECT_EQ(kavrel::install(*d, {{'k'}, {0x0958}, {0x0941}}), k);
    EXPECT_EQ(d->used, used);
    EXPECT_EQ(k->indep[0], 0x0958);
    EXPECT_FALSE(k->consonant);
    d->used = kavrel::maxnodes;
    EXPECT_EQ(kavrel::install(*d, {{'%'}, {0x0905}, {}}), nullptr);
    EXPECT_EQ(kavrel::lookup(*d, unit(U"%")), nullptr);
}

TEST(Kavrel, CapitalRecordsFollowTheirRows)
{
    ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr);
    for (std::size_t i = 0; i < kavrel::convlist.size(); i += 2) {
        const auto& lower = kavrel::convlist[i];
        const auto& upper = kavrel::convlist[i + 1];
        EXPECT_EQ(upper.roman[0], static_cast<kavrel::lchar>(std::towupper(static_cast<wint_t>(lower.roman[0]))))
            << "row " << i / 2 + 1;
        EXPECT_TRUE(std::equal(upper.roman + 1, upper.roman + 5, lower.roman + 1));
    }
}

} // namespace

// --nfc: every scheme's spellings, alone and after a consonant, in each
// output form, come out as the output without it does once put in normal
// form C; a nukta letter copied from the input is written in it too.
TEST(Kavrel, NormalFormC)
{
    using lipisetu::form;
    for (std::size_t k = 0; k < schemes::count; ++k) {
        std::u32string text;
        for (const schemes::row& r : schemes::all[k].rows)
            for (int i = 0; i < schemes::spellingcount(r); ++i)
                if (schemes::read(r, i, false) && r.k != schemes::kind::nukta)
                    text.append(schemes::spelling(r, i)).append(U" k").append(schemes::spelling(r, i)).append(U" ");
        const std::string in = utf8(text + U"\u0958\u0915\u093C\n");
        for (form out : {form::utf8, form::utf16le}) {
            const lipisetu::romanoptions plain{.output = out, .scheme = static_cast<lipisetu::scheme>(k)};
            lipisetu::romanoptions nfc = plain;
            nfc.nfc = true;
            std::string want = harness::kavrelconvert({.scheme = plain.scheme}, in);
            ASSERT_NE(want, harness::nfc(want)) << "no nukta letter in " << k;
            want = harness::nfc(want);
            if (out == form::utf16le)
                want = harness::utf16(want, true, true);
            EXPECT_EQ(harness::everyway(true, nfc, in, want), "") << schemes::all[k].name;
        }
    }
}
