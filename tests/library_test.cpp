// The library: the same bytes as the programs, whole or streamed in pieces
// of any size, and the incremental ISCII decoder in every split.
#include "harness.hpp"
#include "kavrel/convert.hpp"
#include "lipisetu.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <numeric>
#include <thread>
#include <tuple>

using harness::bytes;
using harness::hex;
using harness::utf8;

namespace {

std::string sample(const char* name) { return harness::slurp(std::string(SAMPLES_DIR) + "/" + name); }

// Roman inputs: the sample, Sanskrit spaces and apostrophes, separators,
// digits, decomposed letters, every input form with and without its mark,
// malformed UTF-8, a lone surrogate, a character past the BMP.
const std::vector<std::string> romaninputs = {
        sample("roman.txt"),
        "tat tvam asi\nso'ham. r\u0101ma\u1E25 ka:i k:ha 2024\n",
        utf8(U"ra\u0304ma\u0304yan\u0323a kr\u0325s\u0323n\u0323a\n"),
        bytes({0xFF, 0xFE, 'k', 0, 'a', 0, 0x01, 0x1E, 'a', 0}),
        bytes({0xFE, 0xFF, 0, 'r', 0, 'a', 0, 'm', 0, 'a'}),
        bytes({0xEF, 0xBB, 0xBF, 'k', 'a', 'm', 'a', 'l', 'a'}),
        bytes({'k', 0xC3, 'a', 0xED, 0xA0, 0x80, 'a', 0xF0, 0x9F, 0x98, 0x80, 0xFF, 'h', 'a'}),
        "",
        "k",
};

const std::vector<std::string> devanagariinputs = {
        sample("devanagari.txt"),
        utf8(U"\u0928\u092E\u0938\u094D\u0924\u0947 \u0915\u0907 \u0915\u094D\u0939 \u0921\u0949\u0915\u094D\u091F\u0930"),
        utf8(U"\u0915\u093C\u0932\u092E \u0921\u093C \u0905\u0902\u0964 \U0001F600 abc"),
        bytes({0xE0, 0xA4, 0x95, 0xE0, 0xA4, 0xED, 0xA0, 0x80, 0xE0, 0xA4, 0xBC, 0x80, 0xFF}),
        "",
};

// ISCII inputs: the sample, every byte, and the look-aheads next to one
// another and at the end.
const std::vector<std::string> isciiinputs = {
        sample("hindi.iscii"),
        bytes({0xB3, 0xE9, 'a', 0xA0, '\n', 0xEF, '\n', 0xB3, 0xF0, 0xB3, 0xE9, 0xEA, 0xE9, 0xFF}),
        bytes({0xEF, 0xB3, 0xE9, 0xA1, '\n', 0xA1}),
        bytes({'x', 0xEF}),
        bytes({0xB3, 0xEF}),
        bytes({0xF0, 0xF0, 0xF0, 0xEF, '\n', 0xE9, 0xE9}),
        "",
        [] { std::string all(256, '\0'); std::iota(all.begin(), all.end(), '\0'); return all; }(),
};

// kavrel's flags for the options that harness::optionsof(bits) draws: the
// input form, the output form, -n, -s, the script.
std::vector<std::string> kavrelargs(unsigned bits)
{
    const char* const forms[] = {"", "l", "b", "u"};
    std::vector<std::string> a{bits & 3 ? std::string("-i") + forms[bits & 3] : "",
                               bits >> 2 & 3 ? std::string("-o") + forms[bits >> 2 & 3] : "", bits & 16 ? "-n" : "",
                               bits & 32 ? "-s" : "",
                               "--script=" + std::string(lipisetu::nameof(harness::optionsof(bits).script))};
    std::erase(a, "");
    return a;
}

} // namespace

// Where each message points: the dropped bytes in the input and the
// output written before them.
TEST(Library, IsciiMessages)
{
    using lipisetu::drop;
    struct row {
        std::string in;
        std::vector<lipisetu::isciimessage> want; // offset, written, line, byte, kind, span
    } rows[] = {
        {bytes({'a', 0xA0, '\n', 0xFF}), {{1, 1, 1, 0xA0, drop::ignored, 1}, {3, 2, 2, 0xFF, drop::ignored, 1}}},
        {bytes({0xB3, 0xEF, 0xB3, 0xE9}), {{1, 3, 1, 0xEF, drop::atr, 2}}},
        {bytes({'\n', 0xF0, '\n', 0xF0}), {{1, 1, 2, 0xF0, drop::ext, 2}, {3, 1, 3, 0xF0, drop::ext, 1}}},
    };
    for (const row& r : rows)
        EXPECT_EQ(harness::fields(lipisetu::fromiscii(r.in).messages), harness::fields(r.want)) << hex(r.in);
}

