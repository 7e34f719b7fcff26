// Devanagari written in another script: the stage between the syllable
// writer's output and the sink. The conversion writes its Devanagari in
// UTF-8 as it always does; each block of it is read back into code points,
// goes through the scripts' writer, which keeps back the few that what
// follows may still change, and is written in the output's form.
#include "convert.hpp"

#include "schemes.hpp"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <iterator>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

namespace kavrel {

bool startstage(std::unique_ptr<scriptstage>& g, scripts::script s, vocab::sink out)
{
    if (!g)
        g.reset(new (std::nothrow) scriptstage);
    if (!g)
        return false;
    scripts::start(g->w, s);
    codec::open(g->out.bytes, out);
    g->out.f = codec::form::utf8;
    return true;
}

namespace {

// Writes n code points of Devanagari through the writer to the output;
// `last` ends the text.
void writethrough(scriptstage& g, const char32_t* in, std::size_t n, bool last)
{
    std::size_t k = scripts::write(g.w, in, n, last, g.written);
    for (std::size_t i = 0; i < k; ++i)
        codec::putuch(g.out, static_cast<lchar>(g.written[i]));
}

} // namespace

std::ptrdiff_t writestage(void* context, const unsigned char* buf, std::size_t size)
{
    scriptstage& g = *static_cast<state*>(context)->stage;
    if (size == 0) {
        writethrough(g, nullptr, 0, true);
        codec::finish(g.out.bytes);
    }
    // The UTF-8 the conversion wrote: whole characters, since each is
    // written where it fits whole, so that no buffer ends inside one.
    std::size_t n = 0;
    for (std::size_t at = 0; at < size;) {
        int b1 = buf[at];
        std::size_t len = b1 < 0x80 ? 1 : 1 + static_cast<std::size_t>(codec::utf8tail(b1));
        g.in[n++] = static_cast<char32_t>(b1 < 0x80 || at + len > size ? b1 : codec::utf8value(b1, buf + at + 1));
        at += at + len > size ? 1 : len;
        if (n == scriptstage::block) {
            writethrough(g, g.in, n, false);
            n = 0;
        }
    }
    writethrough(g, g.in, n, false);
    if (g.out.bytes.error) {
        errno = g.out.bytes.error;
        return -1;
    }
    return static_cast<std::ptrdiff_t>(size);
}

} // namespace kavrel

// ---------------------------------------------------------------- The lane's tables

