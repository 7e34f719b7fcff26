// Unicode Devanagari to Roman: the writer's tables for one romanisation,
// made from its rows. For each code point of the Devanagari block, its
// Roman text and what it is (a vowel sign, a consonant); for each context
// the writer keeps between two characters, what each code point writes
// from it and the context it leaves; and the same as the fast lane's
// fixed-size steps. The project's ISO 15919 dialect is made at compile
// time; the other schemes once, when first asked for.
#pragma once

#include "codec.hpp"
#include "compose.hpp"
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

// Every code point the rows know lies in the Devanagari block.
constexpr lchar blockstart = 0x0900;
constexpr std::size_t blocksize = 0x80;

// The longest text one code point is written as (a spelling of four
// characters, or a base letter's and the nukta's).
constexpr std::size_t maxtext = 8;

// The Roman text of a code point: its row's first spelling (without its
// flag), or for a nukta letter that the scheme spells as its consonant
// and the nukta, the two.
struct dconvrec {
    lchar dchar = 0;
    char32_t text[maxtext] = {};
    std::uint8_t len = 0;
    std::uint8_t cls = 0; // the class of its text as the last spelling written
    constexpr std::u32string_view spelling() const { return {text, len}; }
};

// What one code point is to the writer.
struct dentry {
    std::int8_t row = -1;        // its text in `rows`, or -1: the scheme cannot spell it
    bool inmedvowel = false;     // a vowel sign the scheme spells: it takes the inherent a's place
    bool incons = false;         // a consonant the scheme spells: it leaves an inherent a pending
    bool unspelt = false;        // a consonant the scheme cannot spell
    bool nasal = false;          // anusvara, candrabindu, visarga: the syllable's accents go before it
    bool vowel = false;          // a vowel or vowel sign the scheme spells
    bool aspirable = false;      // a consonant whose text followed by h is another's (the dialect's k:ha)
    std::uint8_t accent = 0;     // 1 the udatta, 2 the anudatta, written as a mark on the vowel
    std::uint16_t nuktaform = 0; // with the nukta sign after it; 0 when none
};

// A context: whether a consonant waits for its inherent vowel, the class
// of the last spelling written (the continuations that would make it a
// longer spelling, so that the scheme's separator must go between), and,
// where the scheme writes accents as marks on the vowels, whether the
// syllable's vowel is the last thing written (1), or before the 1 to 3
// signs written after it (2 to 4).
struct context {
    bool pending = false;
    std::uint8_t cls = 0;
    std::uint8_t vowelled = 0;
};

// What one character does from one context: the bytes to write (an "a",
// and a separator, before the row's text), whether the character itself
// is then copied, the accent it puts on the vowel written before (1 or 2),
// and the context it leaves.
struct daction {
    codec::shortbytes text;
    bool copy = false;
    std::uint8_t accent = 0;
    std::uint8_t next = 0;
};

// The fast lane's step: what one character read straight from the input
// bytes writes from one context, its own bytes included when it is
// copied, padded so that every step is one fixed-size move.
struct lanestep {
    unsigned char text[7] = {}; // the bytes to write, padded
    std::uint8_t n = 0;         // their count, or `stop`: the general way's
    // For a consonant that the nukta sign joins: the slot of the joined
    // letter; 0 for the others.
    std::uint8_t joined = 0;
    // Over another script's block only (0 in Devanagari's lane): the bits
    // of the characters before it that make one letter with it, with
    // `stopbreak` where n is `stop`, so that one test tells both; and the
    // bits of what after it makes one letter with it, and those a vowel
    // sign or virama adds after a Tamil stop (see fastlane.cpp).
    std::uint8_t breaks = 0, starts = 0, signs = 0;
    // The context left, as the place of its row: in bytes from the start
    // of the steps, so that the lane finds the next step with one addition.
    std::uint32_t nextrow = 0;
};
static_assert(sizeof(lanestep) == 16, "a step is one 16-byte move");
constexpr std::uint8_t stop = 0xFF;
constexpr std::uint8_t stopbreak = 0x80;

