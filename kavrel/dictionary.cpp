// The conversion dictionary and its filling from the tables.
#include "convert.hpp"
#include "letters.hpp"
#include "schemes.hpp"
#include "tables.hpp"

#include "nuktapairs.hpp"

#include <algorithm>
#include <iterator>

namespace kavrel {

namespace {

// A zero-terminated table field as a unit.
tchar unitof(const lchar* s, int slots)
{
    tchar u;
    while (u.n < slots && u.n < 4 && s[u.n] != 0) {
        u.c[u.n] = s[u.n];
        ++u.n;
    }
    return u;
}

int copyout(lchar* to, const lchar* from, int most)
{
    int n = 0;
    while (n < most && from[n] != 0) {
        to[n] = from[n];
        ++n;
    }
    return n;
}

unsigned bucket(lchar first) { return static_cast<unsigned>(first) & 0xFF; }

// Whether the unit's entry is also in the direct index.
bool lone(const tchar& u) { return u.n == 1 && indexed(u.c[0]); }

// The entry of the unit's bucket whose key is the unit, or null.
convnode* chain(const dictionary& d, const tchar& unit)
{
    convnode* node = d.convtab[bucket(unit.c[0])];
    while (node && !(node->roman == unit))
        node = node->next;
    return node;
}

// The record with its key in canonical composition, as the unit reader
// hands out its characters: l, ring below and acute becomes l acute and
// ring below.
convrec composed(const convrec& r)
{
    int n = 0;
    while (n < 4 && r.roman[n] != 0)
        ++n;
    convrec c = r;
    lchar key[4];
    int k = nfc(r.roman, n, key, 4);
    if (k > 0) {
        std::fill(std::begin(c.roman), std::end(c.roman), 0);
        std::copy(key, key + k, c.roman);
    }
    return c;
}

// convlist with its keys composed, made once for every conversion.
const std::array<convrec, std::size(convlist)>& composedlist()
{
    static const auto list = [] {
        std::array<convrec, std::size(convlist)> l;
        std::transform(convlist.begin(), convlist.end(), l.begin(), composed);
        return l;
    }();
    return list;
}

} // namespace

const convnode* find(const dictionary& d, const tchar& unit)
{
    if (!lone(unit))
        return chain(d, unit);
    int k = d.lone[unit.c[0]];
    return k ? &d.pool[k - 1] : nullptr;
}

const convnode* lookup(const dictionary& d, const tchar& unit)
{
    const convnode* e = find(d, unit);
    return e && e->listed ? e : nullptr;
}

const convnode* entryof(const dictionary& d, const tchar& unit)
{
    if (unit.how != tchar::way::read)
        return nullptr;
    return unit.entry ? &d.pool[unit.entry - 1] : lookup(d, unit);
}

namespace {

// A fresh entry of the pool for the key; null when no room is left.
convnode* newnode(dictionary& d, const tchar& key)
{
    if (d.used == maxnodes)
        return nullptr;
    convnode* node = &d.pool[d.used++];
    *node = convnode{};
    node->roman = key;
    node->listed = false;
    return node;
}

// The record's outputs and what they are, in the entry.
void setoutputs(convnode& node, const convrec& r)
{
    node.kind = r.kind;
    node.consonant = r.dep[0] == SYL_CONSONANT;
    node.avagraha = r.indep[0] == vocab::avagraha && r.indep[1] == 0;
    node.nasal = r.kind == schemes::kind::sign && r.indep[1] == 0 &&
                 (r.indep[0] == vocab::candrabindu || r.indep[0] == vocab::anusvara || r.indep[0] == vocab::visarga);
    node.listed = true;
    node.nindep = copyout(node.indep, r.indep, 3);
    node.ndep = node.consonant ? 0 : copyout(node.dep, r.dep, 2);
}

} // namespace

convnode* install(dictionary& d, const convrec& r, char32_t flag)
{
    tchar key = unitof(r.roman, 5);
    convnode* node = chain(d, key);
    bool fresh = node == nullptr;
    if (fresh && !(node = newnode(d, key)))
        return nullptr;
    if (flag == schemes::beforevowel || flag == schemes::wordalone) {
        // A spelling with a flag: an entry of its own beside the chains,
        // which the key's entry names.
        convnode* alt = node->alt ? &d.pool[node->alt - 1] : newnode(d, key);
        if (!alt)
            return nullptr;
        setoutputs(*alt, r);
        alt->shadow = true;
        node->alt = static_cast<std::uint8_t>(number(d, alt));
        node->altflag = flag;
    } else {
        setoutputs(*node, r);
    }
    if (fresh) {
        node->next = d.convtab[bucket(key.c[0])];
        d.convtab[bucket(key.c[0])] = node;
        if (lone(key))
            d.lone[key.c[0]] = static_cast<std::uint8_t>(number(d, node));
    }
    return node;
}

namespace {

// The consonant of a nukta letter that normal form C writes as consonant
// and nukta sign; 0 for any other character.
lchar decomposednukta(lchar c)
{
    for (const vocab::nuktapair& p : vocab::nuktapairs)
        if (p.joined == c && !p.composes)
            return p.plain;
    return 0;
}

// Adds one character of an entry's output in the form (in normal form C
// when `nfc`); false when it does not fit.
bool append(codec::shortbytes& s, codec::form f, bool nfc, lchar c)
{
    if (lchar plain = nfc ? decomposednukta(c) : 0)
        return codec::append(s, f, plain) && codec::append(s, f, vocab::nukta);
    return codec::append(s, f, c);
}

} // namespace

void putletter(codec::output& out, bool nfc, lchar c)
{
    if (lchar plain = nfc ? decomposednukta(c) : 0) {
        codec::putuch(out, plain);
        c = vocab::nukta;
    }
    codec::putuch(out, c);
}

void encode(dictionary& d, codec::form out)
{
    for (int i = 0; i < d.used; ++i) {
        convnode& e = d.pool[i];
        e.out[0] = e.out[1] = {};
        // After a consonant, a consonant closes it with the virama.
        if (e.consonant)
            append(e.out[1], out, d.nfc, virama);
        for (int k = 0; k < e.nindep; ++k) {
            append(e.out[0], out, d.nfc, e.indep[k]);
            if (e.consonant)
                append(e.out[1], out, d.nfc, e.indep[k]);
        }
        for (int k = 0; k < e.ndep; ++k)
            append(e.out[1], out, d.nfc, e.dep[k]);
    }
}

namespace {

// Installs the record with its key, and every key that differs from it
// only by a capital in place of a small letter.
bool installcases(dictionary& d, convrec r, int from, char32_t flag)
{
    int n = 0;
    while (n < 4 && r.roman[n] != 0)
        ++n;
    for (int i = from; i < n; ++i) {
        lchar c = r.roman[i];
        if (schemes::capital(c) == c)
            continue;
        r.roman[i] = schemes::capital(c);
        bool ok = installcases(d, r, i + 1, flag);
        r.roman[i] = c;
        if (!ok)
            return false;
    }
    return install(d, composed(r), flag) != nullptr;
}

// A key that is no spelling, there for the longest match alone.
bool installprefix(dictionary& d, const tchar& key)
{
    if (chain(d, key))
        return true;
    convrec r{};
    std::copy(key.c, key.c + key.n, r.roman);
    convnode* e = install(d, r);
    if (e)
        e->listed = false;
    return e != nullptr;
}

// The letter a consonant makes with the nukta: the one precomposed letter
// where Unicode has it, else the consonant and the nukta sign; false when
// the consonant has a nukta already.
bool withnukta(lchar consonant, lchar (&out)[4])
{
    for (const vocab::nuktapair& p : vocab::nuktapairs)
        if (p.joined == consonant)
            return false;
    out[0] = consonant;
    out[1] = vocab::nukta;
    for (const vocab::nuktapair& p : vocab::nuktapairs)
        if (p.plain == consonant) {
            out[0] = p.joined;
            out[1] = 0;
        }
    return true;
}

// A scheme that spells the nukta (WX's Z): right after a consonant's
// spelling it makes the letter with nukta, which stays open for its vowel
// (dZA is ड़ा). Each consonant's spelling with the nukta's after it is a key
// of its own.
bool installnukta(dictionary& d, const schemes::scheme& s)
{
    for (const schemes::row& n : s.rows) {
        if (n.k != schemes::kind::nukta || schemes::spellingcount(n) == 0)
            continue;
        std::u32string_view z = schemes::spelling(n, 0);
        for (int i = 0, used = d.used; i < used; ++i) {
            const convnode& e = d.pool[i];
            convrec r{};
            if (!e.listed || e.shadow || e.kind != schemes::kind::consonant || e.nindep != 1 ||
                e.roman.n + z.size() > 4 || !withnukta(e.indep[0], r.indep))
                continue;
            std::copy(e.roman.c, e.roman.c + e.roman.n, r.roman);
            std::copy(z.begin(), z.end(), r.roman + e.roman.n);
            r.dep[0] = SYL_CONSONANT;
            r.kind = schemes::kind::consonant;
            if (!install(d, composed(r)))
                return false;
        }
    }
    return true;
}

// The records of a scheme read by longest match: every spelling of every
// row it reads under the options (IAST in every mix of capitals and small
// letters), its separator, and the beginnings of longer spellings.
bool fillscheme(dictionary& d, const options& opt, const schemes::scheme& s)
{
    for (const auto& rows : {s.rows, std::span<const schemes::row>(schemes::digits)})
        for (const schemes::row& r : rows) {
            // The nukta is read only after a consonant (installnukta).
            if ((r.when == schemes::reading::numerals && !opt.numerals) || r.k == schemes::kind::nukta)
                continue;
            for (int i = 0; i < schemes::spellingcount(r); ++i)
                if (schemes::read(r, i, opt.sanskrit) &&
                    !installcases(d, recordof(r, schemes::spelling(r, i), schemes::flagof(r, i)),
                                  s.caps == schemes::capitals::every ? 0 : 4, schemes::flagof(r, i)))
                    return false;
        }
    if (!installnukta(d, s))
        return false;
    if (!s.separator.empty()) {
        // Of no vowel's kind: an accent mark right after the separator is
        // not taken off it as if off a vowel's letter, but read as a
        // spelling of its own, which the separator then stands before.
        convrec r{};
        r.kind = schemes::kind::punctuation;
        std::copy(s.separator.begin(), s.separator.end(), r.roman);
        convnode* e = install(d, r);
        if (!e)
            return false;
        e->separator = true;
    }
    for (int i = 0, used = d.used; i < used; ++i) {
        tchar key = d.pool[i].roman;
        if (d.pool[i].shadow)
            continue;
        for (int n = key.n - 1; n >= 1; --n) {
            tchar prefix{};
            std::copy(key.c, key.c + n, prefix.c);
            prefix.n = n;
            if (!installprefix(d, prefix))
                return false;
            chain(d, prefix)->extends = true;
        }
    }
    // Each key is the kid of the key one character shorter.
    for (int i = 0; i < d.used; ++i) {
        const tchar& key = d.pool[i].roman;
        if (key.n < 2 || d.pool[i].shadow)
            continue;
        tchar parent = key;
        parent.c[--parent.n] = 0;
        convnode* p = chain(d, parent);
        if (p->nkids == convnode::maxkids)
            return false;
        p->kidchars[p->nkids] = key.c[key.n - 1];
        p->kids[p->nkids++] = static_cast<std::uint8_t>(number(d, &d.pool[i]));
    }
    return true;
}

} // namespace

bool fill(dictionary& d, const options& opt)
{
    // Emptied in place: the pool's entries are rewritten as they are taken.
    std::fill(std::begin(d.convtab), std::end(d.convtab), nullptr);
    std::fill(std::begin(d.lone), std::end(d.lone), 0);
    d.used = 0;
    d.nfc = opt.nfc;
    if (opt.scheme != vocab::scheme::iso)
        return fillscheme(d, opt, schemes::all[static_cast<std::size_t>(opt.scheme)]);
    for (const convrec& r : composedlist())
        if (!install(d, r))
            return false;
    if (opt.numerals)
        for (const convrec& r : numlist)
            if (!install(d, r))
                return false;
    if (opt.sanskrit)
        for (const convrec& r : avagraha)
            if (!install(d, r))
                return false;
    return true;
}

} // namespace kavrel
