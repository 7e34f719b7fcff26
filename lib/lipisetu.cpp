// The library's calls over the converters' own state and operations: the
// caller's sources and sinks become the codec's read and write functions,
// memory becomes a source and a growing string a sink, and pellam's
// messages become records.
#include "lipisetu.hpp"

#include "kavrel/convert.hpp"
#include "pellam/convert.hpp"
#include "schemes/schemes.hpp"
#include "sonwick/convert.hpp"

#include <algorithm>
#include <cstring>
#include <new>

namespace lipisetu {

source fdsource(int fd) { return {codec::readfd, codec::fdcontext(fd)}; }
sink fdsink(int fd) { return {codec::writefd, codec::fdcontext(fd)}; }

source filesource(std::FILE* f) { return {codec::readerof(f), f}; }
sink filesink(std::FILE* f) { return {codec::writerof(f), f}; }

namespace {

// Memory as a source: the bytes not yet read.
struct memory {
    const unsigned char* p;
    std::size_t left;
};

std::ptrdiff_t readmemory(void* context, unsigned char* buf, std::size_t size)
{
    auto& m = *static_cast<memory*>(context);
    std::size_t n = size < m.left ? size : m.left;
    std::memcpy(buf, m.p, n);
    m.p += n;
    m.left -= n;
    return static_cast<std::ptrdiff_t>(n);
}

std::ptrdiff_t writestring(void* context, const unsigned char* buf, std::size_t size)
{
    static_cast<std::string*>(context)->append(reinterpret_cast<const char*>(buf), size);
    return static_cast<std::ptrdiff_t>(size);
}

memory frommemory(std::string_view s) { return {reinterpret_cast<const unsigned char*>(s.data()), s.size()}; }

// The state of one conversion, too big for a thread's stack (kavrel's is
// half a megabyte): on the heap for the length of the call.
template <class T> std::unique_ptr<T> newstate() { return std::unique_ptr<T>(new (std::nothrow) T); }

status ended(const codec::bytein& in, codec::byteout& out)
{
    codec::finish(out);
    return {in.error, out.error, false};
}

} // namespace

std::string_view nameof(scheme s)
{
    auto k = static_cast<std::size_t>(s);
    return k < schemes::count ? schemes::all[k].name : std::string_view{};
}

bool schemenamed(std::string_view name, scheme& s)
{
    for (std::size_t k = 0; k < schemes::count; ++k)
        if (schemes::all[k].name == name) {
            s = static_cast<scheme>(k);
            return true;
        }
    return false;
}

namespace {

// The state of this thread's one-shot calls, made at its first call and
// started afresh for each: a call on a word pays neither for making the
// state nor for clearing its buffers, only for the bytes it converts. A
// one-shot call reads memory and writes a string, and calls nothing of its
// caller's, so no other conversion runs on the thread while it converts.
// Null when there was no memory for it.
template <class T> T* threadstate()
{
    thread_local std::unique_ptr<T> st;
    if (!st)
        st = newstate<T>();
    return st.get();
}

// A text in memory as a conversion's whole input: one that fits the byte
// reader's buffer is put there at once, as an input that has ended, so
// that a short text is decoded in one pass, with no read to learn that it
// has ended; a longer one is read from memory a buffer at a time.
struct memoryinput {
    std::string_view text;
    memory rest;
};

memoryinput wholeinput(std::string_view text) { return {text, frommemory(text)}; }

void attach(codec::bytein& in, memoryinput& m)
{
    if (m.text.size() > codec::bufsize) {
        codec::open(in, readmemory, &m.rest);
        return;
    }
    codec::open(in, nullptr, nullptr);
    if (!m.text.empty())
        std::memcpy(in.buf, m.text.data(), m.text.size());
    in.len = m.text.size();
    in.eof = true;
}

// The output of a one-shot call goes to the caller's string: a buffer at
// a time when it fills, and at the end what is left, straight, with no
// flush to make.
void intostring(codec::byteout& o, std::string& out) { codec::open(o, writestring, &out); }

void endstring(codec::byteout& o, std::string& out)
{
    out.append(reinterpret_cast<const char*>(o.buf), o.len);
    o.len = 0;
}

// Room for the output of a one-shot call: all of it for a short text (a
// Roman letter may become three bytes, a Devanagari letter one or two), a
// part to grow from for a long one.
std::size_t room(std::size_t in, std::size_t perbyte, std::size_t large)
{
    constexpr std::size_t shorttext = 4096;
    return in < shorttext ? in * perbyte + 16 : large;
}

} // namespace

status convertroman(source in, sink out, const romanoptions& opt)
{
    auto st = newstate<kavrel::state>();
    if (!st || static_cast<std::size_t>(opt.scheme) >= schemes::count)
        return {0, 0, true};
    kavrel::start(*st, codec::sourceof(in), codec::sinkof(out), opt);
    kavrel::process(*st);
    status s = ended(st->in.bytes, st->out.bytes);
    s.nomemory = st->nomemory;
    return s;
}

status convertdevanagari(source in, sink out) { return convertdevanagari(in, out, scheme::iso); }
std::string toroman(std::string_view devanagari) { return toroman(devanagari, scheme::iso); }

status convertdevanagari(source in, sink out, scheme sch)
{
    auto st = newstate<sonwick::state>();
    if (!st || static_cast<std::size_t>(sch) >= schemes::count)
        return {0, 0, true};
    sonwick::start(*st, codec::sourceof(in), codec::sinkof(out), sch);
    sonwick::process(*st);
    return ended(st->in.bytes, st->out.bytes);
}

namespace {

// A one-shot conversion of `in` with this thread's state of the engine,
// started with `how` (its options or scheme), appended to `out`.
template <class State, class How> void oneshot(std::string_view in, std::string& out, scheme sch, const How& how)
{
    State* st = threadstate<State>();
    if (!st || static_cast<std::size_t>(sch) >= schemes::count)
        return;
    start(*st, codec::source{}, codec::sink{}, how);
    memoryinput m = wholeinput(in);
    attach(st->in.bytes, m);
    intostring(st->out.bytes, out);
    process(*st);
    endstring(st->out.bytes, out);
}

} // namespace

void todevanagari(std::string_view roman, std::string& out, const romanoptions& opt)
{
    oneshot<kavrel::state>(roman, out, opt.scheme, opt);
}

void toroman(std::string_view devanagari, std::string& out, scheme sch)
{
    oneshot<sonwick::state>(devanagari, out, sch, sch);
}

std::string todevanagari(std::string_view roman, const romanoptions& opt)
{
    std::string out;
    out.reserve(room(roman.size(), 3, roman.size() + roman.size() / 2));
    todevanagari(roman, out, opt);
    return out;
}

std::string toroman(std::string_view devanagari, scheme s)
{
    std::string out;
    out.reserve(room(devanagari.size(), 1, devanagari.size() / 2 + 16));
    toroman(devanagari, out, s);
    return out;
}

// ---------------------------------------------------------------- In pieces

// A decoder's engine state and what it was made with (`how`: the options
// of a Roman one, the scheme of a Devanagari one).
struct romanstate {
    kavrel::state st;
    romanoptions how;
};

struct devanagaristate {
    sonwick::state st;
    scheme how = scheme::iso;
};

void romanfree::operator()(romanstate* d) const { delete d; }
void devanagarifree::operator()(devanagaristate* d) const { delete d; }

namespace {

// The engine has written all it will: the input ended, or its state could
// not be made.
bool finished(const kavrel::state& st) { return st.at == kavrel::state::stage::done; }
bool finished(const sonwick::state& st) { return st.done; }

// Hands the piece over to the engine a buffer at a time, converting what
// each settles into `out`.
template <class State> void feed(State& st, std::string_view piece, bool last, std::string& out)
{
    codec::bytein& in = st.in.bytes;
    const auto* p = reinterpret_cast<const unsigned char*>(piece.data());
    std::size_t n = piece.size();
    intostring(st.out.bytes, out);
    while (in.more) {
        std::size_t k = codec::take(in, p, n);
        p += k;
        n -= k;
        if (n == 0 && last) {
            in.more = false;
            in.eof = true;
        }
        process(st);
        if (finished(st))
            in.more = false;
        if (n == 0)
            break;
    }
    endstring(st.out.bytes, out);
}

// The engine started afresh on input in pieces.
template <class State> void restart(State& d)
{
    start(d.st, codec::source{}, codec::sink{}, d.how);
    d.st.in.bytes.more = true;
}

// A decoder made with `how`, in scheme `s`; null when out of memory or
// there is no such scheme.
template <class Decoder, class How> Decoder newdecoder(const How& how, scheme s)
{
    if (static_cast<std::size_t>(s) >= schemes::count)
        return nullptr;
    Decoder d(new (std::nothrow) typename Decoder::element_type);
    if (d) {
        d->how = how;
        restart(*d);
    }
    return d;
}

} // namespace

romandecoder newromandecoder(const romanoptions& opt) { return newdecoder<romandecoder>(opt, opt.scheme); }
devanagaridecoder newdevanagaridecoder(scheme s) { return newdecoder<devanagaridecoder>(s, s); }

void reset(romanstate& d) { restart(d); }
void reset(devanagaristate& d) { restart(d); }

void decode(romanstate& d, std::string_view piece, bool last, std::string& out) { feed(d.st, piece, last, out); }
void decode(devanagaristate& d, std::string_view piece, bool last, std::string& out) { feed(d.st, piece, last, out); }

// ---------------------------------------------------------------- ISCII

namespace {

void collect(void* context, const isciimessage& m) { static_cast<std::vector<isciimessage>*>(context)->push_back(m); }

// The decoder converts a slice at a time, so that the room kept for the
// output (three bytes a byte) stays small beside a large input.
constexpr std::size_t slice = std::size_t{1} << 16;

} // namespace

std::string describe(const isciimessage& m)
{
    char buf[64];
    int n = pellam::format(m, buf, sizeof buf);
    return std::string(buf, n > 0 ? static_cast<std::size_t>(n) : 0);
}

status convertiscii(source in, sink out, messagefn report, void* context)
{
    auto st = newstate<pellam::state>();
    if (!st)
        return {0, 0, true};
    pellam::start(*st, codec::sourceof(in), codec::sinkof(out), report, context);
    pellam::process(*st);
    return ended(st->in, st->out);
}

struct isciistate {
    pellam::decoder dec;
    unsigned char kept = 0; // the byte that pending() shows
};

void isciifree::operator()(isciistate* d) const { delete d; }

isciidecoder newisciidecoder(long line)
{
    isciidecoder d(new (std::nothrow) isciistate);
    if (d)
        reset(*d, line);
    return d;
}

void reset(isciistate& d, long line) { pellam::startdecoder(d.dec, collect, nullptr, line); }

long line(const isciistate& d) { return d.dec.line; }

std::string_view pending(const isciistate& d)
{
    const unsigned char* kept = nullptr;
    if (d.dec.held >= 0 || d.dec.deferred)
        kept = &d.kept;
    return {reinterpret_cast<const char*>(kept), kept ? std::size_t{1} : 0};
}

void decode(isciistate& d, std::string_view piece, bool last, std::string& text,
            std::vector<isciimessage>& messages)
{
    d.dec.context = &messages;
    const auto* p = reinterpret_cast<const unsigned char*>(piece.data());
    const unsigned char* end = p + piece.size();
    while (p < end) {
        std::size_t n = static_cast<std::size_t>(end - p) < slice ? static_cast<std::size_t>(end - p) : slice;
        std::size_t had = text.size();
        text.resize(had + 3 * n + 4);
        auto* o = reinterpret_cast<unsigned char*>(text.data()) + had;
        text.resize(had + static_cast<std::size_t>(pellam::convert(d.dec, p, p + n, o) - o));
        p += n;
    }
    if (last) {
        std::size_t had = text.size();
        text.resize(had + 4);
        auto* o = reinterpret_cast<unsigned char*>(text.data()) + had;
        text.resize(had + static_cast<std::size_t>(pellam::endinput(d.dec, o) - o));
    }
    d.dec.context = nullptr;
    if (d.dec.held >= 0)
        d.kept = static_cast<unsigned char>(d.dec.held);
    else if (d.dec.deferred)
        d.kept = d.dec.pending.byte;
}

isciitext fromiscii(std::string_view iscii)
{
    isciitext r;
    // The decoder asks for three bytes a byte of a slice, and four.
    r.text.reserve(std::max(iscii.size() * 2, 3 * std::min(iscii.size(), slice) + 4));
    isciistate d;
    reset(d);
    decode(d, iscii, true, r.text, r.messages);
    return r;
}

} // namespace lipisetu
