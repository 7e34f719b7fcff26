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

} // namespace
