// The fast lane: the common units of running text (letters alone, with an
// aspirating h or as a diphthong, a letter and one mark, spaces, line ends,
// punctuation, and the space and apostrophe of Sanskrit mode) converted
// straight from the character buffer, without the unit pushback and the
// read-ahead of the general way. It cuts each unit as gettch does and
// writes what putdch writes, from the same dictionary entries, through
// tables made from them; anything else (marks after marks, the colon, an
// apostrophe before an anusvara in Sanskrit mode, a character from lonemax
// up or one that is copied and not ASCII, the end of the buffer) is left to
// the general way.
#include "convert.hpp"
#include "letters.hpp"
#include "slots.hpp"
#include "tables.hpp"

#include <algorithm>
#include <cstring>
#include <memory>

namespace kavrel {

namespace lane {

namespace {

// The places of the marks that come second in listed units: one for each
// such mark but the double macron below, after which the unit takes a
// third character whatever it is.
struct markindex {
    std::uint8_t of[0x100] = {}; // for U+0300 to U+03FF; 0 for none
    lchar marks[markplaces] = {};
    int used = 1;
};

constexpr markindex makemarks()
{
    markindex x;
    auto add = [&x](lchar m) {
        if (m >= 0x0300 && m <= 0x03FF && m != doublemacronbelow && x.of[m - 0x0300] == 0) {
            x.marks[x.used] = m;
            x.of[m - 0x0300] = static_cast<std::uint8_t>(x.used++);
        }
    };
    for (const convrec& r : convlist)
        add(r.roman[1]);
    return x;
}

constexpr markindex marksof = makemarks();
static_assert(marksof.used <= markplaces, "every mark place fits");

} // namespace

namespace {

// The steps of every unit from every state: what the syllable writer's
// general rule writes for the unit, into a buffer of its own. A listed
// unit writes its entry's outputs; an ASCII character that is not listed
// is copied, after the virama that closes a pending consonant.
void preparesteps(tables& t, const dictionary& d, codec::form out)
{
    std::fill(&t.steps[0][0], &t.steps[0][0] + units * 4, step{});
    auto scratch = std::make_unique<codec::output>();
    scratch->f = out;
    codec::open(scratch->bytes, codec::sink{});
    auto make = [&](int k, const tchar& u) {
        for (lchar from : {SYL_VOWEL, SYL_CONSONANT, SYL_OTHER}) {
            scratch->bytes.len = 0;
            lchar syl = from;
            writeunit(*scratch, syl, d, u);
            codec::shortbytes& b = t.steps[k][sylindex(from)].bytes;
            b.n = static_cast<std::uint8_t>(std::min(scratch->bytes.len, sizeof b.b));
            std::copy(scratch->bytes.buf, scratch->bytes.buf + b.n, b.b);
        }
    };
    for (int i = 0; i < d.used; ++i)
        if (d.pool[i].listed)
            make(i + 1, d.pool[i].roman);
    for (lchar c = 0; c < 128; ++c)
        make(static_cast<int>(copies) + c, tchar{{c}, 1});
}

// The lane's unit for a unit of the reader and its entry (null: copied):
// the place of its steps, whether it is two characters long and the state
// after it; 0 when no step stands for it (a character copied that is not
// ASCII). Not `valid` when the syllable writer has a rule of its own for
// it (ISO 15919's colon, a scheme's separator), for the general way to
// take it; it keeps its place, which tells whether it is listed.
std::uint16_t laneunit(const dictionary& d, const tchar& u, const convnode* e, bool rule)
{
    unsigned k = static_cast<unsigned>(number(d, e));
    if (k == 0 && u.n == 1 && u.c[0] >= 0 && u.c[0] < 128)
        k = copies + static_cast<unsigned>(u.c[0]);
    if (k == 0)
        return 0;
    unsigned flags = (u.n == 2 ? two : 0) | stateoffset(afterunit(d, k));
    if (!rule)
        flags |= valid;
    return static_cast<std::uint16_t>(k * unitsize | flags);
}

} // namespace

lchar afterunit(const dictionary& d, unsigned k)
{
    const convnode* e = k >= 1 && k <= static_cast<unsigned>(d.used) ? &d.pool[k - 1] : nullptr;
    return e && e->consonant ? SYL_CONSONANT : e ? SYL_VOWEL : SYL_OTHER;
}

void prepare(tables& t, const dictionary& d, const options& opt, codec::form out)
{
    preparesteps(t, d, out);

    // The units at each character, cut as the unit reader cuts them: a
    // diphthong after a or A, an aspirate after an aspirable consonant,
    // else the character alone; none where a mark follows. A unit that the
    // syllable writer has a rule for (the colon) is not valid, for the
    // general way to take it, but keeps its place, which tells whether it
    // is listed.
    auto unit = [&](const tchar& u) { return laneunit(d, u, lookup(d, u), ruleof(opt, u) == rule::colon); };
    std::fill(t.chars, t.chars + slots, charrow{});
    std::fill(&t.marks[0][0], &t.marks[0][0] + slots * markplaces, 0);
    t.chars[1].role = markrole;
    // A letter and one mark: the entries whose key is that, for letters
    // with a slot of their own (a key composed at run time, such as l
    // acute and ring below, may start with one that has none).
    for (int i = 0; i < d.used; ++i) {
        const tchar& key = d.pool[i].roman;
        if (key.n == 2 && slotof(key.c[0]) >= 2 && ismark(key.c[1]))
            if (int m = marksof.of[key.c[1] - 0x0300])
                t.marks[slotof(key.c[0])][m] = laneunit(d, key, &d.pool[i], false);
    }
    for (int slot = 2; slot < slotsof.used; ++slot) {
        lchar c = slotsof.chars[slot];
        charrow& f = t.chars[slot];
        // A next character of each role: the second letters of the
        // diphthongs in their plain form, and h.
        for (int r = 0; r < markrole; ++r) {
            lchar next = r == 0 ? 0 : r == hrole ? 'h' : diphthongseconds[static_cast<std::size_t>(r - 1)].plain;
            lchar second = r == 0 ? 0 : joined(c, next);
            f.units[r] = unit(second ? tchar{{c, second}, 2} : tchar{{c}, 1});
        }
        f.role = static_cast<std::uint8_t>(ishletter(c) ? hrole : letterclasses[static_cast<std::size_t>(c)].second);
        f.rule = static_cast<std::uint8_t>(ruleof(opt, tchar{{c}, 1}));
        f.traded = tradesplaces(tchar{{c}, 1});
    }
    // The states after which the space's rule drops a space before each
    // unit: the listed ones by their entries, the copied ones by none.
    std::fill(t.spacedrops, t.spacedrops + units, 0);
    for (unsigned k = 1; k < units; ++k)
        for (lchar syl : {SYL_VOWEL, SYL_CONSONANT, SYL_OTHER})
            if (spacedropped(syl, k < copies && static_cast<int>(k) <= d.used ? &d.pool[k - 1] : nullptr))
                t.spacedrops[k] = static_cast<std::uint8_t>(t.spacedrops[k] | statebit(stateoffset(syl)));
}

namespace {

// Whether a key's entry or any key that begins with it has a flagged
// spelling, which the text around it decides: the general way's.
bool flagged(const dictionary& d, const convnode* e)
{
    if (!e)
        return false;
    if (e->alt)
        return true;
    for (int k = 0; k < e->nkids; ++k)
        if (flagged(d, &d.pool[e->kids[k] - 1]))
            return true;
    return false;
}

} // namespace

void preparepairs(pairtables& p, tables& t, const dictionary& d, const options& opt, codec::form out)
{
    preparesteps(t, d, out);
    std::fill(p.first, p.first + slots, 0);
    std::fill(&p.second[0][0], &p.second[0][0] + pairrows * slots, 0);
    const schemes::scheme& s = schemes::all[static_cast<std::size_t>(opt.scheme)];
    // A character the marks' slot or slot 0 stands for is the general
    // way's: which of them it is, the slot does not tell.
    constexpr lchar unknown = -2;
    auto charof = [](int slot) { return slot >= 2 ? slotsof.chars[slot] : unknown; };
    // The lane's unit of the first `len` characters of c0, c1 and its entry.
    auto unit = [&d](lchar c0, lchar c1, int len, const convnode* e) {
        bool rule = e && (e->separator || e->kind == schemes::kind::accent);
        return laneunit(d, tchar{{c0, len == 2 ? c1 : 0}, len}, e, rule);
    };
    // Characters that start what the reader decides beyond the spellings:
    // an escape, a passage's mark, a separator that must see what follows.
    auto special = [&s](lchar c) {
        auto starts = [c](std::u32string_view x) { return !x.empty() && static_cast<lchar>(x[0]) == c; };
        return starts(s.escape) || starts(s.verbatim) || (s.sep == schemes::separation::before && starts(s.separator));
    };
    // Row 0 is for the characters that make their unit alone, whatever
    // comes next.
    std::fill(p.second[0], p.second[0] + slots, alone);
    int rows = 1;
    for (int slot = 2; slot < slotsof.used; ++slot) {
        lchar c0 = charof(slot);
        const convnode* node = find(d, tchar{{c0}, 1});
        // A space in Sanskrit mode is the general way's: its rule looks at
        // the unit after it.
        if ((opt.sanskrit && c0 == space) || special(c0) || flagged(d, node))
            continue;
        // The unit of c0 before each next character, as the reader cuts it.
        int len = 1;
        const convnode* e = longest(d, len, [c0](int k) { return k == 0 ? c0 : unknown; });
        std::uint32_t first = unit(c0, 0, 1, e);
        if (!node || !node->extends || first == 0) {
            p.first[slot] = first;
            continue;
        }
        if (rows == pairrows)
            continue; // the general way's
        int row = rows++;
        p.first[slot] = first | static_cast<std::uint32_t>(row) << 16;
        for (int n = 2; n < slotsof.used; ++n) {
            lchar c1 = charof(n);
            const convnode* q = longest(d, len, [c0, c1](int k) { return k == 0 ? c0 : k == 1 ? c1 : unknown; });
            const convnode* two = kidof(d, node, c1);
            p.second[row][n] = two && two->extends ? more : len == 2 ? unit(c0, c1, 2, q) : alone;
        }
    }
}

} // namespace lane

namespace {

using namespace lane;

constexpr std::size_t stepbytes = sizeof(codec::shortbytes::b);
static_assert(sizeof(scriptstep::b) == stepbytes, "both lanes write a step as one move of the same size");

// What the lane writes for a unit and where that leaves it. The Devanagari
// lane: the unit's step from the syllable state, which the unit alone
// decides after it.
struct devanagaristeps {
    const unsigned char* steps;
    unsigned syl; // the syllable state, as its step's offset

