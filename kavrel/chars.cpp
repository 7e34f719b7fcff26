// The characters of kavrel's input: decoded a block at a time from UTF-8 or
// UCS-2 of either byte order, with each Latin letter and the combining
// marks after it read as their canonical composition. Roman text in normal
// form D (a macron typed after its a, as macOS and many input methods
// write it) so reads as its composed form does, and every spelling of a
// letter that Unicode holds equivalent converts alike. Only a letter and
// its marks are composed; all other text is read as it came.
#include "convert.hpp"
#include "slots.hpp"

#include <algorithm>
#include <bit>
#include <cstring>

namespace kavrel {

namespace {

// One character decoded at p: its code and its length in bytes; length 0
// when the bytes before `end` do not hold all of it.
struct decoded {
    lchar c;
    int len;
};

// UTF-8, as getuch reads it: the first byte tells the length, and the
// continuation bytes are not checked.
struct utf8form {
    static decoded at(const unsigned char* p, const unsigned char* end, bool)
    {
        int b1 = p[0];
        if (b1 < 0x80)
            return {b1, 1};
        int tail = codec::utf8tail(b1);
        if (end - p <= tail)
            return {0, 0};
        return {codec::utf8value(b1, p + 1), 1 + tail};
    }
    // Whether the character at p is certainly no mark, from its first byte
    // alone: ASCII, or a two-byte lead below 0xCC (a code below U+0300).
    // (A stray continuation byte leads three bytes, which may make any
    // code.)
    static bool plain(const unsigned char* p) { return (p[0] < 0x80) | (p[0] - 0xC0u < 0x0C); }
    // The same from the first two bytes, which also know the three-byte
    // letters of Latin Extended Additional (E1 B8 to E1 BB), none of them a
    // mark.
    static bool plain2(const unsigned char* p) { return plain(p) | ((p[0] == 0xE1) & (p[1] - 0xB8u < 4)); }

    struct bitmasks {
        unsigned high, middle, low;
    };
    static constexpr bitmasks masks[4] = {{}, {0, 0, 0x7F}, {0, 0x7C0, 0x3F}, {0xF000, 0xFC0, 0x3F}};

