// kavrel: Roman text in, Devanagari bytes out.
#include "harness.hpp"
#include "kavrel/convert.hpp"
#include "kavrel/tables.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cwctype>
#include <memory>
#include <set>

using harness::bytes;
using harness::hex;
using harness::utf8;

namespace {

std::string convert(const std::vector<std::string>& args, const std::string& in,
                    std::size_t chunk = codec::bufsize)
{
    std::vector<char*> argv{const_cast<char*>("kavrel")};
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    kavrel::options opt;
    const char* file = nullptr;
    EXPECT_TRUE(kavrel::parseargs(static_cast<int>(argv.size()), argv.data(), opt, file));
    auto st = std::make_unique<kavrel::state>();
    harness::memout out;
    std::FILE* f = harness::memin(in);
    EXPECT_TRUE(kavrel::start(*st, opt, f, out.f));
    codec::open(st->in.bytes, f, chunk);
    kavrel::process(*st);
    codec::finish(st->out.bytes);
    std::fclose(f);
    return out.take();
}

struct golden {
    std::u32string in;
    std::vector<std::string> args;
    std::u32string out;
};

// Each row is checked read in one piece and read a byte or two at a time.
void check(const std::vector<golden>& rows)
{
    for (const golden& g : rows) {
        std::string in = utf8(g.in), want = hex(utf8(g.out));
        for (std::size_t chunk : {codec::bufsize, std::size_t{1}, std::size_t{2}})
            EXPECT_EQ(hex(convert(g.args, in, chunk)), want)
                << "input \"" << in << "\" (" << hex(in) << ") chunk " << chunk;
    }
}

const std::vector<std::string> def, skt{"-s"}, num{"-n"};

TEST(Kavrel, SyllableWriterExamples)
{
    check({
        {U"ka", def, U"\u0915"},
        {U"k", def, U"\u0915\u094D"},
        {U"ki", def, U"\u0915\u093F"},
        {U"kai", def, U"\u0915\u0948"},
        {U"ka:i", def, U"\u0915\u0907"},
        {U"k\u1E63a", def, U"\u0915\u094D\u0937"},
        {U"kha", def, U"\u0916"},
        {U"k:ha", def, U"\u0915\u094D\u0939"},
        {U"k.", def, U"\u0915\u094D."},
        {U"so:'ham", def, U"\u0938\u094B\u093D\u0939\u092E\u094D"},
        {U"so:\u2019ham", def, U"\u0938\u094B\u093D\u0939\u092E\u094D"},
        {U"so'ham", skt, U"\u0938\u094B\u093D\u0939\u092E\u094D"},
        {U"te 'pi", skt, U"\u0924\u0947\u093D\u092A\u093F"},
        {U"tat tvam", skt, U"\u0924\u0924\u094D\u0924\u094D\u0935\u092E\u094D"},
        {U"tat api", skt, U"\u0924\u0924\u092A\u093F"},
        {U"a'\u1E41", skt, U"\u0905\u0902\u093D"},
        {U"a'\u1E40", skt, U"\u0905\u0902\u093D"},
        {U"k1", num, U"\u0915\u094D\u0967"},
        {U"k1", def, U"\u0915\u094D1"},
        {U"5", num, U"\u096B"},
        {U"k. a", def, U"\u0915\u094D. \u0905"},
        {U"k\u1E41", def, U"\u0915"},
        {U"\u00E1", def, U"\u0905"},
        {U"k\u00E1", def, U"\u0915"},
        {U"Kha", def, U"\u0916"},
        {U"ka\u1E25", def, U"\u0915\u0903"},
    });
}

TEST(Kavrel, ColonSpaceApostropheRules)
{
    check({
        // Colon: vanishes before a listed unit, written before an unlisted
        // one or at the end; in Sanskrit mode written at once after copied text.
        {U"a :b", def, U"\u0905 \u092C\u094D"},
        {U"a :b", skt, U"\u0905 :\u092C\u094D"},
        {U"k:", def, U"\u0915\u094D:"},
        {U"k:.", def, U"\u0915\u094D:."},
        {U":", def, U":"},
        {U"k:\u0301", def, U"\u0915\u094D:\u0301"},
        {U"k:'", skt, U"\u0915"},
        {U"a:'", skt, U"\u0905\u093D"},
        {U"a:'", def, U"\u0905\u093D"},
        {U"k:'a", def, U"\u0915\u094D\u093D\u0905"},
        // Space in Sanskrit mode: closed up after a consonant before a listed
        // unit, kept before an unlisted one, dropped before an avagraha.
        {U"k \n", skt, U"\u0915\u094D \n"},
        {U"k a", skt, U"\u0915"},
        {U"k a", def, U"\u0915\u094D \u0905"},
        {U"a 'b", skt, U"\u0905\u093D\u092C\u094D"},
        {U". 'b", skt, U". \u093D\u092C\u094D"},
        {U"a  b", skt, U"\u0905  \u092C\u094D"},
        {U" \u0301", skt, U" \u0301"},
        // Apostrophe: copied unless Sanskrit mode or after a colon.
        {U"a'", def, U"\u0905'"},
        {U"k'", skt, U"\u0915"},
        {U"k'a", skt, U"\u0915\u0905"},
        {U"a'\u1E41\u0301", skt, U"\u0905\u093D\u1E41\u0301"},
        {U"a\u2019\u1E41", skt, U"\u0905\u0902\u093D"},
        {U"'\u0301", skt, U"'\u0301"},
    });
}

TEST(Kavrel, UnitReaderCuts)
{
    check({
        {U"kH", def, U"\u0916\u094D"},
        {U"\u1E6DH", def, U"\u0920\u094D"},
        {U"\u1E5Bha", def, U"\u095D"},
        {U"nh", def, U"\u0928\u094D\u0939\u094D"},
        {U"sh", def, U"\u0938\u094D\u0939\u094D"},
        {U"hh", def, U"\u0939\u094D\u0939\u094D"},
        {U"\u1E37h", def, U"\u0933\u094D\u0939\u094D"},
        {U"kaI", def, U"\u0915\u0948"},
        {U"ka\u00ED", def, U"\u0915\u0948"},
        {U"ka\u00CC", def, U"\u0915\u0948"},
        {U"AU", def, U"\u0914"},
        {U"a\u0128", def, U"\u0910\u0902"},
        {U"a\u0169", def, U"\u0914\u0902"},
        {U"\u0101i", def, U"\u0906\u0907"},
        {U"a\u0301", def, U"a\u0301"},
        {U"r\u0325", def, U"\u090B"},
        {U"kr\u0325\u0304", def, U"\u0915\u0944"},
        {U"l\u0325\u0304\u0300", def, U"\u0961"},
        {U"l\u0325\u0304\u0300\u0301", def, U"\u0961\u0301"},
        {U"kr\u0325\u0304\u0301", def, U"\u0915\u0944"},
        {U"k\u035FH", def, U"\u0959\u094D"},
        {U"k\u035Fha", def, U"\u0959"},
        {U"k\u035F ", def, U"k\u035F "},
        {U"k\u03B1", def, U"k\u03B1"},
        {U"r\u0306a", def, U"\u0931"},
        {U"m\u0310", def, U"\u0901"},
        {U"kaI\u0301", def, U"\u0915\u0948\u0301"},
        {U"\u00E3", def, U"\u0905\u0901"},
        {U"k\u00F5", def, U"\u0915\u094B\u0902"},
    });
}

TEST(Kavrel, MendsForNulAndEndOfInput)
{
    // U+0000 behaves as U+0001 would: copied, wherever it stands.
    check({
        {std::u32string(1, U'\0'), def, std::u32string(1, U'\0')},
        {std::u32string(U"k\0a", 3), def, std::u32string(U"\u0915\u094D\0\u0905", 4)},
        {std::u32string(U"a\0", 2), def, std::u32string(U"\u0905\0", 2)},
        {std::u32string(U"k\u0301\0", 3), def, std::u32string(U"k\u0301\0", 3)},
        {std::u32string(U"l\u0325\u0304\0", 4), def, std::u32string(U"\u0961\0", 2)},
        {std::u32string(U"k\u035F\0", 3), def, std::u32string(U"k\u035F\0", 3)},
        {std::u32string(U"k:\0", 3), def, std::u32string(U"\u0915\u094D:\0", 4)},
        {std::u32string(U"k \0", 3), skt, std::u32string(U"\u0915\u094D \0", 4)},
        {std::u32string(U"a'\0", 3), skt, std::u32string(U"\u0905\u093D\0", 3)},
        // The end of input inside the marks closes the unit, which converts.
        {U"\u0101\u0303", def, U"\u0906\u0901"},
        {U"k\u0101\u0303", def, U"\u0915\u093E\u0901"},
        {U"l\u0325\u0304", def, U"\u0961"},
        {U"k\u035F", def, U"k\u035F"},
        // Characters outside the BMP pass through whole.
        {U"a\U0001F600k", def, U"\u0905\U0001F600\u0915\u094D"},
    });
}

TEST(Kavrel, FormsAndByteOrderMarks)
{
    const std::string ka8 = utf8(U"ka"), le = harness::ucs2(U"ka", true),
                      be = harness::ucs2(U"ka", false);
    const std::string out8 = utf8(U"\u0915"), outle = bytes({0xFF, 0xFE, 0x15, 0x09}),
                      outbe = bytes({0xFE, 0xFF, 0x09, 0x15});
    struct row {
        std::vector<std::string> args;
        std::string in, out;
    };
    const row rows[] = {
        {{}, ka8, out8},
        {{}, bytes({0xEF, 0xBB, 0xBF}) + ka8, out8},
        {{}, bytes({0xFF, 0xFE}) + le, outle},
        {{}, bytes({0xFE, 0xFF}) + be, outbe},
        {{"-iu"}, bytes({0xFF, 0xFE}) + ka8, out8},
        {{"-iu"}, bytes({0xFE, 0xFF}) + ka8, out8},
        {{"-il"}, le, outle},
        {{"-il"}, bytes({0xFE, 0xFF}) + le, outle},
        {{"-ib"}, be, outbe},
        {{"-ib"}, bytes({0xFF, 0xFE}) + be, outbe},
        {{"-il", "-ib"}, be, outbe},
        {{"-ol"}, ka8, outle},
        {{"-ob"}, ka8, outbe},
        {{"-ou"}, bytes({0xFF, 0xFE}) + le, out8},
        {{"-ou"}, bytes({0xFE, 0xFF}) + be, out8},
        {{"-ob"}, bytes({0xFF, 0xFE}) + le, outbe},
        {{"-ol", "-ou"}, ka8, out8},
        {{"-il", "-ob"}, le, outbe},
        // Surrogate pairs come through whole in every form.
        {{}, bytes({0xFF, 0xFE}) + harness::ucs2(U"\U0001F600", true),
         bytes({0xFF, 0xFE}) + harness::ucs2(U"\U0001F600", true)},
        {{"-ib", "-ou"}, harness::ucs2(U"\U0001F600a", false), utf8(U"\U0001F600\u0905")},
        {{"-ol"}, utf8(U"\U0001F600"), bytes({0xFF, 0xFE}) + harness::ucs2(U"\U0001F600", true)},
        // A lone surrogate is handed on without losing the unit after it.
        {{"-il"}, bytes({0x00, 0xD8, 'a', 0}), bytes({0xFF, 0xFE, 0x00, 0xD8, 0x05, 0x09})},
        {{"-ib"}, bytes({0xDC, 0x00, 0xD8, 0x00, 0xD8, 0x00, 0xDC, 0x00}),
         bytes({0xFE, 0xFF, 0xDC, 0x00, 0xD8, 0x00, 0xD8, 0x00, 0xDC, 0x00})},
        {{"-il"}, bytes({0x00, 0xD8}), bytes({0xFF, 0xFE, 0x00, 0xD8})},
        // An input that ends inside its first character gives nothing.
        {{}, "", ""},
        {{}, bytes({0xC4}), ""},
        {{}, bytes({0xE0, 0xA4}), ""},
        {{}, bytes({0xF0, 0x9F, 0x98}), ""},
        {{"-il"}, bytes({0x15}), ""},
        {{"-ib"}, bytes({0x09}), ""},
        {{}, bytes({0xFF}), ""},
        // A mark alone, then nothing: only the output's mark.
        {{}, bytes({0xFF, 0xFE}), bytes({0xFF, 0xFE})},
        {{}, "k", utf8(U"\u0915\u094D")},
        {{}, bytes({0xC4, 0x81}), utf8(U"\u0906")},
    };
    for (const row& r : rows)
        for (std::size_t chunk : {codec::bufsize, std::size_t{1}})
            EXPECT_EQ(hex(convert(r.args, r.in, chunk)), hex(r.out))
                << "input " << hex(r.in) << " chunk " << chunk;
}

TEST(Kavrel, Dictionary)
{
    auto d = std::make_unique<kavrel::dictionary>();
    ASSERT_TRUE(kavrel::fill(*d, {}));
    auto unit = [](std::u32string_view s) {
        kavrel::tchar u;
        for (char32_t c : s)
            u.c[u.n++] = static_cast<kavrel::lchar>(c);
        return u;
    };
    EXPECT_NE(kavrel::lookup(*d, unit(U"kh")), nullptr);
    EXPECT_EQ(kavrel::lookup(*d, unit(U"khh")), nullptr);
    EXPECT_EQ(kavrel::lookup(*d, unit(U"kH")), nullptr);
    EXPECT_EQ(kavrel::lookup(*d, unit(U"\u0161")), nullptr); // shares a's bucket
    EXPECT_EQ(kavrel::lookup(*d, unit(U"\xFFFFFFFF")), nullptr);
    EXPECT_EQ(kavrel::lookup(*d, unit(U"1")), nullptr);
    EXPECT_EQ(d->used, 198); // every key distinct

    // The direct index of lone units finds what the buckets find.
    auto all = std::make_unique<kavrel::dictionary>();
    ASSERT_TRUE(kavrel::fill(*all, {.dnnum = true, .skt = true}));
    for (kavrel::lchar c = -1; c < kavrel::lonemax + 0x100; ++c)
        ASSERT_EQ(kavrel::lookup(*all, unit(std::u32string(1, static_cast<char32_t>(c)))),
                  kavrel::walk(*all, unit(std::u32string(1, static_cast<char32_t>(c)))))
            << c;
    EXPECT_EQ(all->used, kavrel::maxnodes);

    // A key installed again keeps its node and takes the new outputs.
    kavrel::convrec again{{'k'}, {0x0958}, {0x0941}};
    const kavrel::convnode* before = kavrel::lookup(*d, unit(U"k"));
    EXPECT_EQ(kavrel::install(*d, again), before);
    EXPECT_EQ(d->used, 198);
    EXPECT_EQ(before->indep[0], 0x0958);
    EXPECT_FALSE(before->consonant);

    // A full dictionary refuses a new key and leaves no trace of it.
    d->used = kavrel::maxnodes;
    EXPECT_EQ(kavrel::install(*d, {{'%'}, {0x0905}, {}}), nullptr);
    EXPECT_EQ(kavrel::lookup(*d, unit(U"%")), nullptr);
}

TEST(Kavrel, CapitalRecordsFollowTheirRows)
{
    ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr);
    std::set<std::vector<kavrel::lchar>> keys;
    for (std::size_t i = 0; i < kavrel::convlist.size(); i += 2) {
        const auto& lower = kavrel::convlist[i];
        const auto& upper = kavrel::convlist[i + 1];
        EXPECT_EQ(upper.roman[0], static_cast<kavrel::lchar>(std::towupper(
                                      static_cast<wint_t>(lower.roman[0]))))
            << "row " << i / 2 + 1;
        for (int k = 1; k < 5; ++k)
            EXPECT_EQ(upper.roman[k], lower.roman[k]);
        keys.insert({lower.roman, lower.roman + 5});
        keys.insert({upper.roman, upper.roman + 5});
    }
    EXPECT_EQ(keys.size(), 198u);
}

