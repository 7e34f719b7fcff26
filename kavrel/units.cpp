// The transliteration-unit reader: cuts the Roman character stream into
// units, each looked up whole in the dictionary.
#include "convert.hpp"

namespace kavrel {

namespace {

// The second letter of a diphthong, in any case or accent, as the plain
// lower-case letter that the tables list. 0 when c is no such letter.
lchar diphthongsecond(lchar c)
{
    switch (c) {
    case 0x0069: case 0x0049: case 0x00EC: case 0x00ED: case 0x00CC: case 0x00CD:
        return 0x0069; // i
    case 0x0129: case 0x0128:
        return 0x0129; // i tilde
    case 0x0075: case 0x0055: case 0x00F9: case 0x00FA: case 0x00D9: case 0x00DA:
        return 0x0075; // u
    case 0x0169: case 0x0168:
        return 0x0169; // u tilde
    default:
        return 0;
    }
}

// Consonants that a following h turns into their aspirate.
bool aspirable(lchar c)
{
    switch (c) {
    case 'k': case 'K': case 'g': case 'G': case 'c': case 'C': case 'j': case 'J':
    case 't': case 'T': case 'd': case 'D': case 'p': case 'P': case 'b': case 'B':
    case 0x1E6C: case 0x1E6D: // t dot below
    case 0x1E0C: case 0x1E0D: // d dot below
    case 0x1E5A: case 0x1E5B: // r dot below
        return true;
    default:
        return false;
    }
}

// Combining diacritical marks, with the Greek and Coptic block after them.
bool ismark(lchar c) { return c >= 0x0300 && c <= 0x03FF; }

constexpr lchar doublemacronbelow = 0x035F;

void pushback(state& st, lchar c) { st.queueduch = c; }

} // namespace

void gettch(state& st, tchar& unit)
{
    if (st.queued) {
        unit = st.queuedtch;
        st.queued = false;
        return;
    }
    unit = tchar{};
    lchar c0 = getcuch(st);
    unit.c[0] = c0;
    unit.n = 1;
    if (c0 == codec::endofinput)
        return;

    lchar c1 = getcuch(st);
    if (c0 == 'a' || c0 == 'A') {
        if (lchar second = diphthongsecond(c1)) {
            unit.c[1] = second;
            unit.n = 2;
            return;
        }
    } else if ((c1 == 'h' || c1 == 'H') && aspirable(c0)) {
        unit.c[1] = 'h';
        unit.n = 2;
        return;
    }
    if (!ismark(c1)) {
        pushback(st, c1);
        return;
    }
    unit.c[1] = c1;
    unit.n = 2;

    // The end of input inside the marks closes the unit before it, and is
    // kept for the next call.
    lchar c2 = getcuch(st);
    if (c2 == codec::endofinput) {
        pushback(st, c2);
        return;
    }
    // After the double macron below (k͟h) the next letter belongs to the
    // unit whatever it is.
    if (c1 == doublemacronbelow || ismark(c2)) {
        unit.c[2] = c2;
        unit.n = 3;
    } else {
        pushback(st, c2);
        return;
    }
    if (c1 == doublemacronbelow)
        return;

    // A letter takes three marks at most; a fourth begins the next unit.
    lchar c3 = getcuch(st);
    if (ismark(c3)) {
        unit.c[3] = c3;
        unit.n = 4;
    } else {
        pushback(st, c3);
    }
}

} // namespace kavrel