// The lane's slots: 0 to 127 the ASCII characters, 128 to 255 the code
// points of the block.
constexpr std::size_t laneslots = 256;
constexpr unsigned laneblock = 128;
constexpr std::size_t rowbytes = laneslots * sizeof(lanestep);

constexpr unsigned laneslot(lchar c)
{
    return c < 0x80 ? static_cast<unsigned>(c) : laneblock + static_cast<unsigned>(c - blockstart);
}

// The actions' columns: the code points of the block, the ASCII
// characters (what a copied one is to the spelling after it), and one for
// every other code point.
constexpr std::size_t asciicolumn = blocksize;
constexpr std::size_t othercolumn = blocksize + 128;
constexpr std::size_t columns = othercolumn + 1;

constexpr std::size_t columnof(lchar c)
{
    auto off = static_cast<std::uint32_t>(c) - static_cast<std::uint32_t>(blockstart);
    if (off < blocksize)
        return off;
    return static_cast<std::uint32_t>(c) < 0x80 ? asciicolumn + static_cast<std::size_t>(c) : othercolumn;
}

constexpr std::size_t maxcontexts = 48;
constexpr std::size_t maxclasses = 32;
constexpr std::uint8_t nocls = 0xFF; // a class not yet found
constexpr std::size_t maxrows = 128;
// A class: the continuations of a last spelling, each zero-terminated.
constexpr std::size_t maxcontinuations = 32;
struct continuation {
    char32_t c[4] = {};
};

