// The look-ups the writer and the reader run on, built at compile time from
// the rows of table.tsv (scriptrows.hpp): for each script, what each
// Devanagari character is written as and whether what follows it can change
// that; for each block, what each character reads back as, and the
// sequences of several characters that read as one.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "scriptrows.hpp"

namespace scripts::tables {

// Not constexpr: a table built at compile time that reaches it is a
// compile-time error naming what is wrong (and no exception is thrown,
// so the tables build where exceptions are off, as in the WebAssembly
// module).
inline void tablefault(const char*) {}

inline constexpr char32_t zwnj = 0x200C, zwj = 0x200D; // ZERO WIDTH NON-JOINER, JOINER
inline constexpr char32_t devfirst = 0x0900;
inline constexpr std::size_t devrows = std::size(rows);
static_assert(devrows == 128 && std::size(names) == count);

constexpr bool isdev(char32_t c) { return c - devfirst < devrows; }
constexpr const row& rowof(char32_t dev) { return rows[dev - devfirst]; }
constexpr kind kindof(char32_t c) { return isdev(c) ? rowof(c).k : kind::other; }
constexpr const cell& cellof(script s, char32_t dev) { return rowof(dev).cells[int(s) - 1]; }
constexpr char32_t firstof(kind k)
{
    for (const row& r : rows)
        if (r.k == k)
            return r.dev;
    return 0;
}
inline constexpr char32_t virama = firstof(kind::virama), nukta = firstof(kind::nukta);

// The precomposed Devanagari letter that `dev` and the nukta make, or 0.
constexpr char32_t withnukta(char32_t dev)
{
    for (const decomposition& d : decompositions)
        if (d.n == 2 && d.to[0] == dev && d.to[1] == nukta && isdev(d.c))
            return d.c;
    return 0;
}

// withnukta for every row, looked up on the way.
constexpr std::array<char32_t, devrows> buildnukta()
{
    std::array<char32_t, devrows> t{};
    for (std::size_t i = 0; i < devrows; i++)
        t[i] = withnukta(rows[i].dev);
    return t;
}
inline constexpr std::array<char32_t, devrows> nuktaletters = buildnukta();

// The digit a superscript stands for after a Tamil stop, or 0.
constexpr int superdigit(char32_t c)
{
    for (const added::superscript& s : added::superscripts)
        if (s.c == c)
            return s.n;
    return 0;
}

constexpr bool same(const cell& a, const cell& b)
{
    if (a.how != b.how || a.n != b.n)
        return false;
    for (int i = 0; i < a.n; i++)
        if (a.cp[i] != b.cp[i])
            return false;
    return true;
}

// A Tamil stop letter with the superscript of its place in the row.
constexpr bool tamilstop(const cell& c)
{
    return c.how == way::counterpart && c.n == 2 && superdigit(c.cp[1]);
}

// Gurmukhi: the aspirate of an unaspirated stop, and back (or 0).
constexpr char32_t aspirateof(char32_t dev)
{
    for (const added::join& j : added::aspirates)
        if (j.dev == dev)
            return j.next;
    return 0;
}
constexpr char32_t unaspirated(char32_t dev)
{
    for (const added::join& j : added::aspirates)
        if (j.next == dev)
            return j.dev;
    return dev;
}

// ---------------------------------------------------------------- Writing

// How a character is written: at once (plain); at once unless the next
// character is of a kind it watches for (peek); a Tamil stop, with its
// superscript after the sign that follows it (stop); the Gurmukhi nasal,
// tippi or bindi by what comes before it (nasal); or always by the
// conventions (slow).
enum class pass : std::uint8_t { plain, peek, stop, nasal, slow };

// The kinds of character a peek watches for, one bit each.
inline constexpr std::uint8_t nuktabit = 1, viramabit = 2, signbit = 4;
constexpr std::uint8_t kindbit(kind k)
{
    return k == kind::nukta ? nuktabit : k == kind::virama ? viramabit : k == kind::vowelsign ? signbit : 0;
}

struct wentry {
    pass p = pass::plain;
    std::uint8_t bit = 0;   // its own kind's bit, for a peek at it
    std::uint8_t watch = 0; // the kinds after it that change how it is written
    bool own = false;       // written with the script's own letters (not copied)
    std::uint8_t n = 0;
    char32_t cp[4] = {}; // what is written for the character alone
};
using wtable = std::array<wentry, devrows>;

// The kinds after a consonant that a script's conventions look at: the
// virama (khanda ta, chillus, addak), or any sign (the superscript of a
// Tamil stop follows its vowel sign or virama).
constexpr std::uint8_t ruled(script s, char32_t dev)
{
    switch (s) {
    case script::bengali:
    case script::assamese: return dev == added::khandatadev ? viramabit : 0;
    case script::malayalam:
        for (const added::chillu& c : added::chillus)
            if (c.dev == dev)
                return viramabit;
        return 0;
    case script::gurmukhi: return viramabit;
    case script::tamil: return tamilstop(cellof(s, dev)) ? nuktabit | viramabit | signbit : 0;
    default: return 0;
    }
}

// Whether the consonant and a nukta after it are written otherwise than
// each on its own.
constexpr bool nuktachanges(script s, char32_t dev)
{
    char32_t p = withnukta(dev);
    if (!p)
        return false;
    const cell &c = cellof(s, dev), &k = cellof(s, nukta), &pc = cellof(s, p);
    if (c.how != way::counterpart || k.how != way::counterpart || pc.how != way::counterpart ||
        pc.n != c.n + k.n)
        return true;
    for (int i = 0; i < c.n; i++)
        if (pc.cp[i] != c.cp[i])
            return true;
    for (int i = 0; i < k.n; i++)
        if (pc.cp[c.n + i] != k.cp[i])
            return true;
    return false;
}

constexpr wtable buildwriter(script s)
{
    wtable t{};
    for (std::size_t i = 0; i < devrows; i++) {
        const row& r = rows[i];
        wentry& e = t[i];
        e.bit = kindbit(r.k);
        if (s == script::devanagari) {
            e.n = 1, e.cp[0] = r.dev;
            continue;
        }
        const cell& c = r.cells[int(s) - 1];
        if (c.how == way::copied) {
            e.n = 1, e.cp[0] = r.dev;
        } else {
            e.own = true, e.n = c.n;
            for (int j = 0; j < c.n; j++)
                e.cp[j] = c.cp[j];
        }
        if (r.k == kind::consonant) // a copied one takes its signs along
            e.watch = std::uint8_t((c.how == way::copied ? nuktabit | viramabit | signbit : 0) | ruled(s, r.dev) |
                                   (nuktachanges(s, r.dev) ? nuktabit : 0));
        if (c.how == way::substitute) // its letters may begin with a sign
            e.bit = nuktabit | viramabit | signbit;
        if (c.how == way::substitute)
            e.p = pass::slow;
        else if (s == script::gurmukhi && r.dev == added::anusvara)
            e.p = pass::nasal;
        else if (e.watch)
            e.p = s == script::tamil && tamilstop(c) ? pass::stop : pass::peek;
    }
    return t;
}

constexpr std::array<wtable, count> buildwriters()
{
    std::array<wtable, count> all{};
    for (std::size_t s = 0; s < count; s++)
        all[s] = buildwriter(script(s));
    return all;
}
inline constexpr std::array<wtable, count> writing = buildwriters();

// ---------------------------------------------------------------- Reading

inline constexpr std::size_t blocksize = blocksend - blocksfirst;

constexpr bool markbit(char32_t c)
{
    std::size_t i = c - blocksfirst;
    return i < blocksize && (markbits[i / 64] >> (i % 64) & 1);
}
// What may change the reading of the character before it: a combining mark,
// or a superscript (after a Tamil stop).
constexpr bool mark(char32_t c) { return markbit(c) || superdigit(c); }

// Several characters of one block that read as one Devanagari character.
struct key {
    std::uint8_t n = 0;
    char32_t cp[4] = {};
    char32_t dev = 0;
};

struct rentry {
    pass p = pass::plain;
    bool set = false;       // read through the table (not passed as it is)
    bool stop = false;      // a Tamil stop: a superscript after it or its sign selects its letter
    std::uint8_t n = 1;     // Devanagari characters it reads as alone
    std::uint8_t nkeys = 0; // keys that start with it, from keys[key0]
    std::uint16_t key0 = 0;
    char32_t follow[3] = {}; // the characters that, following it, may make a key
    char32_t dev[2] = {};
};

inline constexpr std::size_t maxkeys = 160;
struct rtable {
    std::array<rentry, blocksize> at{};
    std::array<key, maxkeys> keys{};
    std::size_t nkeys = 0;
};

constexpr bool samekey(const key& k, const char32_t* cp, std::size_t n)
{
    if (k.n != n)
        return false;
    for (std::size_t i = 0; i < n; i++)
        if (k.cp[i] != cp[i])
            return false;
    return true;
}

constexpr const key* findkey(const rtable& t, const char32_t* cp, std::size_t n)
{
    for (std::size_t i = 0; i < t.nkeys; i++)
        if (samekey(t.keys[i], cp, n))
            return &t.keys[i];
    return nullptr;
}

// Adds the key unless one with the same characters is there: the first
// row to claim a spelling keeps it.
constexpr void addkey(rtable& t, const char32_t* cp, std::size_t n, char32_t dev)
{
    if (n < 2 || n > 4 || findkey(t, cp, n))
        return;
    if (t.nkeys == maxkeys)
        tablefault("too many keys");
    key& k = t.keys[t.nkeys++];
    k.n = std::uint8_t(n), k.dev = dev;
    for (std::size_t i = 0; i < n; i++)
        k.cp[i] = cp[i];
}

constexpr void setreading(rtable& t, char32_t c, char32_t dev, char32_t dev2 = 0)
{
    rentry& e = t.at[c - blocksfirst];
    if (e.set)
        return;
    e.set = true, e.dev[0] = dev, e.dev[1] = dev2, e.n = dev2 ? 2 : 1;
}

// Every sequence obtained from the key by composing characters within it
// reads as the key does (a precomposed letter is its decomposition).
constexpr void addcomposed(rtable& t, std::size_t from)
{
    for (std::size_t i = from; i < t.nkeys; i++)
        for (const decomposition& d : decompositions)
            for (std::size_t at = 0; at + d.n <= t.keys[i].n; at++) {
                key k = t.keys[i];
                bool match = true;
                for (std::size_t j = 0; j < d.n; j++)
                    match = match && k.cp[at + j] == d.to[j];
                if (!match)
                    continue;
                char32_t cp[4] = {};
                std::size_t n = 0;
                for (std::size_t j = 0; j < at; j++)
                    cp[n++] = k.cp[j];
                cp[n++] = d.c;
                for (std::size_t j = at + d.n; j < k.n; j++)
                    cp[n++] = k.cp[j];
                if (n == 1)
                    setreading(t, d.c, k.dev);
                else
                    addkey(t, cp, n, k.dev);
            }
}

constexpr rtable buildreader()
{
    rtable t{};
    for (std::size_t i = 0; i < blocksize; i++)
        t.at[i].dev[0] = char32_t(blocksfirst + i);
    // The cells, script by script and row by row, so that a cell two rows
    // share reads as the first. Cells that are Devanagari pass anyway.
    for (std::size_t s = 1; s < count; s++)
        for (const row& r : rows) {
            const cell& c = r.cells[s - 1];
            if (c.how != way::counterpart || !c.n || isdev(c.cp[0]))
                continue;
            if (c.n == 1)
                setreading(t, c.cp[0], r.dev);
            else
                addkey(t, c.cp, c.n, r.dev);
        }
    // The letters the conventions write or read beyond the cells.
    setreading(t, added::khandata, added::khandatadev, virama);
    for (const added::chillu& c : added::chillus)
        setreading(t, c.chillu, c.dev, virama);
    for (const added::chillu& c : added::chillusread)
        setreading(t, c.chillu, c.dev, virama);
    setreading(t, added::tippi, added::anusvara);
    setreading(t, added::oriyawa, added::oriyawadev);
    // A consonant and the script's nukta read as the precomposed Devanagari
    // letter, where there is one.
    for (std::size_t s = 1; s < count; s++) {
        const cell& k = cellof(script(s), nukta);
        if (k.how != way::counterpart || k.n != 1)
            continue;
        for (const row& r : rows) {
            const cell& c = r.cells[s - 1];
            char32_t p = withnukta(r.dev);
            if (p && c.how == way::counterpart && c.n == 1) {
                char32_t cp[2] = {c.cp[0], k.cp[0]};
                addkey(t, cp, 2, p);
            }
        }
    }
    // A character with a reading of its own reads so decomposed too.
    for (const decomposition& d : decompositions) {
        const rentry& e = t.at[d.c - blocksfirst];
        if (!isdev(d.c) && e.set && e.n == 1)
            addkey(t, d.to, d.n, e.dev[0]);
    }
    addcomposed(t, 0);
    // Keys in order of their first character, each entry pointing at its own.
    for (std::size_t i = 1; i < t.nkeys; i++)
        for (std::size_t j = i; j > 0 && t.keys[j].cp[0] < t.keys[j - 1].cp[0]; j--) {
            key k = t.keys[j];
            t.keys[j] = t.keys[j - 1];
            t.keys[j - 1] = k;
        }
    for (std::size_t i = 0; i < t.nkeys; i++) {
        rentry& e = t.at[t.keys[i].cp[0] - blocksfirst];
        if (!e.nkeys)
            e.key0 = std::uint16_t(i);
        e.nkeys++;
        e.p = pass::peek;
        char32_t second = t.keys[i].cp[1];
        std::size_t f = 0;
        while (f < 3 && e.follow[f] && e.follow[f] != second)
            f++;
        if (f == 3)
            e.p = pass::slow;
        else
            e.follow[f] = second;
    }
    for (const added::stop& s : added::tamilstops) {
        rentry& e = t.at[s.letter - blocksfirst];
        e.stop = true;
        if (e.p == pass::plain)
            e.p = pass::peek;
    }
    t.at[added::addak - blocksfirst].p = pass::slow;
    return t;
}
inline constexpr rtable reading = buildreader();

// The longest reading of cp[0..n): its length, and the key or the entry.
struct match {
    std::size_t len = 1;
    std::uint8_t n = 1; // Devanagari characters in dev
    bool wait = false;  // a longer key may still come: cp[0..n) ended inside it
    char32_t dev[2] = {};
};
constexpr match matchat(const char32_t* cp, std::size_t n, bool more)
{
    match m;
    char32_t c = cp[0];
    m.dev[0] = c;
    if (c - blocksfirst >= blocksize)
        return m;
    const rentry& e = reading.at[c - blocksfirst];
    m.n = e.n, m.dev[0] = e.dev[0], m.dev[1] = e.dev[1];
    for (std::size_t i = e.key0; i < std::size_t(e.key0 + e.nkeys); i++) {
        const key& k = reading.keys[i];
        std::size_t j = 1;
        while (j < k.n && j < n && cp[j] == k.cp[j])
            j++;
        if (j == k.n && k.n > m.len)
            m.len = k.n, m.n = 1, m.dev[0] = k.dev, m.dev[1] = 0;
        else if (j == n && j < k.n && more)
            m.wait = true;
    }
    return m;
}

// The Devanagari letters a substitute reads back as, which the writer
// writes in its place (the substitute is their image).
struct letters {
    std::uint8_t n = 0;
    char32_t cp[4] = {};
};
constexpr letters readback(const cell& c)
{
    letters l;
    for (std::size_t i = 0; i < c.n;) {
        match m = matchat(c.cp + i, c.n - i, false);
        for (std::size_t j = 0; j < m.n; j++)
            l.cp[l.n++] = m.dev[j];
        i += m.len;
    }
    return l;
}
constexpr std::array<std::array<letters, devrows>, count> buildsubstitutes()
{
    std::array<std::array<letters, devrows>, count> t{};
    for (std::size_t s = 1; s < count; s++)
        for (std::size_t i = 0; i < devrows; i++)
            if (rows[i].cells[s - 1].how == way::substitute) {
                t[s][i] = readback(rows[i].cells[s - 1]);
                for (std::size_t j = 0; j < t[s][i].n; j++)
                    if (isdev(t[s][i].cp[j]) && cellof(script(s), t[s][i].cp[j]).how == way::substitute)
                        tablefault("a substitute reads back as another substitute");
            }
    return t;
}
inline constexpr std::array<std::array<letters, devrows>, count> substitutes = buildsubstitutes();

// Tamil: the vowel sign that a vowel letter written after a virama is (the
// sign's cell is the virama's and the letter's): vocalic r after a stop's
// superscript.
constexpr char32_t signaftervirama(char32_t vowel)
{
    if (!isdev(vowel) || kindof(vowel) != kind::vowel)
        return 0;
    const cell &v = cellof(script::tamil, vowel), &h = cellof(script::tamil, virama);
    for (const row& r : rows) {
        const cell& c = r.cells[int(script::tamil) - 1];
        if (r.k != kind::vowelsign || c.how != way::counterpart || v.how != way::counterpart ||
            c.n != v.n + 1 || c.cp[0] != h.cp[0])
            continue;
        bool same = true;
        for (int i = 0; i < v.n; i++)
            same = same && c.cp[i + 1] == v.cp[i];
        if (same)
            return r.dev;
    }
    return 0;
}

// Tamil: the letter a stop letter and the digit of a superscript read as, or 0.
constexpr char32_t stopletter(char32_t letter, int n)
{
    for (const added::stop& s : added::tamilstops)
        if (s.letter == letter && s.n == n)
            return s.dev;
    return 0;
}

} // namespace scripts::tables