TEST(Library, ReadAndWriteErrors)
{
    std::string text(300000, 'a');
    harness::pieces failing{text, 1000, 5000}, fine{text, 100000};
    lipisetu::status s = lipisetu::convertroman(failing.source(), fine.sink());
    EXPECT_EQ(s.readerror, EIO);
    EXPECT_EQ(s.writeerror, 0);
    EXPECT_EQ(fine.out, lipisetu::todevanagari(text.substr(0, 5000)));

    harness::pieces full{text, 100000, 1000};
    s = lipisetu::convertiscii(full.source(), full.sink());
    EXPECT_EQ(s.writeerror, ENOSPC);
    EXPECT_EQ(s.readerror, 0);
    EXPECT_FALSE(ok(s));
    harness::pieces none{"ka"};
    s = lipisetu::convertdevanagari(none.source(), {});
    EXPECT_TRUE(ok(s));
}

// Every split of every input in two, and the input a byte at a time, with
// and without the ATR code read: the same text and messages as one call.
TEST(Library, IncrementalDecoderInEverySplit)
{
    for (const std::string& in : isciiinputs)
        for (bool atr : {false, true})
            EXPECT_EQ(harness::everysplit(in, {.atr = atr}), "") << (atr ? "with atr" : "");
    // reset starts a new input, from the line it is given.
    lipisetu::isciidecoder d = lipisetu::newisciidecoder(7);
    lipisetu::isciitext t;
    lipisetu::decode(*d, bytes({'\n', 0xB3}), false, t.text, t.messages);
    EXPECT_EQ(lipisetu::line(*d), 8);
    lipisetu::reset(*d, 3);
    lipisetu::decode(*d, bytes({0xA0}), true, t.text, t.messages);
    EXPECT_EQ(t.text, "\n");
    ASSERT_EQ(t.messages.size(), 1u);
    EXPECT_EQ(lipisetu::describe(t.messages[0]), "Ignoring character 0xa0 at line 3\n");
}

// Roman and Devanagari handed over in pieces: every split of each input in
// two, and pieces of 1, 2, 3 and 7 bytes, give the bytes of one call, in
// every scheme and (for Roman) every form and option set; after the end,
// nothing more until reset.
TEST(Library, DecodersInEverySplit)
{
    auto inpieces = [](auto& d, std::string_view in, std::size_t cut, std::size_t size) {
        std::string out;
        if (size == 0) {
            lipisetu::decode(d, in.substr(0, cut), false, out);
            lipisetu::decode(d, in.substr(cut), true, out);
        } else {
            for (std::size_t at = 0; at < in.size(); at += size)
                lipisetu::decode(d, in.substr(at, size), false, out);
            lipisetu::decode(d, {}, true, out);
        }
        lipisetu::decode(d, "ka", true, out);
        return out;
    };
    for (unsigned k = 0; !lipisetu::nameof(static_cast<lipisetu::scheme>(k)).empty(); ++k) {
        auto sch = static_cast<lipisetu::scheme>(k);
        for (unsigned bits = 0; bits < 64; bits += k == 0 ? 1 : 16) {
            lipisetu::romanoptions o = harness::optionsof(bits);
            o.scheme = sch;
            lipisetu::romandecoder rd = lipisetu::newromandecoder(o);
            lipisetu::devanagaridecoder dd = lipisetu::newdevanagaridecoder(sch);
            ASSERT_TRUE(rd && dd);
            for (int roman = 0; roman < 2; ++roman)
                for (const std::string& in : roman ? romaninputs : devanagariinputs) {
                    if (!roman && bits > 0)
                        continue;
                    std::string want = roman ? lipisetu::todevanagari(in, o) : lipisetu::toroman(in, sch);
                    for (std::size_t size : {0, 1, 2, 3, 7})
                        for (std::size_t cut = 0; cut <= (size ? 0 : std::min<std::size_t>(in.size(), 80)); ++cut) {
                            std::string got = roman ? inpieces(*rd, in, cut, size) : inpieces(*dd, in, cut, size);
                            roman ? lipisetu::reset(*rd) : lipisetu::reset(*dd);
                            ASSERT_EQ(hex(got), hex(want)) << "scheme " << k << ", options " << bits << ", pieces of "
                                                           << size << ", cut at " << cut << " of " << hex(in);
                        }
                }
        }
    }
    lipisetu::romanoptions none;
    none.scheme = static_cast<lipisetu::scheme>(200);
    EXPECT_FALSE(lipisetu::newromandecoder(none));
}

