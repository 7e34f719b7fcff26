// The syllable writer: writes each consonant letter at once and remembers
// whether it still waits for its vowel; the next unit then decides between a
// dependent vowel sign, nothing (the inherent a) and the virama.
#include "convert.hpp"
#include "letters.hpp"

#include <iterator>

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

// Writes the accents held for the syllable.
void writeaccents(state& st)
{
    for (int i = 0; i < st.nheld; ++i)
        put(st, st.held[i]);
    st.nheld = 0;
}

// Holds the unit's accents (gathered from its letters) to the end of its
// syllable.
void hold(state& st, unsigned accents)
{
    unsigned list[4];
    int n = 0;
    for (; accents; accents >>= 2)
        list[n++] = accents & 3; // the last first
    while (n > 0 && st.nheld < static_cast<int>(std::size(st.held)))
        st.held[st.nheld++] = accentchar(list[--n]);
}

// The general rule, with the accents of a syllable written at its end:
// after its vowel and any anusvara, candrabindu or visarga right after it,
// before any other unit (an accent after a consonant without a vowel
// closes it first).
int general(state& st, const tchar& u)
{
    const convnode* e = entryof(*st.dict, u);
    bool accent = e && e->kind == schemes::kind::accent;
    if (st.nheld && !accent && !(e && e->nasal))
        writeaccents(st);
    if (accent) {
        if (st.sylstate == SYL_CONSONANT)
            put(st, virama);
        st.sylstate = SYL_VOWEL;
        hold(st, e->indep[0] == udatta ? 1 : 2);
        return 1;
    }
    int more = writeunit(st.out, st.sylstate, *st.dict, u);
    if (u.accents)
        hold(st, u.accents);
    return more;
}

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
    if (entryof(*st.dict, next))
        return 1;
    return general(st, u);
}

// Sanskrit mode's space, dropped or written by what follows (spacedropped).
int spacerule(state& st, const tchar& u)
{
    if (spacedropped(st.sylstate, entryof(*st.dict, readahead(st))))
        return 1;
    return general(st, u);
}

// Sanskrit mode's apostrophe: an anusvara after it is written first.
int apostropherule(state& st, tchar& u)
{
    tchar& next = readahead(st);
    if (tradesplaces(next)) {
        u = tchar{{anusvaradot}, 1};
        next = tchar{{apostrophe}, 1};
    }
    return general(st, u);
}

} // namespace

rule ruleof(const options& opt, const tchar& u)
{
    if (u.n != 1 || u.how != tchar::way::read)
        return rule::general;
    lchar c = u.c[0];
    bool iso = opt.scheme == vocab::scheme::iso;
    if (c == colon && iso)
        return rule::colon;
    if (c == space && opt.sanskrit)
        return rule::space;
    if (isapostrophe(c) && opt.sanskrit && iso)
        return rule::apostrophe;
    return rule::general;
}

// Sanskrit mode: a space after a consonant is closed up when a listed unit
// follows (a scheme's separator is no letter to join: the space stays),
// and a space after a vowel is dropped before a unit that writes the
// avagraha (the ISO 15919 dialect's apostrophes, a scheme's spelling of the
// sign).
bool spacedropped(lchar sylstate, const convnode* next)
{
    if (sylstate == SYL_CONSONANT)
        return next && !next->separator;
    return sylstate == SYL_VOWEL && next && next->avagraha;
}

// Sanskrit mode: an anusvara after an avagraha is written before it.
bool tradesplaces(const tchar& next) { return next.n == 1 && isanusvara(next.c[0]); }

int writeunit(codec::output& out, lchar& sylstate, const dictionary& d, const tchar& u)
{
    if (u.how == tchar::way::vanish)
        return 1;
    const convnode* e = entryof(d, u);
    // A spelt virama closes a consonant; anywhere else it is copied as it
    // stands.
    if (e && e->kind == schemes::kind::virama && sylstate != SYL_CONSONANT)
        e = nullptr;
    if (e) {
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
        putletter(out, d.nfc, u.c[i]);
    sylstate = SYL_OTHER;
    return 1;
}

int putdch(state& st, tchar& unit)
{
    switch (ruleof(st.opt, unit)) {
    case rule::colon:
        return colonrule(st, unit);
    case rule::space:
        return spacerule(st, unit);
    case rule::apostrophe:
        return apostropherule(st, unit);
    case rule::general:
        break;
    }
    return general(st, unit);
}

} // namespace kavrel