    // Decodes from p for as long as the characters need no composing and
    // at least 16 bytes are left, and stops before anything else: a letter
    // that may be followed by a mark, a four-byte sequence. ASCII is taken
    // eight bytes at a time, and the one- or two-byte character after it
    // without a branch on its length.
    static void bulk(const unsigned char*& p, const unsigned char* end, lchar*& o, std::uint8_t*& so,
                     const lchar* oend)
    {
        constexpr bool little = std::endian::native == std::endian::little;
        while (end - p >= 16 && oend - o >= 16) {
            std::uint64_t w;
            std::memcpy(&w, p, 8);
            std::uint64_t high = w & 0x8080808080808080u;
            // The ASCII bytes before the first that is not: 8 when all are.
            // (A bit set at the far end keeps the count off zero, where it
            // would branch.)
            std::uint64_t far = little ? std::uint64_t{1} << 63 : 1;
            int n = (little ? std::countr_zero(high | far) : std::countl_zero(high | far)) / 8 + (high == 0);
            for (int k = 0; k < 8; ++k)
                o[k] = p[k];
            // An ASCII character c has slot c + 2: added to all eight bytes
            // at once, none of which carries (those that are not ASCII are
            // not taken here).
            std::uint64_t slots8 = w + 0x0202020202020202u;
            std::memcpy(so, &slots8, 8);
            // Ragged text changes between ASCII and not every few bytes:
            // the tests branch first on what is rare, a character that may
            // be a mark.
            if (!plain2(p + n) && n > 0 && latinletter(p[n - 1])) {
                o += n - 1; // the letter is the careful way's
                so += n - 1;
                p += n - 1;
                return;
            }
            o += n;
            so += n;
            p += n;
            // Then one more character, of one to three bytes. Its bytes,
            // the last at the bottom, are masked by its length: the first
            // keeps seven bits alone, five before one more, four before
            // two, and each that follows six.
            unsigned b0 = p[0];
            if (b0 - 0xF0u < 8)
                return;
            unsigned multi = b0 >= 0x80;
            unsigned len = 1 + multi + (multi & ((b0 & 0xE0) != 0xC0));
            unsigned v = (b0 << 16 | unsigned{p[1]} << 8 | p[2]) >> (24 - 8 * len);
            auto c = static_cast<lchar>(((v >> 4) & masks[len].high) | ((v >> 2) & masks[len].middle) |
                                        (v & masks[len].low));
            const unsigned char* q = p + len;
            if (!plain2(q) && latinletter(c))
                return;
            *o++ = c;
            *so++ = lane::slotof(c);
            p = q;
        }
    }
};

// UCS-2 of one byte order. A high surrogate and the low surrogate right
// after it are one character; a surrogate without its partner is read
// alone. Whether a high surrogate pairs is known only once the next unit
// is there, or the input has ended.
template <bool little> struct ucs2form {
    static lchar unit(const unsigned char* p) { return codec::ucs2unit(little, p[0], p[1]); }
    static decoded at(const unsigned char* p, const unsigned char* end, bool ended)
    {
        if (end - p < 2)
            return {0, 0};
        lchar u = unit(p);
        if (u < 0xD800 || u > 0xDBFF)
            return {u, 2};
        if (end - p < 4)
            return ended ? decoded{u, 2} : decoded{0, 0};
        lchar v = unit(p + 2);
        if (v < 0xDC00 || v > 0xDFFF)
            return {u, 2};
        return {0x10000 + ((u - 0xD800) << 10) + (v - 0xDC00), 4};
    }
    static bool plain(const unsigned char*) { return false; }

    // Decodes from p while no surrogate comes and at least 8 bytes are
    // left, and stops before a letter that a mark may follow.
    static void bulk(const unsigned char*& p, const unsigned char* end, lchar*& o, std::uint8_t*& so,
                     const lchar* oend)
    {
        while (end - p >= 8 && o < oend) {
            lchar u = unit(p);
            if (u - 0xD800u < 0x800)
                return;
            lchar next = unit(p + 2);
            if ((next >= 0x0300) & (next - 0x1E00u >= 0x100) && latinletter(u))
                return;
            *o++ = u;
            *so++ = lane::slotof(u);
            p += 2;
        }
    }
};

// The most characters one letter and its marks make.
constexpr std::ptrdiff_t runroom = 4 * maxcomposed;

// The canonical composition of a run, from the compositions made lately
// when it is short.
int composedrun(chars& ch, const lchar* run, int n, lchar* out, int room)
{
    if (n > 3)
        return nfc(run, n, out, room);
    lchar key[3] = {run[0], run[1], n == 3 ? run[2] : -1};
    auto h = static_cast<std::uint32_t>(key[0] * 31 + key[1] * 7 + key[2]) % compositions;
    composition& e = ch.composed[h];
    if (!std::equal(key, key + 3, e.run)) {
        lchar made[4 * maxcomposed];
        int k = nfc(run, n, made, static_cast<int>(std::size(made)));
        if (k < 0 || k > room)
            return -1;
        if (k > 4) {
            // Too long to keep.
            std::copy(made, made + k, out);
            return k;
        }
        std::copy(key, key + 3, e.run);
        std::copy(made, made + k, e.out);
        e.made = k;
    }
    if (e.made > room)
        return -1;
    std::copy(e.out, e.out + e.made, out);
    return e.made;
}

// Decodes the whole characters among the bytes not yet taken into o..oend
// and returns how many it made. A letter is held back, its bytes left for
// the next read, while the marks after it may go on past the bytes there;
// a character cut by the end of the bytes is held back the same way. Once
// the input has ended (`ended`), nothing is held back and a cut character
// is dropped.
template <typename F>
std::size_t decode(codec::bytein& in, chars& ch, bool ended, lchar* o, std::uint8_t* so, lchar* oend)
{
    const unsigned char* p = in.buf + in.pos;
    const unsigned char* const end = in.buf + in.len;
    lchar* const start = o;
    while (p < end && oend - o >= runroom) {
        F::bulk(p, end, o, so, oend - runroom);
        if (p == end)
            break;
        // One character the careful way.
        decoded d = F::at(p, end, ended);
        if (d.len == 0)
            break;
        const unsigned char* q = p + d.len;
        if (!latinletter(d.c) || (q < end && F::plain(q))) {
            *o++ = d.c;
            *so++ = lane::slotof(d.c);
            p = q;
            continue;
        }
        // A letter: read on over its marks.
        lchar run[maxcomposed + 1];
        int n = 0;
        run[n++] = d.c;
        bool whole = true;
        while (n <= maxcomposed) {
            decoded m = q < end ? F::at(q, end, ended) : decoded{0, 0};
            if (m.len == 0) {
                whole = ended; // the marks may go on in the next read
                break;
            }
            if (combiningclass(m.c) == 0)
                break;
            run[n++] = m.c;
            q += m.len;
        }
        if (!whole)
            break;
        // More than maxmarks marks: the letter and its marks stay as they
        // came, and the marks after them follow as they come.
        int made = n > 1 && n <= maxcomposed ? composedrun(ch, run, n, o, static_cast<int>(oend - o)) : -1;
        if (made < 0) {
            std::copy(run, run + n, o);
            made = n;
        }
        for (int k = 0; k < made; ++k)
            *so++ = lane::slotof(*o++);
        p = q;
    }
    in.pos = static_cast<std::size_t>(p - in.buf);
    return static_cast<std::size_t>(o - start);
}

// For a scheme that writes accents as marks on its vowels: takes the
// accents off each letter of the n characters at c that is a vowel's with
// accents (a letter composed with its marks, or a letter and the marks
// after it that compose no further), in place; the count left.
std::size_t takeaccents(const state& st, lchar* c, std::uint8_t* slot, std::size_t n)
{
    const accenting& a = *st.accents;
    std::size_t o = 0;
    for (std::size_t i = 0; i < n;) {
        if (o == i) {
            // Up to the next character that changes, nothing moves: a
            // character below U+00C0 or no vowel's with accents, with no
            // mark after it (none lies below U+0300, where most text is).
            while (i + 1 < n && c[i + 1] < 0x0300 &&
                   (c[i] < 0x00C0 || (c[i] < accentlimit && !a.letters[c[i]].letter)))
                ++i;
            o = i;
        }
        lchar ch = c[i];
        std::size_t j = i + 1;
        if (j < n && c[j] >= 0x0300)
            while (j < n && j - i <= static_cast<std::size_t>(maxmarks) && combiningclass(c[j]) != 0)
                ++j;
        if (j - i == 1) {
            // A letter with no mark after it: with its accents taken off
            // if it is a vowel's with accents (all such lie from U+00C0 up).
            const accentletter* l = ch >= 0x00C0 && ch < accentlimit ? &a.letters[ch] : nullptr;
            c[o] = l && l->letter ? l->letter | static_cast<lchar>(l->accents) << accentshift : ch;
            slot[o] = l && l->letter ? 0 : slot[i];
            ++o;
            ++i;
            continue;
        }
        // A letter and marks with no accent mark among them, nor in the
        // letter's own decomposition, stay as they are (r with ring below).
        bool marked = ch >= accentlimit || (ch >= 0x00C0 && a.letters[ch].marked);
        for (std::size_t k = i + 1; k < j && !marked; ++k)
            marked = c[k] >= 0x0300 && c[k] < 0x0370 && a.accentof[c[k] - 0x0300];
        if (!marked) {
            for (; i < j; ++i, ++o) {
                c[o] = c[i];
                slot[o] = slot[i];
            }
            continue;
        }
        lchar run[maxcomposed + 1];
        int m = static_cast<int>(j - i);
        std::copy(c + i, c + j, run);
        m = kavrel::takeaccents(*st.dict, a, run, m);
        for (int k = 0; k < m; ++k) {
            c[o] = run[k];
            slot[o++] = lane::slotof(run[k]);
        }
        i = j;
    }
    return o;
}

// Decodes into the character buffer after its last character.
std::size_t decodeform(state& st, bool ended)
{
    chars& ch = st.ch;
    lchar* o = ch.c + ch.len;
    std::uint8_t* so = ch.slot + ch.len;
    std::size_t made;
    if (st.in.f == codec::form::utf16le)
        made = decode<ucs2form<true>>(st.in.bytes, ch, ended, o, so, ch.c + charcap);
    else if (st.in.f == codec::form::utf16be)
        made = decode<ucs2form<false>>(st.in.bytes, ch, ended, o, so, ch.c + charcap);
    else
        made = decode<utf8form>(st.in.bytes, ch, ended, o, so, ch.c + charcap);
    if (!st.accents)
        return made;
    // Most blocks hold no vowel's letter with accents, and no mark that
    // is an accent or follows a letter with one in it (as r with acute
    // before the ring below): they lose nothing. Each character's slot
    // tells, or for a mark the mark and the letter before it.
    const accenting& a = *st.accents;
    unsigned seen = 0;
    for (std::size_t k = 0; k < made; ++k)
        seen |= a.changes[so[k]];
    if (seen == 2) {
        // Marks, but no letter that changes alone.
        auto marked = [&a](lchar c) { return c >= accentlimit || (c >= 0x00C0 && a.letters[c].marked); };
        seen = 0;
        for (std::size_t k = 0; k < made && !seen; ++k)
            seen = so[k] == 1 && ((o[k] < 0x0370 && a.accentof[o[k] - 0x0300]) || (k > 0 && marked(o[k - 1])));
    }
    return seen ? takeaccents(st, o, so, made) : made;
}

} // namespace

namespace {

// Decodes more characters after the last keptchars read and those not yet
// read. Before the input has ended (`pieces`), what has come, and whether
// `lookahead` characters, or fewer up to a line feed, are there to read.
// Once it has ended, what was held back is read as it is, a character cut
// by the end is dropped, and -1 follows the last character.
bool fill(state& st, bool pieces)
{
    chars& ch = st.ch;
    std::size_t from = ch.pos > keptchars ? ch.pos - keptchars : 0;
    std::copy(ch.c + from, ch.c + ch.len, ch.c);
    std::copy(ch.slot + from, ch.slot + ch.len, ch.slot);
    ch.pos -= from;
    ch.len -= from;
    std::size_t made = decodeform(st, st.in.bytes.eof);
    ch.len += made;
    if (pieces)
        return ch.len - ch.pos >= lookahead || std::find(ch.c + ch.pos, ch.c + ch.len, '\n') != ch.c + ch.len;
    // Before the end of the input the conversion loop reads no further than
    // topup found characters for, so only at the end can nothing be left.
    if (made > 0)
        return true;
    ch.slot[ch.len] = 0;
    ch.c[ch.len++] = codec::endofinput;
    return true;
}

} // namespace

bool topup(state& st) { return st.ch.len - st.ch.pos >= lookahead || fill(st, true); }

void fillchars(state& st) { fill(st, false); }

} // namespace kavrel
