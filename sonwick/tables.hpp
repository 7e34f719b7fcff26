// Unicode Devanagari to Roman: the writer's tables for one romanisation,
// made from its rows. For each code point of the Devanagari block, its
// Roman text and what it is (a vowel sign, a consonant); for each context
// the writer keeps between two characters, what each code point writes
// from it and the context it leaves; and the same as the fast lane's
// fixed-size steps. The project's ISO 15919 dialect is made at compile
// time; the other schemes once, when first asked for.
#pragma once

#include "codec.hpp"
#include "nuktapairs.hpp"
#include "romanisation.hpp"

#include <cstddef>
#include <cstdint>

namespace sonwick {

using codec::lchar;
using vocab::lettera;
using vocab::letterha;
using vocab::letteri;
using vocab::letteru;
using vocab::nukta;
using vocab::virama;

// The Roman text of a code point: its row's first spelling.
struct dconvrec {
    lchar dchar = 0;
    std::u32string_view spelling;
    std::uint8_t cls = 0; // the class of its text as the last spelling written
};

// Every code point the rows know lies in the Devanagari block.
constexpr lchar blockstart = 0x0900;
constexpr std::size_t blocksize = 0x80;

// What one code point is to the writer.
struct dentry {
    std::int8_t row = -1;        // its text in `rows`, or -1: the scheme cannot spell it
    bool inmedvowel = false;     // a vowel sign the scheme spells: it takes the inherent a's place
    bool incons = false;         // a consonant the scheme spells: it leaves an inherent a pending
    bool unspelt = false;        // a consonant the scheme cannot spell
    std::uint16_t nuktaform = 0; // with the nukta sign after it; 0 when none
};

// A context: whether a consonant waits for its inherent vowel, and the
// class of the last spelling written: the first letters of a next
// spelling that would read on into a longer spelling, so that the scheme's
// separator must go between.
struct context {
    bool pending = false;
    std::uint8_t cls = 0;
};

// What one character does from one context: the bytes to write (an "a",
// and a separator, before the row's text), whether the character itself
// is then copied, and the context it leaves.
struct daction {
    codec::shortbytes text;
    bool copy = false;
    std::uint8_t next = 0;
};

// The fast lane's step: what one character read straight from the input
// bytes writes from one context, its own bytes included when it is
// copied, padded so that every step is one fixed-size move.
struct lanestep {
    unsigned char text[10] = {}; // the bytes to write, padded
    std::uint8_t n = 0;
    // For a consonant that the nukta sign joins: the slot of the joined
    // letter; 0 for the others.
    std::uint8_t joined = 0;
    // The context left, as the place of its row: in bytes from the start
    // of the steps, so that the lane finds the next step with one addition.
    std::uint32_t nextrow = 0;
};
static_assert(sizeof(lanestep) == 16, "a step is one 16-byte move");

// The lane's slots: 0 to 127 the ASCII characters, 128 to 255 the code
// points of the block.
constexpr std::size_t laneslots = 256;
constexpr unsigned laneblock = 128;
constexpr std::size_t rowbytes = laneslots * sizeof(lanestep);

constexpr unsigned laneslot(lchar c)
{
    return c < 0x80 ? static_cast<unsigned>(c) : laneblock + static_cast<unsigned>(c - blockstart);
}

constexpr std::size_t maxcontexts = 24;
constexpr std::size_t maxclasses = 16;
constexpr std::size_t maxrows = 128;

// One scheme's writer.
struct writer {
    schemes::separation sep = schemes::separation::none;
    codec::shortbytes separator;
    dconvrec rows[maxrows];
    int nrows = 0;
    bool full = false; // more rows, classes or contexts than the room for them: never
    // One entry per code point of the block, and a last one for every
    // code point outside it.
    dentry at[blocksize + 1];
    // The classes of last spellings (0 is the empty one) as the first
    // letters they are parted from, zero-terminated.
    lchar classes[maxclasses][8] = {};
    int nclasses = 1;
    std::uint8_t acls = 0; // the class of an inherent a
    context contexts[maxcontexts];
    int ncontexts = 0;
    std::uint8_t neutral = 0, unspelt = 0;
    // ISO 15919's colon rules: after the letter A, after a consonant that
    // h would aspirate, and after that consonant closed by the virama.
    std::uint8_t afound = 0, consfound = 0, aspfound = 0, haltfound = 0;
    daction act[maxcontexts][blocksize + 1];
    lanestep lanes[maxcontexts * laneslots];
};

// ---------------------------------------------------------------- Making a writer

constexpr void addtext(codec::shortbytes& t, std::u32string_view s)
{
    for (char32_t c : s)
        t.n = static_cast<std::uint8_t>(t.n + codec::utf8encode(static_cast<lchar>(c), t.b + t.n));
}

constexpr void addbytes(codec::shortbytes& t, const unsigned char* b, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i)
        t.b[t.n++] = b[i];
}

