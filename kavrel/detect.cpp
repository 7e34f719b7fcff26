// Which romanisation a text is written in: its first block read as each
// scheme of the table would read it, and each reading weighed word by word
// by what Devanagari written in that scheme would not hold, against the
// same text read as Latin writing of no scheme at all (English, say).
//
// A reading cuts the text by longest match over the scheme's spellings, as
// the unit reader does, and pays for:
// - a Latin letter the scheme has no spelling for, and punctuation inside
//   a word (a Velthuis dot, to a scheme without dots), or copied where
//   another scheme reads it (a danda's |);
// - a capital read as its small letter inside a word, or, less, at a
//   word's start (only IAST and the ISO 15919 dialect read capitals so:
//   HK's rAma is no ISO 15919);
// - a spelling the scheme reads but does not write, and a unit that few
//   schemes spell at all (the nukta letters, the candra vowels);
// - a syllable of a shape Devanagari words do not have: a word ending in a
//   consonant without its vowel, and more so in several; a vowel letter
//   after a vowel (the same one again costs more), or after an anusvara; a
//   sign after a bare consonant or at a word's start; an h after an
//   aspirate, or after a consonant whose spelling and an h make another
//   letter in some scheme (s and h, to HK, where ITRANS has sh); an
//   aspirate doubled, which is written with its unaspirated letter first.
// Where readings cost the same, the one with fewer marked letters (those
// most schemes write with a diacritic, a capital or a dot: retroflexes,
// long vowels) costs a little less, then the scheme first in the table wins.
//
// The Latin reading pays a little for each word, and much more for what
// English has no use for: letters with diacritics, capitals and
// punctuation inside words. The text is in the best scheme when its
// reading costs less than the Latin one. Every list here (the spellings,
// what each row is, which consonants take an h, which letters are marked)
// is made at compile time from the rows of the table, so a scheme added to
// the table takes part as it is.
#include "convert.hpp"
#include "schemes.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <new>

