// The transliteration-unit reader: cuts the Roman character stream into
// units, each looked up whole in the dictionary. The ISO 15919 dialect
// cuts by its letters' rules (an aspirating h, the second letter of a
// diphthong, combining marks); every other scheme by the longest spelling
// that the text starts with.
#include "convert.hpp"
#include "letters.hpp"

namespace kavrel {

namespace {

// At each character, the longest spelling of the scheme that the text
// starts with there; a character that begins no spelling is a unit of its
// own. The characters read past the unit are stepped back over.
void longestmatch(state& st, tchar& unit)
{
    int len = 1, read = 1;
    longest(*st.dict, unit.c[0], len, read, [&st, &unit] { return unit.c[unit.n++] = getch(st); });
    for (; unit.n > len; --unit.n) {
        pushback(st);
        unit.c[unit.n - 1] = 0;
    }
}

} // namespace

void gettch(state& st, tchar& unit)
{
    if (st.queued) {
        unit = st.queuedtch;
        st.queued = false;
        return;
    }
    unit = tchar{};
    lchar c0 = getch(st);
    unit.c[0] = c0;
    unit.n = 1;
    if (c0 == codec::endofinput)
        return;
    if (st.opt.scheme != vocab::scheme::iso) {
        longestmatch(st, unit);
        return;
    }
    // A line feed is written as it is whatever follows it (marks after it
    // are copied as it is), so it is a unit without looking further: a
    // line's conversion goes out when its end is read.
    if (c0 == '\n')
        return;

    lchar c1 = getch(st);
    if (lchar second = joined(c0, c1)) {
        unit.c[1] = second;
        unit.n = 2;
        return;
    }
    // Every character that is not part of the unit goes back, the end of
    // the input too: it is read again by the next call.
    if (!ismark(c1)) {
        pushback(st);
        return;
    }
    unit.c[1] = c1;
    unit.n = 2;

    // The end of input inside the marks closes the unit before it.
    lchar c2 = getch(st);
    if (c2 == codec::endofinput) {
        pushback(st);
        return;
    }
    // After the double macron below (k͟h) the next letter belongs to the
    // unit whatever it is.
    if (c1 == doublemacronbelow || ismark(c2)) {
        unit.c[2] = c2;
        unit.n = 3;
    } else {
        pushback(st);
        return;
    }
    if (c1 == doublemacronbelow)
        return;

    // A letter takes three marks at most; a fourth begins the next unit.
    lchar c3 = getch(st);
    if (ismark(c3)) {
        unit.c[3] = c3;
        unit.n = 4;
    } else {
        pushback(st);
    }
}

} // namespace kavrel