constexpr bool inblock(lchar c) { return c >= blockstart && c < blockstart + static_cast<lchar>(blocksize); }

constexpr dentry& entryat(writer& w, lchar c)
{
    return w.at[inblock(c) ? static_cast<std::size_t>(c - blockstart) : blocksize];
}

// Every spelling of the scheme's rows, for the separator rule.
template <class F> constexpr void eachspelling(const schemes::scheme& s, F f)
{
    for (const schemes::row& r : s.rows)
        for (int i = 0; i < schemes::spellingcount(r); ++i)
            f(schemes::spelling(r, i));
}

// Whether a consonant's text followed by h is another consonant's text:
// closed by the virama before HA, it takes a colon (k:ha, not kha).
constexpr bool aspirable(const schemes::scheme& s, std::u32string_view text)
{
    for (const schemes::row& r : s.rows) {
        std::u32string_view x = schemes::written(r);
        if (r.k == schemes::kind::consonant && x.size() == text.size() + 1 && x.substr(0, text.size()) == text &&
            x.back() == U'h')
            return true;
    }
    return false;
}

// The class of a last spelling: the letters that, after it, begin a
// longer spelling; its index in w.classes, added when new.
constexpr std::uint8_t classof(writer& w, const schemes::scheme& s, std::u32string_view last)
{
    if (w.sep != schemes::separation::prefix)
        return 0;
    lchar set[8] = {};
    int n = 0;
    eachspelling(s, [&](std::u32string_view x) {
        if (x.size() <= last.size() || x.substr(0, last.size()) != last)
            return;
        auto f = static_cast<lchar>(x[last.size()]);
        bool known = false;
        for (int i = 0; i < n; ++i)
            known = known || set[i] == f;
        if (!known && n < 7)
            set[n++] = f;
    });
    // One order for the same set.
    for (int i = 0; i < n; ++i)
        for (int k = i + 1; k < n; ++k)
            if (set[k] < set[i]) {
                lchar t = set[i];
                set[i] = set[k];
                set[k] = t;
            }
    for (int k = 0; k < w.nclasses; ++k) {
        bool same = true;
        for (int i = 0; i < 8; ++i)
            same = same && w.classes[k][i] == set[i];
        if (same)
            return static_cast<std::uint8_t>(k);
    }
    if (w.nclasses == static_cast<int>(maxclasses)) {
        w.full = true;
        return 0;
    }
    for (int i = 0; i < 8; ++i)
        w.classes[w.nclasses][i] = set[i];
    return static_cast<std::uint8_t>(w.nclasses++);
}

constexpr bool inclass(const writer& w, std::uint8_t cls, lchar first)
{
    for (lchar c : w.classes[cls])
        if (c == first)
            return true;
    return false;
}

constexpr std::uint8_t contextfor(writer& w, bool pending, std::uint8_t cls)
{
    for (int k = 0; k < w.ncontexts; ++k)
        if (w.contexts[k].pending == pending && w.contexts[k].cls == cls)
            return static_cast<std::uint8_t>(k);
    if (w.ncontexts == static_cast<int>(maxcontexts)) {
        w.full = true;
        return 0;
    }
    w.contexts[w.ncontexts] = {pending, cls};
    return static_cast<std::uint8_t>(w.ncontexts++);
}

// The dependent vowel signs of Unicode's Devanagari that the project's
// dialect knows: after a consonant no scheme spells, they are copied with
// it.
constexpr bool vowelsign(lchar c)
{
    return (c >= 0x093E && c <= 0x094C) || c == 0x0962 || c == 0x0963;
}