namespace kavrel {

namespace {

using namespace lane;

// The units that may change a consonant written ahead: more than this
// many, and it is kept back in states of its own instead (a Tamil stop,
// before every sign; a Malayalam chillu; Bengali ta).
constexpr std::size_t fewconflicts = 8;

// Every ASCII character that is copied goes through the writer alike
// (none of them is anything the conventions look at): one stands for all,
// and each takes its place in what the writer writes.
constexpr char32_t standin = ' ';

// What one lane step puts through the writer: a unit's Devanagari.
struct devstep {
    char32_t cp[16];
    std::size_t n = 0;
    bool lane = false; // a unit the lane takes
};

// What the writer makes of a step from one of its states.
struct simulated {
    char32_t out[scripts::writeroom(16)];
    std::size_t n = 0;
    scripts::writer w; // after it, settled
};

// A writer found keeping a consonant back, and what writing it ahead
// means: the writer after it, its bytes, and the units (with the syllable
// state they are taken from) that would write it otherwise.
struct kept {
    scripts::writer w, after;
    codec::shortbytes bytes;
    std::vector<std::pair<std::size_t, std::size_t>> changers;
    bool ahead = false; // few enough that it is written ahead
};

// What the making of the tables works on.
struct making {
    scripttables& t;
    const vocabulary& v;
    codec::form out;
    devstep dev[3][units];
    // The same Devanagari has the same number here: `distinct` of them.
    std::uint16_t kindof[3][units];
    std::size_t distinct = 0;
    std::vector<kept> keeps;
    std::vector<std::size_t> keepof; // for each state: its entry in keeps, or none
};
constexpr std::size_t none = SIZE_MAX;

// The Devanagari of unit u from syllable state syl. Units no step stands
// for (no entry, one that only begins longer spellings, an ASCII character
// that has an entry) are never the lane's.
devstep devof(const vocabulary& v, std::size_t u, std::size_t syl)
{
    devstep d;
    if (u == 0 || (u < copies ? u > static_cast<std::size_t>(v.dict.used) || !v.dict.pool[u - 1].listed
                               : lookup(v.dict, tchar{{static_cast<lchar>(u - copies)}, 1}) != nullptr))
        return d;
    const codec::shortbytes& b = v.lanes.steps[u < copies ? u : copies + standin][syl].bytes;
    for (std::size_t at = 0; at < b.n;) {
        int b1 = b.b[at];
        std::size_t len = b1 < 0x80 ? 1 : 1 + static_cast<std::size_t>(codec::utf8tail(b1));
        d.cp[d.n++] = static_cast<char32_t>(b1 < 0x80 ? b1 : codec::utf8value(b1, b.b + at + 1));
        at += len;
    }
    d.lane = true;
    return d;
}

// Numbers the steps' Devanagari, each the same for the same characters.
void number(making& m)
{
    std::vector<std::uint16_t> order(3 * units);
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<std::uint16_t>(i);
    auto devat = [&m](std::uint16_t i) -> const devstep& { return m.dev[i / units][i % units]; };
    auto less = [&devat](std::uint16_t a, std::uint16_t b) {
        const devstep &x = devat(a), &y = devat(b);
        return std::lexicographical_compare(x.cp, x.cp + x.n, y.cp, y.cp + y.n);
    };
    // Sorted through pointers: a debug build would otherwise export the
    // library's instance of the iterators' three-way comparison.
    std::sort(order.data(), order.data() + order.size(), less);
    m.distinct = 0;
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (i > 0 && less(order[i - 1], order[i]))
            ++m.distinct;
        m.kindof[order[i] / units][order[i] % units] = static_cast<std::uint16_t>(m.distinct);
    }
    ++m.distinct;
}

simulated run(const scripts::writer& from, const devstep& d)
{
    simulated r;
    r.w = from;
    r.n = scripts::write(r.w, d.cp, d.n, false, r.out);
    scripts::settle(r.w);
    return r;
}

bool encode(codec::form f, const char32_t* cp, std::size_t n, codec::shortbytes& b)
{
    for (std::size_t c = 0; c < n; ++c)
        if (!codec::append(b, f, static_cast<lchar>(cp[c])))
            return false;
    return true;
}

// What writing ahead the consonant that w keeps back means, found the
// first time it is asked for.
const kept& keptby(making& m, const scripts::writer& w)
{
    for (const kept& k : m.keeps)
        if (k.w == w)
            return k;
    kept k;
    k.w = k.after = w;
    // Written ahead as the end of the text writes it.
    char32_t written[scripts::writeroom(0)];
    std::size_t n = scripts::write(k.after, nullptr, 0, true, written);
    scripts::settle(k.after);
    k.ahead = encode(m.out, written, n, k.bytes);
    // Only a unit whose first character the writer waits for may change it.
    // Many units (the spellings of one letter, a consonant from each
    // syllable state) put the same Devanagari through the writer: each
    // Devanagari is tried once.
    std::vector<std::int8_t> tried(m.distinct, -1); // for each Devanagari: same (1) or not (0)
    for (std::size_t syl = 0; syl < 3 && k.ahead; ++syl)
        for (std::size_t u = 0; u < units && k.ahead; ++u) {
            const devstep& d = m.dev[syl][u];
            if (!d.lane || !d.n || !scripts::waitsfor(w, d.cp[0]))
                continue;
            std::int8_t& same = tried[m.kindof[syl][u]];
            if (same < 0) {
                simulated kept = run(w, d), later = run(k.after, d);
                same = kept.n == n + later.n && kept.w == later.w;
                for (std::size_t c = 0; same && c < kept.n; ++c)
                    same = kept.out[c] == (c < n ? written[c] : later.out[c - n]);
            }
            if (!same)
                k.changers.push_back({syl, u});
            k.ahead = k.changers.size() <= fewconflicts;
        }
    m.keeps.push_back(k);
    return m.keeps.back();
}

// The state with that syllable state and writer, added when new; a writer
// keeping back a consonant that is written ahead makes a state of that
// kind, after the state it stands for. maxscriptstates when there is no
// room.
std::size_t stateof(making& m, lchar sylstate, const scripts::writer& w)
{
    scripttables& t = m.t;
    for (std::size_t i = 0; i < t.nstates; ++i)
        if (t.states[i].sylstate == sylstate && t.states[i].w == w)
            return i;
    std::size_t keep = none;
    if (w.held || w.nq) {
        keptby(m, w);
        for (std::size_t k = 0; k < m.keeps.size(); ++k)
            if (m.keeps[k].w == w && m.keeps[k].ahead)
                keep = k;
    }
    if (keep != none && stateof(m, sylstate, m.keeps[keep].after) == maxscriptstates)
        return maxscriptstates;
    if (t.nstates == maxscriptstates)
        return maxscriptstates;
    scriptstate& st = t.states[t.nstates];
    st.sylstate = sylstate;
    st.sylbit = static_cast<std::uint8_t>(statebit(stateoffset(sylstate)));
    st.w = w;
    if (keep != none) {
        st.ahead = m.keeps[keep].bytes;
        st.after = m.keeps[keep].after;
    }
    m.keepof.push_back(keep);
    return t.nstates++;
}

void setrow(scriptstep& st, std::size_t state)
{
    if (state == maxscriptstates)
        st.n = unsafe;
    st.row = static_cast<std::uint32_t>(state * scriptrow);
}

// The steps of state i, which keeps nothing back written ahead: each
// unit's Devanagari through the writer.
void makerow(making& m, std::size_t i)
{
    const scriptstate from = m.t.states[i];
    std::size_t syl = static_cast<std::size_t>(sylindex(from.sylstate));
    // What the writer makes of each Devanagari, put through it once.
    std::vector<std::int16_t> ran(m.distinct, -1);
    std::vector<simulated> runs;
    for (std::size_t u = 0; u < units; ++u) {
        scriptstep& st = m.t.steps[i * units + u];
        st = scriptstep{};
        const devstep& d = m.dev[syl][u];
        if (u == 0) {
            // The second character of a unit of two: nothing, and all stays.
            setrow(st, i);
            continue;
        }
        if (!d.lane) {
            st.n = unsafe;
            continue;
        }
        std::int16_t& at = ran[m.kindof[syl][u]];
        if (at < 0) {
            at = static_cast<std::int16_t>(runs.size());
            runs.push_back(run(from.w, d));
        }
        simulated r = runs[static_cast<std::size_t>(at)];
        if (u >= copies)
            for (std::size_t c = r.n; c-- > 0;)
                if (r.out[c] == standin) {
                    r.out[c] = static_cast<char32_t>(u - copies);
                    break;
                }
        std::size_t next = stateof(m, afterunit(m.v.dict, static_cast<unsigned>(u)), r.w);
        codec::shortbytes b;
        if (next == maxscriptstates || !encode(m.out, r.out, r.n, b)) {
            st.n = unsafe;
            continue;
        }
        // Into a state whose consonant is written ahead: that too.
        const codec::shortbytes& ahead = m.t.states[next].ahead;
        if (b.n + ahead.n > sizeof b.b) {
            st.n = unsafe;
            continue;
        }
        for (std::size_t k = 0; k < ahead.n; ++k)
            b.b[b.n++] = ahead.b[k];
        std::copy(b.b, b.b + sizeof st.b, st.b);
        st.n = b.n;
        setrow(st, next);
    }
}

// The steps of state i, whose consonant is written ahead: those of the
// state after it, but the units that would change it, which are the
// general way's, and those that write nothing, after which it is still
// written ahead.
void makeaheadrow(making& m, std::size_t i)
{
    const scriptstate& from = m.t.states[i];
    const std::vector<std::pair<std::size_t, std::size_t>> changers = m.keeps[m.keepof[i]].changers;
    std::size_t syl = static_cast<std::size_t>(sylindex(from.sylstate));
    std::size_t base = stateof(m, from.sylstate, from.after);
    std::copy(&m.t.steps[base * units], &m.t.steps[base * units] + units, &m.t.steps[i * units]);
    for (std::size_t u = 1; u < units; ++u) {
        scriptstep& st = m.t.steps[i * units + u];
        const devstep& d = m.dev[syl][u];
        if (d.lane && !d.n)
            setrow(st, stateof(m, afterunit(m.v.dict, static_cast<unsigned>(u)), from.w));
    }
    setrow(m.t.steps[i * units], i);
    for (const auto& [s, u] : changers)
        if (s == syl)
            m.t.steps[i * units + u].n = unsafe;
}

} // namespace

