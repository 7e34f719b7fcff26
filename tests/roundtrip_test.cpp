// Devanagari through sonwick and back through kavrel comes back unchanged.
#include "devwords.hpp"
#include "harness.hpp"
#include "kavrel/convert.hpp"

#include <gtest/gtest.h>

namespace {

std::string roundtrip(const std::u32string& text, const kavrel::options& opt = {})
{
    return harness::kavrelconvert(opt, harness::sonwickconvert(harness::utf8(text)));
}

TEST(RoundTrip, RandomWordsComeBack)
{
    std::mt19937 rng(15919);
    devwords::chooser ch{nullptr, 0, &rng};
    for (int round = 0; round < 20; ++round) {
        devwords::text t;
        for (int w = 0; w < 500; ++w)
            devwords::addword(ch, t);
        std::string want = harness::utf8(t.expected);
        if (roundtrip(t.written) == want)
            continue;
        // Find the first word that does not come back, for the message.
        std::size_t start = 0;
        while (start < t.written.size()) {
            std::size_t end = t.written.find_first_of(U" \n", start) + 1;
            std::u32string word = t.written.substr(start, end - start);
            devwords::text one{word, {}};
            std::string roman = harness::sonwickconvert(harness::utf8(word));
            std::string back = harness::kavrelconvert({}, roman);
            std::u32string expected = word;
            for (std::size_t i = 0; i + 1 < expected.size(); ++i) {
                static const char32_t base[] = {0x0915, 0x0916, 0x0917, 0x091C, 0x0921, 0x0922, 0x092B};
                static const char32_t joined[] = {0x0958, 0x0959, 0x095A, 0x095B, 0x095C, 0x095D, 0x095E};
                for (int k = 0; k < 7; ++k)
                    if (expected[i] == base[k] && expected[i + 1] == 0x093C)
                        expected.replace(i, 2, 1, joined[k]);
            }
            ASSERT_EQ(harness::hex(back), harness::hex(harness::utf8(expected)))
                << "word " << harness::hex(harness::utf8(word)) << " gave Roman \"" << roman << "\"";
            start = end;
        }
        FAIL() << "the text failed but no single word did";
    }
}

TEST(RoundTrip, DigitsComeBackWithNumerals)
{
    const std::u32string rows[] = {
        U"\u0966\u0967\u0968\u0969\u096A\u096B\u096C\u096D\u096E\u096F\n",
        U"\u0915\u0967 \u0915\u093F\u0968\u0969 \u096B\u0915\n",
        U"\u0905\u0967 \u0915\u094D \u0967\n",
    };
    for (const auto& text : rows)
        EXPECT_EQ(harness::hex(roundtrip(text, {.dnnum = true})), harness::hex(harness::utf8(text)));
}

} // namespace
