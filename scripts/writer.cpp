// Devanagari written in another script: each character through its cell,
// and the conventions that look past one character (nukta letters,
// substitutes, khanda ta, chillus, addak and tippi, Tamil superscripts,
// copied letters with their signs) on the few that need them.
#include "scripts.hpp"

#include "scripttables.hpp"

#include <cstring>
#include <iterator>

namespace scripts {

using namespace tables;

namespace {

void put(char32_t*& o, const char32_t* cp, std::size_t n)
{
    for (std::size_t i = 0; i < n; i++)
        *o++ = cp[i];
}

// A letter after nukta composition, or the letters of its substitute,
// queued for the conventions.
void queue(writer& w, char32_t c)
{
    if (w.s != script::devanagari && isdev(c) && cellof(w.s, c).how == way::substitute) {
        const letters& l = substitutes[int(w.s)][c - devfirst];
        for (std::size_t i = 0; i < l.n; i++)
            w.q[w.nq++] = l.cp[i];
    } else {
        w.q[w.nq++] = c;
    }
}

// Whether ta and the virama before `next` stay apart rather than become
// khanda ta: before the letters ta joins, a joiner, and a nukta, Devanagari's
// or the script's own (copied as it came, as when a romanisation that
// cannot spell it leaves it in its script).
bool joinsta(script s, char32_t next)
{
    for (char32_t j : added::khandatajoins)
        if (next == j)
            return true;
    return next == zwj || next == zwnj || next == nukta || next == cellof(s, nukta).cp[0];
}

// The chillu a consonant ending in the virama becomes before `next`, or 0
// where the two join as a conjunct.
char32_t chilluof(char32_t dev, char32_t next)
{
    if (next == zwj || next == zwnj || next == nukta)
        return 0;
    for (const added::join& j : added::chillujoins)
        if (j.dev == dev && j.next == next)
            return 0;
    for (const added::chillu& c : added::chillus)
        if (c.dev == dev)
            return c.chillu;
    return 0;
}

bool tippiafter(char32_t last)
{
    kind k = kindof(last);
    if (k == kind::consonant || k == kind::nukta)
        return true;
    for (char32_t c : added::tippiafter)
        if (c == last)
            return true;
    return false;
}

// A consonant ending in the virama, with the character after them, in the
// fast lane: khanda ta or a chillu or not, and no addak. False where the
// conventions must look further: that character is a substitute or may
// still take a nukta, or it may make an addak.
bool fastcluster(script s, const wtable& t, char32_t c, char32_t next, char32_t*& o)
{
    if (isdev(next) && (t[next - devfirst].p == pass::slow || nuktaletters[next - devfirst]))
        return false;
    const wentry &e = t[c - devfirst], &h = t[virama - devfirst];
    switch (s) {
    case script::bengali:
    case script::assamese:
        if (joinsta(s, next))
            put(o, e.cp, e.n), put(o, h.cp, h.n);
        else
            *o++ = added::khandata;
        return true;
    case script::malayalam:
        if (char32_t chillu = chilluof(c, next))
            *o++ = chillu;
        else
            put(o, e.cp, e.n), put(o, h.cp, h.n);
        return true;
    case script::gurmukhi:
        if (next == c || next == aspirateof(c))
            return false;
        put(o, e.cp, e.n), put(o, h.cp, h.n);
        return true;
    default: return false;
    }
}

// Writes the letter at q[0] with what the conventions make of what follows
// it, and returns how many queued letters that took: 0 when the letters
// still to come decide.
std::size_t unit(writer& w, bool more, char32_t*& o)
{
    const char32_t* q = w.q;
    std::size_t n = w.nq;
    char32_t c = q[0];
    if (!isdev(c)) {
        *o++ = w.last = c;
        return 1;
    }
    const wentry& e = writing[int(w.s)][c - devfirst];
    auto waits = [&](std::size_t k) { return n <= k && more; }; // q[k] is still to come
    if (rowof(c).k == kind::consonant && w.s != script::devanagari) {
        if (cellof(w.s, c).how == way::copied) {
            // Copied with its nukta and its vowel sign or virama, so that the
            // syllable stays in one script.
            std::size_t j = 1;
            if (waits(j))
                return 0;
            if (j < n && q[j] == nukta && waits(++j))
                return 0;
            if (j < n && (kindof(q[j]) == kind::vowelsign || q[j] == virama))
                j++;
            put(o, q, j);
            w.last = q[j - 1];
            return j;
        }
        if (ruled(w.s, c)) {
            if (waits(1))
                return 0;
            bool halant = n > 1 && q[1] == virama;
            if (halant && waits(2))
                return 0;
            char32_t next = n > 2 ? q[2] : 0;
            switch (w.s) {
            case script::bengali:
            case script::assamese:
                if (halant) {
                    if (joinsta(w.s, next))
                        put(o, e.cp, e.n), put(o, writing[int(w.s)][virama - devfirst].cp, 1);
                    else
                        *o++ = added::khandata;
                    w.last = virama;
                    return 2;
                }
                break;
            case script::malayalam:
                if (halant) {
                    if (char32_t chillu = chilluof(c, next))
                        *o++ = chillu;
                    else
                        put(o, e.cp, e.n), put(o, writing[int(w.s)][virama - devfirst].cp, 1);
                    w.last = virama;
                    return 2;
                }
                break;
            case script::gurmukhi:
                // A doubled consonant, or one before its aspirate: addak,
                // and the second written alone (never doubled again).
                if (halant && !w.doubled && kindof(next) == kind::consonant &&
                    ((next == c && unaspirated(c) == c) || next == aspirateof(c))) {
                    *o++ = added::addak;
                    w.doubled = true;
                    w.last = virama;
                    return 2;
                }
                w.doubled = false;
                break;
            case script::tamil:
                // The superscript after the vowel sign or the virama (the
                // virama that begins vocalic r's sign too).
                if (n > 1 && (kindof(q[1]) == kind::vowelsign || q[1] == virama)) {
                    const wentry& v = writing[int(w.s)][q[1] - devfirst];
                    if (cellof(w.s, q[1]).how == way::counterpart && v.n) {
                        *o++ = e.cp[0];
                        *o++ = v.cp[0];
                        *o++ = e.cp[1];
                        put(o, v.cp + 1, v.n - 1u);
                        w.last = q[1];
                        return 2;
                    }
                }
                break;
            default: break;
            }
        }
    }
    if (w.s == script::gurmukhi && c == added::anusvara)
        *o++ = tippiafter(w.last) ? added::tippi : e.cp[0];
    else
        put(o, e.cp, e.n);
    w.last = c;
    return 1;
}

// Whether a nukta after the consonant changes how it is written, or whether
// it is written at all before what follows shows it.
bool nuktawatched(script s, char32_t dev) { return writing[int(s)][dev - devfirst].watch & nuktabit; }

// The first unit of the queue where it waits for the character after the
// queue, and a consonant is held for the nukta that may follow it: written
// as that consonant decides it, when it decides it alike with the nukta
// and without. Returns the queued letters it took, as unit does; 0 when
// the nukta decides, or the unit would take the held consonant too.
std::size_t decideheld(writer& w, char32_t*& o)
{
    writer plain = w, dotted = w;
    plain.held = dotted.held = 0;
    queue(plain, w.held);
    queue(dotted, nuktaletters[w.held - devfirst]);
    char32_t a[32], b[32];
    char32_t *pa = a, *pb = b;
    std::size_t ka = unit(plain, true, pa), kb = unit(dotted, true, pb);
    if (!ka || ka != kb || ka > w.nq || pa - a != pb - b || plain.doubled != dotted.doubled ||
        plain.last != dotted.last)
        return 0;
    for (char32_t *x = a, *y = b; x < pa; x++, y++)
        if (*x != *y)
            return 0;
    put(o, a, std::size_t(pa - a));
    w.doubled = plain.doubled;
    w.last = plain.last;
    return ka;
}

void drain(writer& w, bool more, char32_t*& o)
{
    while (w.nq) {
        std::size_t k = unit(w, more, o);
        if (!k && w.held)
            k = decideheld(w, o);
        if (!k)
            return;
        w.nq = std::uint8_t(w.nq - k);
        for (std::size_t i = 0; i < w.nq; i++)
            w.q[i] = w.q[i + k];
    }
}

// One character by the conventions: a consonant waits for the nukta that
// may follow it, and a nukta letter is written as one. A consonant is held
// only while the nukta would change it, or would change what the letters
// before it wait to decide.
void feed(writer& w, char32_t c, char32_t*& o)
{
    if (char32_t h = w.held) {
        w.held = 0;
        if (c == nukta) {
            queue(w, nuktaletters[h - devfirst]);
            drain(w, true, o);
            return;
        }
        queue(w, h);
    }
    if (isdev(c) && nuktaletters[c - devfirst] && (w.nq || nuktawatched(w.s, c)))
        w.held = c;
    else
        queue(w, c);
    drain(w, true, o);
    if (char32_t h = w.held; h && !w.nq && !nuktawatched(w.s, h)) {
        w.held = 0;
        queue(w, h);
        drain(w, true, o);
    }
}

} // namespace

void start(writer& w, script s)
{
    w = writer{};
    w.s = s;
}

void settle(writer& w)
{
    for (std::size_t i = w.nq; i < std::size(w.q); i++)
        w.q[i] = 0;
    // Only the nasal reads the last character, and only when nothing is
    // kept back (else what is kept is written first): its tippi or bindi.
    bool tippi = w.s == script::gurmukhi && !w.held && !w.nq && tippiafter(w.last);
    w.last = tippi ? added::tippiafter[0] : 0;
    w.doubled = w.doubled && w.nq;
}

bool operator==(const writer& a, const writer& b)
{
    if (a.s != b.s || a.held != b.held || a.nq != b.nq || a.doubled != b.doubled || a.last != b.last)
        return false;
    for (std::size_t i = 0; i < a.nq; i++)
        if (a.q[i] != b.q[i])
            return false;
    return true;
}

bool waitsfor(const writer& w, char32_t next)
{
    std::size_t kept = w.nq + (w.held ? 1u : 0u);
    if (kept != 1)
        return kept > 1; // the conventions may look past the next character
    char32_t c = w.held ? w.held : w.q[0];
    if (!isdev(c))
        return false;
    const wtable& t = writing[int(w.s)];
    std::uint8_t watch = std::uint8_t(t[c - devfirst].watch | (w.held ? nuktabit : 0));
    return isdev(next) && (watch & t[next - devfirst].bit);
}

std::size_t write(writer& w, const char32_t* in, std::size_t n, bool last, char32_t* out)
{
    char32_t* o = out;
    const wtable& t = writing[int(w.s)];
    std::size_t i = 0;
    while (i < n) {
        if (!w.held && !w.nq) {
            // Characters that no convention looks at, a look-up each; a
            // consonant too, once the next character shows that it is not
            // one the conventions would look at with it.
            std::size_t from = i;
            for (; i < n; i++) {
                char32_t c = in[i];
                if (!isdev(c)) {
                    *o++ = c;
                    continue;
                }
                const wentry& e = t[c - devfirst];
                if (e.p == pass::nasal) {
                    *o++ = tippiafter(i > from ? in[i - 1] : w.last) ? added::tippi : e.cp[0];
                    continue;
                }
                if (e.p != pass::plain) {
                    if (e.p == pass::slow || i + 1 == n)
                        break;
                    const wentry* v = isdev(in[i + 1]) ? &t[in[i + 1] - devfirst] : nullptr;
                    if (e.p == pass::stop && v && v->own && v->p == pass::plain &&
                        (v->bit == signbit || v->bit == viramabit)) {
                        // The stop's superscript after the first letter of its sign.
                        o[0] = e.cp[0], o[1] = v->cp[0], o[2] = e.cp[1];
                        o += 3;
                        put(o, v->cp + 1, v->n - 1u);
                        i++;
                        continue;
                    }
                    if (v && v->bit == viramabit && e.own && (ruled(w.s, c) & viramabit) && i + 2 < n &&
                        fastcluster(w.s, t, c, in[i + 2], o)) {
                        i++;
                        continue;
                    }
                    if (v && (v->bit & e.watch))
                        break;
                }
                std::memcpy(o, e.cp, sizeof e.cp); // the room has the slack
                o += e.n;
            }
            if (i > from)
                w.last = in[i - 1];
            if (i == n)
                break;
        }
        feed(w, in[i++], o);
    }
    if (last) {
        if (char32_t h = w.held) {
            w.held = 0;
            queue(w, h);
        }
        drain(w, false, o);
    }
    return std::size_t(o - out);
}

bool find(std::string_view name, script& s)
{
    for (std::size_t i = 0; i < count; i++)
        if (names[i] == name) {
            s = script(i);
            return true;
        }
    return false;
}

} // namespace scripts