// One scheme's writer.
struct writer {
    schemes::separation sep = schemes::separation::none;
    codec::shortbytes separator;
    dconvrec rows[maxrows];
    int nrows = 0;
    bool full = false; // more rows, classes or contexts than the room for them: never
    bool stops = false; // some lane steps are the general way's
    // One entry per column.
    dentry at[columns];
    // The classes of last spellings (0 is the empty one).
    continuation classes[maxclasses][maxcontinuations] = {};
    int nclasses = 1;
    std::uint8_t acls = 0; // the class of an inherent a
    // The class of each ASCII character copied, found when first needed
    // (nocls before): the same for every context that copies it.
    std::uint8_t copycls[0x80] = {};
    context contexts[maxcontexts];
    int ncontexts = 0;
    std::uint8_t neutral = 0, unspelt = 0;
    // ISO 15919's colon rules: after the letter A, after a consonant that
    // h would aspirate, and after that consonant closed by the virama.
    std::uint8_t afound = 0, consfound = 0, aspfound = 0, haltfound = 0;
    // The spelling of the nukta (WX's Z), written after a consonant that
    // has no letter with it.
    dconvrec nuktatext;
    // Accents as marks on the vowels (IAST, ISO 15919): the mark of each,
    // and the texts of the signs that may stand between the vowel and it.
    lchar accentmark[3] = {};
    dconvrec signs[3];
    int nsigns = 0;
    daction act[maxcontexts][columns];
    lanestep lanes[maxcontexts * laneslots];
    // The code points of the block that the scheme cannot spell (the
    // virama, which it writes as a consonant without its a, aside), a bit
    // each: a letter of another script that reads as one stays as it was.
    std::uint64_t unspellable[2] = {};
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

constexpr dentry& entryat(writer& w, lchar c) { return w.at[columnof(c)]; }

// Every spelling of the scheme's rows that is read, for the separator
// rule.
template <class F> constexpr void eachspelling(const schemes::scheme& s, F f)
{
    for (const schemes::row& r : s.rows)
        for (int i = 0; i < schemes::spellingcount(r); ++i)
            if (schemes::read(r, i, true))
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

constexpr bool startswith(std::u32string_view x, std::u32string_view prefix)
{
    return x.size() >= prefix.size() && x.substr(0, prefix.size()) == prefix;
}

constexpr std::u32string_view textof(const continuation& c)
{
    std::size_t n = 0;
    while (n < 4 && c.c[n])
        ++n;
    return {c.c, n};
}

// The class of a last spelling: what, after it, makes a longer spelling
// (the rest of each spelling that starts with it); its index in
// w.classes, added when new. Schemes without a separator have one class.
constexpr std::uint8_t classof(writer& w, const schemes::scheme& s, std::u32string_view last)
{
    if (w.sep != schemes::separation::always && w.sep != schemes::separation::before)
        return 0;
    continuation set[maxcontinuations] = {};
    std::size_t n = 0;
    eachspelling(s, [&](std::u32string_view x) {
        if (x.size() <= last.size() || !startswith(x, last) || x.size() - last.size() > 3)
            return;
        std::u32string_view rest = x.substr(last.size());
        for (std::size_t i = 0; i < n; ++i)
            if (textof(set[i]) == rest)
                return;
        if (n == maxcontinuations) {
            w.full = true;
            return;
        }
        for (std::size_t i = 0; i < rest.size(); ++i)
            set[n].c[i] = rest[i];
        ++n;
    });
    // One order for the same set.
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t k = i + 1; k < n; ++k)
            if (textof(set[k]) < textof(set[i])) {
                continuation t = set[i];
                set[i] = set[k];
                set[k] = t;
            }
    for (int k = 0; k < w.nclasses; ++k) {
        bool same = true;
        for (std::size_t i = 0; i < maxcontinuations; ++i)
            same = same && textof(w.classes[k][i]) == textof(set[i]);
        if (same)
            return static_cast<std::uint8_t>(k);
    }
    if (w.nclasses == static_cast<int>(maxclasses)) {
        w.full = true;
        return 0;
    }
    for (std::size_t i = 0; i < maxcontinuations; ++i)
        w.classes[w.nclasses][i] = set[i];
    return static_cast<std::uint8_t>(w.nclasses++);
}

// Whether the separator goes between a last spelling of class `cls` and
// the next spelling: where the two side by side begin a spelling longer
// than the first, or make up the beginning of one.
constexpr bool parted(const writer& w, std::uint8_t cls, std::u32string_view next)
{
    for (const continuation& c : w.classes[cls]) {
        std::u32string_view t = textof(c);
        if (!t.empty() && (startswith(next, t) || startswith(t, next)))
            return true;
    }
    return false;
}

constexpr std::uint8_t contextfor(writer& w, bool pending, std::uint8_t cls, std::uint8_t vowelled = 0)
{
    for (int k = 0; k < w.ncontexts; ++k)
        if (w.contexts[k].pending == pending && w.contexts[k].cls == cls && w.contexts[k].vowelled == vowelled)
            return static_cast<std::uint8_t>(k);
    if (w.ncontexts == static_cast<int>(maxcontexts)) {
        w.full = true;
        return 0;
    }
    w.contexts[w.ncontexts] = {pending, cls, vowelled};
    return static_cast<std::uint8_t>(w.ncontexts++);
}

// The dependent vowel signs of Unicode's Devanagari: after a consonant no
// scheme spells, they are copied with it.
constexpr bool vowelsign(lchar c)
{
    return (c >= 0x093E && c <= 0x094C) || c == 0x0962 || c == 0x0963 || (c >= 0x0955 && c <= 0x0957);
}

constexpr dconvrec recof(lchar c, std::u32string_view text)
{
    dconvrec r{};
    r.dchar = c;
    for (std::size_t i = 0; i < text.size() && i < maxtext; ++i)
        r.text[i] = text[i];
    r.len = static_cast<std::uint8_t>(text.size() < maxtext ? text.size() : maxtext);
    return r;
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
    w.rows[w.nrows] = recof(c, text);
    e.row = static_cast<std::int8_t>(w.nrows++);
}

// Writes a spelling after the last one written (class `last`), with the
// separator between where the two would otherwise read as one; the class
// it leaves.
constexpr std::uint8_t putspelling(const writer& w, daction& a, std::uint8_t last, std::u32string_view text,
                                   std::uint8_t cls)
{
    if (parted(w, last, text))
        addbytes(a.text, w.separator.b, w.separator.n);
    addtext(a.text, text);
    return cls;
}

// The ISO 15919 dialect's transliteration of c from context `from`.
constexpr daction makecolonaction(writer& w, lchar c, std::uint8_t from)
{
    const dentry& e = entryat(w, c);
    daction a{};
    std::u32string_view text = e.row >= 0 ? w.rows[e.row].spelling() : std::u32string_view{};
    // A colon parts an "a" from a directly following independent i or u,
    // which would otherwise read as "ai" or "au", and a consonant closed
    // by the virama from a following HA, which would otherwise read as its
    // aspirate.
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
        a.next = e.aspirable ? w.aspfound : w.consfound;
    else
        a.next = w.neutral;
    return a;
}

// The context a spelling leaves in a scheme that writes accents as marks:
// after a vowel, the syllable's vowel is the last thing written; after a
// sign that follows it, one more sign stands between.
constexpr std::uint8_t vowelledafter(const writer& w, const dentry& e, bool vowelbefore, std::uint8_t before)
{
    if (!w.accentmark[1])
        return 0;
    if (e.vowel)
        return 1;
    if (e.nasal && vowelbefore)
        return static_cast<std::uint8_t>(before < 4 ? before + 1 : 4);
    return 0;
}

// An accent from context x, where the scheme writes it as a mark on the
// vowel: after a consonant that waits for its vowel, the inherent a with
// the mark; after a vowel (and its signs), the mark is put on it where it
// stands (`accent` in the action); else the accent is copied.
constexpr daction accentaction(writer& w, const dentry& e, std::uint8_t from, const context& x)
{
    daction a{};
    if (x.pending) {
        lchar run[2] = {'a', w.accentmark[e.accent]}, marked[4] = {};
        int k = compose::nfc(run, 2, marked, 4);
        if (parted(w, x.cls, U"a"))
            addbytes(a.text, w.separator.b, w.separator.n);
        for (int i = 0; i < k; ++i)
            a.text.n = static_cast<std::uint8_t>(a.text.n + codec::utf8encode(marked[i], a.text.b + a.text.n));
        a.next = contextfor(w, false, w.acls, 1);
    } else if (x.vowelled) {
        a.accent = e.accent;
        a.next = from;
    } else {
        a.copy = true;
        a.next = w.neutral;
    }
    return a;
}

// The transliteration of c from context `from`, for the schemes that part
// their spellings with a separator or not at all.
constexpr daction makeaction(writer& w, const schemes::scheme& s, lchar c, std::uint8_t from)
{
    if (w.sep == schemes::separation::colon)
        return makecolonaction(w, c, from);
    const dentry& e = entryat(w, c);
    daction a{};
    // A consonant the scheme cannot spell is copied with the nukta, vowel
    // sign or virama right after it, and takes no inherent a; after the
    // nukta, the vowel sign or virama is still copied with it.
    if (from == w.unspelt) {
        if (c == nukta || c == virama || vowelsign(c)) {
            a.copy = true;
            a.next = c == nukta ? w.unspelt : w.neutral;
            return a;
        }
        from = w.neutral;
    }
    context x = w.contexts[from];
    if (c == virama) {
        // The virama writes nothing: the consonant's text stays the last
        // spelling written.
        a.next = contextfor(w, false, x.cls);
        return a;
    }
    // The nukta after a consonant with no letter of its own for the two,
    // in a scheme that spells it: written, the consonant still open (झ़ is
    // JZa in WX).
    if (c == nukta && x.pending && w.nuktatext.len) {
        putspelling(w, a, x.cls, w.nuktatext.spelling(), 0);
        a.next = contextfor(w, true, w.nuktatext.cls);
        return a;
    }
    if (e.accent && w.accentmark[e.accent])
        return accentaction(w, e, from, x);
    std::uint8_t last = x.cls;
    bool inherent = x.pending && !e.inmedvowel;
    if (inherent)
        last = putspelling(w, a, last, U"a", w.acls);
    std::uint8_t vowelled = vowelledafter(w, e, inherent || x.vowelled, inherent ? 1 : x.vowelled);
    if (e.row < 0) {
        a.copy = true;
        if (e.unspelt) {
            a.next = w.unspelt;
        } else if (c >= 0 && c < 0x80) {
            // Copied text may read on into the spelling after it.
            if (w.copycls[c] == nocls) {
                const char32_t t[1] = {static_cast<char32_t>(c)};
                w.copycls[c] = classof(w, s, {t, 1});
            }
            a.next = contextfor(w, false, w.copycls[c]);
        } else {
            a.next = w.neutral;
        }
        return a;
    }
    const dconvrec& r = w.rows[e.row];
    putspelling(w, a, last, r.spelling(), 0);
    a.next = contextfor(w, e.incons, r.cls, vowelled);
    return a;
}

constexpr lanestep makestep(const writer& w, lchar c, std::uint8_t from)
{
    const daction& a = w.act[from][columnof(c)];
    codec::shortbytes t = a.text;
    if (a.copy)
        t.n = static_cast<std::uint8_t>(t.n + codec::utf8encode(c, t.b + t.n));
    lanestep st{};
    for (std::size_t i = 0; i < sizeof st.text; ++i)
        st.text[i] = t.b[i];
    // What is written takes at most two bytes for each byte read (a joined
    // letter counted with its consonant and the nukta sign), so that every
    // step fits its padded move; an accent put on a vowel already written
    // is the general way's.
    unsigned size = c < 0x80 ? 1 : 3;
    st.n = a.accent || t.n > 2 * size ? stop : t.n;
    st.nextrow = static_cast<std::uint32_t>(a.next * rowbytes);
    if (inblock(c) && w.at[c - blockstart].nuktaform)
        st.joined = static_cast<std::uint8_t>(laneslot(w.at[c - blockstart].nuktaform));
    return st;
}

// The text of a row's first spelling, without its flag.
constexpr std::u32string_view writtentext(const schemes::row& r) { return schemes::written(r); }

// Fills `w` with the writer of scheme `s`.
constexpr void makewriter(writer& w, const schemes::scheme& s)
{
    w.sep = s.sep;
    if (s.sep == schemes::separation::always || s.sep == schemes::separation::before)
        addtext(w.separator, s.separator);
    // The rows: each letter, sign and digit with a spelling, and each
    // vowel's sign with the vowel's spelling. Clusters and spelt viramas
    // are read only.
    auto add = [&w](const schemes::row& r) {
        std::u32string_view text = writtentext(r);
        bool written = r.k != schemes::kind::cluster && r.k != schemes::kind::virama && r.k != schemes::kind::nukta;
        if (schemes::unitlength(r) != 1 || !written)
            return;
        dentry& e = entryat(w, r.unit[0]);
        if (r.k == schemes::kind::accent) {
            e.accent = r.unit[0] == 0x0951 ? 1 : 2;
            // A scheme whose accent is a combining mark puts it on the vowel.
            if (!text.empty() && text.size() == 1 && text[0] >= 0x0300 && text[0] < 0x0370)
                w.accentmark[e.accent] = static_cast<lchar>(text[0]);
        }
        if (text.empty()) {
            if (r.k == schemes::kind::consonant)
                e.unspelt = true;
            return;
        }
        addrow(w, r.unit[0], text);
        e.incons = r.k == schemes::kind::consonant;
        e.vowel = r.k == schemes::kind::vowel;
        e.nasal = r.k == schemes::kind::sign &&
                  (r.unit[0] == vocab::candrabindu || r.unit[0] == vocab::anusvara || r.unit[0] == vocab::visarga);
        if (r.k == schemes::kind::vowel && r.sign[0] && !r.sign[1]) {
            addrow(w, r.sign[0], text);
            entryat(w, r.sign[0]).inmedvowel = true;
            entryat(w, r.sign[0]).vowel = true;
        }
    };
    for (const schemes::row& r : s.rows)
        add(r);
    for (const schemes::row& r : schemes::digits)
        add(r);
    for (const schemes::row& r : s.rows)
        if (r.k == schemes::kind::nukta && schemes::spellingcount(r))
            w.nuktatext = recof(vocab::nukta, writtentext(r));
    for (const vocab::nuktapair& n : vocab::nuktapairs) {
        entryat(w, n.plain).nuktaform = static_cast<std::uint16_t>(n.joined);
        // A nukta letter the scheme cannot spell, whose consonant it can:
        // the consonant's spelling and the nukta's (ड़ is dZ in WX).
        dentry& joined = entryat(w, n.joined);
        const dentry& plain = entryat(w, n.plain);
        if (joined.row < 0 && plain.row >= 0 && plain.incons && w.nuktatext.len) {
            char32_t text[maxtext] = {};
            std::u32string_view p = w.rows[plain.row].spelling(), z = w.nuktatext.spelling();
            std::size_t k = 0;
            for (std::size_t i = 0; i < p.size() && k < maxtext; ++i)
                text[k++] = p[i];
            for (std::size_t i = 0; i < z.size() && k < maxtext; ++i)
                text[k++] = z[i];
            addrow(w, n.joined, {text, k});
            joined.incons = true;
            joined.unspelt = false;
        }
    }
    // The signs that may stand between a vowel and the accent put on it.
    for (lchar sign : {vocab::candrabindu, vocab::anusvara, vocab::visarga})
        if (entryat(w, sign).row >= 0 && w.nsigns < 3)
            w.signs[w.nsigns++] = w.rows[entryat(w, sign).row];

    for (int i = 0; i < w.nrows; ++i) {
        w.rows[i].cls = classof(w, s, w.rows[i].spelling());
        dentry& e = entryat(w, w.rows[i].dchar);
        e.aspirable = e.incons && aspirable(s, w.rows[i].spelling());
    }
    if (w.nuktatext.len)
        w.nuktatext.cls = classof(w, s, w.nuktatext.spelling());
    w.acls = classof(w, s, U"a");
    for (std::uint8_t& cls : w.copycls)
        cls = nocls;

    // The contexts: neutral first, then those the actions lead to, found
    // as the actions are made.
    w.neutral = contextfor(w, false, 0);
    if (s.sep == schemes::separation::colon) {
        auto add = [&w](bool pending) {
            w.contexts[w.ncontexts] = {pending, 0, 0};
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
        for (std::size_t i = 0; i < columns; ++i) {
            // The last column stands for code points past ASCII outside the
            // block, none of which is the virama, the nukta sign, A, I, U or
            // HA.
            lchar c = i < asciicolumn ? blockstart + static_cast<lchar>(i)
                      : i < othercolumn ? static_cast<lchar>(i - asciicolumn)
                                        : 0x00A0;
            w.act[k][i] = makeaction(w, s, c, static_cast<std::uint8_t>(k));
        }
    for (int k = 0; k < w.ncontexts; ++k)
        for (unsigned i = 0; i < laneslots; ++i) {
            lchar c = i < laneblock ? static_cast<lchar>(i) : blockstart + static_cast<lchar>(i - laneblock);
            lanestep st = makestep(w, c, static_cast<std::uint8_t>(k));
            w.stops = w.stops || st.n == stop;
            w.lanes[static_cast<std::size_t>(k) * laneslots + i] = st;
        }
    for (std::size_t i = 0; i < blocksize; ++i)
        if (w.at[i].row < 0 && blockstart + static_cast<lchar>(i) != virama)
            w.unspellable[i / 64] |= std::uint64_t{1} << (i % 64);
}

// The step of `slot` from the context whose row is `row`.
constexpr const lanestep& stepof(const writer& w, std::size_t row, unsigned slot)
{
    return w.lanes[row / sizeof(lanestep) + slot];
}

// The writer of each scheme, in the order of schemes::all; the first, ISO
// 15919, is made at compile time.
const writer& writerfor(std::size_t scheme);

// The entry of a code point; -1 (end of input) and everything outside the
// block get an entry of the columns past the block, none of which is a
// consonant.
inline const dentry& entryof(const writer& w, lchar c) { return w.at[columnof(c)]; }

inline const daction& actionof(const writer& w, std::uint8_t ctx, lchar c) { return w.act[ctx][columnof(c)]; }

} // namespace sonwick
