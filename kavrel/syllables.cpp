// The syllable writer: writes each consonant letter at once and remembers
// whether it still waits for its vowel; the next unit then decides between a
// dependent vowel sign, nothing (the inherent a) and the virama.
#include "convert.hpp"
#include "letters.hpp"

namespace kavrel {

namespace {

bool loneapostrophe(const tchar& u) { return u.n == 1 && isapostrophe(u.c[0]); }

void put(state& st, lchar c) { codec::putuch(st.out, c); }

// Reads the unit after the current one into the pushback, where the next
// gettch of the conversion loop finds it.
tchar& readahead(state& st)
{
    gettch(st, st.queuedtch);
    st.queued = true;
    return st.queuedtch;
}

// Whether the unit writes the avagraha: in Sanskrit mode the apostrophes
// of the ISO 15919 dialect, a scheme's spelling of the sign elsewhere.
bool beforeavagraha(const state& st, const tchar& u)
{
    const convnode* e = lookup(*st.dict, u);
    return e && e->avagraha;
}

int general(state& st, const tchar& u) { return writeunit(st.out, st.sylstate, *st.dict, u); }

// A lone colon keeps two letters from being read as one unit (k:h, a:i) and
// vanishes; outside Sanskrit mode it also introduces the avagraha (:').
int colonrule(state& st, const tchar& u)
{
    if (st.sylstate == SYL_OTHER && st.opt.sanskrit) {
        put(st, colon);
        return 1;
    }
    const tchar& next = readahead(st);
    if (!st.opt.sanskrit && loneapostrophe(next)) {
        if (st.sylstate == SYL_CONSONANT)
            put(st, virama);
        put(st, vocab::avagraha);
        st.sylstate = SYL_VOWEL;
        st.queued = false; // the apostrophe is used up
        return 1;
    }
    if (lookup(*st.dict, next))
        return 1;
    return general(st, u);
}

// Sanskrit mode: a space after a consonant is closed up when a listed unit
// follows, and a space before an avagraha after a vowel is dropped.
int spacerule(state& st, const tchar& u)
{
    const tchar& next = readahead(st);
    // A scheme's separator is no letter to join: the space stays.
    const convnode* e = lookup(*st.dict, next);
    if (st.sylstate == SYL_CONSONANT && e && !e->separator)
        return 1;
    if (st.sylstate == SYL_VOWEL && beforeavagraha(st, next))
        return 1;
    return general(st, u);
}

// Sanskrit mode: an anusvara after an avagraha is written before it.
int apostropherule(state& st, tchar& u)
{
    tchar& next = readahead(st);
    if (next.n == 1 && isanusvara(next.c[0])) {
        u = tchar{{anusvaradot}, 1};
        next = tchar{{apostrophe}, 1};
    }
    return general(st, u);
}

} // namespace

int writeunit(codec::output& out, lchar& sylstate, const dictionary& d, const tchar& u)
{
    if (const convnode* e = lookup(d, u)) {
        // A scheme's separator ends the unit before it and vanishes,
        // leaving the syllable as it was.
        if (e->separator)
            return 1;
        // After a consonant: the vowel's sign, or for another consonant the
        // virama that closes the first; else the independent form.
        codec::putshort(out.bytes, e->out[sylstate == SYL_CONSONANT]);
        sylstate = e->consonant ? SYL_CONSONANT : SYL_VOWEL;
        return 1;
    }
    // Not in the dictionary: a pending consonant is closed, then the unit is
    // copied unchanged. The end of input only closes the consonant.
    if (sylstate == SYL_CONSONANT)
        codec::putuch(out, virama);
    if (u.c[0] == codec::endofinput)
        return -1;
    for (int i = 0; i < u.n; ++i)
        codec::putuch(out, u.c[i]);
    sylstate = SYL_OTHER;
    return 1;
}

int putdch(state& st, tchar& unit)
{
    if (unit.n == 1) {
        lchar c = unit.c[0];
        bool iso = st.opt.scheme == vocab::scheme::iso;
        if (c == colon && iso)
            return colonrule(st, unit);
        if (c == space && st.opt.sanskrit)
            return spacerule(st, unit);
        if (isapostrophe(c) && st.opt.sanskrit && iso)
            return apostropherule(st, unit);
    }
    return general(st, unit);
}

} // namespace kavrel
