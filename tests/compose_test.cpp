// The WebAssembly module's compositions, from tables made at build time,
// against utf8proc's, which the programs use: the same combining class for
// every character, and the same composition for every letter with each
// mark and for random runs of a letter and several marks.
#include "composetables.hpp"
#include "kavrel/convert.hpp"

#include <gtest/gtest.h>
#include <utf8proc.h>

#include <random>
#include <vector>

namespace {

using compose::lchar;

std::vector<lchar> composedby(int (*nfc)(const lchar*, int, lchar*, int), const std::vector<lchar>& run)
{
    lchar out[4 * compose::maxcomposed];
    int n = nfc(run.data(), static_cast<int>(run.size()), out, static_cast<int>(std::size(out)));
    return n < 0 ? std::vector<lchar>{-1} : std::vector<lchar>(out, out + n);
}

} // namespace

TEST(Compose, TablesAsUtf8proc)
{
    std::vector<lchar> letters, marks;
    for (lchar c = 0; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        int cc = utf8proc_get_property(c)->combining_class;
        ASSERT_EQ(compose::tables::combiningclassof(c), cc) << std::hex << c;
        if (cc != 0)
            marks.push_back(c);
        if (kavrel::latinletter(c))
            letters.push_back(c);
    }
    ASSERT_GT(marks.size(), 800u);
    auto same = [](const std::vector<lchar>& run) {
        return composedby(compose::nfc, run) == composedby(compose::tables::nfc, run) &&
               composedby(compose::nfd, run) == composedby(compose::tables::nfd, run);
    };
    for (lchar l : letters)
        for (lchar m : marks)
            ASSERT_TRUE(same({l, m})) << std::hex << l << " " << m;
    // Runs of two to maxmarks marks, most from the Latin diacritics, where
    // order and blocking matter.
    std::mt19937 rng(15919);
    auto pick = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
    for (int i = 0; i < 200000; ++i) {
        std::vector<lchar> run{letters[pick(letters.size())]};
        int n = 2 + static_cast<int>(pick(i % 100 == 0 ? compose::maxmarks - 1 : 3));
        for (int k = 0; k < n; ++k)
            run.push_back(pick(4) ? 0x0300 + static_cast<lchar>(pick(0x70)) : marks[pick(marks.size())]);
        ASSERT_TRUE(same(run)) << i;
    }
    // Too many marks, or none at all: no composition.
    EXPECT_EQ(composedby(compose::tables::nfc, std::vector<lchar>(compose::maxcomposed + 1, 0x0301)),
              std::vector<lchar>{-1});
    EXPECT_EQ(composedby(compose::tables::nfc, {}), std::vector<lchar>{-1});
}
