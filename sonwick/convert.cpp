#include "convert.hpp"

#include "schemes.hpp"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <mutex>
#include <new>

namespace sonwick {

namespace {

// The ISO 15919 writer, made at compile time: the fast lane's premises are
// checked on it below.
constexpr writer makeiso()
{
    writer w{};
    makewriter(w, schemes::all[0]);
    return w;
}
constexpr writer isowriter = makeiso();

static_assert(isowriter.ncontexts == 5, "neutral, after A, a consonant pending, one that h aspirates, closed");
static_assert(!isowriter.stops, "the lane takes every character of the block and ASCII");
static_assert(!isowriter.full, "every row, class and context has its room");

// The bytes a drain keeps for an accent to be put on the vowel before: a
// vowel's last letter with its marks and the signs after it.
constexpr std::size_t accentroom = 24;

} // namespace

const writer& writerfor(std::size_t scheme)
{
    if (scheme == 0)
        return isowriter;
    static std::once_flag once[schemes::count];
    static std::unique_ptr<writer> made[schemes::count];
    std::call_once(once[scheme], [scheme] {
        auto w = std::make_unique<writer>();
        makewriter(*w, schemes::all[scheme]);
        if (w->full)
            std::abort(); // never: the tests make every scheme's writer
        made[scheme] = std::move(w);
    });
    return *made[scheme];
}

state* newstate() { return new (std::nothrow) state; }
void freestate(state* st) { delete st; }

bool start(state& st, vocab::scheme s, vocab::sink out)
{
    codec::open(st.in.bytes);
    codec::open(st.out.bytes, out);
    st.in.f = st.out.f = codec::form::utf8;
    st.fastlane = true;
    st.held = codec::endofinput;
    auto k = static_cast<std::size_t>(s);
    st.done = k >= schemes::count;
    st.w = st.done ? nullptr : &writerfor(k);
    st.ctx = st.done ? 0 : st.w->neutral;
    st.out.bytes.keep = !st.done && st.w->accentmark[1] ? accentroom : 0;
    if (!st.done) {
        // A letter the scheme cannot spell stays in the script it came in.
        scripts::keepset keep;
        keep.bits[0] = st.w->unspellable[0];
        keep.bits[1] = st.w->unspellable[1];
        scripts::start(st.reader, keep);
    }
    st.scheme = static_cast<std::uint8_t>(k);
    return !st.done;
}

namespace {

// Where the UTF-8 character that ends at `end` starts.
std::size_t charstart(const unsigned char* b, std::size_t end)
{
    std::size_t at = end;
    while (at > 0 && (b[at - 1] & 0xC0) == 0x80)
        --at;
    return at > 0 ? at - 1 : 0;
}

// Puts the accent's mark on the syllable's vowel, written before `signs`
// signs: its last letter, with the marks after it, is composed again with
// the mark, and the signs follow. False when the vowel is not there to
// change (never: a drain keeps it).
bool putaccent(state& st, int signs, lchar mark)
{
    codec::byteout& o = st.out.bytes;
    const writer& w = *st.w;
    std::size_t end = o.len;
    for (int i = 0; i < signs; ++i) {
        bool found = false;
        for (int k = 0; k < w.nsigns && !found; ++k) {
            codec::shortbytes t;
            addtext(t, w.signs[k].spelling());
            if (t.n <= end && std::memcmp(o.buf + end - t.n, t.b, t.n) == 0) {
                end -= t.n;
                found = true;
            }
        }
        if (!found)
            return false;
    }
    // The letter: a base character and the marks after it, read backwards.
    lchar run[compose::maxcomposed];
    int n = 0;
    std::size_t at = end;
    while (at > 0 && n < compose::maxcomposed - 1) {
        std::size_t from = charstart(o.buf, at);
        int b1 = o.buf[from];
        lchar c = b1 < 0x80 ? b1 : codec::utf8value(b1, o.buf + from + 1);
        run[n++] = c;
        at = from;
        if (compose::combiningclass(c) == 0)
            break;
    }
    if (n == 0 || compose::combiningclass(run[n - 1]) != 0)
        return false;
    std::reverse(run, run + n);
    run[n++] = mark;
    lchar made[4 * compose::maxcomposed];
    int k = compose::nfc(run, n, made, static_cast<int>(std::size(made)));
    if (k < 0)
        return false;
    codec::shortbytes letter;
    for (int i = 0; i < k && letter.n + 4u <= sizeof letter.b; ++i)
        letter.n = static_cast<std::uint8_t>(letter.n + codec::utf8encode(made[i], letter.b + letter.n));
    std::size_t signbytes = o.len - end, old = end - at;
    if (o.len - old + letter.n > codec::bufsize)
        return false;
    std::memmove(o.buf + at + letter.n, o.buf + end, signbytes);
    std::memcpy(o.buf + at, letter.b, letter.n);
    o.len = at + letter.n + signbytes;
    return true;
}

} // namespace

// One character: the "a" and separator its context asks for and its row's
// text, all worked out in advance and written as one fixed-size move, then
// the character itself when it is copied.
void puttch(state& st, lchar c)
{
    const daction& a = actionof(*st.w, st.ctx, c);
    if (a.accent) {
        // Room for the mark, the tail kept by the drain.
        if (codec::bufsize - st.out.bytes.len < 8)
            codec::drain(st.out.bytes);
        if (!putaccent(st, st.w->contexts[st.ctx].vowelled - 1, st.w->accentmark[a.accent]))
            codec::putuch(st.out, c);
        st.ctx = a.next;
        return;
    }
    codec::putshort(st.out.bytes, a.text);
    if (a.copy)
        codec::putuch(st.out, c);
    st.ctx = a.next;
}

void puttend(state& st)
{
    if (st.w->contexts[st.ctx].pending)
        codec::putbyte(st.out.bytes, 'a');
    st.ctx = st.w->neutral;
}

namespace {

// Whether the bytes not yet taken start with a whole character.
bool whole(const codec::bytein& in)
{
    std::size_t left = in.len - in.pos;
    if (left == 0)
        return false;
    int b1 = in.buf[in.pos];
    return b1 < 0x80 || left > static_cast<std::size_t>(codec::utf8tail(b1));
}

// Every Devanagari character is held back until the next one is read, so
// that a consonant directly followed by the nukta sign can be read as the
// precomposed consonant the two stand for.
void take(state& st, lchar c)
{
    const writer& w = *st.w;
    if (c == nukta && entryof(w, st.held).nuktaform) {
        st.held = entryof(w, st.held).nuktaform;
        return;
    }
    if (st.held >= 0)
        puttch(st, st.held);
    st.held = c;
}

// Whether a character lies in the blocks of the other eight scripts.
constexpr bool otherscript(lchar c) { return c >= 0x0980 && c < 0x0D80; }

// Reads `n` characters (none: the end of the text) through the scripts'
// reader and takes the Devanagari it gives.
void readscripts(state& st, const char32_t* c, std::size_t n)
{
    char32_t dev[scripts::readroom(1)];
    std::size_t k = scripts::read(st.reader, c, n, n == 0, dev);
    for (std::size_t i = 0; i < k; ++i)
        take(st, static_cast<lchar>(dev[i]));
}

} // namespace

void process(state& st)
{
    if (st.done)
        return;
    const writer& w = *st.w;
    codec::bytein& in = st.in.bytes;
    lchar& held = st.held;
    while (!st.out.bytes.error) {
        if (st.fastlane && !st.reader.nq && !entryof(w, held).nuktaform) {
            // No nukta sign can join the held character, so it is written
            // now, and the fast lane starts from an empty hand.
            if (held >= 0)
                puttch(st, held);
            held = codec::endofinput;
            fastlane(st);
        }
        // Before the end of the input, a character cut by the end of the
        // piece waits for the next.
        if (!in.eof && !whole(in))
            return;
        lchar c = codec::getuch(st.in);
        if (c < 0)
            break;
        if (st.reader.nq || otherscript(c)) {
            char32_t one = static_cast<char32_t>(c);
            readscripts(st, &one, 1);
        } else {
            take(st, c);
        }
    }
    readscripts(st, nullptr, 0);
    if (held >= 0 && !st.out.bytes.error)
        puttch(st, held);
    held = codec::endofinput;
    puttend(st);
    codec::finish(st.out.bytes);
    st.done = true;
}

std::span<unsigned char> room(state& st) { return codec::room(st.in.bytes); }

void fed(state& st, std::size_t n, bool last)
{
    codec::fed(st.in.bytes, n, last);
    process(st);
}

void flush(state& st)
{
    // The vowel an accent may still come for stays; all else goes out.
    codec::byteout& o = st.out.bytes;
    std::size_t keep = o.keep;
    if (st.w && !st.w->contexts[st.ctx].vowelled)
        o.keep = 0;
    codec::drain(o);
    o.keep = keep;
}

vocab::outcome outcome(const state& st) { return {st.out.bytes.error, false}; }

} // namespace sonwick
