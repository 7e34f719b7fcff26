// The Vedic accents of the schemes that write them as marks on the vowels
// (IAST and ISO 15919: agním). A letter with its marks is decomposed; if
// its marks include an accent mark and the letter without them (composed
// again, any capital as the scheme reads it) is a whole spelling of a
// vowel, the letter is read without them and its accents go with it to the
// end of its syllable. The accent marks are the spellings of the scheme's
// accent rows that are combining marks.
#include "convert.hpp"
#include "slots.hpp"

#include <algorithm>
#include <iterator>

namespace kavrel {

void prepareaccents(accenting& a, const dictionary& d, const schemes::scheme& s)
{
    a.marks = false;
    std::fill(std::begin(a.accentof), std::end(a.accentof), 0);
    for (const schemes::row& r : s.rows) {
        if (r.k != schemes::kind::accent)
            continue;
        for (int i = 0; i < schemes::spellingcount(r); ++i) {
            std::u32string_view m = schemes::spelling(r, i);
            if (m.size() == 1 && m[0] >= 0x0300 && m[0] < 0x0370) {
                a.accentof[m[0] - 0x0300] = r.unit[0] == udatta ? 1 : 2;
                a.marks = true;
            }
        }
    }
    std::fill(std::begin(a.letters), std::end(a.letters), accentletter{});
    std::fill(std::begin(a.changes), std::end(a.changes), 0);
    if (!a.marks)
        return;
    for (lchar c = 0x00C0; c < accentlimit; ++c) {
        lchar run[4] = {c};
        if (takeaccents(d, a, run, 1) == 1 && bare(run[0]) != c)
            a.letters[c] = {bare(run[0]), static_cast<std::uint8_t>(accentsof(run[0]))};
        lchar decomposed[4 * compose::maxcomposed];
        int k = compose::nfd(&c, 1, decomposed, static_cast<int>(std::size(decomposed)));
        for (int i = 0; i < k; ++i)
            if (decomposed[i] >= 0x0300 && decomposed[i] < 0x0370 && a.accentof[decomposed[i] - 0x0300])
                a.letters[c].marked = true;
    }
    a.changes[0] = 1;
    a.changes[1] = 2;
    for (int slot = 2; slot < lane::slotsof.used; ++slot) {
        lchar c = lane::slotsof.chars[slot];
        a.changes[slot] = c >= 0x00C0 && c < accentlimit && a.letters[c].letter;
    }
}

int takeaccents(const dictionary& d, const accenting& a, lchar* run, int n)
{
    lchar decomposed[4 * compose::maxcomposed];
    int k = compose::nfd(run, n, decomposed, static_cast<int>(std::size(decomposed)));
    if (k < 0)
        return n;
    lchar rest[4 * compose::maxcomposed];
    int m = 0;
    unsigned accents = 0, count = 0;
    for (int i = 0; i < k; ++i) {
        lchar c = decomposed[i];
        unsigned accent = c >= 0x0300 && c < 0x0370 ? a.accentof[c - 0x0300] : 0;
        if (!accent) {
            rest[m++] = c;
        } else if (count < 3) {
            accents = accents << 2 | accent;
            ++count;
        }
    }
    if (!accents || m == 0)
        return n;
    lchar letter[4];
    int l = compose::nfc(rest, m, letter, 4);
    if (l < 1 || l > n)
        return n;
    tchar key{};
    std::copy(letter, letter + l, key.c);
    key.n = l;
    const convnode* e = lookup(d, key);
    if (!e || e->kind != schemes::kind::vowel)
        return n;
    std::copy(letter, letter + l, run);
    run[0] |= static_cast<lchar>(accents << accentshift);
    return l;
}

} // namespace kavrel
