// kavrel writing the other scripts and sonwick reading them, through the
// engines: one row per convention, from Roman and back, whole and in
// pieces of every size, by the fast lanes and by the general way, and
// written in every output form.
#include "harness.hpp"

#include <gtest/gtest.h>

namespace {

using harness::utf8;
using lipisetu::scheme;
using lipisetu::script;

struct row {
    script s;
    std::u32string_view roman; // kavrel's ISO 15919 (none: the text is only read)
    unsigned options;          // 1: -s, 2: -n
    std::u32string_view text;  // what kavrel writes
    std::u32string_view back;  // what sonwick reads the text as (none: the Roman)
    scheme reading = scheme::iso;
};

const row rows[] = {
    // Bengali khanda ta, and ta joined before ta, va (written ba), na and
    // the Bengali nukta that a scheme left in its script.
    {script::bengali, U"utsava jagat tattva patn\u012B ut\u09BCka\u1E6Da", 0,
     U"\u0989\u09CE\u09B8\u09AC \u099C\u0997\u09CE \u09A4\u09A4\u09CD\u09A4\u09CD\u09AC \u09AA\u09A4\u09CD\u09A8\u09C0 "
     U"\u0989\u09A4\u09CD\u09BC\u0995\u099F",
     U"utsaba jagat tattba patn\u012B ut\u09BCka\u1E6Da"},
    {script::assamese, U"rava", 0, U"\u09F0\u09F1", U""},
    // Malayalam chillus, and a conjunct that keeps the virama.
    {script::malayalam, U"bhagav\u0101n dharma kalpan\u0101 anna", 0,
     U"\u0D2D\u0D17\u0D35\u0D3E\u0D7B \u0D27\u0D7C\u0D2E \u0D15\u0D7D\u0D2A\u0D28\u0D3E \u0D05\u0D28\u0D4D\u0D28", U""},
    // Tamil stops with their superscripts after the vowel sign and the
    // virama (before a letter, and before a space), vocalic r, candrabindu.
    {script::tamil, U"bhagavadg\u012Bt\u0101 kr\u0325\u1E63\u1E47a dhr\u0325ta tad ham\u0310", 0,
     U"\u0BAA\u2074\u0B95\u00B3\u0BB5\u0BA4\u0BCD\u00B3\u0B95\u0BC0\u00B3\u0BA4\u0BBE "
     U"\u0B95\u0BCD\u0BB0\u0BC1\u00B2\u0BB7\u0BCD\u0BA3 \u0BA4\u0BCD\u2074\u0BB0\u0BC1\u00B2\u0BA4 "
     U"\u0BA4\u0BA4\u0BCD\u00B3 \u0BB9\u0B82\u00B2",
     U""},
    // Gurmukhi addak for a doubled and an aspirated pair, tippi and bindi,
    // and the substitutes for sa and vocalic r, which read back as theirs.
    {script::gurmukhi, U"pakk\u0101 buddha ki\u1E41tu \u0101\u1E41kha bh\u0101\u1E63\u0101 r\u0325\u1E63i", 0,
     U"\u0A2A\u0A71\u0A15\u0A3E \u0A2C\u0A41\u0A71\u0A27 \u0A15\u0A3F\u0A70\u0A24\u0A41 \u0A06\u0A02\u0A16 "
     U"\u0A2D\u0A3E\u0A38\u0A3C\u0A3E \u0A30\u0A3F\u0A38\u0A3C\u0A3F",
     U"pakk\u0101 buddha ki\u1E41tu \u0101\u1E41kha bh\u0101\u015B\u0101 ri\u015Bi"},
    // The candra o as Telugu writes it; a letter Bengali lacks, copied with
    // its sign.
    {script::telugu, U"\u1E0D\u00F4k\u1E6Dara", 0, U"\u0C21\u0C3E\u0C15\u0C4D\u0C1F\u0C30", U"\u1E0D\u0101k\u1E6Dara"},
    {script::bengali, U"\u1E3Bi ka", 0, U"\u0934\u093F \u0995", U""},
    // -n: the script's own digits; -s: Sanskrit's spaces, then the writer.
    {script::gujarati, U"2024", 2, U"\u0AE8\u0AE6\u0AE8\u0AEA", U""},
    {script::oriya, U"tat tvam asi", 1, U"\u0B24\u0B24\u0B4D\u0B24\u0B4D\u0B35\u0B2E\u0B38\u0B3F", U"tattvamasi"},
    // Read only: a letter the scheme cannot spell stays as it stood, with
    // its signs; the Dravidian short e and o in ISO 15919; Oriya wa.
    {script::tamil, U"", 0, U"\u0B95\u0BC6 \u0B95\u0BC7 \u0B8E", U"ka\u0BC6 ke \u0B8E"},
    {script::tamil, U"", 0, U"\u0B95\u0BC6 \u0B95\u0BC7 \u0B8E", U"ke k\u0113 e", scheme::iso15919},
    {script::bengali, U"", 0, U"\u0995\u09CB\u099C\u09BC\u09BE", U"ko\u099C\u09BC\u09BE", scheme::hk},
    {script::oriya, U"", 0, U"\u0B71\u0B3E", U"v\u0101"},
};

lipisetu::romanoptions optionsfor(const row& r)
{
    return {.sanskrit = (r.options & 1) != 0, .numerals = (r.options & 2) != 0, .script = r.s};
}

TEST(InScripts, EachConventionBothWays)
{
    for (const row& r : rows) {
        SCOPED_TRACE(std::string(lipisetu::nameof(r.s)) + ": " + utf8(r.text));
        const std::string text = utf8(r.text), roman = utf8(r.roman), back = utf8(r.back.empty() ? r.roman : r.back);
        lipisetu::romanoptions read{.scheme = r.reading};
        EXPECT_EQ(harness::everyway(false, read, text, back), "");
        if (r.roman.empty())
            continue;
        lipisetu::romanoptions o = optionsfor(r);
        EXPECT_EQ(harness::everyway(true, o, roman, text), "");
        // UTF-16 input, which the output follows (the byte orders are
        // the codec's, compared in kavrel's own tests).
        EXPECT_EQ(harness::everyway(true, o, harness::utf16(roman, false, true), harness::utf16(text, false, true)), "");
    }
}

} // namespace
