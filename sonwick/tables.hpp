// Unicode Devanagari to ISO 15919 Roman: the three tables as listed, the
// consonants that meet a colon or a nukta sign, and the index over the
// Devanagari block derived from them at compile time.
#pragma once

#include "codec.hpp"

#include <cstddef>
#include <cstdint>

namespace sonwick {

using codec::lchar;

constexpr lchar virama = 0x094D;     // DEVANAGARI SIGN VIRAMA
constexpr lchar nuktasign = 0x093C;  // DEVANAGARI SIGN NUKTA
constexpr lchar lettera = 0x0905;    // DEVANAGARI LETTER A
constexpr lchar letteri = 0x0907;    // DEVANAGARI LETTER I
constexpr lchar letteru = 0x0909;    // DEVANAGARI LETTER U
constexpr lchar letterha = 0x0939;   // DEVANAGARI LETTER HA

// One row of convlist: a Devanagari code point and its Roman text in UTF-8.
struct dconvrec {
    lchar dchar;
    const char* roman;
};

// An independent vowel and its vowel sign share one text.
inline constexpr char textaa[] = "\xC4\x81";                  // a macron
inline constexpr char texti[] = "i";
inline constexpr char textii[] = "\xC4\xAB";                  // i macron
inline constexpr char textu[] = "u";
inline constexpr char textuu[] = "\xC5\xAB";                  // u macron
inline constexpr char textr[] = "r\xCC\xA5";                  // r, ring below
inline constexpr char textrr[] = "r\xCC\xA5\xCC\x84";         // r, ring below, macron
inline constexpr char textl[] = "l\xCC\xA5";                  // l, ring below
inline constexpr char textll[] = "l\xCC\xA5\xCC\x84";         // l, ring below, macron
inline constexpr char texte[] = "e";
inline constexpr char texto[] = "o";
inline constexpr char textai[] = "ai";
inline constexpr char textau[] = "au";
inline constexpr char textcandrae[] = "\xC3\xAA";           // e circumflex
inline constexpr char textcandrao[] = "\xC3\xB4";           // o circumflex

constexpr std::size_t convcount = 90;

inline constexpr dconvrec convlist[convcount] = {
    {0x093D, "\xE2\x80\x99"},     // SIGN AVAGRAHA: right single quotation mark
    {0x0905, "a"},                // LETTER A
    {0x0906, textaa},             // LETTER AA
    {0x093E, textaa},             // VOWEL SIGN AA
    {0x0907, texti},              // LETTER I
    {0x093F, texti},              // VOWEL SIGN I
    {0x0908, textii},             // LETTER II
    {0x0940, textii},             // VOWEL SIGN II
    {0x0909, textu},              // LETTER U
    {0x0941, textu},              // VOWEL SIGN U
    {0x090A, textuu},             // LETTER UU
    {0x0942, textuu},             // VOWEL SIGN UU
    {0x090B, textr},              // LETTER VOCALIC R
    {0x0943, textr},              // VOWEL SIGN VOCALIC R
    {0x0960, textrr},             // LETTER VOCALIC RR
    {0x0944, textrr},             // VOWEL SIGN VOCALIC RR
    {0x090C, textl},              // LETTER VOCALIC L
    {0x0962, textl},              // VOWEL SIGN VOCALIC L
    {0x0961, textll},             // LETTER VOCALIC LL
    {0x0963, textll},             // VOWEL SIGN VOCALIC LL
    {0x090F, texte},              // LETTER E
    {0x0947, texte},              // VOWEL SIGN E
    {0x0913, texto},              // LETTER O
    {0x094B, texto},              // VOWEL SIGN O
    {0x0910, textai},             // LETTER AI
    {0x0948, textai},             // VOWEL SIGN AI
    {0x0914, textau},             // LETTER AU
    {0x094C, textau},             // VOWEL SIGN AU
    {0x0901, "m\xCC\x90"},        // SIGN CANDRABINDU: m, combining candrabindu
    {0x0902, "\xE1\xB9\x81"},     // SIGN ANUSVARA: m dot above
    {0x0903, "\xE1\xB8\xA5"},     // SIGN VISARGA: h dot below
    {0x0915, "k"},                // LETTER KA
    {0x0916, "kh"},               // LETTER KHA
    {0x0917, "g"},                // LETTER GA
    {0x0918, "gh"},               // LETTER GHA
    {0x0919, "\xE1\xB9\x85"},     // LETTER NGA: n dot above
    {0x091A, "c"},                // LETTER CA
    {0x091B, "ch"},               // LETTER CHA
    {0x091C, "j"},                // LETTER JA
    {0x091D, "jh"},               // LETTER JHA
    {0x091E, "\xC3\xB1"},         // LETTER NYA: n tilde
    {0x091F, "\xE1\xB9\xAD"},     // LETTER TTA: t dot below
    {0x0920, "\xE1\xB9\xADh"},    // LETTER TTHA
    {0x0921, "\xE1\xB8\x8D"},     // LETTER DDA: d dot below
    {0x0922, "\xE1\xB8\x8Dh"},    // LETTER DDHA
    {0x0923, "\xE1\xB9\x87"},     // LETTER NNA: n dot below
    {0x0924, "t"},                // LETTER TA
    {0x0925, "th"},               // LETTER THA
    {0x0926, "d"},                // LETTER DA
    {0x0927, "dh"},               // LETTER DHA
    {0x0928, "n"},                // LETTER NA
    {0x092A, "p"},                // LETTER PA
    {0x092B, "ph"},               // LETTER PHA
    {0x092C, "b"},                // LETTER BA
    {0x092D, "bh"},               // LETTER BHA
    {0x092E, "m"},                // LETTER MA
    {0x092F, "y"},                // LETTER YA
    {0x0930, "r"},                // LETTER RA
    {0x0932, "l"},                // LETTER LA
    {0x0935, "v"},                // LETTER VA
    {0x0936, "\xC5\x9B"},         // LETTER SHA: s acute
    {0x0937, "\xE1\xB9\xA3"},     // LETTER SSA: s dot below
    {0x0938, "s"},                // LETTER SA
    {0x0939, "h"},                // LETTER HA
    {0x095C, "\xE1\xB9\x9B"},     // LETTER DDDHA: r dot below
    {0x095D, "\xE1\xB9\x9Bh"},    // LETTER RHA
    {0x0933, "\xE1\xB8\xB7"},     // LETTER LLA: l dot below
    {0x0958, "q"},                // LETTER QA
    {0x0959, "k\xCD\x9Fh"},       // LETTER KHHA: k, double macron below, h
    {0x095A, "\xC4\xA1"},         // LETTER GHHA: g dot above
    {0x095E, "f"},                // LETTER FA
    {0x095B, "z"},                // LETTER ZA
    {0x0966, "0"},                // DIGIT ZERO
    {0x0967, "1"},                // DIGIT ONE
    {0x0968, "2"},                // DIGIT TWO
    {0x0969, "3"},                // DIGIT THREE
    {0x096A, "4"},                // DIGIT FOUR
    {0x096B, "5"},                // DIGIT FIVE
    {0x096C, "6"},                // DIGIT SIX
    {0x096D, "7"},                // DIGIT SEVEN
    {0x096E, "8"},                // DIGIT EIGHT
    {0x096F, "9"},                // DIGIT NINE
    // The letters and signs of modern Hindi and the Dravidian consonants,
    // written as kavrel reads them back.
    {0x090D, textcandrae},        // LETTER CANDRA E
    {0x0945, textcandrae},        // VOWEL SIGN CANDRA E
    {0x0911, textcandrao},        // LETTER CANDRA O
    {0x0949, textcandrao},        // VOWEL SIGN CANDRA O
    {0x0929, "\xE1\xB9\x89"},     // LETTER NNNA: n line below
    {0x0931, "r\xCC\x86"},         // LETTER RRA: r, combining breve
    {0x0934, "\xE1\xB8\xBB"},     // LETTER LLLA: l line below
    {0x095F, "\xE1\xBA\x8F"},     // LETTER YYA: y dot above
};

// The vowel signs that take the place of a consonant's inherent vowel.
inline constexpr lchar medvowel[15] = {
    0x093E, // VOWEL SIGN AA
    0x093F, // VOWEL SIGN I
    0x0940, // VOWEL SIGN II
    0x0941, // VOWEL SIGN U
    0x0942, // VOWEL SIGN UU
    0x0943, // VOWEL SIGN VOCALIC R
    0x0944, // VOWEL SIGN VOCALIC RR
    0x0962, // VOWEL SIGN VOCALIC L
    0x0963, // VOWEL SIGN VOCALIC LL
    0x0947, // VOWEL SIGN E
    0x0948, // VOWEL SIGN AI
    0x094B, // VOWEL SIGN O
    0x094C, // VOWEL SIGN AU
    0x0945, // VOWEL SIGN CANDRA E
    0x0949, // VOWEL SIGN CANDRA O
};

// The consonants that leave an inherent vowel pending.
inline constexpr lchar cons[45] = {
    0x0915, // KA
    0x0916, // KHA
    0x0917, // GA
    0x0918, // GHA
    0x0919, // NGA
    0x091A, // CA
    0x091B, // CHA
    0x091C, // JA
    0x091D, // JHA
    0x091E, // NYA
    0x091F, // TTA
    0x0920, // TTHA
    0x0921, // DDA
    0x0922, // DDHA
    0x0923, // NNA
    0x0924, // TA
    0x0925, // THA
    0x0926, // DA
    0x0927, // DHA
    0x0928, // NA
    0x092A, // PA
    0x092B, // PHA
    0x092C, // BA
    0x092D, // BHA
    0x092E, // MA
    0x092F, // YA
    0x0930, // RA
    0x0932, // LA
    0x0935, // VA
    0x0936, // SHA
    0x0937, // SSA
    0x0938, // SA
    0x0939, // HA
    0x095C, // DDDHA
    0x095D, // RHA
    0x0933, // LLA
    0x0958, // QA
    0x0959, // KHHA
    0x095A, // GHHA
    0x095E, // FA
    0x095B, // ZA
    0x0929, // NNNA
    0x0931, // RRA
    0x0934, // LLLA
    0x095F, // YYA
};

// The consonants whose text followed directly by "h" is the text of another
// consonant: closed by the virama before HA they take a colon, so that
// k + virama + ha reads "k:ha" and not "kha".
inline constexpr lchar aspirable[11] = {
    0x0915, // KA
    0x0917, // GA
    0x091A, // CA
    0x091C, // JA
    0x091F, // TTA
    0x0921, // DDA
    0x0924, // TA
    0x0926, // DA
    0x092A, // PA
    0x092C, // BA
    0x095C, // DDDHA
};

// A consonant directly followed by the nukta sign, and the one precomposed
// consonant that the pair stands for.
struct nuktarec {
    lchar plain;
    lchar joined;
};

inline constexpr nuktarec nuktalist[11] = {
    {0x0915, 0x0958}, // KA + nukta: QA
    {0x0916, 0x0959}, // KHA + nukta: KHHA
    {0x0917, 0x095A}, // GA + nukta: GHHA
    {0x091C, 0x095B}, // JA + nukta: ZA
    {0x0921, 0x095C}, // DDA + nukta: DDDHA
    {0x0922, 0x095D}, // DDHA + nukta: RHA
    {0x092B, 0x095E}, // PHA + nukta: FA
    {0x0928, 0x0929}, // NA + nukta: NNNA
    {0x0930, 0x0931}, // RA + nukta: RRA
    {0x0933, 0x0934}, // LLA + nukta: LLLA
    {0x092F, 0x095F}, // YA + nukta: YYA
};

// The context that the transliterator keeps between two characters.
enum context : std::uint8_t {
    neutral,   // nothing pending: the start, and after most characters
    afound,    // the last character was the letter A
    consfound, // a consonant waits for its inherent vowel
    aspfound,  // as consfound, and "h" after the consonant's text would aspirate it
    haltfound, // such a consonant has just been closed by the virama
};
constexpr std::size_t contexts = 5;

// What one character does from one context: the bytes to write (an "a"
// and a colon before the row's text, as the context asks) and the context
// it leaves. A character without a row writes only the "a" here and is
// then copied itself.
struct daction {
    codec::shortbytes text;
    context next = neutral;
};

// Every code point of the tables lies in the Devanagari block.
constexpr lchar blockstart = 0x0900;
constexpr std::size_t blocksize = 0x80;

// What one code point is: its row of convlist (or -1), its membership of
// the lists, its precomposed nukta form, and its action from each context.
struct dentry {
    std::int8_t row = -1;
    bool inmedvowel = false;
    bool incons = false;
    bool inaspirable = false;
    bool copy = true;             // no row and not the virama: copied unchanged
    std::uint16_t nuktaform = 0;  // with the nukta sign after it; 0 when none
    daction act[contexts];
};

// One entry per code point of the block, and a last one for every code
// point outside it.
struct dindex {
    dentry at[blocksize + 1];
};

constexpr std::size_t textlen(const char* s)
{
    std::size_t n = 0;
    while (s[n])
        ++n;
    return n;
}

constexpr bool textsfit()
{
    for (const dconvrec& r : convlist)
        if (textlen(r.roman) < 1 || textlen(r.roman) > 5)
            return false;
    return true;
}
static_assert(textsfit(), "every Roman text is one to five bytes");

constexpr void addbyte(daction& a, char b) { a.text.b[a.text.n++] = static_cast<unsigned char>(b); }

// The transliteration of c from one context. A consonant's text is written
// bare and its inherent "a" in front of whatever follows, unless that is a
// vowel sign of medvowel (whose text takes its place) or the virama. A
// colon parts an "a" from a directly following independent i or u, which
// would otherwise read as "ai" or "au", and a consonant closed by the
// virama from a following HA, which would otherwise read as its aspirate.
constexpr daction makeaction(lchar c, const dentry& e, context from)
{
    daction a{};
    if (c == virama) {
        a.next = from == aspfound ? haltfound : neutral;
        return a;
    }
    bool iu = c == letteri || c == letteru;
    bool pending = from == consfound || from == aspfound;
    if (from == haltfound && c == letterha) {
        addbyte(a, ':');
    } else if (from == afound && iu) {
        addbyte(a, ':');
    } else if (pending && !e.inmedvowel) {
        addbyte(a, 'a');
        if (iu)
            addbyte(a, ':');
    }
    if (e.row < 0)
        return a;
    for (const char* p = convlist[e.row].roman; *p; ++p)
        addbyte(a, *p);
    if (c == lettera)
        a.next = afound;
    else if (e.incons)
        a.next = e.inaspirable ? aspfound : consfound;
    return a;
}

constexpr dindex makeindex()
{
    dindex x{};
    // Taken from the last row to the first, so that the first row with a
    // code point is the one that stays.
    for (std::size_t r = convcount; r-- > 0;) {
        dentry& e = x.at[convlist[r].dchar - blockstart];
        e.row = static_cast<std::int8_t>(r);
        e.copy = false;
    }
    x.at[virama - blockstart].copy = false;
    for (lchar c : medvowel)
        x.at[c - blockstart].inmedvowel = true;
    for (lchar c : cons)
        x.at[c - blockstart].incons = true;
    for (lchar c : aspirable)
        x.at[c - blockstart].inaspirable = true;
    for (const nuktarec& n : nuktalist)
        x.at[n.plain - blockstart].nuktaform = static_cast<std::uint16_t>(n.joined);
    for (std::size_t i = 0; i <= blocksize; ++i) {
        // The last entry stands for code points outside the block, none of
        // which is the virama, A, I, U or HA.
        lchar c = i < blocksize ? blockstart + static_cast<lchar>(i) : 0;
        for (std::size_t k = 0; k < contexts; ++k)
            x.at[i].act[k] = makeaction(c, x.at[i], static_cast<context>(k));
    }
    return x;
}

inline constexpr dindex index = makeindex();

// The fast lane's steps, made from the index: what one character read
// straight from the input bytes writes from each context, and the context
// it leaves. Slots 0 to 127 are the ASCII characters, slots 128 to 255 the
// code points of the block. A copied character's own UTF-8 bytes follow the
// "a" its context asks for, so every step is one fixed-size move.
struct lanestep {
    unsigned char text[11] = {}; // the bytes to write, padded
    std::uint8_t n = 0;
    // The context left, as the place of its row: in bytes from the start
    // of the steps, so that the lane finds the next step with one addition.
    std::uint16_t nextrow = 0;
    // For a consonant that the nukta sign joins: the slot of the joined
    // letter, and the length of the consonant's own text, which comes
    // after the "a" of a consonant pending before it. 0 for the others.
    std::uint8_t joined = 0;
    std::uint8_t bare = 0;
};
static_assert(sizeof(lanestep) == 16, "a step is one 16-byte move");

constexpr std::size_t laneslots = 256;
constexpr unsigned laneblock = 128; // the slot of the first code point of the block

// The steps of each context in a row of their own, one row after another.
struct laneindex {
    lanestep at[contexts * laneslots];
};

constexpr std::size_t rowbytes = laneslots * sizeof(lanestep);
constexpr std::size_t rowof(context k) { return k * rowbytes; }
constexpr context contextof(std::size_t row) { return static_cast<context>(row / rowbytes); }

// The slot of an ASCII character or a code point of the block.
constexpr unsigned laneslot(lchar c)
{
    return c < 0x80 ? static_cast<unsigned>(c) : laneblock + static_cast<unsigned>(c - blockstart);
}

constexpr lanestep makestep(lchar c, context from)
{
    const dentry& e = index.at[c < 0x80 ? blocksize : static_cast<std::size_t>(c - blockstart)];
    const daction& a = e.act[from];
    lanestep s{};
    for (std::size_t i = 0; i < a.text.n; ++i)
        s.text[s.n++] = a.text.b[i];
    if (e.copy)
        s.n = static_cast<std::uint8_t>(s.n + codec::utf8encode(c, s.text + s.n));
    s.nextrow = static_cast<std::uint16_t>(rowof(a.next));
    if (e.nuktaform) {
        s.joined = static_cast<std::uint8_t>(laneslot(e.nuktaform));
        s.bare = static_cast<std::uint8_t>(textlen(convlist[e.row].roman));
    }
    return s;
}

constexpr laneindex makelanes()
{
    laneindex x{};
    for (std::size_t k = 0; k < contexts; ++k)
        for (unsigned i = 0; i < laneslots; ++i) {
            lchar c = i < laneblock ? static_cast<lchar>(i) : blockstart + static_cast<lchar>(i - laneblock);
            x.at[k * laneslots + i] = makestep(c, static_cast<context>(k));
        }
    return x;
}

inline constexpr laneindex lanes = makelanes();

// The step of `slot` from the context whose row is `row`.
constexpr const lanestep& stepof(std::size_t row, unsigned slot) { return lanes.at[row / sizeof(lanestep) + slot]; }

// The entry of a code point; -1 (end of input) and everything outside the
// block get the last entry.
inline const dentry& entryof(lchar c)
{
    std::uint32_t off = static_cast<std::uint32_t>(c) - static_cast<std::uint32_t>(blockstart);
    return index.at[off < blocksize ? off : blocksize];
}

} // namespace sonwick
