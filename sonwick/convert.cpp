#include "convert.hpp"

#include "schemes.hpp"

#include <cstdlib>
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
static_assert(twoperbyte(isowriter), "the lane writes at most two bytes for each byte it reads");
static_assert(!isowriter.full, "every row, class and context has its room");

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
        if (w->full || !twoperbyte(*w))
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
    return !st.done;
}

// One character: the "a" and separator its context asks for and its row's
// text, all worked out in advance and written as one fixed-size move, then
// the character itself when it is copied.
void puttch(state& st, lchar c)
{
    const daction& a = actionof(*st.w, st.ctx, c);
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

} // namespace

void process(state& st)
{
    if (st.done)
        return;
    const writer& w = *st.w;
    codec::bytein& in = st.in.bytes;
    // Every character is held back until the next one is read, so that a
    // consonant directly followed by the nukta sign can be read as the
    // precomposed consonant the two stand for.
    lchar& held = st.held;
    while (!st.out.bytes.error) {
        if (st.fastlane && !entryof(w, held).nuktaform) {
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
        if (c == nukta && entryof(w, held).nuktaform) {
            held = entryof(w, held).nuktaform;
            continue;
        }
        if (held >= 0)
            puttch(st, held);
        held = c;
    }
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

void flush(state& st) { codec::drain(st.out.bytes); }

vocab::outcome outcome(const state& st) { return {st.out.bytes.error, false}; }

} // namespace sonwick
