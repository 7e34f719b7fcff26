// Text in any of the nine blocks read back as Devanagari: each character
// through the reverse of the cells, a few sequences as one letter (nukta
// letters, decomposed vowel signs, Tamil vocalic r), and the conventions
// that need the neighbours (addak, the superscript of a Tamil stop); a
// letter the caller cannot write stays as it stood, with its signs.
#include "scripts.hpp"

#include "scripttables.hpp"

#include <cstring>

namespace scripts {

using namespace tables;

namespace {

bool isconsonant(char32_t dev) { return kindof(dev) == kind::consonant; }
bool issign(char32_t dev) { return kindof(dev) == kind::vowelsign || dev == virama; }

match matchat(const reader& r, std::size_t at, bool more) { return tables::matchat(r.q + at, r.nq - at, more); }

// How far a kept consonant's syllable reaches from `end`: its nukta, then
// its vowel sign or virama, then a Tamil stop's superscript; 0 while the
// characters still to come decide.
std::size_t syllableend(const reader& r, std::size_t end, bool more, bool stop)
{
    for (int step = 0; step < 3; step++) {
        if (end == r.nq)
            return more ? 0 : end;
        if (step == 2) {
            if (stop && superdigit(r.q[end]))
                end++;
            break;
        }
        match m = matchat(r, end, more);
        if (m.wait)
            return 0;
        if (step == 0 ? m.dev[0] == nukta : issign(m.dev[0]) && m.n == 1)
            end += m.len;
    }
    return end;
}

// A Tamil stop at in[0] (n >= 2) with the superscript right after it or
// after its sign, read the way a plain syllable is: returns the characters
// read, or 0 where the conventions must look further (a sign of two
// characters, vocalic r after the virama, the end of the block).
std::size_t faststop(const rentry& e, const char32_t* in, std::size_t n, char32_t*& o)
{
    if (int d = superdigit(in[1])) {
        *o++ = stopletter(in[0], d);
        return 2;
    }
    if (!mark(in[1])) {
        *o++ = e.dev[0];
        return 1;
    }
    if (n < 3)
        return 0;
    const rentry& v = reading.at[in[1] - blocksfirst];
    char32_t after = in[2];
    if (!v.set || v.n != 1 || after == v.follow[0] || after == v.follow[1] || after == v.follow[2])
        return 0;
    int d = superdigit(after);
    if (!d) {
        *o++ = e.dev[0];
        return 1;
    }
    bool sign = kindof(v.dev[0]) == kind::vowelsign;
    if (!sign && (v.dev[0] != virama || n < 4 || (in[3] - blocksfirst < blocksize && reading.at[in[3] - blocksfirst].nkeys)))
        return 0;
    o[0] = stopletter(in[0], d), o[1] = v.dev[0];
    o += 2;
    return 3;
}

// Reads the unit at q[0] and returns how many queued characters it took:
// 0 when the characters still to come decide.
std::size_t unit(reader& r, bool more, char32_t*& o)
{
    const char32_t* q = r.q;
    std::size_t n = r.nq;
    char32_t c = q[0];
    if (c - blocksfirst >= blocksize || isdev(c)) {
        *o++ = c;
        return 1;
    }
    char32_t dev[3] = {};
    std::size_t ndev = 0, end = 0;
    bool stop = false;
    if (c == added::addak) {
        // Addak doubles the consonant after it, or puts its unaspirated
        // partner before an aspirate.
        if (n == 1 && more)
            return 0;
        match m = n > 1 ? matchat(r, 1, more) : match{};
        if (m.wait)
            return 0;
        if (n == 1 || m.n != 1 || !isconsonant(m.dev[0])) {
            *o++ = c;
            return 1;
        }
        dev[0] = unaspirated(m.dev[0]), dev[1] = virama, dev[2] = m.dev[0];
        ndev = 3, end = 1 + m.len;
    } else {
        match m = matchat(r, 0, more);
        if (m.wait)
            return 0;
        dev[0] = m.dev[0], dev[1] = m.dev[1], ndev = m.n, end = m.len;
        stop = m.len == 1 && stopletter(c, 1);
        if (stop) {
            // A superscript selects the stop's letter in its row: right
            // after it, or after its vowel sign or virama; vocalic r after
            // the virama and the superscript is the sign.
            if (n == 1 && more)
                return 0;
            if (n > 1 && superdigit(q[1])) {
                dev[0] = stopletter(c, superdigit(q[1]));
                end = 2;
            } else if (n > 1) {
                match v = matchat(r, 1, more);
                if (v.wait)
                    return 0;
                std::size_t after = 1 + v.len;
                if (v.n == 1 && issign(v.dev[0])) {
                    if (after == n && more)
                        return 0;
                    if (after < n && superdigit(q[after])) {
                        dev[0] = stopletter(c, superdigit(q[after]));
                        dev[1] = v.dev[0], ndev = 2, end = after + 1;
                        if (v.dev[0] == virama) {
                            if (end == n && more)
                                return 0;
                            match rr = end < n ? matchat(r, end, more) : match{};
                            if (rr.wait)
                                return 0;
                            if (char32_t sign = end < n && rr.n == 1 ? signaftervirama(rr.dev[0]) : 0)
                                dev[1] = sign, end += rr.len;
                        }
                    }
                }
            }
        }
    }
    char32_t letter = c == added::addak ? dev[2] : dev[0];
    if (isdev(letter) && kept(r.keep, letter)) {
        // Left as it stood, with its signs.
        if (isconsonant(letter) && ndev == (c == added::addak ? 3u : 1u)) {
            end = syllableend(r, end, more, stop);
            if (!end)
                return 0;
        }
        for (std::size_t i = 0; i < end; i++)
            *o++ = q[i];
        return end;
    }
    for (std::size_t i = 0; i < ndev; i++)
        *o++ = dev[i];
    return end;
}

void drain(reader& r, bool more, char32_t*& o)
{
    while (r.nq) {
        std::size_t k = unit(r, more, o);
        if (!k)
            return;
        r.nq = std::uint8_t(r.nq - k);
        for (std::size_t i = 0; i < r.nq; i++)
            r.q[i] = r.q[i + k];
    }
}

} // namespace

void keep(keepset& k, char32_t dev)
{
    if (isdev(dev))
        k.bits[(dev - devfirst) / 64] |= std::uint64_t(1) << ((dev - devfirst) % 64);
}

bool kept(const keepset& k, char32_t dev) { return k.bits[(dev - devfirst) / 64 % 2] >> ((dev - devfirst) % 64) & 1; }

void start(reader& r, const keepset& keep)
{
    r = reader{};
    r.keep = keep;
}

std::size_t read(reader& r, const char32_t* in, std::size_t n, bool last, char32_t* out)
{
    char32_t* o = out;
    std::size_t i = 0;
    bool keeps = r.keep.bits[0] | r.keep.bits[1];
    while (i < n) {
        if (!r.nq) {
            // Characters read alone, a look-up each; one that may begin a
            // longer reading too, once the next character shows it does not.
            for (; i < n; i++) {
                char32_t c = in[i];
                if (c - blocksfirst >= blocksize) {
                    *o++ = c;
                    continue;
                }
                const rentry& e = reading.at[c - blocksfirst];
                if (keeps && e.set && kept(r.keep, e.dev[0]))
                    break;
                if (e.p != pass::plain) {
                    if (e.p == pass::slow || i + 1 == n)
                        break;
                    if (e.stop) {
                        std::size_t m = keeps ? 0 : faststop(e, in + i, n - i, o);
                        if (!m)
                            break;
                        i += m - 1;
                        continue;
                    }
                    char32_t next = in[i + 1];
                    if (next == e.follow[0] || next == e.follow[1] || next == e.follow[2]) {
                        // The longest key, where the block holds it whole.
                        match m = tables::matchat(in + i, n - i, true);
                        if (m.wait || (keeps && isdev(m.dev[0]) && kept(r.keep, m.dev[0])))
                            break;
                        o[0] = m.dev[0], o[1] = m.dev[1];
                        o += m.n;
                        i += m.len - 1;
                        continue;
                    }
                }
                std::memcpy(o, e.dev, sizeof e.dev); // the room has the slack
                o += e.n;
            }
            if (i == n)
                break;
        }
        r.q[r.nq++] = in[i++];
        drain(r, true, o);
    }
    if (last)
        drain(r, false, o);
    return std::size_t(o - out);
}

} // namespace scripts
