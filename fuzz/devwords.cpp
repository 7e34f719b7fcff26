#include "devwords.hpp"

#include <iterator>

namespace devwords {

namespace {

// Consonants that leave an inherent vowel pending, precomposed nukta
// letters among them.
constexpr char32_t consonants[] = {
    0x0915, 0x0916, 0x0917, 0x0918, 0x0919, 0x091A, 0x091B, 0x091C, 0x091D, 0x091E, 0x091F,
    0x0920, 0x0921, 0x0922, 0x0923, 0x0924, 0x0925, 0x0926, 0x0927, 0x0928, 0x092A, 0x092B,
    0x092C, 0x092D, 0x092E, 0x092F, 0x0930, 0x0932, 0x0935, 0x0936, 0x0937, 0x0938, 0x0939,
    0x095C, 0x095D, 0x0933, 0x0958, 0x0959, 0x095A, 0x095E, 0x095B, 0x0929, 0x0931, 0x0934,
    0x095F,
};

// A consonant and the separate nukta sign: one precomposed letter.
constexpr char32_t nuktapairs[][2] = {
    {0x0915, 0x0958}, {0x0916, 0x0959}, {0x0917, 0x095A}, {0x091C, 0x095B},
    {0x0921, 0x095C}, {0x0922, 0x095D}, {0x092B, 0x095E}, {0x0928, 0x0929},
    {0x0930, 0x0931}, {0x0933, 0x0934}, {0x092F, 0x095F},
};

constexpr char32_t vowels[] = {
    0x0905, 0x0906, 0x0907, 0x0908, 0x0909, 0x090A, 0x090B,
    0x0960, 0x090C, 0x0961, 0x090F, 0x0913, 0x0910, 0x0914, 0x090D, 0x0911,
};

constexpr char32_t vowelsigns[] = {
    0x093E, 0x093F, 0x0940, 0x0941, 0x0942, 0x0943, 0x0944,
    0x0962, 0x0963, 0x0947, 0x0948, 0x094B, 0x094C, 0x0945, 0x0949,
};

constexpr char32_t signs[] = {0x0901, 0x0902, 0x0903}; // candrabindu, anusvara, visarga
constexpr char32_t accents[] = {0x0951, 0x0952};       // udatta, anudatta
constexpr char32_t virama = 0x094D;
constexpr char32_t nukta = 0x093C;

template <typename T, std::size_t N> const T& choose(chooser& ch, const T (&list)[N])
{
    return list[pick(ch, N)];
}

void add(text& t, char32_t c)
{
    t.written += c;
    t.expected += c;
}

void addconsonant(chooser& ch, text& t)
{
    if (pick(ch, 8) == 0) {
        const auto& pair = choose(ch, nuktapairs);
        t.written += pair[0];
        t.written += nukta;
        t.expected += pair[1];
        return;
    }
    add(t, choose(ch, consonants));
}

} // namespace

unsigned pick(chooser& ch, unsigned count)
{
    if (ch.rng)
        return static_cast<unsigned>((*ch.rng)() % count);
    if (ch.n == 0)
        return 0;
    --ch.n;
    return *ch.p++ % count;
}

bool more(const chooser& ch) { return ch.rng || ch.n > 0; }

// A word is one to four syllables. A syllable is an independent vowel, or a
// cluster of consonants joined by the virama with a vowel sign or its
// inherent vowel; either may take a sign, and then an accent, where the
// schemes that write accents put it. The last cluster of a word may instead
// end in the virama.
void addword(chooser& ch, text& t)
{
    unsigned syllables = 1 + pick(ch, 4);
    for (unsigned s = 0; s < syllables; ++s) {
        bool last = s + 1 == syllables;
        if (pick(ch, 4) == 0) {
            add(t, choose(ch, vowels));
        } else {
            unsigned cluster = pick(ch, 4) == 0 ? 2 + pick(ch, 2) : 1;
            for (unsigned k = 0; k < cluster; ++k) {
                if (k > 0)
                    add(t, virama);
                addconsonant(ch, t);
            }
            unsigned v = pick(ch, 8);
            if (v < 4) {
                add(t, choose(ch, vowelsigns));
            } else if (v == 7 && last) {
                add(t, virama);
                break;
            }
        }
        if (pick(ch, 5) == 0)
            add(t, choose(ch, signs));
        if (pick(ch, 6) == 0)
            add(t, choose(ch, accents));
    }
    add(t, pick(ch, 6) == 0 ? U'\n' : U' ');
}

} // namespace devwords