constexpr void addrow(writer& w, lchar c, std::u32string_view text)
{
    dentry& e = entryat(w, c);
    if (e.row >= 0)
        return; // the first row with a code point is the one that stays
    if (w.nrows == static_cast<int>(maxrows)) {
        w.full = true;
        return;
    }
    w.rows[w.nrows] = {c, text};
    e.row = static_cast<std::int8_t>(w.nrows++);
}

// The transliteration of c from context `from`.
constexpr daction makeaction(writer& w, const schemes::scheme& s, lchar c, std::uint8_t from)
{
    const dentry& e = entryat(w, c);
    daction a{};
    std::u32string_view text = e.row >= 0 ? w.rows[e.row].spelling : std::u32string_view{};
    if (w.sep == schemes::separation::colon) {
        // A colon parts an "a" from a directly following independent i or
        // u, which would otherwise read as "ai" or "au", and a consonant
        // closed by the virama from a following HA, which would otherwise
        // read as its aspirate.
        if (c == virama) {
            a.next = from == w.aspfound ? w.haltfound : w.neutral;
            return a;
        }
        bool iu = c == letteri || c == letteru;
        bool pending = w.contexts[from].pending;
        if (from == w.haltfound && c == letterha) {
            addtext(a.text, U":");
        } else if (from == w.afound && iu) {
            addtext(a.text, U":");
        } else if (pending && !e.inmedvowel) {
            addtext(a.text, U"a");
            if (iu)
                addtext(a.text, U":");
        }
        a.copy = e.row < 0;
        addtext(a.text, text);
        if (e.row < 0)
            a.next = w.neutral;
        else if (c == lettera)
            a.next = w.afound;
        else if (e.incons)
            a.next = aspirable(s, text) ? w.aspfound : w.consfound;
        else
            a.next = w.neutral;
        return a;
    }
    // A consonant the scheme cannot spell is copied with the nukta, vowel
    // sign or virama right after it, and takes no inherent a.
    if (from == w.unspelt) {
        if (c == virama || c == nukta || vowelsign(c)) {
            a.copy = true;
            a.next = w.neutral;
            return a;
        }
        from = w.neutral;
    }
    context x = w.contexts[from];
    if (c == virama) {
        // The virama writes nothing: the consonant's text stays the last
        // spelling written.
        a.next = x.pending ? contextfor(w, false, x.cls) : from;
        return a;
    }
    std::uint8_t last = x.cls;
    if (x.pending && !e.inmedvowel) {
        addtext(a.text, U"a");
        last = w.acls;
    }
    if (e.row < 0) {
        a.copy = true;
        a.next = e.unspelt ? w.unspelt : w.neutral;
        return a;
    }
    if (w.sep == schemes::separation::prefix && inclass(w, last, static_cast<lchar>(text[0])))
        addbytes(a.text, w.separator.b, w.separator.n);
    addtext(a.text, text);
    a.next = contextfor(w, e.incons, w.rows[e.row].cls);
    return a;
}

constexpr lanestep makestep(const writer& w, lchar c, std::uint8_t from)
{
    const daction& a = w.act[from][inblock(c) ? static_cast<std::size_t>(c - blockstart) : blocksize];
    codec::shortbytes t = a.text;
    if (a.copy)
        t.n = static_cast<std::uint8_t>(t.n + codec::utf8encode(c, t.b + t.n));
    lanestep st{};
    for (std::size_t i = 0; i < sizeof st.text; ++i)
        st.text[i] = t.b[i];
    st.n = t.n; // twoperbyte() keeps it within the step
    st.nextrow = static_cast<std::uint32_t>(a.next * rowbytes);
    if (inblock(c) && w.at[c - blockstart].nuktaform)
        st.joined = static_cast<std::uint8_t>(laneslot(w.at[c - blockstart].nuktaform));
    return st;
}