// The stdio and file descriptor helpers, as the programs use them.
TEST(Library, FilesAndDescriptors)
{
    harness::tempfile in(utf8(U"sa\u0304dhu\n")), out("");
    std::FILE* f = std::fopen(in.path.c_str(), "rb");
    std::FILE* g = std::fopen(out.path.c_str(), "wb");
    std::fputs("> ", g); // written through the stream before: comes first
    EXPECT_TRUE(ok(lipisetu::convertroman(lipisetu::filesource(f), lipisetu::filesink(g))));
    std::fclose(f);
    std::fclose(g);
    EXPECT_EQ(harness::slurp(out.path), "> " + utf8(U"\u0938\u093E\u0927\u0941\n"));

    std::FILE* h = std::fopen(in.path.c_str(), "rb");
    int fd = fileno(h);
    char* buf = nullptr;
    std::size_t len = 0;
    std::FILE* mem = open_memstream(&buf, &len);
    EXPECT_TRUE(ok(lipisetu::convertroman(lipisetu::fdsource(fd), lipisetu::filesink(mem))));
    std::fclose(mem);
    EXPECT_EQ(std::string(buf, len), utf8(U"\u0938\u093E\u0927\u0941\n"));
    std::free(buf);
    std::fclose(h);
    EXPECT_EQ(lipisetu::convertroman(lipisetu::fdsource(-1), lipisetu::fdsink(-1)).readerror, EBADF);
}

// ---------------------------------------------------------------- one-shot calls

namespace {

// A streaming conversion of `in` (kind 0 Roman under `o`, 1 Devanagari,
// 2 ISCII), the input given in one read: what each one-shot call must
// give. (Reads and writes of drawn small sizes are the library fuzz
// target's.)
lipisetu::isciitext streamed(int kind, const std::string& in, lipisetu::romanoptions o = {})
{
    harness::pieces p{in, in.size() + 1};
    lipisetu::isciitext t;
    if (kind == 0)
        EXPECT_TRUE(ok(lipisetu::convertroman(p.source(), p.sink(), o)));
    else if (kind == 1)
        lipisetu::convertdevanagari(p.source(), p.sink());
    else
        lipisetu::convertiscii(p.source(), p.sink(), harness::collect, &t.messages);
    EXPECT_TRUE(p.flushed);
    t.text = p.out;
    return t;
}

// Short inputs at the edges of a conversion: none, one byte, a letter
// whose marks end the input, a character cut by the end, UTF-16 with and
// without its byte-order mark, and one with a long line before a short
// end; each right after the others, on the state the one before left.
const std::vector<std::string> shortroman = {
        "",
        "k",
        "a",
        "\xC4",
        utf8(U"ra\u0304"),
        utf8(U"ka\u0304\u0301"),
        utf8(U"ks\u0323"),
        "tat tvam ",
        "so'ham",
        bytes({0xFF, 0xFE}),
        bytes({0xFF, 0xFE, 'k', 0, 'a', 0, 0x04, 0x03}),
        bytes({'k', 0, 'a', 0, 'm', 0}),
        bytes({0xFE, 0xFF, 0, 'r', 0, 'a', 0}),
        bytes({0, 'r', 0, 'a', 0xD8}),
        std::string(140000, 'a') + "k",
};

const std::vector<std::string> shortdevanagari = {
        "",
        "a",
        "\xE0",
        utf8(U"\u0915"),
        utf8(U"\u0915\u093C"),
        utf8(U"\u0915\u094D"),
        utf8(U"\u0915\u0907"),
        bytes({0xE0, 0xA4}),
        std::string(150000, 'x') + utf8(U"\u0915"),
};

const std::vector<std::string> shortiscii = {"", "a", bytes({0xB3}), bytes({0xB3, 0xE9}), bytes({0xEF}),
                                             bytes({'\n', 0xF0, 'a'}), bytes({0xA0})};

} // namespace

