// ISO 15919 Roman to Unicode Devanagari: the conversion state and the
// operations of one run, from the first byte to the end of the input.
#pragma once

#include "codec.hpp"

#include <cstdio>

namespace kavrel {

using codec::lchar;

// What the last output left open (`sylstate`). The consonant value doubles
// as the marker at the head of a consonant's `dep` output.
constexpr lchar SYL_VOWEL = -1;     // a syllable is closed; also the start
constexpr lchar SYL_CONSONANT = -2; // a consonant letter waits for its vowel
constexpr lchar SYL_OTHER = -3;     // the last unit was copied through

// A transliteration unit: one Roman letter with what attaches to it (an
// aspirating h, the second letter of a diphthong, up to three combining
// marks). Slots past `n` are zero, so two units compare as plain values.
// The end of the input is the unit holding -1 alone.
struct tchar {
    lchar c[4] = {};
    int n = 0;
};

inline bool operator==(const tchar& a, const tchar& b)
{
    return a.n == b.n && a.c[0] == b.c[0] && a.c[1] == b.c[1] && a.c[2] == b.c[2] &&
           a.c[3] == b.c[3];
}

// A static table record: the Roman unit and its two Devanagari renderings,
// zero-terminated. `dep` of a consonant is the marker SYL_CONSONANT alone.
struct convrec {
    lchar roman[5];
    lchar indep[3]; // when no consonant is pending
    lchar dep[3];   // right after a consonant
};

// A dictionary entry: the record's unit as the key, and its outputs.
struct convnode {
    convnode* next = nullptr;
    tchar roman;
    lchar indep[2] = {};
    lchar dep[2] = {};
    int nindep = 0;
    int ndep = 0;
    bool consonant = false; // `dep` began with the consonant marker
    // The outputs as bytes in the run's output form, made once the form is
    // settled: `indep`, `dep`, and the virama followed by `indep`.
    codec::shortbytes indepbytes, depbytes, conjunctbytes;
};

// Every record of every table fits, so filling never allocates.
constexpr int maxnodes = 210;

// Lone units below this code are also found through a direct index.
constexpr lchar lonemax = 0x2000;

// The conversion dictionary: a chained hash table of 256 buckets keyed on
// the low byte of the unit's first character. The entries of lone units
// are also indexed by their character, which makes the commonest look-up
// one array read; install keeps the two in step.
struct dictionary {
    convnode* convtab[256] = {};
    const convnode* lone[lonemax] = {};
    convnode pool[maxnodes];
    int used = 0;
};

// Makes the record's unit map to its outputs, replacing the outputs of an
// entry already there. Returns the entry, or null when no room is left; an
// entry is linked into its bucket only once it is whole.
convnode* install(dictionary& d, const convrec& r);
const convnode* lookup(const dictionary& d, const tchar& unit);
// The same look-up through the buckets alone.
const convnode* walk(const dictionary& d, const tchar& unit);

// Makes every entry's output bytes for the settled output form.
void encode(dictionary& d, const codec::output& out);

struct options {
    bool il = false, ib = false, iu = false; // input form, as given
    bool ol = false, ob = false, ou = false; // output form, as given
    bool dnnum = false;                      // -n: Devanagari numerals
    bool skt = false;                        // -s: Sanskrit mode
};

// What a command line asks for: a conversion, or one of the answers.
enum class request { convert, help, version, badoption };

// Reads the options from argv[1] on, up to the file name: the first
// argument that does not start with '-', or "-" for standard input. `file`
// is the name, or null for standard input.
request parseargs(int argc, char** argv, options& opt, const char*& file);

// Canonical composition. A Latin letter directly followed by combining
// marks is read as the canonical composition (NFC) of the letter and its
// marks, when there are at most `maxmarks` of them (the stream-safe bound of
// Unicode, which keeps memory fixed); a longer run is read as it came.
constexpr int maxmarks = 30;
constexpr int maxcomposed = 1 + maxmarks;

// The letters whose marks are composed: Basic Latin, Latin-1 to the IPA
// block (U+0292 is a decomposition of U+01EF), and Latin Extended
// Additional.
constexpr bool latinletter(lchar c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= 0x00C0 && c <= 0x02AF) ||
           (c >= 0x1E00 && c <= 0x1EFF);
}

int combiningclassof(lchar c);

// The canonical combining class; every character below U+0300 has class 0,
// which keeps the common case of a letter before an ASCII byte off the
// composing path.
inline int combiningclass(lchar c) { return c < 0x0300 ? 0 : combiningclassof(c); }

// The canonical composition of in[0..n) into out; its length, or -1 when n
// is not 1 to maxcomposed or the result does not fit in `room`.
int nfc(const lchar* in, int n, lchar* out, int room);

// Characters composed and not yet read, and the character that ended their
// run of marks.
struct composer {
    lchar q[4 * maxcomposed];
    int head = 0, n = 0;
    lchar ahead = codec::nochar;
};

// Everything one conversion needs, so each run starts fresh.
struct state {
    options opt;
    codec::input in;
    codec::output out;
    dictionary dict;
    composer comp;
    lchar queueduch = codec::nochar; // a character the unit reader read one too far
    tchar queuedtch;                 // a unit the syllable writer read ahead
    bool queued = false;
    lchar sylstate = SYL_VOWEL;
};

// Fills the dictionary from the tables chosen by the options; false when
// the dictionary ran out of room.
bool fill(dictionary& d, const options& opt);

// Fresh state for one conversion with the given options and streams. False
// when the dictionary could not be filled.
bool start(state& st, const options& opt, std::FILE* in, std::FILE* out);

// The next character of the input, a letter and its marks composed: the
// character in `queueduch` first, then those composed, then the stream.
lchar getcuch(state& st);

// The next transliteration unit of the input.
void gettch(state& st, tchar& unit);

// Writes the Devanagari for one unit; -1 once the unit is the end of input.
int putdch(state& st, tchar& unit);

// Settles the forms from the options and a byte-order mark, writes the
// output's mark and converts the whole input.
void process(state& st);

} // namespace kavrel
