// The fast lane: running Devanagari text (the characters of the block,
// spaces, line ends, punctuation) converted straight from the input bytes,
// each character decoded and looked up in one step and its step from the
// current context written as one fixed-size move. The steps are made from
// the writer's actions, so the lane writes what puttch writes; anything else (other
// multi-byte characters, malformed bytes, the last few bytes of the buffer)
// is left to the general way.
#include "convert.hpp"

#include "schemes.hpp"
#include "scripttables.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

namespace sonwick {

namespace {

// The first four bytes at p, the first in the low byte: one load where the
// machine allows it.
inline std::uint32_t fourbytes(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// The lane reads ASCII and the three-byte characters of the block, E0 A4 80
// to E0 A5 BF. An ASCII character's slot is its byte; a block character's
// is its last byte (10xxxxxx) with the low bit of the middle one (A4 or A5)
// in bit 6. Both are worked out without a branch: the mix of ASCII and
// Devanagari in running text is too irregular to be guessed well.
constexpr std::uint32_t blockmask = 0xC0FEFF, blockbits = 0x80A4E0;
static_assert(laneslot(blockstart + 0x3F) == 0xBF && laneslot(blockstart + 0x40) == 0xC0);
constexpr unsigned nuktaslot = laneslot(nukta);

// The step at `row` bytes past `column`, the step of a slot in the first
// row. The context's row is loaded last, so it is added last, in bytes.
inline const lanestep* stepat(const lanestep* column, std::size_t row)
{
    return reinterpret_cast<const lanestep*>(reinterpret_cast<const unsigned char*>(column) + row);
}

// Stands for the last character when the lane has written none: a nukta
// sign joins nothing to it.
constexpr lanestep nostep{};

// Where the lane is: the next byte to read and to write, the context (as
// its row), and the step of the last character written with the context it
// was written from.
struct lanepos {
    const unsigned char* ip;
    unsigned char* o;
    std::size_t row;
    const lanestep* last = &nostep;
    std::size_t lastrow = 0;
    std::uint8_t starts = 0; // over another block: what after it reads with it
    // Over another block, the character before the last one, which a Tamil
    // superscript after a stop and its sign changes too.
    const lanestep* last2 = &nostep;
    std::size_t lastrow2 = 0;
    unsigned lastslot = 0, lastslot2 = 0; // their slots, for a Tamil superscript
    std::size_t lastbytes = 3;            // the last character's bytes, with a superscript after it
};

// In a block lane's starts: a Tamil stop, whose letter a superscript after
// it selects (stopbit); and a vowel sign or virama after one, after which
// the superscript does (signbit). The lane takes both back where it ends.
// A letter that Devanagari's nukta after it joins, as the reader and the
// general way read them, or a superscript makes another with (dotbit), is
// taken back too.
constexpr std::uint8_t stopbit = 0x40, signbit = 0x80, viramabit = 0x20, dotbit = 0x10, followerbits = 0x0F;

// Takes back the last character when a nukta sign could still join it, or
// (over another block) a character after it still make one letter with it,
// leaving it to the general way, which reads the character after it: its
// bytes are unwritten and the context is the one it was written from.
inline void takeback(lanepos& p)
{
    if (p.starts & signbit) {
        p.o -= p.last->n + p.last2->n;
        p.ip -= 6;
        p.row = p.lastrow2;
        p.last = &nostep;
        p.starts = 0;
    } else if (p.last->joined || p.starts) {
        p.o -= p.last->n;
        p.ip -= p.lastbytes;
        p.row = p.lastrow;
        p.last = &nostep;
        p.starts = 0;
    }
}

// What the lane over another script's block adds to the Devanagari one:
// the block's bytes, the Devanagari steps that a joined letter takes, and
// the characters that read with the one before.
struct blockread {
    std::uint32_t bits;        // the block's first two bytes, as blockbits
    char32_t first;            // its first code point
    const lanestep* devanagari; // the Devanagari lane, same contexts
    const slotbits* slots;
    const std::uint8_t (*supers)[4];
    bool nukta; // the block has a nukta, at Devanagari's place
};

// The superscript (1 to 4) that the bytes of w begin with, or 0: U+00B9,
// U+00B2, U+00B3, U+2074.
inline unsigned superscriptof(std::uint32_t w)
{
    switch (w & 0xFFFF) {
    case 0xB9C2: return 1;
    case 0xB2C2: return 2;
    case 0xB3C2: return 3;
    default: return (w & 0xFFFFFF) == 0xB481E2 ? 4 : 0;
    }
}

// Whether the characters of slots `before` and `slot` of block b, and
// those from q on, begin with a letter of several characters (a key of
// the one in `before` whose second is the one in `slot`): true too where
// the bytes from q are past `stopat` or not whole characters, which the
// general way reads.
bool keyat(const blockread& b, unsigned before, unsigned slot, const unsigned char* q, const unsigned char* stopat)
{
    using scripts::tables::reading;
    const scripts::tables::rentry& r = reading.at[b.first + (before - laneblock) - scripts::blocksfirst];
    const char32_t second = b.first + (slot - laneblock);
    for (std::size_t k = r.key0; k < std::size_t(r.key0 + r.nkeys); ++k) {
        const scripts::tables::key& key = reading.keys[k];
        bool same = key.cp[1] == second;
        const unsigned char* at = q;
        for (std::size_t j = 2; same && j < key.n; ++j) {
            if (at > stopat)
                return true;
            std::uint32_t v = fourbytes(at);
            char32_t c;
            if (!(v & 0x80)) {
                c = v & 0x7F;
                at += 1;
            } else if ((v & 0xC0E0) == 0x80C0) {
                c = (v & 0x1F) << 6 | (v >> 8 & 0x3F);
                at += 2;
            } else if ((v & 0xC0C0F0) == 0x8080E0) {
                c = (v & 0x0F) << 12 | (v >> 8 & 0x3F) << 6 | (v >> 16 & 0x3F);
                at += 3;
            } else {
                return true;
            }
            same = c == key.cp[j];
        }
        if (same)
            return true;
    }
    return false;
}

// Converts the characters that start at p.ip up to `stop`, the output
// having room for them all; false when it stops at one the lane does not
// read. Over another block (b), a character that makes one letter with
// the one before stops it too, and that one is taken back.
template <bool stops, bool other = false, bool tamil = false>
bool run(const lanestep* lanes, lanepos& p, const unsigned char* stopat, const blockread* b = nullptr)
{
    const unsigned char* ip = p.ip;
    unsigned char* o = p.o;
    std::size_t row = p.row;
    const lanestep* last = p.last;
    std::size_t lastrow = p.lastrow;
    std::uint8_t starts = p.starts;
    const lanestep* last2 = p.last2;
    std::size_t lastrow2 = p.lastrow2;
    unsigned lastslot = p.lastslot, lastslot2 = p.lastslot2;
    std::size_t lastbytes = p.lastbytes;
    bool whole = true;
    while (ip <= stopat) {
        std::uint32_t w = fourbytes(ip);
        std::uint32_t high = (w >> 7) & 1; // 0 for ASCII, 1 for anything else
        if (((w & blockmask) ^ (other ? b->bits : blockbits)) & (0u - high)) {
            if constexpr (tamil) {
                // A superscript after a stop, or after the vowel sign or
                // virama of one, selects the letter of the stop's row: the
                // stop (and the sign) written again. After the virama, a
                // character that makes one letter with the virama (ra, of
                // vocalic r's sign) is the general way's, and so is one
                // past what the lane may read.
                unsigned d = superscriptof(w);
                bool afterstop = starts & stopbit;
                bool aftersign = (starts & (signbit | viramabit)) == signbit;
                if (d && !afterstop && (starts & viramabit)) {
                    const unsigned char* q = ip + 2 + (d == 4);
                    if (q <= stopat) {
                        std::uint32_t v = fourbytes(q);
                        if (!(v & 0x80))
                            aftersign = true;
                        else if (!((v & blockmask) ^ b->bits))
                            aftersign = !(b->slots[((v >> 16) & 0xFF) | ((v >> 2) & 0x40)].follows & starts & followerbits);
                    }
                }
                if (d && (afterstop || aftersign)) {
                    const lanestep* letter = afterstop ? last : last2;
                    std::size_t from = afterstop ? lastrow : lastrow2;
                    unsigned selected = b->supers[afterstop ? lastslot : lastslot2][d - 1];
                    if (selected) {
                        o -= last->n + (afterstop ? 0 : letter->n);
                        const lanestep* s = stepat(&b->devanagari[selected], from);
                        last2 = s;
                        lastrow2 = from;
                        std::memcpy(o, s, sizeof *s);
                        o += s->n;
                        row = s->nextrow;
                        last = s;
                        lastrow = from;
                        if (!afterstop) {
                            const lanestep* t = stepat(&lanes[lastslot], row);
                            std::memcpy(o, t, sizeof *t);
                            o += t->n;
                            last = t;
                            lastrow = row;
                            row = t->nextrow;
                        }
                        // After the sign the letter is settled; right after
                        // the letter, Devanagari's nukta may still join it.
                        last2 = &nostep;
                        if (!afterstop)
                            last = &nostep;
                        starts = last->joined ? dotbit : 0;
                        lastbytes = 3 + 2 + (d == 4);
                        ip += 2 + (d == 4);
                        continue;
                    }
                }
            }
            whole = false;
            break;
        }
        unsigned slot = ((w >> (high << 4)) & 0xFF) | ((w >> 2) & (high << 6));
        const lanestep* s = stepat(&lanes[slot], row);
        [[maybe_unused]] std::uint8_t nextstarts = 0, nextsigns = 0;
        if constexpr (other) {
            // It and the character before read as one letter, or its step
            // is one the lane cannot take: the general way's (the one
            // before taken back at the end). A nukta sign that joins the
            // consonant before takes the joined letter's step instead of
            // its own.
            if (s->breaks & (starts | stopbreak)) {
                bool joins = slot == nuktaslot && last->joined && b->nukta;
                bool follows = s->breaks & starts & followerbits;
                bool takes = joins && !follows;
                // Over Tamil, where letters of three and four characters
                // begin with common pairs (a virama and ra, ra and u, of
                // vocalic r), a pair that the rest of no such letter
                // follows is the lane's.
                if constexpr (tamil)
                    takes = takes || (follows && !joins && !(s->breaks & stopbreak) &&
                                      !keyat(*b, lastslot, slot, ip + 3, stopat));
                if (!takes) {
                    whole = false;
                    break;
                }
            }
            nextstarts = s->starts;
            if constexpr (tamil)
                nextsigns = s->signs;
        }
        if (slot == nuktaslot && last->joined && (!other || b->nukta)) {
            // The consonant just written and this nukta sign are one
            // letter, written in place of the consonant from the context
            // the consonant was written from.
            o -= last->n;
            row = lastrow;
            s = stepat(other ? &b->devanagari[last->joined] : &lanes[last->joined], row);
            if constexpr (other) {
                if (s->n == stop) {
                    whole = false;
                    break;
                }
            }
        }
        // A step the lane cannot take (an accent put on the vowel before)
        // is the general way's.
        if constexpr (stops && !other) {
            if (s->n == stop) {
                whole = false;
                break;
            }
        }
        if constexpr (tamil) {
            last2 = last;
            lastrow2 = lastrow;
            lastslot2 = lastslot;
            lastslot = slot;
            lastbytes = 3;
        }
        last = s;
        lastrow = row;
        std::memcpy(o, s, sizeof *s);
        o += s->n;
        row = s->nextrow;
        if constexpr (tamil)
            starts = static_cast<std::uint8_t>(nextstarts | (nextsigns & (0u - ((starts >> 6) & 1u))));
        else if constexpr (other)
            starts = nextstarts;
        // Tested on the byte itself, the step to the next character waits
        // on nothing but the load. Over Tamil the compiler makes the test
        // a branch, which its mix of ASCII superscripts and letters
        // defeats: there the length is worked out.
        if constexpr (tamil)
            ip += 1 + 2 * high;
        else
            ip = (w & 0x80) ? ip + 3 : ip + 1;
    }
    p = {ip, o, row, last, lastrow, starts, last2, lastrow2, lastslot, lastslot2, lastbytes};
    return whole;
}

} // namespace

// ---------------------------------------------------------------- The other scripts

// The lane over another block reads each of its characters as the
// Devanagari it stands for, as the scripts' reader reads it alone: the
// steps of that Devanagari, one after the other (a chillu or khanda ta
// stands for two), from each context. A letter and the script's nukta
// that make a Devanagari nukta letter are joined as Devanagari's are. A
// character that a following one may make another letter with (a vowel
// sign whose second part may follow, a letter before Gurmukhi's virama
// and ha, one before a nukta that makes another letter than sonwick's
// join would) is written at once and taken back when one of those
// follows. Tamil's stops, whose superscript may come after their sign,
// Gurmukhi's addak, a letter the scheme cannot spell and one the reader
// does not know are the general way's.
namespace {

using scripts::tables::reading;

// The block's lane for writer w: its steps, and the followers.
void makeblocklane(blocklane& l, lanestep* steps, const writer& w, std::size_t block)
{
    scripts::keepset keep;
    keep.bits[0] = w.unspellable[0];
    keep.bits[1] = w.unspellable[1];
    const char32_t first = static_cast<char32_t>(blockstart) + static_cast<char32_t>(block * blocksize);
    std::vector<char32_t> followers; // each has the bit of its place, from 1
    // The block's nukta, where it has one that reads as Devanagari's.
    const char32_t dot = first + (nuktaslot - laneblock);
    const scripts::tables::rentry& n = reading.at[dot - scripts::blocksfirst];
    const bool hasnukta = n.set && n.n == 1 && n.dev[0] == static_cast<char32_t>(nukta);
    l.nukta = hasnukta;
    bool usable[blocksize] = {}, joins[blocksize] = {};
    char32_t joinedto[blocksize] = {}; // the letter each joins into with the nukta
    for (std::size_t i = 0; i < blocksize; ++i) {
        char32_t c = first + static_cast<char32_t>(i);
        const scripts::tables::rentry& r = reading.at[c - scripts::blocksfirst];
        bool ok = r.set && r.p != scripts::tables::pass::slow && inblock(static_cast<lchar>(r.dev[0])) &&
                  !scripts::kept(keep, r.dev[0]) && (r.n == 1 || inblock(static_cast<lchar>(r.dev[1])));
        if (r.stop)
            l.bits[laneblock + i].starts |= stopbit;
        scripts::kind k = scripts::tables::kindof(r.dev[0]);
        if (r.n == 1 && (k == scripts::kind::vowelsign || k == scripts::kind::virama))
            l.bits[laneblock + i].signs = k == scripts::kind::virama ? signbit | viramabit : signbit;
        for (int d = 1; r.stop && d <= 4; ++d) {
            char32_t sel = scripts::tables::stopletter(c, d);
            if (sel && inblock(static_cast<lchar>(sel)) && !scripts::kept(keep, sel))
                l.supers[laneblock + i][d - 1] = static_cast<std::uint8_t>(laneslot(static_cast<lchar>(sel)));
            l.tamil = true;
        }
        // The lane joins it and the nukta where sonwick joins what the
        // reader reads them as: the letter of their reading (the key's) is
        // the one sonwick joins its reading and the nukta into, or with no
        // key they read apart and the nukta as Devanagari's.
        char32_t joined = r.n == 1 && inblock(static_cast<lchar>(r.dev[0]))
                              ? static_cast<char32_t>(w.at[r.dev[0] - static_cast<char32_t>(blockstart)].nuktaform)
                              : 0;
        // A letter that the nukta after it makes another (Gurmukhi's sa,
        // sha with it) is joined into that one as one that Devanagari's
        // nukta joins.
        for (std::size_t k = r.key0; !joined && r.n == 1 && k < std::size_t(r.key0 + r.nkeys); ++k) {
            const scripts::tables::key& key = reading.keys[k];
            if (key.n == 2 && key.cp[1] == dot && inblock(static_cast<lchar>(key.dev)) && !scripts::kept(keep, key.dev))
                joined = key.dev;
        }
        bool keyed = false;
        for (std::size_t k = r.key0; k < std::size_t(r.key0 + r.nkeys); ++k)
            keyed = keyed || (reading.keys[k].n == 2 && reading.keys[k].cp[1] == dot);
        joins[i] = hasnukta && joined && !(keyed ? false : scripts::kept(keep, n.dev[0]));
        for (std::size_t k = r.key0; ok && k < std::size_t(r.key0 + r.nkeys); ++k) {
            const scripts::tables::key& key = reading.keys[k];
            char32_t f = key.cp[1];
            if (r.stop && scripts::tables::superdigit(f))
                continue; // a Tamil stop's superscript: see run
            if (key.n == 2 && scripts::tables::superdigit(f)) {
                // A superscript after it makes another letter (Tamil's
                // anusvara and candrabindu): it is taken back where the
                // lane ends, and a superscript after it ends the lane.
                l.bits[laneblock + i].starts |= dotbit;
                continue;
            }
            if (key.n == 2 && f == dot && joins[i] && key.dev == joined && !scripts::kept(keep, key.dev))
                continue; // joined in the lane
            if (f == dot)
                joins[i] = false;
            std::size_t bit = std::find(followers.begin(), followers.end(), f) - followers.begin();
            if (f - first >= blocksize || (bit == followers.size() && followers.size() == 4)) {
                ok = false; // one the lane cannot take back for
                break;
            }
            if (bit == followers.size())
                followers.push_back(f);
            l.bits[laneblock + i].starts |= static_cast<std::uint8_t>(1u << bit);
        }
        if (joined)
            l.bits[laneblock + i].starts |= dotbit;
        joinedto[i] = joined;
        usable[i] = ok;
        if (!ok)
            l.bits[laneblock + i].starts = l.bits[laneblock + i].signs = 0;
    }
    for (std::size_t b = 0; b < followers.size(); ++b)
        l.bits[laneblock + (followers[b] - first)].follows = static_cast<std::uint8_t>(1u << b);
    for (int k = 0; k < w.ncontexts; ++k)
        for (unsigned slot = 0; slot < laneslots; ++slot) {
            lanestep& st = steps[static_cast<std::size_t>(k) * laneslots + slot];
            st = w.lanes[static_cast<std::size_t>(k) * laneslots + slot];
            if (slot < laneblock)
                continue; // ASCII, as for Devanagari
            std::size_t i = slot - laneblock;
            const scripts::tables::rentry& r = reading.at[first + static_cast<char32_t>(i) - scripts::blocksfirst];
            if (!usable[i]) {
                st = lanestep{};
                st.n = stop;
                continue;
            }
            const lanestep& a = stepof(w, static_cast<std::size_t>(k) * rowbytes, laneslot(static_cast<lchar>(r.dev[0])));
            st = a;
            st.joined = joins[i] ? static_cast<std::uint8_t>(laneslot(static_cast<lchar>(joinedto[i]))) : 0;
            if (r.n == 2 && a.n != stop) {
                // The second from the context the first leaves; written
                // together, in one padded move, two bytes at most for each
                // byte read, as every step.
                const lanestep& b = stepof(w, a.nextrow, laneslot(static_cast<lchar>(r.dev[1])));
                if (b.n == stop || a.n + b.n > 6) {
                    st.n = stop;
                    continue;
                }
                for (std::size_t j = 0; j < b.n; ++j)
                    st.text[a.n + j] = b.text[j];
                st.n = static_cast<std::uint8_t>(a.n + b.n);
                st.nextrow = b.nextrow;
                st.joined = 0;
            }
        }
    // Each step carries its slot's bits, read with the step itself.
    for (std::size_t k = 0; k < static_cast<std::size_t>(w.ncontexts) * laneslots; ++k) {
        const slotbits& sb = l.bits[k % laneslots];
        steps[k].breaks = static_cast<std::uint8_t>(sb.follows | (steps[k].n == stop ? stopbreak : 0));
        steps[k].starts = sb.starts;
        steps[k].signs = sb.signs;
    }
}

} // namespace

const blocklane* blocklanefor(std::size_t scheme, std::size_t block)
{
    static std::once_flag once[schemes::count][otherblocks];
    static std::unique_ptr<blocklane> made[schemes::count][otherblocks];
    static std::unique_ptr<lanestep[]> steps[schemes::count][otherblocks];
    if (scheme >= schemes::count || block < 1 || block > otherblocks)
        return nullptr;
    std::call_once(once[scheme][block - 1], [scheme, block] {
        const writer& w = writerfor(scheme);
        std::unique_ptr<blocklane> l(new (std::nothrow) blocklane);
        std::unique_ptr<lanestep[]> s(new (std::nothrow) lanestep[static_cast<std::size_t>(w.ncontexts) * laneslots]);
        if (!l || !s)
            return;
        makeblocklane(*l, s.get(), w, block);
        l->lanes = s.get();
        steps[scheme][block - 1] = std::move(s);
        made[scheme][block - 1] = std::move(l);
    });
    return made[scheme][block - 1].get();
}

namespace {

// The other block whose character starts at in.pos (1 to 8), or 0.
std::size_t blockat(const codec::bytein& in)
{
    if (in.len - in.pos < 3 || in.buf[in.pos] != 0xE0)
        return 0;
    unsigned second = in.buf[in.pos + 1];
    return second >= 0xA6 && second <= 0xB5 ? (second - 0xA4) / 2 : 0;
}

// The last place in the input buffer a lane may read a character at, or
// null when there is too little to start. Four bytes are read for every
// character, whatever its length. Once the input has ended, three zero
// bytes after its last are read in place of what follows, which no
// character of the lane ends in: the lane goes on to the last byte (a word
// is read to its end), and a character cut by the end is still the general
// way's.
const unsigned char* lastread(codec::bytein& in)
{
    constexpr std::size_t readsize = 4;
    if (in.eof && in.len > in.pos && codec::bufsize - in.len >= readsize - 1) {
        std::memset(in.buf + in.len, 0, readsize - 1);
        return in.buf + in.len - 1;
    }
    return in.len - in.pos >= readsize ? in.buf + in.len - readsize : nullptr;
}

// Runs a lane from in.pos for as long as `step` (one of the run
// instantiations, inlined) goes on, draining the output between its runs.
template <class Step> void lanes(state& st, Step step)
{
    codec::bytein& in = st.in.bytes;
    codec::byteout& out = st.out.bytes;
    const unsigned char* const ilast = lastread(in);
    if (!ilast)
        return;
    unsigned char* const olast = out.buf + codec::bufsize - sizeof(lanestep);
    lanepos p{in.buf + in.pos, out.buf + out.len, st.ctx * rowbytes};
    while (p.ip <= ilast) {
        if (p.o > olast) {
            // A joined letter is written over its consonant's text, which
            // must still be in the buffer.
            takeback(p);
            out.len = static_cast<std::size_t>(p.o - out.buf);
            bool ok = codec::drain(out);
            p.o = out.buf + out.len;
            if (!ok)
                break;
        }
        std::size_t room = static_cast<std::size_t>(olast - p.o) / 2;
        std::size_t left = static_cast<std::size_t>(ilast - p.ip);
        if (!step(p, p.ip + (room < left ? room : left)))
            break;
    }
    takeback(p);
    in.pos = static_cast<std::size_t>(p.ip - in.buf);
    out.len = static_cast<std::size_t>(p.o - out.buf);
    st.ctx = static_cast<std::uint8_t>(p.row / rowbytes);
}

// The lane over another block from in.pos, as fastlane runs the
// Devanagari one.
void blockfastlane(state& st, const blocklane& l, std::size_t block)
{
    const blockread b{blockbits + static_cast<std::uint32_t>(block * 2) * 0x100,
                      static_cast<char32_t>(blockstart) + static_cast<char32_t>(block * blocksize), st.w->lanes, l.bits,
                      l.supers, l.nukta};
    lanes(st, [&l, &b](lanepos& p, const unsigned char* until) {
        return l.tamil ? run<true, true, true>(l.lanes, p, until, &b) : run<true, true>(l.lanes, p, until, &b);
    });
}

} // namespace

void fastlane(state& st)
{
    const lanestep* const steps = st.w->lanes;
    const bool stops = st.w->stops;
    lanes(st, [steps, stops](lanepos& p, const unsigned char* until) {
        return stops ? run<true>(steps, p, until) : run<false>(steps, p, until);
    });
    codec::bytein& in = st.in.bytes;
    // Stopped at a character of another script: the lane over its block
    // goes on from there, and so on while the text keeps to the blocks.
    for (std::size_t block; (block = blockat(in)) != 0;) {
        const blocklane* l = blocklanefor(st.scheme, block);
        std::size_t from = in.pos;
        if (l)
            blockfastlane(st, *l, block);
        if (!l || in.pos == from)
            break;
    }
}

} // namespace sonwick
