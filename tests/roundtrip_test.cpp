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

// Ten thousand random words, each converted on its own so that a failure
// names its word.
TEST(RoundTrip, RandomWordsComeBack)
{
    std::mt19937 rng(15919);
    devwords::chooser ch{nullptr, 0, &rng};
    for (int w = 0; w < 10000; ++w) {
        devwords::text t;
        devwords::addword(ch, t);
        ASSERT_EQ(harness::hex(roundtrip(t.written)), harness::hex(harness::utf8(t.expected)))
            << "word " << harness::hex(harness::utf8(t.written)) << " gave \""
            << harness::sonwickconvert(harness::utf8(t.written)) << "\"";
    }
}

// Devanagari digits come back with kavrel's numerals.
TEST(RoundTrip, DigitsComeBackWithNumerals)
{
    for (std::u32string text : {U"\u0966\u0967\u0968\u0969\u096A\u096B\u096C\u096D\u096E\u096F\n",
                                       U"\u0915\u0967 \u0915\u093F\u0968\u0969 \u096B\u0915\n",
                                       U"\u0905\u0967 \u0915\u094D \u0967"})
        EXPECT_EQ(harness::hex(roundtrip(text, {.numerals = true})), harness::hex(harness::utf8(text)));
}

} // namespace
