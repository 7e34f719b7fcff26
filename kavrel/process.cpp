// The driver of one conversion: the input and output forms, the byte-order
// marks, and the loop of unit reader and syllable writer.
#include "convert.hpp"

#include "schemes.hpp"

#include <algorithm>
#include <atomic>
#include <iterator>
#include <memory>
#include <mutex>
#include <new>

namespace kavrel {

state* newstate() { return new (std::nothrow) state; }
void freestate(state* st) { delete st; }

bool start(state& st, const options& opt, vocab::sink out)
{
    st.opt = opt;
    st.in.f = opt.input == codec::form::detect ? codec::form::utf8 : opt.input;
    st.out.f = codec::form::utf8;
    codec::open(st.in.bytes);
    // Another script: the Devanagari goes through the stage to the sink.
    auto script = static_cast<scripts::script>(opt.script);
    bool knownscript = static_cast<std::size_t>(opt.script) < scripts::count;
    bool other = knownscript && script != scripts::script::devanagari;
    st.scripted = other && startstage(st.stage, script, out);
    st.nomemory = other && !st.scripted;
    codec::open(st.out.bytes, st.scripted ? vocab::sink{writestage, &st} : out);
    st.ch.pos = st.ch.len = 0;
    // The compositions made lately are kept: each is that of its run in
    // any conversion, and clearing them would cost a state reused for
    // short texts more than its conversion.
    st.queuedtch = tchar{};
    st.queued = false;
    st.sylstate = SYL_VOWEL;
    st.nheld = 0;
    st.passage = false;
    st.afterlinefeed = false;
    st.accents = nullptr;
    st.flushed = false;
    st.fastlane = true;
    st.dict = nullptr;
    st.lanes = nullptr;
    st.pairs = nullptr;
    bool known = static_cast<std::size_t>(opt.scheme) < schemes::count && knownscript;
    st.sch = known ? &schemes::all[static_cast<std::size_t>(opt.scheme)] : nullptr;
    st.at = known && !st.nomemory ? state::stage::first : state::stage::done;
    return known;
}

const vocabulary* vocabularyfor(const options& opt, codec::form out)
{
    // One for each scheme, -s, -n, --nfc and output form, made when first asked
    // for; the options of the input form do not change it.
    constexpr std::size_t kinds = schemes::count * 2 * 2 * 2 * std::size(codec::forms);
    static std::once_flag once[kinds];
    static std::unique_ptr<vocabulary> made[kinds];
    // Once made, a vocabulary is found with one atomic load, not through
    // call_once, which calls into the C library each time: a conversion of
    // a word asks twice.
    static std::atomic<const vocabulary*> ready[kinds];
    std::size_t form = static_cast<std::size_t>(&codec::rowof(out) - codec::forms);
    std::size_t k = (((static_cast<std::size_t>(opt.scheme) * 2 + opt.sanskrit) * 2 + opt.numerals) * 2 + opt.nfc) *
                        std::size(codec::forms) + form;
    if (k >= kinds)
        return nullptr;
    if (const vocabulary* v = ready[k].load(std::memory_order_acquire))
        return v;
    std::call_once(once[k], [&] {
        std::unique_ptr<vocabulary> v(new (std::nothrow) vocabulary);
        if (!v)
            return;
        if (!fill(v->dict, opt))
            return; // never: the tests fill every scheme under every option
        encode(v->dict, out);
        prepareaccents(v->accents, v->dict, schemes::all[static_cast<std::size_t>(opt.scheme)]);
        // The fast lane knows the letters of the ISO 15919 dialect alone.
        if (opt.scheme == vocab::scheme::iso)
            lane::prepare(v->lanes, v->dict, opt, out);
        else
            lane::preparepairs(v->pairs, v->lanes, v->dict, opt, out);
        made[k] = std::move(v);
        ready[k].store(made[k].get(), std::memory_order_release);
    });
    return made[k].get();
}

namespace {

// Whether n bytes are there to take.
bool there(const codec::bytein& b, std::size_t n) { return b.len - b.pos >= n; }

// Settles the input form from the options and a byte-order mark, which is
// taken from the input; the first character itself stays there to be read.
// False when the input ends before a whole first character: then nothing at
// all is written. Called once four bytes have come, or the input has ended.
bool readfirst(state& st)
{
    codec::input& in = st.in;
    codec::bytein& b = in.bytes;
    if (!there(b, 1))
        return false;
    int b1 = b.buf[b.pos];
    bool forced = st.opt.input != codec::form::detect;
    bool ucs2 = codec::rowof(in.f).width == 2;
    // A mark is taken whether or not an option overrides it.
    for (const codec::formrow& r : codec::forms) {
        if (r.width != 2 || b1 != r.mark[0])
            continue;
        if (there(b, 2) && b.buf[b.pos + 1] == r.mark[1]) {
            if (!forced)
                in.f = r.f;
            b.pos += 2;
            return true;
        }
    }
    if (ucs2)
        return there(b, 2);
    if (b1 < 0x80)
        return true;
    int tail = codec::utf8tail(b1);
    if (!there(b, 1 + static_cast<std::size_t>(tail)))
        return false;
    // A UTF-8 byte-order mark is skipped and never written. Only the
    // three-byte form is taken for one: two bytes cannot make it, and four
    // make it only as an overlong form.
    lchar c = codec::utf8value(b1, b.buf + b.pos + 1);
    if (tail == 2 && (c == 0xFEFF || c == 0xFFFE))
        b.pos += 3;
    return true;
}

// Settles the output form and the vocabulary once the first character has
// been read, and writes the output's byte-order mark; false when nothing is
// to be converted.
bool begin(state& st)
{
    if (!readfirst(st))
        return false;
    // Without an output option the output takes the input's form. Written
    // in another script, the Devanagari stays UTF-8 on its way to the stage,
    // whose output takes the form.
    st.out.f = st.opt.output == codec::form::detect ? st.in.f : st.opt.output;
    codec::output& final = st.scripted ? st.stage->out : st.out;
    if (st.scripted) {
        final.f = st.out.f;
        st.out.f = codec::form::utf8;
    }
    const vocabulary* v = vocabularyfor(st.opt, st.out.f);
    if (!v) {
        st.nomemory = true;
        return false;
    }
    st.dict = &v->dict;
    st.lanes = &v->lanes;
    st.pairs = &v->pairs;
    // The script's own lane, where it could be made; else the general way.
    st.slanes = st.scripted ? scriptlanesfor(st.opt, final.f) : nullptr;
    st.accents = v->accents.marks ? &v->accents : nullptr;
    const codec::formrow& out = codec::rowof(final.f);
    if (out.width == 2) {
        codec::putbyte(final.bytes, out.mark[0]);
        codec::putbyte(final.bytes, out.mark[1]);
    }
    return true;
}

// Whether the next turn of the loop may read its units: always once the
// input has ended; before, when enough characters are there (see topup),
// or a line feed that a rule read ahead waits to be written.
bool ready(state& st)
{
    return st.in.bytes.eof || topup(st) || (st.queued && st.queuedtch.n == 1 && st.queuedtch.c[0] == '\n');
}

} // namespace

void process(state& st)
{
    codec::bytein& in = st.in.bytes;
    if (st.at == state::stage::first) {
        // A byte-order mark and the first character take four bytes at
        // most.
        if (!in.eof && in.len - in.pos < 4)
            return;
        st.at = begin(st) ? state::stage::units : state::stage::done;
    }
    if (st.at != state::stage::units || !ready(st))
        return;
    tchar unit;
    int more;
    do {
        // The fast lane knows nothing of held accents and passages.
        if (st.fastlane && !st.queued && !st.nheld && !st.passage)
            fastlane(st);
        gettch(st, unit);
    } while ((more = putdch(st, unit)) >= 0 && !st.out.bytes.error && ready(st));
    if (more < 0 || st.out.bytes.error)
        st.at = state::stage::done;
}

} // namespace kavrel

namespace kavrel {

std::span<unsigned char> room(state& st) { return codec::room(st.in.bytes); }

void fed(state& st, std::size_t n, bool last)
{
    codec::fed(st.in.bytes, n, last);
    process(st);
    if (last && !st.flushed) {
        codec::finish(st.out.bytes);
        st.flushed = true;
    }
}

void flush(state& st)
{
    codec::drain(st.out.bytes);
    if (st.scripted)
        codec::drain(st.stage->out.bytes);
}

vocab::outcome outcome(const state& st) { return {st.out.bytes.error, st.nomemory}; }

} // namespace kavrel