// The programs, the converter itself, the streaming calls and the one-shot
// calls give the same bytes for every input and option set. The one-shot
// calls keep a state for each thread and start it afresh: one call after
// another, whatever the call before left behind.
TEST(Library, OneShotAsStreaming)
{
    const char* const programs[] = {KAVREL_BIN, SONWICK_BIN, PELLAM_BIN};
    const std::vector<std::string> noargs;
    std::vector<std::string> inputs[] = {shortroman, shortdevanagari, shortiscii};
    inputs[0].insert(inputs[0].end(), romaninputs.begin(), romaninputs.end());
    inputs[1].insert(inputs[1].end(), devanagariinputs.begin(), devanagariinputs.end());
    inputs[2].insert(inputs[2].end(), isciiinputs.begin(), isciiinputs.end());
    for (int kind = 0; kind < 3; ++kind)
        for (unsigned bits = 0; bits < (kind == 0 ? 64u : 1u); ++bits)
            for (const std::string& in : inputs[kind]) {
                if (in.size() > 4096 && bits % 21 != 0)
                    continue; // the long ones under four option sets: the others are slow under sanitizers
                lipisetu::romanoptions o = harness::optionsof(bits);
                lipisetu::isciitext want = streamed(kind, in, o);
                harness::result r = harness::run(programs[kind], kind == 0 ? kavrelargs(bits) : noargs, in);
                std::string appended = "> ", where = "kind " + std::to_string(kind) + ", options " +
                                                     std::to_string(bits) + ", input " + hex(in);
                EXPECT_EQ(hex(want.text), hex(r.out)) << where;
                if (kind == 2) {
                    lipisetu::isciitext got = lipisetu::fromiscii(in);
                    EXPECT_EQ(hex(got.text), hex(want.text)) << where;
                    EXPECT_EQ(harness::fields(got.messages), harness::fields(want.messages)) << where;
                    std::string described;
                    for (const auto& m : got.messages)
                        described += lipisetu::describe(m);
                    EXPECT_EQ(described, r.err) << where;
                    continue;
                }
                if (kind == 0) {
                    EXPECT_EQ(hex(harness::kavrelconvert(o, in)), hex(r.out)) << where;
                }
                EXPECT_EQ(hex(kind == 0 ? lipisetu::todevanagari(in, o) : lipisetu::toroman(in)), hex(want.text))
                        << where;
                kind == 0 ? lipisetu::todevanagari(in, appended, o) : lipisetu::toroman(in, appended);
                EXPECT_EQ(hex(appended), hex("> " + want.text)) << where;
            }
}

// Threads calling at once, each with its own state, each on every input
// in its own order: every result as one thread alone gives it.
TEST(Library, OneShotFromManyThreads)
{
    struct job {
        std::string in;
        lipisetu::romanoptions o;
        int kind; // 0 Roman, 1 Devanagari, 2 ISCII
        std::string want;
    };
    std::vector<job> jobs;
    for (unsigned bits : {0u, 16u, 32u, 48u, 5u, 10u})
        for (const std::string& in : shortroman)
            jobs.push_back({in, harness::optionsof(bits), 0, streamed(0, in, harness::optionsof(bits)).text});
    for (const std::string& in : shortdevanagari)
        jobs.push_back({in, {}, 1, streamed(1, in).text});
    for (const std::string& in : isciiinputs)
        jobs.push_back({in, {}, 2, streamed(2, in).text});
    constexpr int threads = 8, rounds = 3;
    std::vector<int> wrong(threads);
    std::vector<std::thread> running;
    for (int t = 0; t < threads; ++t)
        running.emplace_back([&, t] {
            for (int r = 0; r < rounds; ++r)
                for (std::size_t i = 0; i < jobs.size(); ++i) {
                    const job& j = jobs[(i + t * jobs.size() / threads + r) % jobs.size()]; // from a place of its own
                    std::string got = j.kind == 0   ? lipisetu::todevanagari(j.in, j.o)
                                      : j.kind == 1 ? lipisetu::toroman(j.in)
                                                    : lipisetu::fromiscii(j.in).text;
                    wrong[t] += got != j.want;
                }
        });
    for (std::thread& t : running)
        t.join();
    EXPECT_EQ(wrong, std::vector<int>(threads, 0));
}
