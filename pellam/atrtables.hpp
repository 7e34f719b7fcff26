// ISCII read with its ATR code, which switches the script of the bytes that
// follow: the codes, the few characters ISCII has beyond the Devanagari
// tables when read this way, and what each byte writes in each of the nine
// Unicode blocks, built from them at compile time.
//
// ISCII gives every script the same bytes, and Unicode lays the nine blocks
// out in parallel, so a byte's character in a script is its Devanagari
// character moved to that script's block. It is one only where the block
// has a character there (in the repertoire of Unicode 3.2, with the
// changes below) and the scripts' table agrees that it is the
// counterpart of the Devanagari one; else the byte is dropped. A character
// the table shares among all the scripts (danda, double danda, the stress
// sign anudatta) is written as it is.
#pragma once

#include "repertoire.hpp" // made from Unicode 3.2: the code points the nine blocks had
#include "scriptrows.hpp" // made from the scripts' table: each script's counterparts
#include "tables.hpp"

#include <algorithm>
#include <array>
#include <cstdint>

namespace pellam::atr {

using scripts::script;

constexpr std::uint8_t virama = 0xE8, danda = 0xEA;
constexpr std::uint8_t inv = 0xD9;      // INV, the invisible consonant
constexpr std::uint8_t anusvara = 0xA2; // the Gurmukhi nasal: tippi or bindi

// The byte after ATR: the script it switches to.
struct coderow {
    std::uint8_t code;
    script s;
};
constexpr auto codes = std::to_array<coderow>({
    {0x40, script::devanagari}, // back to the default
    {0x42, script::devanagari},
    {0x43, script::bengali},
    {0x44, script::tamil},
    {0x45, script::telugu},
    {0x46, script::assamese}, // the Bengali block, read as Bengali
    {0x47, script::oriya},
    {0x48, script::kannada},
    {0x49, script::malayalam},
    {0x4A, script::gujarati},
    {0x4B, script::gurmukhi},
});
// The codes from 0x21 to 0x3F say how the text is displayed (bold, italic,
// and the like), which plain text does not keep: they go without a message.
constexpr std::uint8_t displayfirst = 0x21, displaylast = 0x3F;

// EXT and the byte after it.
struct extrow {
    std::uint8_t iscii;
    std::uint16_t udev;
};
constexpr auto extended = std::to_array<extrow>({
    {0xB8, 0x0952}, // stress sign anudatta
    {0xBF, 0x0970}, // abbreviation sign
});

// Two bytes that make one character: the nukta pairs, and these.
struct pairrow {
    std::uint8_t first, second;
    std::uint16_t udev;
};
constexpr auto vowelpairs = std::to_array<pairrow>({
    {0xA4, 0xE0, 0x0904}, // a and the vowel sign short e draw the short a
});
constexpr std::size_t npairs = nukta.size() + vowelpairs.size();
constexpr std::array<pairrow, npairs> makepairs()
{
    std::array<pairrow, npairs> p{};
    for (std::size_t i = 0; i < nukta.size(); ++i)
        p[i] = {nukta[i].nukta, nuktabyte, nukta[i].unukta};
    for (std::size_t i = 0; i < vowelpairs.size(); ++i)
        p[nukta.size() + i] = vowelpairs[i];
    return p;
}
constexpr auto pairs = makepairs();
// Two dandas are the double danda.
constexpr std::uint16_t doubledanda = 0x0965;

// Where ISCII's script tables and Unicode 3.2 differ at the place of a
// byte's (or a pair's) character: ISCII has these, which Unicode assigned
// later...
struct placerow {
    script s;
    std::uint8_t first, second; // second 0: the byte alone
    bool has;
};
constexpr auto places = std::to_array<placerow>({
    {script::gurmukhi, 0xA1, 0, true}, // candrabindu: adak bindi
    {script::gurmukhi, 0xA3, 0, true}, // visarga
    {script::oriya, 0xD4, 0, true},    // va
    {script::tamil, 0xF1, 0, true},    // digit zero
    // ...and leaves these out.
    {script::gujarati, 0xE9, 0, false}, // nukta
    {script::telugu, 0xA1, 0, false},   // candrabindu
    {script::kannada, 0xD0, 0, false},  // rra
    {script::oriya, 0xBF, 0xE9, false}, // rra, written as dda and the nukta sign
});

// ---------------------------------------------------------------- Blocks

constexpr char32_t devfirst = 0x0900, blocksize = 0x80;
constexpr char32_t ka = 0x0915;

constexpr bool isdev(char32_t c) { return c >= devfirst && c < devfirst + blocksize; }

constexpr const scripts::cell& cellof(script s, char32_t dev)
{
    return scripts::rows[dev - devfirst].cells[int(s) - 1];
}

// A script's block, counted from Devanagari's in the order Unicode lays
// them out: where its counterpart of ka lies.
constexpr int blockof(script s)
{
    return s == script::devanagari ? 0 : int((cellof(s, ka).cp[0] - devfirst) / blocksize);
}

constexpr int countblocks()
{
    int n = 0;
    for (std::size_t s = 0; s < scripts::count; ++s)
        n = std::max(n, blockof(script(s)) + 1);
    return n;
}
constexpr int nblocks = countblocks();
static_assert(nblocks == 9, "ISCII's nine scripts are in nine blocks");

// The script whose counterparts a block's characters are checked against:
// the first with that block (Bengali, not Assamese).
constexpr script scriptof(int block)
{
    for (std::size_t s = 0; s < scripts::count; ++s)
        if (blockof(script(s)) == block)
            return script(s);
    return script::devanagari;
}

constexpr char32_t moved(char32_t dev, int block) { return dev + blocksize * char32_t(block); }

constexpr std::uint16_t single(std::uint8_t b)
{
    for (const isciirow& r : iscii)
        if (r.iscii == b)
            return r.udev;
    return 0;
}

constexpr std::uint16_t paired(std::uint8_t first, std::uint8_t second)
{
    for (const pairrow& r : pairs)
        if (r.first == first && r.second == second)
            return r.udev;
    return 0;
}

// Whether the block has a character at c: Unicode 3.2 had it, unless ISCII
// differs there.
constexpr bool assigned32(char32_t c)
{
    std::size_t i = c - assignedfirst;
    return c >= assignedfirst && c < assignedend && (assigned[i / 64] >> (i % 64) & 1);
}

constexpr char32_t placeof(const placerow& p)
{
    return moved(p.second ? paired(p.first, p.second) : single(p.first), blockof(p.s));
}

constexpr bool has(int block, char32_t c)
{
    for (const placerow& p : places)
        if (blockof(p.s) == block && placeof(p) == c)
            return p.has;
    return assigned32(c);
}

// Each row of places changes what Unicode 3.2 says.
constexpr bool everyplacediffers()
{
    for (const placerow& p : places)
        if (assigned32(placeof(p)) == p.has)
            return false;
    return true;
}
static_assert(everyplacediffers(), "a row of places says what Unicode 3.2 says already");

// The canonical decomposition of the characters in `cp`, as far as the
// scripts' table holds decompositions (every character of the nine blocks
// that has one).
struct decomposed {
    char32_t cp[12] = {};
    int n = 0;
};
constexpr decomposed decompose(const char32_t* cp, int n)
{
    decomposed d;
    for (int i = 0; i < n; ++i) {
        bool found = false;
        for (const scripts::decomposition& x : scripts::decompositions)
            if (x.c == cp[i]) {
                for (int j = 0; j < x.n; ++j)
                    d.cp[d.n++] = x.to[j];
                found = true;
            }
        if (!found)
            d.cp[d.n++] = cp[i];
    }
    return d;
}

constexpr bool equivalent(char32_t c, const scripts::cell& cell)
{
    decomposed a = decompose(&c, 1), b = decompose(cell.cp, cell.n);
    if (a.n != b.n)
        return false;
    for (int i = 0; i < a.n; ++i)
        if (a.cp[i] != b.cp[i])
            return false;
    return true;
}

// What the Devanagari character `dev` is written as in the block: up to
// three characters, or none when the block lacks it. Several characters
// only for a letter of two bytes that the block has no one character for,
// but whose counterpart is of its own characters (Gurmukhi rha, from ddha
// and the nukta).
struct written {
    char32_t cp[3] = {};
    int n = 0;
};
constexpr written writeas(char32_t dev, int block, bool twobytes)
{
    if (block == 0 || !isdev(dev))
        return {{dev}, 1};
    const scripts::cell& cell = cellof(scriptof(block), dev);
    if (cell.how != scripts::way::counterpart)
        return {};
    if (cell.n == 1 && cell.cp[0] == dev) // shared by the scripts
        return {{dev}, 1};
    char32_t c = moved(dev, block);
    if (has(block, c) && equivalent(c, cell))
        return {{c}, 1};
    if (!twobytes || cell.n > 3)
        return {};
    written w;
    for (int i = 0; i < cell.n; ++i) {
        if (cell.cp[i] < moved(devfirst, block) || cell.cp[i] >= moved(devfirst, block + 1) || !has(block, cell.cp[i]))
            return {};
        w.cp[w.n++] = cell.cp[i];
    }
    return w;
}

// ---------------------------------------------------------------- Index

// What a byte does in a block.
enum class act : std::uint8_t {
    plain,     // writes its character (a byte below 0x80 itself) at once
    lacking,   // no character here: dropped with a message
    newline,   // line feed or carriage return: copied, and back to Devanagari
    atr,       // the code after it switches the script
    ext,       // the byte after it is an extended character
    inv,       // INV: the zero width joiner, or a space before a virama
    first,     // may make one character with the byte after it
    virama,    // with a second virama: virama and ZWNJ; with the nukta: virama and ZWJ
    danda,     // with a second danda: the double danda
    consonant, // Gurmukhi: doubled by addak before a virama and itself
    nasal,     // Gurmukhi anusvara: tippi after a bare consonant and some vowels, else bindi
    nukta,     // the nukta sign alone: a consonant before it keeps its tippi
};

// Up to three characters in UTF-8, padded so that a copy is one fixed move.
struct utf8text {
    unsigned char b[12];
    std::uint8_t len;
};

constexpr utf8text encode(const written& w)
{
    utf8text t{};
    for (int i = 0; i < w.n; ++i)
        t.len = std::uint8_t(t.len + codec::utf8encode(w.cp[i], t.b + t.len));
    return t;
}

struct entry {
    utf8char out; // its character by itself
    std::uint8_t len;
    act a;
    bool tippi;        // the Gurmukhi nasal after it is tippi
    std::uint8_t pair; // 1 + its row in pairs when it is the first byte of one, else 0
    // Written by itself unless the byte after it is one of these (a byte
    // that makes a character with the next one), for the fast loop.
    bool alone;
    std::uint8_t next[2];
};

struct pairentry {
    utf8text out; // no bytes: the two bytes are written each by itself
    bool tippi;
};

struct blockindex {
    entry bytes[256];
    pairentry paired[npairs];
    utf8text ext[extended.size()]; // no bytes: the block has none
    utf8char dandas;               // the double danda
};

constexpr bool isconsonant(char32_t dev)
{
    return isdev(dev) && scripts::rows[dev - devfirst].k == scripts::kind::consonant;
}

constexpr bool tippiafter(char32_t dev)
{
    for (char32_t c : scripts::added::tippiafter)
        if (c == dev)
            return true;
    return false;
}

constexpr blockindex makeblock(int block)
{
    const bool gurmukhi = block == blockof(script::gurmukhi);
    blockindex x{};
    for (int b = 0; b < 256; ++b) {
        entry& e = x.bytes[b];
        e.out.b[0] = static_cast<unsigned char>(b);
        e.len = 1;
        e.a = b < 0x80 ? act::plain : act::lacking;
    }
    x.bytes[std::size_t{'\n'}].a = x.bytes[std::size_t{'\r'}].a = act::newline;
    x.bytes[atrbyte].a = act::atr;
    x.bytes[extbyte].a = act::ext;
    for (const isciirow& r : iscii) {
        entry& e = x.bytes[r.iscii];
        written w = writeas(r.udev, block, false);
        utf8text t = encode(w);
        e.len = t.len;
        for (int i = 0; i < 4; ++i)
            e.out.b[i] = t.b[i];
        e.a = w.n ? act::plain : act::lacking;
        e.tippi = gurmukhi && tippiafter(r.udev);
        if (gurmukhi && isconsonant(r.udev) && w.n) {
            e.a = act::consonant;
            e.tippi = true;
        }
    }
    x.bytes[inv].a = act::inv;
    x.bytes[virama].a = act::virama;
    x.bytes[danda].a = act::danda;
    if (x.bytes[nuktabyte].a == act::plain)
        x.bytes[nuktabyte].a = act::nukta;
    if (gurmukhi)
        x.bytes[anusvara].a = act::nasal;
    x.bytes[virama].next[0] = virama;
    x.bytes[virama].next[1] = nuktabyte;
    x.bytes[danda].next[0] = danda;
    for (std::size_t i = 0; i < npairs; ++i) {
        const pairrow& r = pairs[i];
        entry& e = x.bytes[r.first];
        e.pair = std::uint8_t(i + 1);
        e.next[1] = r.second;
        if (e.a == act::plain || e.a == act::lacking)
            e.a = act::first;
        x.paired[i] = {encode(writeas(r.udev, block, true)), gurmukhi && isconsonant(single(r.first))};
    }
    for (entry& e : x.bytes)
        e.alone = e.len && (e.a == act::first || e.a == act::virama || e.a == act::danda);
    for (std::size_t i = 0; i < extended.size(); ++i)
        x.ext[i] = encode(writeas(extended[i].udev, block, false));
    const utf8text dd = encode(writeas(doubledanda, block, false));
    for (int i = 0; i < 4; ++i)
        x.dandas.b[i] = dd.b[i];
    return x;
}

struct atrindex {
    blockindex blocks[nblocks];
    std::uint8_t blockofcode[256]; // 1 + the block the ATR code switches to, else 0
};

constexpr atrindex makeindex()
{
    atrindex x{};
    for (int k = 0; k < nblocks; ++k)
        x.blocks[k] = makeblock(k);
    for (const coderow& c : codes)
        x.blockofcode[c.code] = std::uint8_t(1 + blockof(c.s));
    return x;
}

inline constexpr atrindex byblock = makeindex();

// Every block has the virama and the dandas, which the pairs of bytes
// write by themselves.
constexpr bool everyblockhasvirama()
{
    for (const blockindex& x : byblock.blocks)
        if (!x.bytes[virama].len || !x.bytes[danda].len || !x.dandas.b[0])
            return false;
    return true;
}
static_assert(everyblockhasvirama());

constexpr int gurmukhi = blockof(script::gurmukhi);
// Gurmukhi's addak and tippi, from the conventions of the scripts' table;
// the joiners that a virama takes for a second virama or the nukta after
// it.
constexpr utf8char addak = pellam::encode(std::uint16_t(scripts::added::addak));
constexpr utf8char tippi = pellam::encode(std::uint16_t(scripts::added::tippi));
constexpr utf8char zwnj = pellam::encode(0x200C), zwj = pellam::encode(0x200D);

} // namespace pellam::atr