const lane::scripttables* scriptlanesfor(const options& opt, codec::form out)
{
    // One for each scheme, -s, -n, --nfc, script and output form, made when
    // first asked for, as the vocabularies are.
    constexpr std::size_t kinds = schemes::count * 2 * 2 * 2 * scripts::count * std::size(codec::forms);
    static std::once_flag once[kinds];
    static std::unique_ptr<scripttables> made[kinds];
    static std::atomic<const scripttables*> ready[kinds];
    std::size_t form = static_cast<std::size_t>(&codec::rowof(out) - codec::forms);
    std::size_t k = ((((static_cast<std::size_t>(opt.scheme) * 2 + opt.sanskrit) * 2 + opt.numerals) * 2 + opt.nfc) *
                         scripts::count +
                     static_cast<std::size_t>(opt.script)) *
                            std::size(codec::forms) +
                    form;
    if (k >= kinds)
        return nullptr;
    if (const scripttables* t = ready[k].load(std::memory_order_acquire))
        return t;
    std::call_once(once[k], [&] {
        const vocabulary* v = vocabularyfor(opt, codec::form::utf8);
        std::unique_ptr<scripttables> t(new (std::nothrow) scripttables);
        if (!v || !t)
            return;
        t->steps.reset(new (std::nothrow) scriptstep[maxscriptstates * units]);
        std::unique_ptr<making> m(new (std::nothrow) making{*t, *v, out, {}, {}, 0, {}, {}});
        if (!t->steps || !m)
            return;
        for (std::size_t syl = 0; syl < 3; ++syl)
            for (std::size_t u = 0; u < units; ++u)
                m->dev[syl][u] = devof(*v, u, syl);
        number(*m);
        // First the syllable states with a writer that keeps nothing back,
        // in the order of their offsets; then those the steps lead to. A
        // state whose consonant is written ahead comes after the state it
        // stands for, whose steps it starts from.
        scripts::writer fresh;
        scripts::start(fresh, static_cast<scripts::script>(opt.script));
        for (lchar syl : {SYL_VOWEL, SYL_CONSONANT, SYL_OTHER})
            stateof(*m, syl, fresh);
        for (std::size_t i = 0; i < t->nstates; ++i)
            m->keepof[i] == none ? makerow(*m, i) : makeaheadrow(*m, i);

        made[k] = std::move(t);
        ready[k].store(made[k].get(), std::memory_order_release);
    });
    return made[k].get();
}

} // namespace kavrel