TEST(Kavrel, CommandLine)
{
    harness::tempfile text("ka1\n");
    const std::string ka = utf8(U"\u09151\n"), kanum = utf8(U"\u0915\u0967\n");
    struct row {
        const char* name;
        std::vector<std::string> args;
        std::string in;
        const char* outpath;
        std::string out;
        int status;
        bool usage;
        std::string err;
    };
    const row rows[] = {
        {"file", {text.path}, "", nullptr, ka, 0, false, ""},
        {"standard input", {"-n"}, "ka1\n", nullptr, kanum, 0, false, ""},
        {"option after the file", {text.path, "-n"}, "", nullptr, ka, 0, false, ""},
        {"option before the file", {"-n", text.path, "-x"}, "", nullptr, kanum, 0, false, ""},
        {"bad option", {"-x"}, "ka", nullptr, "", 1, true, ""},
        {"lone dash", {"-n", "-"}, "ka", nullptr, "", 1, true, ""},
        {"case matters", {"-S"}, "ka", nullptr, "", 1, true, ""},
        {"missing file", {"/nonexistent/file"}, "", nullptr, "", 1, false, "Unable to open file\n"},
        {"directory", {"/"}, "", nullptr, "", 1, false, "kavrel: read error: Is a directory\n"},
        {"full disk", {text.path}, "", "/dev/full", "", 1, false,
         "kavrel: write error: No space left on device\n"},
        {"empty input", {}, "", nullptr, "", 0, false, ""},
    };
    for (const row& r : rows) {
        harness::result res = harness::run(KAVREL_BIN, r.args, r.in, r.outpath);
        EXPECT_EQ(hex(res.out), hex(r.out)) << r.name;
        EXPECT_EQ(res.status, r.status) << r.name;
        if (r.usage) {
            EXPECT_EQ(res.err.rfind("   Kavrel converts from Unicode Roman (following", 0), 0u) << r.name;
            EXPECT_NE(res.err.find("      -s   --  text is Sanskrit: handle space and avagraha characters\n"
                                   "               appropriately\n"),
                      std::string::npos);
            EXPECT_EQ(std::count(res.err.begin(), res.err.end(), '\n'), 27) << r.name;
        } else {
            EXPECT_EQ(res.err, r.err) << r.name;
        }
    }
}

} // namespace
