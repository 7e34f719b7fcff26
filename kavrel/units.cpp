// The transliteration-unit reader: cuts the Roman character stream into
// units, each looked up whole in the dictionary. The ISO 15919 dialect
// cuts by its letters' rules (an aspirating h, the second letter of a
// diphthong, combining marks); every other scheme by the longest spelling
// that the text starts with.
#include "convert.hpp"
#include "letters.hpp"

namespace kavrel {

namespace {

// The character k after the next one to read (k = -1: the one before it),
// decoding more as needed; -1 past either end of the text.
lchar peekch(state& st, std::ptrdiff_t k)
{
    chars& ch = st.ch;
    if (k < 0)
        return ch.pos >= static_cast<std::size_t>(-k) ? ch.c[ch.pos - static_cast<std::size_t>(-k)] : codec::endofinput;
    while (ch.pos + static_cast<std::size_t>(k) >= ch.len) {
        if (ch.len > ch.pos && ch.c[ch.len - 1] == codec::endofinput)
            return codec::endofinput;
        fillchars(st);
    }
    return ch.c[ch.pos + static_cast<std::size_t>(k)];
}

// Takes the next n characters into the unit, their accents gathered.
void take(state& st, tchar& u, int n)
{
    for (int i = 0; i < n; ++i) {
        lchar c = st.ch.c[st.ch.pos++];
        u.c[u.n++] = bare(c);
        for (unsigned a = accentsof(c); a; a >>= 2)
            u.accents = static_cast<std::uint8_t>(u.accents << 2 | (a & 3));
    }
}

// Whether the text at the next character starts with `mark` (a scheme's
// passage mark).
bool startswith(state& st, std::u32string_view mark)
{
    for (std::size_t i = 0; i < mark.size(); ++i)
        if (bare(peekch(st, static_cast<std::ptrdiff_t>(i))) != static_cast<lchar>(mark[i]))
            return false;
    return !mark.empty();
}

// A scheme's unit, read by the cutting order of its spellings: a passage
// copied as it stands, the separator, the longest spelling its flag
// allows, an escaped character, else the character itself, copied.
void schemeunit(state& st, tchar& u)
{
    const schemes::scheme& s = *st.sch;
    const dictionary& d = *st.dict;
    if (startswith(st, s.verbatim)) {
        // The marks around a passage vanish; what is between is copied.
        take(st, u, static_cast<int>(s.verbatim.size()));
        st.passage = !st.passage;
        u.how = tchar::way::vanish;
        return;
    }
    if (st.passage) {
        take(st, u, 1);
        u.how = tchar::way::copy;
        return;
    }
    auto peek = [&st](int k) { return bare(peekch(st, k)); };
    int len = 1;
    const convnode* e = longest(d, len, peek);
    // ISO 15919's colon separates only where a spelling follows it;
    // elsewhere it is copied.
    if (e && e->separator && s.sep == schemes::separation::before && !find(d, tchar{{peek(len)}, 1})) {
        take(st, u, len);
        u.how = tchar::way::copy;
        return;
    }
    if (!e && !s.escape.empty() && peek(0) == static_cast<lchar>(s.escape[0]) && peek(1) != codec::endofinput) {
        // An escaped character is copied; the escape vanishes.
        ++st.ch.pos;
        take(st, u, 1);
        u.how = tchar::way::copy;
        return;
    }
    // A character that begins no spelling is a unit of its own, which the
    // writer copies (and the rules of Sanskrit mode may still see).
    take(st, u, len);
    if (e)
        u.entry = static_cast<std::uint8_t>(number(d, e));
}

// Marks after a line feed: what the ISO 15919 dialect's reader takes with
// the line feed into one unit (up to three marks, or after the double
// macron below any character), which the writer copies. The line feed is a
// unit of its own as soon as it is read, so that a line is converted when
// its end comes; the marks, if any follow, come as the rest of its unit.
bool afterlinefeed(state& st, tchar& u)
{
    lchar c1 = getch(st);
    if (!ismark(c1)) {
        pushback(st);
        return false;
    }
    u.c[u.n++] = c1;
    u.how = tchar::way::copy;
    lchar c2 = getch(st);
    if (c2 == codec::endofinput || (c1 != doublemacronbelow && !ismark(c2))) {
        pushback(st);
        return true;
    }
    u.c[u.n++] = c2;
    if (c1 == doublemacronbelow)
        return true;
    lchar c3 = getch(st);
    if (ismark(c3))
        u.c[u.n++] = c3;
    else
        pushback(st);
    return true;
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
    if (st.opt.scheme != vocab::scheme::iso) {
        if (peekch(st, 0) == codec::endofinput) {
            unit.c[0] = getch(st);
            unit.n = 1;
            return;
        }
        schemeunit(st, unit);
        return;
    }
    if (st.afterlinefeed) {
        st.afterlinefeed = false;
        if (afterlinefeed(st, unit))
            return;
    }
    lchar c0 = getch(st);
    unit.c[0] = c0;
    unit.n = 1;
    if (c0 == codec::endofinput)
        return;
    if (c0 == '\n') {
        st.afterlinefeed = true;
        return;
    }

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
