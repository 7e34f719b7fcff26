// ISO 15919 Roman to Unicode Devanagari: the conversion state and the
// operations of one run, from the first byte to the end of the input.
#pragma once

#include "codec.hpp"
#include "compose.hpp"
#include "engine.hpp"
#include "romanisation.hpp"
#include "scripts.hpp"

#include <cstdint>
#include <memory>

namespace kavrel {

using codec::lchar;

// What the last output left open (`sylstate`). The consonant value doubles
// as the marker at the head of a consonant's `dep` output.
constexpr lchar SYL_VOWEL = -1;     // a syllable is closed; also the start
constexpr lchar SYL_CONSONANT = -2; // a consonant letter waits for its vowel
constexpr lchar SYL_OTHER = -3;     // the last unit was copied through

// A transliteration unit: one Roman letter with what attaches to it (an
// aspirating h, the second letter of a diphthong, up to three combining
// marks), or a scheme's spelling. Slots past `n` are zero, so two units
// compare as plain values (by their characters alone). The end of the
// input is the unit holding -1 alone.
struct tchar {
    enum class way : std::uint8_t {
        read,   // looked up, its entry written (or copied where there is none)
        copy,   // copied as it stands, whatever it spells (a passage, an escaped character)
        vanish, // written as nothing (the marks around a passage)
    };
    lchar c[4] = {};
    int n = 0;
    way how = way::read;
    // The entry the reader chose for it (see number), where the key alone
    // does not tell: a spelling with a flag shares its key with another.
    std::uint8_t entry = 0;
    // The accents of its letters, in order (see accents below).
    std::uint8_t accents = 0;
};

inline bool operator==(const tchar& a, const tchar& b)
{
    return a.n == b.n && a.c[0] == b.c[0] && a.c[1] == b.c[1] && a.c[2] == b.c[2] &&
           a.c[3] == b.c[3];
}

// The Vedic accents that a scheme writes as marks on its vowels (IAST and
// ISO 15919: a with acute is a with the udatta) are taken off a vowel's
// letter as it is decoded and carried in the high bits of its character:
// up to three, two bits each, 1 for the udatta (U+0951) and 2 for the
// anudatta (U+0952). The unit gathers them from its letters.
constexpr int accentshift = 24;
constexpr lchar charbits = (lchar{1} << accentshift) - 1;
constexpr lchar bare(lchar c) { return c < 0 ? c : c & charbits; }
constexpr unsigned accentsof(lchar c) { return c < 0 ? 0 : static_cast<unsigned>(c) >> accentshift; }
constexpr lchar udatta = 0x0951, anudatta = 0x0952;
constexpr lchar accentchar(unsigned code) { return code == 1 ? udatta : anudatta; }

// A static table record: the Roman unit and its two Devanagari renderings,
// zero-terminated. `dep` of a consonant is the marker SYL_CONSONANT alone.
struct convrec {
    lchar roman[5];
    lchar indep[4]; // when no consonant is pending: up to three (a conjunct)
    lchar dep[3];   // right after a consonant
    schemes::kind kind = schemes::kind::vowel;
};

// A dictionary entry: the record's unit as the key, and its outputs.
struct convnode {
    convnode* next = nullptr;
    tchar roman;
    lchar indep[3] = {};
    lchar dep[2] = {};
    int nindep = 0;
    int ndep = 0;
    bool consonant = false; // `dep` began with the consonant marker
    bool avagraha = false;  // it writes the avagraha, before which Sanskrit mode drops a space
    schemes::kind kind = schemes::kind::vowel;
    bool nasal = false; // anusvara, candrabindu or visarga: the syllable's accents wait past it
    // For the longest-match reading of a scheme: whether the key is a
    // spelling (listed), whether a longer spelling starts with it
    // (extends; a key that is no spelling is there only for this), and
    // whether it is the scheme's separator, which vanishes.
    bool listed = true;
    bool extends = false;
    bool separator = false;
    // A spelling with a flag (romanisation.hpp) that shares this key: its
    // entry, kept outside the chains, and the flag that says when it is
    // read instead.
    std::uint8_t alt = 0;
    char32_t altflag = 0;
    bool shadow = false; // the entry of a flagged spelling: in no chain, no kid
    // The keys one character longer that start with this one: their last
    // characters and their entries' numbers.
    static constexpr int maxkids = 16;
    std::uint8_t nkids = 0;
    std::uint8_t kids[maxkids] = {};
    lchar kidchars[maxkids] = {};
    // The outputs as bytes in the run's output form, made once the form is
    // settled: out[0] when no consonant is pending (`indep`), out[1] right
    // after a consonant (`dep`, or for a consonant the virama and `indep`).
    codec::shortbytes out[2];
};

// Every record of every table fits, so filling never allocates.
constexpr int maxnodes = 250;

// Units whose first character is below this code are also found through a
// direct index of that character: the Latin letters up to Latin Extended
// Additional, and the right single quotation mark U+2019.
constexpr lchar lonemax = 0x2020;

// The conversion dictionary: a chained hash table of 256 buckets keyed on
// the low byte of the unit's first character, and the direct index of lone
// units, which answers the commonest look-up in one read (install keeps the
// two in step).
struct dictionary {
    convnode* convtab[256] = {};
    std::uint8_t lone[lonemax] = {}; // the entry of a lone unit, from 1; 0 for none
    static_assert(maxnodes < 256, "an entry's number fits a byte");
    convnode pool[maxnodes];
    int used = 0;
    // Output in Unicode's normal form C: the nukta letters that it
    // excludes from composition (U+0958..095F) are written as their
    // consonant and the nukta sign.
    bool nfc = false;
};

// The number of an entry: its place in the pool, from 1; 0 for none.
inline int number(const dictionary& d, const convnode* e) { return e ? static_cast<int>(e - d.pool) + 1 : 0; }

// Makes the record's unit map to its outputs, replacing the outputs of an
// entry already there. Returns the entry, or null when no room is left; an
// entry is linked only once it is whole.
convnode* install(dictionary& d, const convrec& r, char32_t flag = 0);
const convnode* lookup(const dictionary& d, const tchar& unit);
// The entry of any key, a spelling or the beginning of one.
const convnode* find(const dictionary& d, const tchar& unit);
// The entry a unit is written by: the one its reader chose, or its key's;
// none for a unit copied or vanishing.
const convnode* entryof(const dictionary& d, const tchar& unit);

// The options of a conversion.
using options = vocab::romanoptions;

// Fills the dictionary from the tables chosen by the options; false when
// the dictionary ran out of room.
bool fill(dictionary& d, const options& opt);

// Makes every entry's output bytes for the settled output form.
void encode(dictionary& d, codec::form out);
// Writes a character copied from the input, in normal form C when `nfc`.
void putletter(codec::output& out, bool nfc, lchar c);

// A Latin letter directly followed by combining marks is read as the
// canonical composition (NFC) of the letter and its marks, when there are
// at most compose::maxmarks of them; a longer run is read as it came.
using compose::combiningclass;
using compose::maxcomposed;
using compose::maxmarks;
using compose::nfc;

// The letters whose marks are composed: Basic Latin, Latin-1 to the IPA
// block (U+0292 is a decomposition of U+01EF), and Latin Extended
// Additional.
constexpr bool latinletter(lchar c)
{
    // One unsigned comparison for each range, joined without branches:
    // letters and other text alternate too often for a branch to guess.
    auto u = static_cast<std::uint32_t>(c);
    return ((u | 0x20) - 'a' < 26) | (u - 0x00C0 < 0x01F0) | (u - 0x1E00 < 0x0100);
}

// The characters of the input, decoded from its form and with each letter
// and its marks composed, a block at a time. The places before the next one
// to read hold the last ones read (keptchars of them), so that the unit
// reader can step back over the characters it read too far. Once the input has ended,
// -1 follows its last character. Beside each character, its slot in the
// fast lane's index.
constexpr std::size_t charcap = 4096;

// The compositions of short runs (a letter and one or two marks) made
// lately, so that text in normal form D, where the same few runs come
// again and again, is composed once for each.
struct composition {
    lchar run[3] = {-1, -1, -1};
    lchar out[4] = {};
    int made = 0;
};
constexpr std::size_t compositions = 64;

struct chars {
    lchar c[charcap];
    std::uint8_t slot[charcap];
    std::size_t pos = 0, len = 0;
    composition composed[compositions];
};

// The fast lane's tables, made from the dictionary once the output form is
// settled. The fast lane takes the input a character at a time: each
// character starts a unit, or is the second character of the unit before
// it, which the unit reader's rules settle from the two characters alone
// (no letter that starts a diphthong or an aspirate can end one). So a
// character's unit is found from it and the next character, without the
// unit before, and the syllable state from the unit before, without its
// own state: no step waits on the one before it to be looked up.
namespace lane {

// The syllable states as indices from 0: -1 - sylstate.
constexpr int sylindex(lchar sylstate) { return -1 - sylstate; }

// What one unit writes from one syllable state, padded to half a cache
// line so that its place is a shift.
struct alignas(32) step {
    codec::shortbytes bytes;
};
constexpr unsigned stepsize = sizeof(step);
constexpr unsigned stateoffset(lchar sylstate) { return static_cast<unsigned>(sylindex(sylstate)) * stepsize; }

// Each unit has a step for each of the three states and one left empty:
// 128 bytes, whose offset leaves seven low bits for what else the fast
// lane needs to know of the unit.
constexpr unsigned unitsize = 4 * stepsize;
constexpr unsigned two = 1;          // two characters long: the next one is part of it
constexpr unsigned valid = 2;        // the fast lane writes it (not: a rule of the syllable writer's)
constexpr unsigned aftermask = 0x60; // the state after it, as a step offset
static_assert(((stepsize | 2 * stepsize) & ~aftermask) == 0, "the states' offsets fit the after bits");

// The units: 0 writes nothing (the second character of a unit); then the
// dictionary entries from 1, and the ASCII characters that are copied.
constexpr unsigned copies = maxnodes + 1;
constexpr unsigned units = copies + 128;
static_assert(units * unitsize <= 0x10000, "a unit fits sixteen bits");

// What a character is to the unit it follows: nothing (0), one of the four
// second letters of a diphthong (1 to 4), an aspirating h (5), or a mark
// (6), after which the general way cuts the unit.
constexpr int hrole = 5, markrole = 6;

// A character as the first of a unit: the unit it makes with a next
// character of each role (0 where the general way must cut it; for a mark,
// see `marks`), and its own role; the syllable writer's rule for it alone
// (see ruleof), and whether the apostrophe's rule trades places with it.
// Only the characters that the tables know have entries of their own (a
// slot); all others share slot 0, the general way's, and the marks slot 1.
struct alignas(16) charrow {
    std::uint16_t units[markrole] = {}; // for each role but the mark's
    std::uint8_t role = 0;
    std::uint8_t rule = 0;    // a writer's rule as a number: 0 for none
    bool traded = false;      // an apostrophe's rule writes it first
};
static_assert(sizeof(charrow) == 16, "a character's row is a quarter of a cache line");
constexpr int slots = 256;

// The marks that listed units have right after their first letter, each
// with a place of its own in `marks`, and 0 for every other.
constexpr int markplaces = 8;

struct tables {
    step steps[units][4];
    charrow chars[slots];
    // The unit of a character and one mark, where no mark follows.
    std::uint16_t marks[slots][markplaces];
    // For each unit, the syllable states (a bit each, by state offset)
    // after which Sanskrit mode's rule drops a space before it.
    std::uint8_t spacedrops[units];
};

// The bit of a state's offset in `spacedrops`.
constexpr unsigned statebit(unsigned offset) { return 1u << (offset / stepsize); }

// Makes the tables from the filled and encoded dictionary.
void prepare(tables& t, const dictionary& d, const options& opt, codec::form out);

// The syllable state the lane's unit k (an entry's number, or a copied
// ASCII character's place from `copies`) leaves.
lchar afterunit(const dictionary& d, unsigned k);

// The fast way of a scheme read by longest match, made by the unit
// reader's own longest() on each character and each pair of characters
// with a slot: the lane's unit (as in `charrow`) of a character alone, with
// the row of `second` that says, for each next character, the unit of two
// characters they make, `alone` when the first makes its unit alone, or 0
// where the general way must cut it (a spelling of three characters, a
// mark, a character without a slot, the space of Sanskrit mode). Row 0 is
// all `alone`, for the characters that no spelling continues.
constexpr std::uint16_t alone = 1;
constexpr std::uint16_t more = 2; // a third character decides: the lane reads on
constexpr int pairrows = 64;
struct pairtables {
    std::uint32_t first[slots];
    std::uint16_t second[pairrows][slots];
};
void preparepairs(pairtables& p, tables& t, const dictionary& d, const options& opt, codec::form out);

} // namespace lane

// The vocabulary of one option set in one output form: the dictionary filled
// and encoded, and the fast lane's tables. Made once in a process for each
// option set and output form that a conversion asks for (thread-safely),
// then shared read-only; null only when the dictionary could not be
// filled.
// For a scheme that writes accents as marks on its vowels: the
// characters below `accentlimit` that are a vowel's letter with an accent
// (a with acute), each with that letter and the accents taken off, and the
// accent of each combining mark that is one.
constexpr lchar accentlimit = 0x2000;
struct accentletter {
    lchar letter = 0; // 0: the character is no vowel with an accent
    std::uint8_t accents = 0;
    bool marked = false; // its decomposition holds an accent mark
};
struct accenting {
    bool marks = false; // the scheme writes accents as marks
    std::uint8_t accentof[0x70] = {}; // U+0300..U+036F: 1 udatta, 2 anudatta, 0 none
    accentletter letters[accentlimit];
    // For each of the fast lane's slots, whether a character of it may
    // lose accents: 1 for a vowel's letter with accents and for a
    // character that no table knows (slot 0), 2 for the marks' slot, where
    // the mark and the letter before it tell, 0 for none.
    std::uint8_t changes[lane::slots] = {};
};

struct vocabulary {
    dictionary dict;
    lane::tables lanes;
    lane::pairtables pairs;
    accenting accents;
};
const vocabulary* vocabularyfor(const options& opt, codec::form out);

namespace lane {

// The fast lane writing another script. Its state is the syllable state
// with what the scripts' writer keeps back after the units written so far;
// the step of a unit from a state is what the writer then writes, in the
// output's form, and the state it leaves. The steps are made from the
// Devanagari lane's steps (the UTF-8 vocabulary's), each put through the
// writer from each state; the states are those the steps lead to, from the
// writer that keeps nothing back (see scripted.cpp).
//
// A consonant that the writer keeps back only for what few units would
// change (a nukta that would join it, a Gurmukhi addak) is written ahead,
// as the end of the text would write it: its state is the one after it,
// but for those units, which the lane leaves to the general way; wherever
// the lane ends, it takes the consonant back and gives it to the writer.
constexpr std::uint8_t unsafe = 0xFF; // a step's n: the general way's
struct alignas(32) scriptstep {
    unsigned char b[16];
    std::uint8_t n;    // the bytes to write, or unsafe
    std::uint32_t row; // the state after it, as the offset of its row in bytes
};
static_assert(sizeof(scriptstep) == 32, "a step is a power of two");
constexpr std::size_t maxscriptstates = 128;
struct scriptstate {
    lchar sylstate = SYL_VOWEL;
    std::uint8_t sylbit = 0; // the same, as statebit
    scripts::writer w;       // the writer in this state, settled
    // A consonant written ahead: its bytes, taken back where the lane ends,
    // and the writer after it, whose state this one is but for the units
    // that would change it.
    codec::shortbytes ahead;
    scripts::writer after;
};
struct scripttables {
    std::size_t nstates = 0;
    scriptstate states[maxscriptstates];
    std::unique_ptr<scriptstep[]> steps; // a row of `units` steps for each state
};
constexpr std::size_t scriptrow = units * sizeof(scriptstep);

} // namespace lane

// The fast lane's tables for writing the script of the options in the
// output form; null when the Devanagari vocabulary they are made from
// could not be, or there was no memory for them.
const lane::scripttables* scriptlanesfor(const options& opt, codec::form out);

// Notes the accents that the scheme writes as marks, and the letters below
// accentlimit that are a vowel's letter with accents, from the filled
// dictionary.
void prepareaccents(accenting& a, const dictionary& d, const schemes::scheme& s);

// Takes the accents off a vowel's letter with its marks (run[0..n), in
// canonical composition) where the scheme writes accents as marks: the
// letter without them, composed, with the accents in the high bits of its
// first character; the new length, n when nothing was taken off.
int takeaccents(const dictionary& d, const accenting& a, lchar* run, int n);

// Another script than Devanagari: the conversion writes its Devanagari to
// st.out in UTF-8, as for Devanagari output, and st.out's sink takes each
// block of it through the scripts' writer to `out`, the output in the form
// asked for (see scripted.cpp).
struct scriptstage {
    scripts::writer w;
    codec::output out;
    // The code points of a block of Devanagari, and what the writer makes
    // of them.
    static constexpr std::size_t block = 1024;
    char32_t in[block];
    char32_t written[scripts::writeroom(block)];
};

// Starts the stage for a conversion into script `s`, writing to `out`;
// false when there is no memory for it.
bool startstage(std::unique_ptr<scriptstage>& g, scripts::script s, vocab::sink out);
// The sink of st.out while a stage is on: the Devanagari goes through the
// writer; the call that ends the output (size 0) ends the script's text.
std::ptrdiff_t writestage(void* context, const unsigned char* buf, std::size_t size);

// Everything one conversion needs, so each run starts fresh.
struct state {
    options opt;
    codec::input in;
    codec::output out;
    // The dictionary and the fast lane's tables for the options and the
    // output form, shared read-only by every conversion with the same ones.
    const dictionary* dict = nullptr;
    const lane::tables* lanes = nullptr;
    const lane::pairtables* pairs = nullptr;
    const accenting* accents = nullptr; // null where the scheme writes no accent marks
    const schemes::scheme* sch = nullptr;
    // Where the Devanagari is written in another script: made at the first
    // conversion that asks for one, and kept for the next.
    std::unique_ptr<scriptstage> stage;
    bool scripted = false; // the stage is on: st.out holds Devanagari for it
    const lane::scripttables* slanes = nullptr; // the fast lane's in the script, where made
    chars ch;
    tchar queuedtch; // a unit the syllable writer read ahead
    bool queued = false;
    lchar sylstate = SYL_VOWEL;
    // The accents of the syllable, written at its end: after its vowel and
    // any anusvara, candrabindu or visarga right after it.
    lchar held[6] = {};
    int nheld = 0;
    bool passage = false; // inside a passage copied as it stands (ITRANS ##...##)
    bool afterlinefeed = false; // the last unit was a line feed, which marks may follow
    bool nomemory = false; // no memory for the vocabulary: nothing was converted
    bool flushed = false;  // the input has ended and the sink has been flushed
    // Whole runs of common units go through the fast lane, which writes the
    // same bytes as the unit reader and the syllable writer; off, every
    // unit takes the general way (the tests compare the two).
    bool fastlane = true;
    // How far the conversion has gone: input handed over in pieces stops it
    // wherever a piece runs out, and the next piece goes on from there.
    enum class stage : std::uint8_t { first, units, done } at = stage::first;
};

// Decodes the next block of characters into st.ch after those there,
// keeping the last ones read before st.ch.pos; once the input has ended,
// -1 follows its last character.
void fillchars(state& st);

// The most characters one turn of the conversion loop reads: a unit and
// the one after it that a rule looks at, each with the character read past
// it.
constexpr std::size_t lookahead = 32;

// Before the input has ended: decodes what has come so that at least
// `lookahead` characters are there to read (the last keptchars read stay
// before them), or fewer up to a line feed, which no unit reads past; false
// when they are not, and the conversion waits for the next piece or the
// end.
bool topup(state& st);

// The next character of the input, and the step back over it.
inline lchar getch(state& st)
{
    if (st.ch.pos == st.ch.len)
        fillchars(st);
    return st.ch.c[st.ch.pos++];
}
inline void pushback(state& st) { --st.ch.pos; }

// The next transliteration unit of the input.
void gettch(state& st, tchar& unit);

// The characters a unit reader may step back over: the last ones read are
// kept when the buffer is filled again.
constexpr std::size_t keptchars = 8;

// Writes the Devanagari for one unit; -1 once the unit is the end of input.
int putdch(state& st, tchar& unit);

// The syllable writer's rules that look at the unit after their own: the
// colon's of the ISO 15919 dialect, and in Sanskrit mode the space's and
// the apostrophe's. Each unit goes to the rule that ruleof names, or to
// the general rule. The fast lane makes its decisions with the same calls.
enum class rule : std::uint8_t { general, colon, space, apostrophe };
rule ruleof(const options& opt, const tchar& u);
// Whether Sanskrit mode's rule drops a space before the unit whose entry is
// `next` (null: a unit in no entry), in the syllable state.
bool spacedropped(lchar sylstate, const convnode* next);
// Whether an apostrophe's rule writes the unit after it first (an
// anusvara, which then stands before the avagraha).
bool tradesplaces(const tchar& next);

// The syllable writer's general rule: writes one unit's Devanagari to
// `out` from the syllable state and moves the state on; -1 once the unit
// is the end of input. The fast lanes' steps are made by it.
int writeunit(codec::output& out, lchar& sylstate, const dictionary& d, const tchar& u);

// The key one character longer than `e` that ends in c, or null.
inline const convnode* kidof(const dictionary& d, const convnode* e, lchar c)
{
    for (int k = 0; k < e->nkids; ++k)
        if (e->kidchars[k] == c)
            return &d.pool[e->kids[k] - 1];
    return nullptr;
}

// Whether a white space (or nothing: -1) stands there.
constexpr bool whitespace(lchar c)
{
    return c < 0 || c == ' ' || (c >= '\t' && c <= '\r') || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
           c == 0x3000;
}

// Whether the text from peek(from) on begins with a vowel's spelling.
template <class Peek> bool vowelfollows(const dictionary& d, int from, Peek peek)
{
    const convnode* e = find(d, tchar{{peek(from)}, 1});
    for (int n = 1; e; ++n) {
        if (e->listed && e->kind == schemes::kind::vowel)
            return true;
        if (!e->extends || n == 4)
            break;
        e = kidof(d, e, peek(from + n));
    }
    return false;
}

// What a key of n characters at the unit's start reads as there: its
// flagged spelling where the flag allows it, else its plain spelling, else
// nothing.
template <class Peek> const convnode* meaning(const dictionary& d, const convnode* e, int n, Peek peek)
{
    if (e->alt) {
        bool allowed = e->altflag == schemes::wordalone ? whitespace(peek(-1)) && whitespace(peek(n))
                                                        : e->altflag == schemes::beforevowel && vowelfollows(d, n, peek);
        if (allowed)
            return &d.pool[e->alt - 1];
    }
    return e->listed ? e : nullptr;
}

// The longest spelling of a scheme that the text starts with, whose flag
// allows it there; null when none does. `peek(k)` is the character k
// after the unit's start, without its accents (k = -1: the one before it;
// -1 at either end of the text). `len` is the spelling's length (1 when
// there is none).
template <class Peek> const convnode* longest(const dictionary& d, int& len, Peek peek)
{
    const convnode* e = find(d, tchar{{peek(0)}, 1});
    const convnode* best = nullptr;
    len = 1;
    for (int n = 1; e; ++n) {
        if (const convnode* m = meaning(d, e, n, peek)) {
            best = m;
            len = n;
        }
        if (!e->extends || n == 4)
            break;
        e = kidof(d, e, peek(n));
    }
    return best;
}

// Where a fast lane stops in the character buffer, when its units look at
// `past` characters after their own: that many before the end of what is
// decoded, and for input in pieces still to come, `lookahead` before it,
// which the conversion loop keeps for its next turn.
inline std::size_t laneend(const state& st, std::size_t past)
{
    std::size_t keep = st.in.bytes.eof ? past : lookahead;
    return st.ch.len <= keep ? 0 : st.ch.len - keep;
}

// Converts units from the character buffer for as long as they are common
// ones (letters, spaces, punctuation) whose unit is settled within the
// buffer; stops before anything else, which the general way converts.
void fastlane(state& st);

// Settles the forms from the options and a byte-order mark, writes the
// output's mark and converts the whole input; input handed over in pieces,
// as far as the pieces so far allow.
void process(state& st);

} // namespace kavrel