    // Writes unit k's step at o; false where the lane stops before it.
    bool put(unsigned k, unsigned char*& o)
    {
        const auto& s = *reinterpret_cast<const step*>(steps + (k & ~(unitsize - 1)) + syl);
        std::memcpy(o, s.bytes.b, stepbytes);
        o += s.bytes.n;
        syl = k & aftermask;
        return true;
    }
    // The syllable state as a statebit, for Sanskrit mode's space.
    unsigned sylbit() const { return statebit(syl); }
    // The lane's unit for the second character of a unit of two (k), which
    // writes nothing and leaves the state as it is.
    unsigned second(unsigned) const { return valid | syl; }
    lchar sylstate() const { return -1 - static_cast<lchar>(syl / stepsize); }
};

// The lane in another script: the unit's step from the state, which leads
// to the next state.
struct scriptsteps {
    const unsigned char* steps;
    const scriptstate* states;
    std::uint32_t row; // the state, as the offset of its row

    bool put(unsigned k, unsigned char*& o)
    {
        const auto& s = *reinterpret_cast<const scriptstep*>(steps + row + ((k & ~(unitsize - 1)) >> 2));
        if (s.n == unsafe)
            return false;
        std::memcpy(o, s.b, stepbytes);
        o += s.n;
        row = s.row;
        return true;
    }
    unsigned sylbit() const { return states[row / scriptrow].sylbit; }
    unsigned second(unsigned) const { return valid; }
};
static_assert((unitsize >> 2) == sizeof(scriptstep), "a unit's place in a row is its number times a step");

// Converts the characters from st.ch.pos; see fastlane. Each character's
// unit is looked up once, while the character before it is converted.
template <bool skt, class Steps> void convertrun(state& st, Steps& lane, codec::byteout& out)
{
    // A copy of the lane's state that no write through `o` can reach: it
    // stays in registers.
    Steps w = lane;
    const tables& t = *st.lanes;
    const charrow* const chars = t.chars;
    const lchar* const c = st.ch.c;
    std::size_t i = st.ch.pos;
    // Three characters after each one are there to look at: the next,
    // which may belong to its unit, and the two after, which with the next
    // make the next unit (a mark ends a unit only when no mark follows).
    const std::size_t end = laneend(st, 3);
    const std::uint8_t* const slot = st.ch.slot;
    // The unit at a character (entry e0) whose next character, at j, has
    // entry e1.
    auto unitat = [&t, chars, c, slot](const charrow* e0, const charrow* e1, std::size_t j) -> unsigned {
        if (e1->role != markrole)
            return e0->units[e1->role];
        // A letter and one mark make a unit when no mark follows.
        if (chars[slot[j + 1]].role == markrole)
            return 0;
        return t.marks[e0 - chars][marksof.of[c[j] - 0x0300]];
    };
    unsigned unit = 0;
    while (i < end && !out.error) {
        if (codec::bufsize - out.len < stepbytes)
            codec::drain(out);
        // Each character writes at most one padded step: as many as fit go
        // without a check.
        unsigned char* o = out.buf + out.len;
        std::size_t stop = std::min(end, i + (codec::bufsize - out.len) / stepbytes);
        const charrow* e0 = chars + slot[i];
        const charrow* e1 = chars + slot[i + 1];
        // A unit starts here (the unit of a second character is carried on).
        if (!unit)
            unit = unitat(e0, e1, i + 1);
        for (; i < stop; ++i) {
            const charrow* e2 = chars + slot[i + 2];
            unsigned next = unitat(e1, e2, i + 2);
            unsigned k = unit;
            if constexpr (skt) {
                // Sanskrit mode's rules, decided as the syllable writer
                // decides them: a space dropped before the next unit (or
                // else written by its step), an apostrophe that trades
                // places with the next character (left to the general way).
                if (e0->rule) {
                    if (e0->rule == static_cast<std::uint8_t>(rule::apostrophe) && e1->traded)
                        break;
                    if (e0->rule == static_cast<std::uint8_t>(rule::space)) {
                        if (next == 0)
                            break;
                        if (t.spacedrops[next / unitsize] & w.sylbit()) {
                            e0 = e1;
                            e1 = e2;
                            unit = next;
                            continue;
                        }
                    }
                }
            }
            if (!(k & valid) || !w.put(k, o))
                break;
            // The second character of a two-character unit writes nothing
            // and leaves the state the unit left.
            unit = (k & two) ? w.second(k) : next;
            e0 = e1;
            e1 = e2;
        }
        out.len = static_cast<std::size_t>(o - out.buf);
        if (i < stop)
            break;
    }
    // The second character of a two-character unit is not where a unit
    // starts: it is taken with its unit.
    if (unit && unit < unitsize)
        ++i;
    st.ch.pos = i;
    lane = w;
}

// The fast way of a scheme read by longest match: the unit reader's cut
// and the syllable writer's general rule, straight from the character
// buffer, for as long as a unit's longest spelling lies within it; a space
// in Sanskrit mode, which looks at the unit after it, is the general way's.
template <class Steps> void longestrun(state& st, Steps& lane, codec::byteout& out)
{
    Steps w = lane; // in registers, as in convertrun
    const pairtables& p = *st.pairs;
    const dictionary& d = *st.dict;
    const lchar* const c = st.ch.c;
    const std::uint8_t* const slot = st.ch.slot;
    std::size_t i = st.ch.pos;
    // The last unit read here, of four characters at most, ends before the
    // character that may mark the end of input. Once that mark is in the
    // buffer, the units go on up to it: no spelling goes on past it, so no
    // unit reads beyond it (a word's units, all in one buffer, take the
    // fast way to its end).
    const std::size_t filled = st.ch.len;
    const std::size_t end = filled > 0 && c[filled - 1] == codec::endofinput ? filled - 1 : laneend(st, 4);
    while (i < end && !out.error) {
        if (codec::bufsize - out.len < stepbytes)
            codec::drain(out);
        unsigned char* o = out.buf + out.len;
        // Each unit writes at most one padded step: as many as fit go
        // without a check.
        std::size_t stop = std::min(end, i + (codec::bufsize - out.len) / stepbytes);
        for (; i < stop;) {
            std::uint32_t f = p.first[slot[i]];
            unsigned v = p.second[f >> 16][slot[i + 1]];
            // Most characters make their unit alone, and the next unit
            // starts after them. That case is a branch of its own, which
            // the processor predicts; a selection of the two would make
            // each unit's place wait on the loads of the one before.
            unsigned k;
            std::size_t len;
            if (v == alone) {
                k = f & 0xFFFF;
                len = 1;
            } else if (v != more) {
                k = v;
                len = 1 + (k & two);
            } else {
                // A spelling of three characters or more may start here:
                // the unit reader's longest match, on the buffer.
                int n = 1;
                const convnode* e =
                    longest(d, n, [c, i](int at) { return at < 0 ? codec::endofinput : bare(c[i + static_cast<std::size_t>(at)]); });
                k = laneunit(d, tchar{{c[i]}, 1}, e, e && (e->separator || e->kind == schemes::kind::accent)) & ~two;
                len = static_cast<std::size_t>(n);
                // A letter with accents is the general way's, which keeps them.
                for (std::size_t j = 0; j < len; ++j)
                    if (accentsof(c[i + j]))
                        k = 0;
            }
            if (!(k & valid) || !w.put(k, o))
                break;
            i += len;
        }
        out.len = static_cast<std::size_t>(o - out.buf);
        if (i < stop)
            break;
    }
    st.ch.pos = i;
    lane = w;
}

template <class Steps> void run(state& st, Steps& w, codec::byteout& out)
{
    if (st.opt.scheme != vocab::scheme::iso)
        longestrun(st, w, out);
    else if (st.opt.sanskrit)
        convertrun<true>(st, w, out);
    else
        convertrun<false>(st, w, out);
}

// The lane in another script. What the general way wrote goes through the
// writer first; the lane then starts from the state the writer is in, when
// it is one of the lane's (a consonant it keeps back that the lane writes
// ahead is written ahead now), and gives the writer its state back at the
// end, with the consonant written ahead taken back.
void scriptlane(state& st)
{
    const scripttables& t = *st.slanes;
    scriptstage& g = *st.stage;
    codec::drain(st.out.bytes);
    if (st.out.bytes.error)
        return;
    scripts::writer now = g.w;
    scripts::settle(now);
    std::size_t from = 0;
    while (from < t.nstates && !(t.states[from].sylstate == st.sylstate && t.states[from].w == now))
        ++from;
    if (from == t.nstates)
        return;
    codec::byteout& out = g.out.bytes;
    codec::putbytes(out, t.states[from].ahead.b, t.states[from].ahead.n);
    scriptsteps w{reinterpret_cast<const unsigned char*>(t.steps.get()), t.states,
                  static_cast<std::uint32_t>(from * scriptrow)};
    // A drain keeps what may be taken back at the end.
    out.keep = stepbytes;
    run(st, w, out);
    out.keep = 0;
    const scriptstate& at = t.states[w.row / scriptrow];
    st.sylstate = at.sylstate;
    g.w = at.w;
    out.len -= std::min(out.len, static_cast<std::size_t>(at.ahead.n));
}

} // namespace

void fastlane(state& st)
{
    std::size_t from = st.ch.pos;
    if (st.scripted) {
        if (st.slanes)
            scriptlane(st);
    } else {
        devanagaristeps w{reinterpret_cast<const unsigned char*>(st.lanes->steps), stateoffset(st.sylstate)};
        run(st, w, st.out.bytes);
        st.sylstate = w.sylstate();
    }
    // The lane takes no mark at the start of a unit, so a unit it took
    // after a line feed that the general way read was no mark of the line
    // feed's: the marks after it are no longer the line feed's to take.
    if (st.ch.pos != from)
        st.afterlinefeed = false;
}

} // namespace kavrel
