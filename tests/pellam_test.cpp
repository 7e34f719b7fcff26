// pellam: ISCII bytes in, UTF-8 bytes and messages out.
#include "harness.hpp"
#include "pellam/tables.hpp"

#include <gtest/gtest.h>

#include <random>

using harness::bytes;
using harness::hex;
using harness::utf8;

namespace {

struct converted {
    std::string out, msgs;
};

// The byte rules one byte at a time, with linear searches of the listed
// tables: the model that the block converter must agree with.
converted model(const std::string& in)
{
    converted r;
    long line = 1;
    auto single = [](unsigned b) -> const pellam::isciirow* {
        for (const pellam::isciirow& row : pellam::iscii)
            if (row.iscii == b)
                return &row;
        return nullptr;
    };
    auto joined = [](unsigned b) -> const pellam::nuktarow* {
        for (const pellam::nuktarow& row : pellam::nukta)
            if (row.nukta == b)
                return &row;
        return nullptr;
    };
    char msg[64];
    for (std::size_t j = 0; j < in.size(); ++j) {
        unsigned b = static_cast<unsigned char>(in[j]);
        bool nuktanext = j + 1 < in.size() && static_cast<unsigned char>(in[j + 1]) == 0xE9;
        if (b < 0x80) {
            r.out += static_cast<char>(b);
        } else if ((b >= 0xEB && b <= 0xEE) || b <= 0xA0 || b >= 0xFB) {
            std::snprintf(msg, sizeof msg, "Ignoring character 0x%x at line %ld\n", b, line);
            r.msgs += msg;
        } else if (b == 0xEF || b == 0xF0) {
            std::snprintf(msg, sizeof msg, "Use of %s not supported at line %ld\n",
                          b == 0xEF ? "ATR" : "EXT", line);
            r.msgs += msg;
            if (j + 1 < in.size())
                line += in[++j] == '\n';
        } else if (const pellam::nuktarow* n = joined(b); n && nuktanext) {
            r.out += utf8(std::u32string(1, n->unukta));
            ++j;
        } else if (const pellam::isciirow* s = single(b)) {
            r.out += utf8(std::u32string(1, s->udev));
        } else {
            ADD_FAILURE() << "model: byte " << b << " is in no rule";
        }
        line += b == '\n';
    }
    return r;
}

void expectsame(const std::string& in, const converted& want, std::size_t chunk)
{
    converted got;
    got.out = harness::pellamconvert(in, chunk, &got.msgs);
    ASSERT_EQ(hex(got.out), hex(want.out)) << "input " << hex(in) << " chunk " << chunk;
    ASSERT_EQ(got.msgs, want.msgs) << "input " << hex(in) << " chunk " << chunk;
}

TEST(Pellam, GoldenCases)
{
    const std::string x998(998, 'x');
    const struct {
        std::string in;
        converted want;
    } rows[] = {
        {"", {"", ""}},
        {"Hello\r\n\t\x7f", {"Hello\r\n\t\x7f", ""}},
        {bytes({0xB3, 0xE9}), {bytes({0xE0, 0xA5, 0x98}), ""}},        // qa
        {bytes({0xB6, 0xE9}), {utf8(U"\u0918\u093C"), ""}},             // gha has no nukta form
        {bytes({0xA1, 0xE9, 0xEA, 0xE9, 0xEA}), {utf8(U"\u0950\u093D\u0964"), ""}},
        {bytes({0xD9}), {bytes({0xE2, 0x80, 0x8D}), ""}},               // zero width joiner
        {bytes({0xE8, 0xE8, 0xE9, 0xB3, 0xE9, 0xE9}), {utf8(U"\u094D\u094D\u093C\u0958\u093C"), ""}},
        {std::string("a\nb\n") + bytes({0xA0}), {"a\nb\n", "Ignoring character 0xa0 at line 3\n"}},
        {std::string("a") + bytes({0xEF}) + "\nb\n" + bytes({0xFF}),
         {"ab\n", "Use of ATR not supported at line 1\nIgnoring character 0xff at line 3\n"}},
        {std::string("x") + bytes({0xEF}), {"x", "Use of ATR not supported at line 1\n"}},
        {bytes({0xF0, 0xF0, 0xB3, 0xE9}), {utf8(U"\u0958"), "Use of EXT not supported at line 1\n"}},
        // NUL is copied; lines of any length count as one; the look-ahead
        // and the dropped byte work at any offset.
        {std::string("a\0b\n\0c", 6), {std::string("a\0b\n\0c", 6), ""}},
        {std::string(1500, 'x') + "\n" + bytes({0xA0}),
         {std::string(1500, 'x') + "\n", "Ignoring character 0xa0 at line 2\n"}},
        {x998 + bytes({0xB3, 0xE9}), {x998 + utf8(U"\u0958"), ""}},
        {x998 + bytes({0xEF}) + "yz", {x998 + "z", "Use of ATR not supported at line 1\n"}},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(hex(model(r.in).out), hex(r.want.out)) << "model, input " << hex(r.in);
        for (std::size_t chunk : {std::size_t{1}, std::size_t{2}, std::size_t{3}, codec::bufsize})
            expectsame(r.in, r.want, chunk);
    }
}

TEST(Pellam, AgreesWithModel)
{
    for (int b = 0; b < 256; ++b)
        for (const std::string& in : {bytes({b}), bytes({b, 0xE9}), bytes({b, 0xE9, b, '\n'})})
            expectsame(in, model(in), codec::bufsize);
    std::mt19937 rng(15919);
    const int awkward[] = {0xB3, 0xE9, 0xEF, 0xF0, '\n', 0xA1, 0xEA, 0xDF, 0xA0, 0, 'a'};
    for (int round = 0; round < 300; ++round) {
        std::string in;
        for (std::size_t i = rng() % 400; i > 0; --i)
            in += static_cast<char>(rng() % 2 ? awkward[rng() % std::size(awkward)] : rng() % 256);
        expectsame(in, model(in), 1 + rng() % 64);
    }
}

// With the ATR code read: each row's text and messages, and the same from
// the incremental decoder cut anywhere.
TEST(Pellam, AtrSwitchesTheScript)
{
    const std::string atr = "Use of ATR not supported at line ", ext = "Use of EXT not supported at line ";
    auto ignoring = [](const char* bytes) {
        std::string m;
        for (const char* b = bytes; *b; b += 3)
            m += "Ignoring character 0x" + std::string(b, 2) + " at line 1\n";
        return m;
    };
    const struct {
        std::string in;
        std::u32string text;
        std::string msgs;
    } rows[] = {
        // Every script code, and back to Devanagari.
        {bytes({0xEF, 0x42, 0xB3, 0xEF, 0x43, 0xB3, 0xEF, 0x44, 0xB3, 0xEF, 0x45, 0xB3, 0xEF, 0x46, 0xB3, 0xEF, 0x47,
                0xB3, 0xEF, 0x48, 0xB3, 0xEF, 0x49, 0xB3, 0xEF, 0x4A, 0xB3, 0xEF, 0x4B, 0xB3, 0xEF, 0x40, 0xB3}),
         U"\u0915\u0995\u0B95\u0C15\u0995\u0B15\u0C95\u0D15\u0A95\u0A15\u0915", ""},
        // Display codes go silently, others with a message; neither changes
        // the script, nor does a line feed taken as a code, which still
        // counts as a line.
        {bytes({0xEF, 0x43, 0xEF, 0x21, 0xB3, 0xEF, 0x3F, 0xEF, 0x41, 0xB3, 0xEF, '\n', 0xB3, 0xEF, 0x20}),
         U"\u0995\u0995\u0995", atr + "1\n" + atr + "1\n" + atr + "2\n"},
        {bytes({0xEF, 0x43, 0xB3, '\n', 0xB3, 0xEF, 0x44, 0xB3, '\r', 0xB3, 0xEF}), U"\u0995\n\u0915\u0B95\r\u0915",
         atr + "2\n"},
        // Nukta pairs: the block's letter, else its counterpart where the
        // block has it all, else each byte by itself; a vowel and a sign.
        {bytes({0xEF, 0x43, 0xB3, 0xE9, 0xBF, 0xE9, 0xEA, 0xE9, 0xEF, 0x4B, 0xB4, 0xE9, 0xC0, 0xE9, 0xEF, 0x47, 0xBF,
                0xE9, 0xC0, 0xE9, 0xEA, 0xE9, 0xEF, 0x4A, 0xEA, 0xE9, 0xA1, 0xE9, 0xB3, 0xE9, 0xEF, 0x48, 0xC9, 0xE9,
                0xEF, 0x45, 0xB3, 0xE9, 0xEF, 0x42, 0xA4, 0xE0, 0xEF, 0x44, 0xA4, 0xE0}),
         U"\u0995\u09BC\u09DC\u0964\u09BC\u0A59\u0A5C\u0A4D\u0A39\u0B21\u0B3C\u0B5D\u0B3D\u0ABD\u0AD0\u0A95\u0CAB"
         U"\u0C15\u0904\u0B85\u0BC6",
         ignoring("e9 e9 e9 ")},
        // Where ISCII's repertoire and Unicode 3.2's differ, both ways; letters
        // the script lacks, also where Unicode has put another letter since.
        {bytes({0xEF, 0x4B, 0xA1, 0xA3, 0xEF, 0x47, 0xD4, 0xEF, 0x44, 0xF1, 0xEF, 0x45, 0xA1, 0xEF, 0x48, 0xD0, 0xEF,
                0x44, 0xB4, 0xD5, 0xEF, 0x49, 0xCE}),
         U"\u0A01\u0A03\u0B35\u0BE6", ignoring("a1 d0 b4 d5 ce ")},
        // INV, virama pairs, dandas.
        {bytes({0xEF, 0x44, 0xD9, 0xDA, 0xD9, 0xE8, 0xB3, 0xE8, 0xE8, 0xB3, 0xE8, 0xE9, 0xEA, 0xEA, 0xEA, 0xD9}),
         U"\u200D\u0BBE \u0BCD\u0B95\u0BCD\u200C\u0B95\u0BCD\u200D\u0965\u0964\u200D", ""},
        // EXT: anudatta, shared by the scripts; the abbreviation sign only in
        // Devanagari.
        {bytes({0xF0, 0xB8, 0xF0, 0xBF, 0xEF, 0x43, 0xF0, 0xB8, 0xF0, 0xBF, 0xEF, 0x4B, 0xF0, 0xBF, 0xF0, 0xB3, 0xB3,
                0xF0}),
         U"\u0952\u0970\u0952\u0A15", ext + "1\n" + ext + "1\n" + ext + "1\n" + ext + "1\n"},
        // Gurmukhi addak for a consonant doubled, not for another letter.
        {bytes({0xEF, 0x4B, 0xC8, 0xE8, 0xB3, 0xB3, 0xE8, 0xB3, 0xDA, 0xD1, 0xE8, 0xD1, 0xB3, 0xE8, 0xB4, 0xB3, 0xE8,
                0xB3, 0xE9, 0xB3, 0xE8}),
         U"\u0A2A\u0A4D\u0A15\u0A71\u0A15\u0A3E\u0A71\u0A32\u0A15\u0A4D\u0A16\u0A15\u0A4D\u0A15\u0A3C\u0A15\u0A4D", ""},
        // Tippi after a consonant with its inherent a, and after i, u, uu, a,
        // i; bindi otherwise.
        {bytes({0xEF, 0x4B, 0xB3, 0xA2, 0xB3, 0xDA, 0xA2, 0xD1, 0xA2, 0xB4, 0xE9, 0xA2, 0xB3, 0xE8, 0xB3, 0xA2, 0xA4,
                0xA2, 0xA5, 0xA2, 0xB3, 0xDB, 0xA2, 0xD9, 0xA2, 0xB6, 0xE9, 0xA2}),
         U"\u0A15\u0A70\u0A15\u0A3E\u0A02\u0A32\u0A70\u0A59\u0A70\u0A71\u0A15\u0A70\u0A05\u0A70\u0A06\u0A02\u0A15"
         U"\u0A3F\u0A70\u200D\u0A02\u0A18\u0A3C\u0A70",
         ""},
    };
    for (const auto& r : rows) {
        lipisetu::isciitext t = lipisetu::fromiscii(r.in, {.atr = true});
        std::string msgs;
        for (const lipisetu::isciimessage& m : t.messages)
            msgs += lipisetu::describe(m);
        EXPECT_EQ(hex(t.text), hex(utf8(r.text))) << hex(r.in);
        EXPECT_EQ(msgs, r.msgs) << hex(r.in);
        EXPECT_EQ(harness::everysplit(r.in, {.atr = true}), "");
    }
    // The program, on the bytes of Devanagari, Bengali and Telugu text.
    harness::result res = harness::run(PELLAM_BIN, {"--atr"},
                                       bytes({0xB3, 0xDA, 0xCC, 0xE8, 0xB3, 0xDA, ' ', 0xEF, 0x43, 0xB3, 0xDA, 0xCC,
                                              0xE8, 0xB3, 0xDA, ' ', 0xEF, 0x45, 0xB3, 0xDA, 0xCC, '\n'}));
    EXPECT_EQ(res.out, utf8(U"\u0915\u093E\u092E\u094D\u0915\u093E \u0995\u09BE\u09AE\u09CD\u0995\u09BE "
                            U"\u0C15\u0C3E\u0C2E\n"));
    EXPECT_EQ(res.err, "");
}

// Random bytes among those that begin units, in every script: the
// incremental decoder cut anywhere gives what one call gives.
TEST(Pellam, AtrInPieces)
{
    std::mt19937 rng(91);
    const int awkward[] = {0xF0, 0xD9, 0xE8, 0xE9, 0xEA, 0xA2, 0xA4, 0xB3, 0xB4, 0xC0, 0xD1, 0xE0, '\n'};
    for (int round = 0; round < 60; ++round) {
        std::string in;
        for (std::size_t i = rng() % 60; i > 0; --i) {
            if (rng() % 8 == 0)
                in += bytes({0xEF, static_cast<int>(0x40 + rng() % 12)});
            in += static_cast<char>(rng() % 8 ? awkward[rng() % std::size(awkward)] : rng() % 256);
        }
        EXPECT_EQ(harness::everysplit(in, {.atr = true}), "");
    }
}

} // namespace