namespace kavrel {

namespace {

// ---------------------------------------------------------------- The rows

constexpr std::size_t nschemes = schemes::count;

// Every scheme's rows are the table's rows in one order, a row with no
// spelling where the scheme has none: row k is the same unit in each.
constexpr bool rowsalign()
{
    for (const schemes::scheme& s : schemes::all) {
        if (s.rows.size() != schemes::all[0].rows.size())
            return false;
        for (std::size_t k = 0; k < s.rows.size(); ++k)
            for (int i = 0; i < 3; ++i)
                if (s.rows[k].unit[i] != schemes::all[0].rows[k].unit[i])
                    return false;
    }
    return true;
}
static_assert(rowsalign(), "every scheme lists the table's rows in the same order");

constexpr std::size_t nrows = schemes::all[0].rows.size();

// ---------------------------------------------------------------- Spellings

// One spelling of a scheme, as the longest match looks it up.
struct spelt {
    lchar c[schemes::maxspelling] = {};
    std::uint8_t n = 0;
    std::uint16_t row = 0;
    std::uint16_t place = 0; // among the scheme's spellings, in the table's order
    bool first = false;      // the one the scheme writes
};

constexpr std::size_t spellingsof(const schemes::scheme& sc)
{
    std::size_t n = 0;
    for (const schemes::row& r : sc.rows)
        n += static_cast<std::size_t>(schemes::spellingcount(r));
    return n;
}

constexpr std::size_t mostspellings()
{
    std::size_t most = 0;
    for (const schemes::scheme& sc : schemes::all)
        most = std::max(most, spellingsof(sc));
    return most;
}

// A scheme's spellings sorted by their first character, the longest first
// among those of one character, so that the first that matches is the
// longest; and where those of each ASCII first character start (`from`),
// those of every other character from from[128] on.
struct spellings {
    std::array<spelt, mostspellings()> list{};
    std::size_t n = 0;
    std::array<std::uint16_t, 129> from{};
};

// A spelling in two rows is read as the later row's, as the unit reader
// reads it (a key installed again takes the new outputs).
constexpr bool before(const spelt& a, const spelt& b)
{
    return a.c[0] != b.c[0] ? a.c[0] < b.c[0] : a.n != b.n ? a.n > b.n : a.place > b.place;
}

constexpr spellings makespellings(const schemes::scheme& sc)
{
    spellings x;
    for (std::size_t k = 0; k < nrows; ++k)
        for (int i = 0; i < schemes::spellingcount(sc.rows[k]); ++i) {
            std::u32string_view s = schemes::spelling(sc.rows[k], i);
            spelt& e = x.list[x.n++];
            for (std::size_t j = 0; j < s.size() && j < schemes::maxspelling; ++j)
                e.c[j] = static_cast<lchar>(s[j]);
            e.n = static_cast<std::uint8_t>(std::min(s.size(), schemes::maxspelling));
            e.row = static_cast<std::uint16_t>(k);
            e.place = static_cast<std::uint16_t>(x.n - 1);
            e.first = i == 0;
        }
    std::sort(x.list.begin(), x.list.begin() + static_cast<std::ptrdiff_t>(x.n), before);
    std::size_t i = 0;
    for (lchar c = 0; c <= 128; ++c) {
        while (i < x.n && x.list[i].c[0] < c)
            ++i;
        x.from[static_cast<std::size_t>(c)] = static_cast<std::uint16_t>(i);
    }
    return x;
}

constexpr std::array<spellings, nschemes> makeindex()
{
    std::array<spellings, nschemes> x{};
    for (std::size_t k = 0; k < nschemes; ++k)
        x[k] = makespellings(schemes::all[k]);
    return x;
}

constexpr std::array<spellings, nschemes> index = makeindex();

// The spellings of a scheme that start with the character.
constexpr std::span<const spelt> startingwith(const spellings& sp, lchar c)
{
    if (c >= 0 && c < 128) {
        auto k = static_cast<std::size_t>(c);
        return {sp.list.data() + sp.from[k], sp.list.data() + sp.from[k + 1]};
    }
    const spelt* end = sp.list.data() + sp.n;
    const spelt* e = std::lower_bound(sp.list.data() + sp.from[128], end, c,
                                      [](const spelt& s, lchar x) { return s.c[0] < x; });
    const spelt* past = e;
    while (past != end && past->c[0] == c)
        ++past;
    return {e, past};
}

// ---------------------------------------------------------------- What each row is

// What a unit is to the shape of a syllable.
enum class role : std::uint8_t {
    none,      // nothing yet in the word
    consonant, // with its inherent vowel, or before another consonant
    cluster,   // a conjunct spelt in one piece: two consonants
    vowel,
    sign,      // anusvara, candrabindu, visarga: after a vowel
    other,     // avagraha, om: anywhere
    stop,      // a danda: ends the word
    foreign,   // a Latin letter, or punctuation, that the scheme does not read
};

// What detect knows of a row, the same in every scheme.
struct rowfacts {
    role r = role::other;
    bool aspirable = false; // a consonant whose spelling and an h spell a consonant
    bool aspirate = false;  // a consonant spelt as another's spelling and an h
    bool ha = false;        // the letter ha
    double unspelt = 0;     // the share of the schemes that do not spell it
    double marked = 0;      // the share of those that do whose spelling is more than one small ASCII letter
};

// A spelling of one small ASCII letter: what the schemes give the commonest
// sounds (the retroflexes and the aspirates have dots, capitals or a
// second letter in most).
constexpr bool plain(std::u32string_view spelling)
{
    return spelling.size() == 1 && spelling[0] >= U'a' && spelling[0] <= U'z';
}

// Whether the scheme numbered k spells a consonant as `s`, and an h after
// it when `h` (a reading that finds the two apart splits what the scheme
// writes as one letter).
constexpr bool consonantspelt(std::size_t k, std::u32string_view s, bool h)
{
    if (s.empty())
        return false;
    for (const spelt& e : startingwith(index[k], static_cast<lchar>(s[0]))) {
        bool same = e.n == s.size() + h && schemes::all[k].rows[e.row].k == schemes::kind::consonant;
        for (std::size_t j = 1; j < s.size() && same; ++j)
            same = e.c[j] == static_cast<lchar>(s[j]);
        if (same && (!h || e.c[s.size()] == U'h'))
            return true;
    }
    return false;
}

constexpr std::array<rowfacts, nrows> makefacts()
{
    std::array<rowfacts, nrows> f{};
    for (std::size_t k = 0; k < nrows; ++k) {
        const schemes::row& r = schemes::all[0].rows[k];
        rowfacts& x = f[k];
        if (r.k == schemes::kind::consonant)
            x.r = role::consonant;
        else if (r.k == schemes::kind::cluster)
            x.r = role::cluster;
        else if (r.k == schemes::kind::vowel)
            x.r = role::vowel;
        else if (r.k == schemes::kind::punctuation)
            x.r = role::stop;
        else if (r.k == schemes::kind::sign && !r.unit[1] &&
                 (r.unit[0] == vocab::anusvara || r.unit[0] == vocab::candrabindu || r.unit[0] == vocab::visarga))
            x.r = role::sign;
        x.ha = r.k == schemes::kind::consonant && r.unit[0] == vocab::letterha && !r.unit[1];
        int spelling = 0, marked = 0; // the schemes that spell it, and mark it
        for (std::size_t j = 0; j < nschemes; ++j) {
            const schemes::row& own = schemes::all[j].rows[k];
            if (schemes::spellingcount(own) == 0)
                continue;
            ++spelling;
            marked += !plain(schemes::written(own));
            for (int i = 0; r.k == schemes::kind::consonant && i < schemes::spellingcount(own); ++i) {
                std::u32string_view t = schemes::spelling(own, i);
                x.aspirable = x.aspirable || consonantspelt(j, t, true);
                if (t.size() > 1 && t.back() == U'h')
                    x.aspirate = x.aspirate || consonantspelt(j, t.substr(0, t.size() - 1), false);
            }
        }
        x.unspelt = static_cast<double>(nschemes - static_cast<std::size_t>(spelling)) / nschemes;
        x.marked = spelling ? static_cast<double>(marked) / spelling : 0;
    }
    return f;
}

constexpr std::array<rowfacts, nrows> facts = makefacts();

// ---------------------------------------------------------------- Capitals

// The small letter of a capital that a scheme folds, from the capitals of
// the letters the spellings use; the character itself for any other.
constexpr lchar smallof(lchar c)
{
    // Basic Latin and Latin-1 keep the small letter 0x20 above, the Latin
    // Extended blocks just after.
    for (lchar s : {c + 0x20, c + 1})
        if (s != c && schemes::capital(s) == c)
            return s;
    return c;
}

// ---------------------------------------------------------------- Characters

// What a character of the block is to the readings.
enum class sort : std::uint8_t {
    letter,      // a Latin letter, or a combining mark
    punctuation, // which a scheme may read, and which is copied when it does not
    opener,      // punctuation that opens a word in plain text: brackets, quotation marks
    joiner,      // ZWJ and ZWNJ: no part of a word either way
    gap,         // white space, a digit, Devanagari or another script: ends a word
};

struct character {
    lchar c = 0;
    lchar small = 0;       // its small letter when it is a capital, else itself
    sort what = sort::gap;
    bool capital = false;  // a capital letter that a scheme may read as its small letter
    bool lower = false;    // a letter that is not a capital, or a mark
    bool spelling = false; // punctuation that a spelling of some scheme starts with
};

bool joiner(lchar c) { return c == 0x200C || c == 0x200D; }

// The blocks of combining marks that Latin letters take.
bool diacriticalmark(lchar c)
{
    return (c >= 0x0300 && c <= 0x036F) || (c >= 0x1AB0 && c <= 0x1AFF) || (c >= 0x1DC0 && c <= 0x1DFF) ||
           (c >= 0x20D0 && c <= 0x20FF) || (c >= 0xFE20 && c <= 0xFE2F);
}

sort sortof(lchar c)
{
    constexpr lchar openers[] = {'(', '[', '{', '<', '\'', '"', '`', '*', 0xAB, 0x2018, 0x201C};
    if (c <= 0x20 || c == 0x7F || c == 0x85 || c == 0xA0 || (c >= '0' && c <= '9'))
        return sort::gap;
    if (latinletter(c) || diacriticalmark(c))
        return sort::letter;
    if (joiner(c))
        return sort::joiner;
    if (std::find(std::begin(openers), std::end(openers), c) != std::end(openers))
        return sort::opener;
    if (c < 0x80 || (c >= 0xA1 && c <= 0xBF) || (c >= 0x2010 && c <= 0x2027) || (c >= 0x2030 && c <= 0x205E))
        return sort::punctuation;
    return sort::gap;
}

// Whether a spelling of some scheme starts with the character.
bool spellingstart(lchar c)
{
    return std::any_of(index.begin(), index.end(), [c](const spellings& sp) { return !startingwith(sp, c).empty(); });
}

character characterof(lchar c)
{
    character x;
    x.c = c;
    x.small = smallof(c);
    x.what = sortof(c);
    x.capital = x.small != c;
    x.lower = x.what == sort::letter && !x.capital;
    x.spelling = (x.what == sort::punctuation || x.what == sort::opener) && spellingstart(c);
    return x;
}

// ---------------------------------------------------------------- Costs

// What a reading meets that costs: each is counted (or, for the rare and
// marked units, summed by their share) as the block is read, and weighed
// once it is read.
namespace evidence {
enum kind : std::size_t {
    // A scheme's reading.
    foreign,   // a Latin letter the scheme does not read
    glued,     // punctuation inside a word
    capital,   // a capital read as its small letter, after a small letter
    initial,   // a capital read as its small letter, at a word's start
    unread,    // punctuation copied that another scheme reads (a danda's |)
    other,     // a spelling the scheme reads but does not write
    rare,      // a unit, by the share of the schemes that do not spell it
    marked,    // a unit, by the share of its spellings that are marked: breaks ties
    final,     // a word ending in a consonant without its vowel
    finalmore, // each more consonant before it
    hiatus,    // a vowel letter after a vowel
    same,      // that vowel again
    aftersign, // a vowel letter after an anusvara, candrabindu or visarga
    aspirate,  // h after a consonant that takes it as its aspirate, or after an aspirate
    doubled,   // an aspirate doubled, which is written unaspirated first
    sign,      // a sign after a bare consonant, or at a word's start
    // The Latin reading.
    latinword,
    diacritic,   // a letter outside ASCII, or a combining mark
    inner,       // a capital after a small letter
    punctuation, // punctuation inside a word
    kinds
};
} // namespace evidence
using evidence::kinds;

// The cost of each, in one measure: a short word of plain text costs
// about one. Tuned on the benchmark's sentences in every scheme and the
// English of the project's README (bench/detect.sh).
constexpr std::array<double, kinds> weight = [] {
    std::array<double, kinds> x{};
    x[evidence::foreign] = 6.0;
    x[evidence::glued] = 6.0;
    x[evidence::capital] = 3.5;
    x[evidence::initial] = 1.8;
    x[evidence::unread] = 0.8;
    x[evidence::other] = 1.0;
    x[evidence::rare] = 0.6;
    x[evidence::marked] = 0.1;
    x[evidence::final] = 3.5;
    x[evidence::finalmore] = 3.0;
    x[evidence::hiatus] = 1.0;
    x[evidence::same] = 2.6;
    x[evidence::aftersign] = 1.9;
    x[evidence::aspirate] = 2.5;
    x[evidence::doubled] = 0.8;
    x[evidence::sign] = 3.0;
    x[evidence::latinword] = 0.7;
    x[evidence::diacritic] = 4.0;
    x[evidence::inner] = 4.5;
    x[evidence::punctuation] = 3.2;
    return x;
}();

using tally = std::array<double, kinds>;

double costof(const tally& t)
{
    double c = 0;
    for (std::size_t k = 0; k < kinds; ++k)
        c += weight[k] * t[k];
    return c;
}

// One scheme's reading of the block: what it met, and a digest of the
// units it read, so that two schemes that read the text alike are known.
struct reading {
    tally met{};
    std::uint64_t digest = 14695981039346656037u;
};

void note(reading& r, lchar c)
{
    r.digest = (r.digest ^ static_cast<std::uint64_t>(static_cast<std::uint32_t>(c))) * 1099511628211u;
}

// The word being read: the shape of its syllables so far.
struct word {
    int run = 0;        // consonants since the last vowel
    role last = role::none;
    int lastrow = -1;   // the row of the last unit, -1 after anything else
    bool small = false; // a small letter has come
    int pending = 0;    // punctuation after the last letter, inside the word if a letter follows
    bool opened = false; // the word has begun: a letter, or punctuation that opens no word, has come
};

void endword(reading& r, word& wd)
{
    if (wd.run > 0) {
        ++r.met[evidence::final];
        r.met[evidence::finalmore] += wd.run - 1;
    }
    note(r, ' ');
    wd = word{};
}

// A letter comes: the punctuation since the last one was inside the word,
// and parts the syllables on either side of it.
void glue(reading& r, word& wd)
{
    wd.opened = true;
    if (wd.pending == 0)
        return;
    r.met[evidence::glued] += wd.pending;
    wd.pending = 0;
    wd.run = 0;
    wd.last = role::foreign;
    wd.lastrow = -1;
}

// A unit of the row, read from the characters at `raw` (`folded` when a
// capital among them was read as its small letter).
void putunit(reading& r, word& wd, const spelt& e, const character* raw, bool folded)
{
    const rowfacts& f = facts[e.row];
    for (int i = 0; i < 3 && schemes::all[0].rows[e.row].unit[i]; ++i)
        note(r, schemes::all[0].rows[e.row].unit[i]);
    bool start = !wd.opened;
    glue(r, wd);
    if (folded && raw[0].capital && (wd.small || start))
        ++r.met[wd.small ? evidence::capital : evidence::initial];
    for (int i = 0; i < e.n; ++i)
        wd.small = wd.small || raw[i].lower;
    if (!e.first)
        ++r.met[evidence::other];
    r.met[evidence::rare] += f.unspelt;
    r.met[evidence::marked] += f.marked;
    if (f.ha && wd.lastrow >= 0) {
        const rowfacts& before = facts[static_cast<std::size_t>(wd.lastrow)];
        r.met[evidence::aspirate] += before.aspirable || before.aspirate;
    }
    if (f.aspirate && wd.lastrow == e.row && wd.run > 0)
        ++r.met[evidence::doubled];
    switch (f.r) {
    case role::consonant:
    case role::cluster:
        wd.run += f.r == role::cluster ? 2 : 1;
        break;
    case role::vowel:
        if (wd.run == 0 && wd.last == role::vowel) {
            ++r.met[evidence::hiatus];
            r.met[evidence::same] += wd.lastrow == e.row;
        }
        if (wd.run == 0 && wd.last == role::sign)
            ++r.met[evidence::aftersign];
        wd.run = 0;
        break;
    case role::sign:
        if (wd.run > 0 || wd.last == role::none || wd.last == role::sign || wd.last == role::other)
            ++r.met[evidence::sign];
        wd.run = 0;
        break;
    case role::stop:
        endword(r, wd);
        return;
    default:
        wd.run = 0;
        break;
    }
    wd.last = f.r;
    wd.lastrow = e.row;
}

// A character the scheme does not read: a Latin letter or a mark, or
// punctuation.
void putcopied(reading& r, word& wd, const character& x)
{
    note(r, x.c);
    if (x.what == sort::letter) {
        glue(r, wd);
        ++r.met[evidence::foreign];
        wd.small = wd.small || x.lower;
        wd.run = 0;
        wd.last = role::foreign;
        wd.lastrow = -1;
        return;
    }
    // Punctuation: before a word's first letter an opening bracket or
    // quotation mark is no part of it; after its last letter any is not.
    r.met[evidence::unread] += x.spelling;
    if (x.what == sort::opener && !wd.opened)
        return;
    ++wd.pending;
    wd.opened = true;
}

// The longest spelling of the scheme at text[0], with capitals read as the
// scheme reads them; null when none.
const spelt* longest(const spellings& sp, schemes::capitals caps, const character* text, std::size_t left,
                     bool& folded)
{
    using schemes::capitals;
    lchar first = caps == capitals::none ? text[0].c : text[0].small;
    for (const spelt& e : startingwith(sp, first)) {
        if (e.n > left)
            continue;
        bool match = true;
        for (std::size_t j = 1; j < e.n && match; ++j)
            match = (caps == capitals::every ? text[j].small : text[j].c) == e.c[j];
        if (match) {
            folded = caps != capitals::none && first != text[0].c;
            for (std::size_t j = 1; j < e.n && caps == capitals::every; ++j)
                folded = folded || text[j].capital;
            return &e;
        }
    }
    return nullptr;
}

bool separatorat(std::u32string_view sep, const character* text, std::size_t left)
{
    if (sep.empty() || sep.size() > left)
        return false;
    for (std::size_t j = 0; j < sep.size(); ++j)
        if (text[j].c != static_cast<lchar>(sep[j]))
            return false;
    return true;
}

reading readas(std::size_t k, const character* text, std::size_t n)
{
    const schemes::scheme& sc = schemes::all[k];
    reading r;
    word wd;
    for (std::size_t i = 0; i < n;) {
        const character& x = text[i];
        if (x.what == sort::joiner) {
            ++i;
            continue;
        }
        if (x.what == sort::gap) {
            endword(r, wd);
            ++i;
            continue;
        }
        if (separatorat(sc.separator, text + i, n - i)) {
            i += sc.separator.size();
            continue;
        }
        bool folded = false;
        if (const spelt* e = longest(index[k], sc.caps, text + i, n - i, folded)) {
            putunit(r, wd, *e, text + i, folded);
            i += e->n;
            continue;
        }
        putcopied(r, wd, x);
        ++i;
    }
    endword(r, wd);
    return r;
}

// What the text read as Latin writing of no scheme meets.
tally plainlatin(const character* text, std::size_t n)
{
    tally t{};
    for (std::size_t i = 0; i < n;) {
        while (i < n && (text[i].what == sort::gap || text[i].what == sort::joiner))
            ++i;
        std::size_t start = i;
        while (i < n && text[i].what != sort::gap)
            ++i;
        // The word without the punctuation around it.
        std::size_t a = start, b = i;
        while (a < b && text[a].what != sort::letter)
            ++a;
        while (b > a && text[b - 1].what != sort::letter)
            --b;
        if (a == b)
            continue;
        ++t[evidence::latinword];
        bool small = false;
        for (std::size_t j = a; j < b; ++j) {
            const character& x = text[j];
            if (x.what == sort::joiner)
                continue;
            if (x.what != sort::letter) {
                ++t[evidence::punctuation];
                continue;
            }
            t[evidence::diacritic] += x.c >= 0x80;
            t[evidence::inner] += small && x.capital;
            small = small || !x.capital;
        }
    }
    return t;
}

// ---------------------------------------------------------------- Decoding

// The characters of the block, with the form's byte-order mark skipped, and
// each Latin letter with the marks after it composed; their count. A
// character cut by the end of the block is left out.
std::size_t decodeblock(std::span<const unsigned char> text, vocab::form f, lchar* out)
{
    const unsigned char* p = text.data();
    const unsigned char* end = p + std::min(text.size(), detectblock);
    if (f == vocab::form::detect) {
        f = vocab::form::utf8;
        if (end - p >= 2 && p[0] == 0xFF && p[1] == 0xFE)
            f = vocab::form::utf16le;
        else if (end - p >= 2 && p[0] == 0xFE && p[1] == 0xFF)
            f = vocab::form::utf16be;
    }
    std::size_t n = 0;
    bool past = false; // past the place of a byte-order mark
    while (p < end) {
        lchar c;
        if (f == vocab::form::utf8) {
            int b1 = *p;
            int len = b1 < 0x80 ? 1 : 1 + codec::utf8tail(b1);
            if (end - p < len)
                break;
            c = b1 < 0x80 ? b1 : codec::utf8value(b1, p + 1);
            p += len;
        } else {
            bool little = f == vocab::form::utf16le;
            if (end - p < 2)
                break;
            c = codec::ucs2unit(little, p[0], p[1]);
            p += 2;
            if (c >= 0xD800 && c <= 0xDBFF && end - p >= 2) {
                lchar d = codec::ucs2unit(little, p[0], p[1]);
                if (d >= 0xDC00 && d <= 0xDFFF) {
                    c = 0x10000 + ((c - 0xD800) << 10) + (d - 0xDC00);
                    p += 2;
                }
            }
        }
        // A byte-order mark at the start, in either order, is no text.
        if (past || (c != 0xFEFF && c != 0xFFFE))
            out[n++] = c;
        past = true;
    }
    // Each Latin letter and the marks after it, composed in place.
    std::size_t m = 0;
    for (std::size_t i = 0; i < n;) {
        std::size_t j = i + 1;
        bool letter = latinletter(out[i]);
        while (letter && j < n && j - i < static_cast<std::size_t>(maxcomposed) && combiningclass(out[j]) != 0)
            ++j;
        lchar composed[4 * maxcomposed];
        int k = j - i > 1 ? nfc(out + i, static_cast<int>(j - i), composed, static_cast<int>(std::size(composed))) : -1;
        if (k > 0 && static_cast<std::size_t>(k) <= j - i) {
            std::copy(composed, composed + k, out + m);
            m += static_cast<std::size_t>(k);
        } else {
            std::copy(out + i, out + j, out + m);
            m += j - i;
        }
        i = j;
    }
    return m;
}

// The letters of the Devanagari block: its vowels and consonants, not its
// signs.
bool devanagariletter(lchar c)
{
    return (c >= 0x0904 && c <= 0x0939) || (c >= 0x0958 && c <= 0x0961) || (c >= 0x0972 && c <= 0x097F);
}

// The characters of a block, as decoded and as detect sorts them.
struct block {
    lchar codes[detectblock];
    character chars[detectblock];
};

} // namespace

guess detect(std::span<const unsigned char> text, vocab::form input)
{
    guess g;
    // The block's characters (some 64 KiB) on the heap, not on a stack that
    // may be no larger (a WebAssembly module's, by newer toolchains).
    std::unique_ptr<block> b(new (std::nothrow) block);
    if (!b)
        return g;
    lchar* codes = b->codes;
    character* chars = b->chars;
    std::size_t n = decodeblock(text, input, codes);
    for (std::size_t i = 0; i < n; ++i)
        chars[i] = characterof(codes[i]);
    // A word cut by the end of the block is left out, so that its cut end
    // does not count as the end of a word.
    if (text.size() > detectblock) {
        std::size_t whole = n;
        while (whole > 0 && chars[whole - 1].what != sort::gap)
            --whole;
        n = whole > 0 ? whole : n;
    }
    // Devanagari when its letters are the most.
    std::size_t deva = 0, roman = 0;
    for (std::size_t i = 0; i < n; ++i) {
        deva += devanagariletter(codes[i]);
        roman += latinletter(codes[i]);
    }
    if (deva > roman) {
        g.devanagari = true;
        g.score = static_cast<double>(deva) / static_cast<double>(deva + roman);
        return g;
    }
    if (roman == 0)
        return g;
    // Each scheme's reading, the best the cheapest (the first in the table
    // among equals).
    std::array<double, nschemes> cost;
    std::array<std::uint64_t, nschemes> digest;
    std::size_t best = 0;
    for (std::size_t k = 0; k < nschemes; ++k) {
        reading r = readas(k, chars, n);
        cost[k] = costof(r.met);
        digest[k] = r.digest;
        if (cost[k] < cost[best])
            best = k;
    }
    double plaintext = costof(plainlatin(chars, n));
    // The score: the share of the likelihood (e to the minus the cost) that
    // goes to the answer, the schemes that read the text as the best one
    // does counted together.
    double low = std::min(cost[best], plaintext), all = std::exp(low - plaintext), alike = 0;
    for (std::size_t k = 0; k < nschemes; ++k) {
        double l = std::exp(low - cost[k]);
        all += l;
        alike += digest[k] == digest[best] ? l : 0;
    }
    if (cost[best] < plaintext) {
        g.scheme = static_cast<int>(best);
        g.score = alike / all;
    } else {
        g.score = std::exp(low - plaintext) / all;
    }
    return g;
}

} // namespace kavrel