// Fills `w` with the writer of scheme `s`.
constexpr void makewriter(writer& w, const schemes::scheme& s)
{
    w.sep = s.sep;
    if (s.sep == schemes::separation::prefix)
        addtext(w.separator, s.separator);
    // The rows: each letter, sign and digit with a spelling, and each
    // vowel's sign with the vowel's spelling.
    auto add = [&w](const schemes::row& r) {
        std::u32string_view text = schemes::written(r);
        if (schemes::unitlength(r) != 1 || r.k == schemes::kind::cluster)
            return;
        if (text.empty()) {
            if (r.k == schemes::kind::consonant)
                entryat(w, r.unit[0]).unspelt = true;
            return;
        }
        addrow(w, r.unit[0], text);
        entryat(w, r.unit[0]).incons = r.k == schemes::kind::consonant;
        if (r.k == schemes::kind::vowel && r.sign[0] && !r.sign[1]) {
            addrow(w, r.sign[0], text);
            entryat(w, r.sign[0]).inmedvowel = true;
        }
    };
    for (const schemes::row& r : s.rows)
        add(r);
    for (const schemes::row& r : schemes::digits)
        add(r);
    for (const vocab::nuktapair& n : vocab::nuktapairs)
        entryat(w, n.plain).nuktaform = static_cast<std::uint16_t>(n.joined);

    for (int i = 0; i < w.nrows; ++i)
        w.rows[i].cls = classof(w, s, w.rows[i].spelling);
    w.acls = classof(w, s, U"a");

    // The contexts: neutral first, then those the actions lead to, found
    // as the actions are made.
    w.neutral = contextfor(w, false, 0);
    if (s.sep == schemes::separation::colon) {
        auto add = [&w](bool pending) {
            w.contexts[w.ncontexts] = {pending, 0};
            return static_cast<std::uint8_t>(w.ncontexts++);
        };
        w.afound = add(false);
        w.consfound = add(true);
        w.aspfound = add(true);
        w.haltfound = add(false);
        w.unspelt = w.neutral; // every consonant is spelt
    } else {
        w.unspelt = static_cast<std::uint8_t>(w.ncontexts++);
    }
    for (int k = 0; k < w.ncontexts; ++k)
        for (std::size_t i = 0; i <= blocksize; ++i) {
            // The last entry stands for code points outside the block,
            // none of which is the virama, the nukta sign, A, I, U or HA.
            lchar c = i < blocksize ? blockstart + static_cast<lchar>(i) : 0;
            w.act[k][i] = makeaction(w, s, c, static_cast<std::uint8_t>(k));
        }
    for (int k = 0; k < w.ncontexts; ++k)
        for (unsigned i = 0; i < laneslots; ++i) {
            lchar c = i < laneblock ? static_cast<lchar>(i) : blockstart + static_cast<lchar>(i - laneblock);
            w.lanes[static_cast<std::size_t>(k) * laneslots + i] = makestep(w, c, static_cast<std::uint8_t>(k));
        }
}

// The step of `slot` from the context whose row is `row`.
constexpr const lanestep& stepof(const writer& w, std::size_t row, unsigned slot)
{
    return w.lanes[row / sizeof(lanestep) + slot];
}

// What the fast lane's room for its output rests on: at most two bytes are
// written for each byte read, a joined letter counted with its consonant
// and the nukta sign, and so every step fits its padded move.
constexpr bool twoperbyte(const writer& w)
{
    for (int k = 0; k < w.ncontexts; ++k)
        for (unsigned i = 0; i < laneslots; ++i) {
            const std::size_t row = static_cast<std::size_t>(k) * rowbytes;
            const lanestep& s = stepof(w, row, i);
            unsigned size = i < laneblock ? 1 : 3;
            if (s.n > 2 * size || (s.joined && stepof(w, row, s.joined).n > 2 * (size + 3)))
                return false;
        }
    return true;
}

// The writer of each scheme, in the order of schemes::all; the first, ISO
// 15919, is made at compile time.
const writer& writerfor(std::size_t scheme);

// The entry of a code point; -1 (end of input) and everything outside the
// block get the last entry.
inline const dentry& entryof(const writer& w, lchar c)
{
    std::uint32_t off = static_cast<std::uint32_t>(c) - static_cast<std::uint32_t>(blockstart);
    return w.at[off < blocksize ? off : blocksize];
}

inline const daction& actionof(const writer& w, std::uint8_t ctx, lchar c)
{
    std::uint32_t off = static_cast<std::uint32_t>(c) - static_cast<std::uint32_t>(blockstart);
    return w.act[ctx][off < blocksize ? off : blocksize];
}

} // namespace sonwick
