// pellam: ISCII bytes in, UTF-8 bytes and messages out.
#include "harness.hpp"
#include "pellam/convert.hpp"
#include "pellam/tables.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <random>

using harness::bytes;
using harness::utf8;

namespace {

struct converted {
    std::string out, msgs;
};

converted convert(const std::string& in, std::size_t chunk = codec::bufsize)
{
    auto st = std::make_unique<pellam::state>();
    harness::memout out, msgs;
    std::FILE* f = harness::memin(in);
    pellam::start(*st, f, out.f, msgs.f);
    codec::open(st->in, f, chunk);
    pellam::process(*st);
    codec::finish(st->out);
    std::fclose(f);
    return {out.take(), msgs.take()};
}

// The rules one byte at a time with linear searches of the listed tables:
// the model that the block converter must agree with.
converted model(const std::string& in)
{
    converted r;
    long line = 1;
    auto find = [](const auto& keys, unsigned b) {
        for (std::size_t i = 0; i < keys.size(); ++i)
            if (keys[i] == b)
                return static_cast<int>(i);
        return -1;
    };
    auto put = [&](unsigned code) { r.out += utf8(std::u32string(1, code)); };
    for (std::size_t j = 0; j < in.size(); ++j) {
        unsigned b = static_cast<unsigned char>(in[j]);
        unsigned next = j + 1 < in.size() ? static_cast<unsigned char>(in[j + 1]) : 0x100;
        if (b < 0x80) {
            r.out += static_cast<char>(b);
        } else if ((b >= 0xEB && b <= 0xEE) || b <= 0xA0 || b >= 0xFB) {
            r.msgs += "Ignoring character 0x" + harness::hex(std::string(1, static_cast<char>(b))) +
                      " at line " + std::to_string(line) + "\n";
        } else if (b == 0xEF || b == 0xF0) {
            r.msgs += std::string("Use of ") + (b == 0xEF ? "ATR" : "EXT") +
                      " not supported at line " + std::to_string(line) + "\n";
            if (j + 1 < in.size())
                line += in[++j] == '\n';
        } else if (int k = find(pellam::nukta, b); k >= 0 && next == 0xE9) {
            put(pellam::unukta[static_cast<std::size_t>(k)]);
            ++j;
        } else {
            put(pellam::udev[static_cast<std::size_t>(find(pellam::iscii, b))]);
        }
        line += b == '\n';
    }
    return r;
}

struct golden {
    const char* name;
    std::string in;
    std::string out;
    std::string msgs;
};

std::string repeat(char c, std::size_t n) { return std::string(n, c); }

const std::vector<golden>& goldens()
{
    static const std::vector<golden> cases = {
        {"empty", "", "", ""},
        {"ascii", "Hello, world.\r\n\t~\x7f", "Hello, world.\r\n\t~\x7f", ""},
        {"ka", bytes({0xB3}), utf8(U"\u0915"), ""},
        {"qa from ka and nukta", bytes({0xB3, 0xE9}), bytes({0xE0, 0xA5, 0x98}), ""},
        {"gha has no nukta form", bytes({0xB6, 0xE9}), utf8(U"\u0918\u093C"), ""},
        {"om", bytes({0xA1, 0xE9}), utf8(U"\u0950"), ""},
        {"avagraha", bytes({0xEA, 0xE9}), utf8(U"\u093D"), ""},
        {"danda alone", bytes({0xEA}), utf8(U"\u0964"), ""},
        {"zero width joiner", bytes({0xD9}), bytes({0xE2, 0x80, 0x8D}), ""},
        {"lone nukta", bytes({0xE9}), utf8(U"\u093C"), ""},
        {"two viramas", bytes({0xE8, 0xE8}), utf8(U"\u094D\u094D"), ""},
        {"virama nukta", bytes({0xE8, 0xE9}), utf8(U"\u094D\u093C"), ""},
        {"nukta after nukta pair", bytes({0xB3, 0xE9, 0xE9}), utf8(U"\u0958\u093C"), ""},
        {"digits", bytes({0xF1, 0xFA}), utf8(U"\u0966\u096F"), ""},
        {"candra o", bytes({0xB2, 0xE7}), utf8(U"\u0911\u0949"), ""},
        {"ignored on line 3", std::string("a\nb\n") + bytes({0xA0}) + "c", "a\nb\nc",
         "Ignoring character 0xa0 at line 3\n"},
        {"ignored high bytes", bytes({0x80, 0xEB, 0xFF}), "",
         "Ignoring character 0x80 at line 1\nIgnoring character 0xeb at line 1\n"
         "Ignoring character 0xff at line 1\n"},
        {"ATR eats the line feed", std::string("a") + bytes({0xEF}) + "\nb\n" + bytes({0xA0}), "ab\n",
         "Use of ATR not supported at line 1\nIgnoring character 0xa0 at line 3\n"},
        {"ATR as last byte", std::string("x") + bytes({0xEF}), "x", "Use of ATR not supported at line 1\n"},
        {"EXT eats a key", bytes({0xF0, 0xB3, 0xE9}), utf8(U"\u093C"),
         "Use of EXT not supported at line 1\n"},
        {"EXT eats EXT", bytes({0xF0, 0xF0, 0xB3}), utf8(U"\u0915"),
         "Use of EXT not supported at line 1\n"},
        {"NUL is copied", std::string("a\0b\n\0c", 6), std::string("a\0b\n\0c", 6), ""},
        {"NUL first", std::string("\0", 1) + bytes({0xB3}), std::string("\0", 1) + utf8(U"\u0915"),
         ""},
        // A line of 1,500 bytes is one line: the message after it names line 2.
        {"long line", repeat('x', 1500) + "\n" + bytes({0xA0}), repeat('x', 1500) + "\n",
         "Ignoring character 0xa0 at line 2\n"},
        // The nukta look-ahead works at any offset, not within 999-byte pieces.
        {"key at byte 999", repeat('x', 998) + bytes({0xB3, 0xE9}), repeat('x', 998) + utf8(U"\u0958"),
         ""},
        {"ATR at byte 999", repeat('x', 998) + bytes({0xEF}) + "yz", repeat('x', 998) + "z",
         "Use of ATR not supported at line 1\n"},
    };
    return cases;
}

TEST(Pellam, GoldenCasesInEveryReadSize)
{
    for (const golden& g : goldens()) {
        for (std::size_t chunk : {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{7},
                                  codec::bufsize}) {
            converted r = convert(g.in, chunk);
            EXPECT_EQ(harness::hex(r.out), harness::hex(g.out)) << g.name << " chunk " << chunk;
            EXPECT_EQ(r.msgs, g.msgs) << g.name << " chunk " << chunk;
        }
        converted m = model(g.in);
        EXPECT_EQ(harness::hex(m.out), harness::hex(g.out)) << "model: " << g.name;
        EXPECT_EQ(m.msgs, g.msgs) << "model: " << g.name;
    }
}

TEST(Pellam, EveryByteAloneAndBeforeNukta)
{
    for (int b = 0; b < 256; ++b) {
        for (const std::string& in :
             {std::string(1, static_cast<char>(b)), bytes({b, 0xE9}), bytes({b, 0xE9, b, '\n'})}) {
            converted r = convert(in), m = model(in);
            EXPECT_EQ(harness::hex(r.out), harness::hex(m.out)) << "byte " << b;
            EXPECT_EQ(r.msgs, m.msgs) << "byte " << b;
        }
    }
}

TEST(Pellam, RandomInputMatchesModelInAnyReadSize)
{
    std::mt19937 rng(15919);
    // Bytes weighted towards the awkward ones: keys, nukta, ATR, EXT, LF.
    const int awkward[] = {0xB3, 0xE9, 0xEF, 0xF0, '\n', 0xA1, 0xEA, 0xDF, 0xA0, 0, 'a'};
    for (int round = 0; round < 300; ++round) {
        std::string in;
        std::size_t n = rng() % 400;
        for (std::size_t i = 0; i < n; ++i)
            in += static_cast<char>(rng() % 2 ? awkward[rng() % std::size(awkward)] : rng() % 256);
        converted m = model(in);
        std::size_t chunk = 1 + rng() % 64;
        converted r = convert(in, chunk);
        ASSERT_EQ(harness::hex(r.out), harness::hex(m.out)) << "round " << round;
        ASSERT_EQ(r.msgs, m.msgs) << "round " << round;
    }
}

TEST(Pellam, CommandLine)
{
    harness::tempfile text(bytes({0xB3, 0xE9, '\n', 0xA0}));
    const std::string expected = utf8(U"\u0958\n");
    const std::string message = "Ignoring character 0xa0 at line 2\n";
    struct row {
        const char* name;
        std::vector<std::string> args;
        std::string in;
        const char* outpath;
        std::string out, err;
        int status;
    };
    const row rows[] = {
        {"file", {text.path}, "", nullptr, expected, message, 0},
        {"standard input", {}, bytes({0xB3, 0xE9, '\n', 0xA0}), nullptr, expected, message, 0},
        {"second argument ignored", {text.path, "-x"}, "", nullptr, expected, message, 0},
        {"missing file", {"/nonexistent/file"}, "", nullptr, "", "\nUnable to open file\n", 1},
        {"dash is a file name", {"-"}, "", nullptr, "", "\nUnable to open file\n", 1},
        {"long file name", {std::string(300, 'n')}, "", nullptr, "", "\nUnable to open file\n", 1},
        {"directory", {"/"}, "", nullptr, "", "pellam: read error: Is a directory\n", 1},
        {"full disk", {text.path}, "", "/dev/full", "", message + "pellam: write error: No space left on device\n", 1},
    };
    for (const row& r : rows) {
        harness::result res = harness::run(PELLAM_BIN, r.args, r.in, r.outpath);
        EXPECT_EQ(harness::hex(res.out), harness::hex(r.out)) << r.name;
        EXPECT_EQ(res.err, r.err) << r.name;
        EXPECT_EQ(res.status, r.status) << r.name;
    }
}

} // namespace
