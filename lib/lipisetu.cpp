// The library's calls over the three engines: the caller's sources are read
// here a buffer at a time and handed to an engine in pieces, memory is one
// piece and a growing string a sink, and pellam's messages become the
// library's records. Each engine is driven through the same calls
// (engine.hpp in its folder); nothing here reaches into one.
#include "lipisetu.hpp"

#include "kavrel/engine.hpp"
#include "pellam/engine.hpp"
#include "sonwick/engine.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <new>
#include <unistd.h>

namespace lipisetu {

// ---------------------------------------------------------------- Names

namespace {

// The library's enumerations are the engines' own, value for value: both
// are made from the same table, and the forms are listed once here.
static_assert(static_cast<int>(scheme::iso) == static_cast<int>(vocab::scheme::iso));
static_assert(static_cast<int>(script::devanagari) == static_cast<int>(vocab::script::devanagari) &&
              std::size(vocab::scriptnames) > 1);
static_assert(static_cast<int>(form::detect) == static_cast<int>(vocab::form::detect) &&
              static_cast<int>(form::utf16be) == static_cast<int>(vocab::form::utf16be));
static_assert(static_cast<int>(drop::ext) == static_cast<int>(vocab::drop::ext));

using vocab::schemenames;
using vocab::scriptnames;
constexpr std::string_view formnames[] = {"detect", "utf-8", "utf-16le", "utf-16be"};

template <class E, std::size_t N> bool named(const std::string_view (&names)[N], std::string_view name, E& e)
{
    for (std::size_t k = 0; k < N; ++k)
        if (names[k] == name) {
            e = static_cast<E>(k);
            return true;
        }
    return false;
}

template <class E, std::size_t N> std::string_view nameat(const std::string_view (&names)[N], E e)
{
    auto k = static_cast<std::size_t>(e);
    return k < N ? names[k] : std::string_view{};
}

bool known(scheme s) { return !nameof(s).empty(); }
bool known(form f) { return !nameof(f).empty(); }
bool known(script s) { return !nameof(s).empty(); }

vocab::romanoptions internal(const romanoptions& o)
{
    return {.sanskrit = o.sanskrit,
            .numerals = o.numerals,
            .nfc = o.nfc,
            .input = static_cast<vocab::form>(o.input),
            .output = static_cast<vocab::form>(o.output),
            .scheme = static_cast<vocab::scheme>(o.scheme),
            .script = static_cast<vocab::script>(o.script)};
}

bool known(const romanoptions& o) { return known(o.scheme) && known(o.input) && known(o.output) && known(o.script); }

isciimessage external(const vocab::message& m)
{
    return {m.offset, m.written, m.line, m.byte, static_cast<drop>(m.kind), m.span};
}

vocab::message internal(const isciimessage& m)
{
    return {m.offset, m.written, m.line, m.byte, static_cast<vocab::drop>(m.kind), m.span};
}

} // namespace

std::string_view nameof(scheme s) { return nameat(schemenames, s); }
bool schemenamed(std::string_view name, scheme& s) { return named(schemenames, name, s); }
std::string_view nameof(form f) { return nameat(formnames, f); }
std::string_view nameof(script s) { return nameat(scriptnames, s); }
bool scriptnamed(std::string_view name, script& s) { return named(scriptnames, name, s); }
bool formnamed(std::string_view name, form& f) { return named(formnames, name, f); }

// ---------------------------------------------------------------- Sources and sinks

namespace {

void* fdcontext(int fd) { return reinterpret_cast<void*>(static_cast<std::intptr_t>(fd)); }
int fdof(void* context) { return static_cast<int>(reinterpret_cast<std::intptr_t>(context)); }

std::ptrdiff_t readfd(void* fd, unsigned char* buf, std::size_t size)
{
    for (;;) {
        ssize_t n = ::read(fdof(fd), buf, size);
        if (n >= 0 || errno != EINTR)
            return n;
    }
}

std::ptrdiff_t writefd(void* fd, const unsigned char* buf, std::size_t size)
{
    if (size == 0)
        return 0;
    for (;;) {
        ssize_t n = ::write(fdof(fd), buf, size);
        if (n > 0 || (n < 0 && errno != EINTR))
            return n;
        if (n == 0) {
            errno = EIO;
            return -1;
        }
    }
}

// A stdio stream with a file descriptor is read and written straight on
// it, so that a pipe's short reads are taken as they come; what the caller
// wrote through the stream goes out first. A stream without one
// (fmemopen and the like) goes through fread and fwrite.
std::ptrdiff_t readfile(void* file, unsigned char* buf, std::size_t size)
{
    return readfd(fdcontext(fileno(static_cast<std::FILE*>(file))), buf, size);
}

std::ptrdiff_t writefile(void* file, const unsigned char* buf, std::size_t size)
{
    auto* f = static_cast<std::FILE*>(file);
    if (std::fflush(f) != 0) {
        if (!errno)
            errno = EIO;
        return -1;
    }
    return writefd(fdcontext(fileno(f)), buf, size);
}

std::ptrdiff_t readstream(void* file, unsigned char* buf, std::size_t size)
{
    auto* f = static_cast<std::FILE*>(file);
    std::size_t n = std::fread(buf, 1, size, f);
    if (n > 0 || !std::ferror(f))
        return static_cast<std::ptrdiff_t>(n);
    if (!errno)
        errno = EIO;
    return -1;
}

std::ptrdiff_t writestream(void* file, const unsigned char* buf, std::size_t size)
{
    auto* f = static_cast<std::FILE*>(file);
    if (size == 0 ? std::fflush(f) == 0 : std::fwrite(buf, 1, size, f) == size)
        return static_cast<std::ptrdiff_t>(size);
    if (!errno)
        errno = EIO;
    return -1;
}

// A growing string as a sink.
std::ptrdiff_t writestring(void* context, const unsigned char* buf, std::size_t size)
{
    static_cast<std::string*>(context)->append(reinterpret_cast<const char*>(buf), size);
    return static_cast<std::ptrdiff_t>(size);
}

vocab::sink stringsink(std::string& s) { return {writestring, &s}; }

} // namespace

source fdsource(int fd) { return {readfd, fdcontext(fd)}; }
sink fdsink(int fd) { return {writefd, fdcontext(fd)}; }
source filesource(std::FILE* f) { return {!f ? nullptr : fileno(f) >= 0 ? readfile : readstream, f}; }
sink filesink(std::FILE* f) { return {!f ? nullptr : fileno(f) >= 0 ? writefile : writestream, f}; }

// ---------------------------------------------------------------- Driving an engine

namespace {

// An engine's state for the length of one conversion.
template <class State, void (*release)(State*)> struct held {
    State* st;
    explicit held(State* s) : st(s) {}
    ~held() { release(st); }
    held(const held&) = delete;
    held& operator=(const held&) = delete;
};

// Hands `n` bytes to the engine in pieces as large as its room; `last`:
// they end the input.
template <class State> void feed(State& st, const unsigned char* p, std::size_t n, bool last)
{
    for (;;) {
        std::span<unsigned char> r = room(st);
        std::size_t k = std::min(n, r.size());
        if (k > 0)
            std::memcpy(r.data(), p, k);
        p += k;
        n -= k;
        fed(st, k, last && n == 0);
        if (n == 0 || outcome(st).writeerror)
            return;
    }
}

template <class State> void feed(State& st, std::string_view piece, bool last)
{
    feed(st, reinterpret_cast<const unsigned char*>(piece.data()), piece.size(), last);
}

// Reads the source into the engine until it ends, a read fails or a write
// fails. After a short read (a pipe whose writer paused), what is
// converted so far goes out before the next read waits.
template <class State> status pump(State& st, source in)
{
    status s;
    for (;;) {
        std::span<unsigned char> r = room(st);
        errno = 0;
        std::ptrdiff_t n = in.read ? in.read(in.context, r.data(), r.size()) : 0;
        if (n < 0)
            s.readerror = errno ? errno : EIO;
        if (n <= 0) {
            fed(st, 0, true);
            break;
        }
        // A source may say it gave more than it was asked for; it is not
        // believed.
        std::size_t got = std::min(static_cast<std::size_t>(n), r.size());
        fed(st, got, false);
        if (outcome(st).writeerror) {
            fed(st, 0, true);
            break;
        }
        if (got < r.size())
            flush(st);
    }
    vocab::outcome o = outcome(st);
    s.writeerror = o.writeerror;
    s.nomemory = o.nomemory;
    return s;
}

vocab::sink internal(sink s) { return {s.write, s.context}; }

constexpr status nomemory{0, 0, true, false};
constexpr status badoption{0, 0, false, true};

} // namespace

status convertroman(source in, sink out, const romanoptions& opt)
{
    if (!known(opt))
        return badoption;
    held<kavrel::state, kavrel::freestate> h(kavrel::newstate());
    if (!h.st)
        return nomemory;
    kavrel::start(*h.st, internal(opt), internal(out));
    return pump(*h.st, in);
}

status convertdevanagari(source in, sink out) { return convertdevanagari(in, out, scheme::iso); }

status convertdevanagari(source in, sink out, scheme s)
{
    if (!known(s))
        return badoption;
    held<sonwick::state, sonwick::freestate> h(sonwick::newstate());
    if (!h.st)
        return nomemory;
    sonwick::start(*h.st, static_cast<vocab::scheme>(s), internal(out));
    return pump(*h.st, in);
}

// ---------------------------------------------------------------- One call

namespace {

// This thread's state of an engine for the one-shot calls, made at its
// first call and started afresh for each: a call on a word pays neither
// for making the state nor for clearing its buffers, only for the bytes it
// converts. A one-shot call reads memory and writes a string, and calls
// nothing of its caller's, so no other conversion runs on the thread while
// it converts. Null when there was no memory for it.
template <class State, State* (*make)(), void (*release)(State*)> State* threadstate()
{
    thread_local held<State, release> st(make());
    return st.st;
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

void todevanagari(std::string_view roman, std::string& out, const romanoptions& opt)
{
    kavrel::state* st = threadstate<kavrel::state, kavrel::newstate, kavrel::freestate>();
    if (!st || !known(opt))
        return;
    kavrel::start(*st, internal(opt), stringsink(out));
    feed(*st, roman, true);
}

void toroman(std::string_view devanagari, std::string& out, scheme s)
{
    sonwick::state* st = threadstate<sonwick::state, sonwick::newstate, sonwick::freestate>();
    if (!st || !known(s))
        return;
    sonwick::start(*st, static_cast<vocab::scheme>(s), stringsink(out));
    feed(*st, devanagari, true);
}

std::string todevanagari(std::string_view roman, const romanoptions& opt)
{
    std::string out;
    out.reserve(room(roman.size(), 3, roman.size() + roman.size() / 2));
    todevanagari(roman, out, opt);
    return out;
}

std::string toroman(std::string_view devanagari) { return toroman(devanagari, scheme::iso); }

std::string toroman(std::string_view devanagari, scheme s)
{
    std::string out;
    out.reserve(room(devanagari.size(), 1, devanagari.size() / 2 + 16));
    toroman(devanagari, out, s);
    return out;
}

// ---------------------------------------------------------------- Which scheme

static_assert(detectblock == kavrel::detectblock);

detection detect(std::string_view text, form input)
{
    if (!known(input))
        input = form::detect;
    kavrel::guess g = kavrel::detect({reinterpret_cast<const unsigned char*>(text.data()), text.size()},
                                     static_cast<vocab::form>(input));
    detection d;
    d.score = g.score;
    if (g.devanagari)
        d.found = writing::devanagari;
    else if (g.scheme >= 0) {
        d.found = writing::roman;
        d.scheme = static_cast<scheme>(g.scheme);
    }
    return d;
}

// ---------------------------------------------------------------- In pieces

// A decoder: the engine's state, what it was made with (`how`), and the
// string the piece being decoded appends to, which its sink writes to.
template <class State, class How> struct decoderof {
    State* st = nullptr;
    How how{};
    std::string* out = nullptr;
};

struct romanstate : decoderof<kavrel::state, vocab::romanoptions> {};
struct devanagaristate : decoderof<sonwick::state, vocab::scheme> {};

namespace {

template <class D> std::ptrdiff_t writedecoded(void* context, const unsigned char* buf, std::size_t size)
{
    return writestring(static_cast<D*>(context)->out, buf, size);
}

template <class D> void restart(D& d) { start(*d.st, d.how, vocab::sink{writedecoded<D>, &d}); }

// A decoder made with `how`; null when out of memory.
template <class Ptr, class State, State* (*make)(), class How> Ptr newdecoder(const How& how)
{
    using D = typename Ptr::element_type;
    Ptr d(new (std::nothrow) D);
    if (!d)
        return nullptr;
    d->st = make();
    if (!d->st)
        return nullptr;
    d->how = how;
    restart(*d);
    return d;
}

// Decodes a piece into `out`: all that the piece settles is there when the
// call returns.
template <class D> void decodepiece(D& d, std::string_view piece, bool last, std::string& out)
{
    d.out = &out;
    feed(*d.st, piece, last);
    flush(*d.st);
    d.out = nullptr;
}

} // namespace

void romanfree::operator()(romanstate* d) const
{
    if (d)
        kavrel::freestate(d->st);
    delete d;
}

void devanagarifree::operator()(devanagaristate* d) const
{
    if (d)
        sonwick::freestate(d->st);
    delete d;
}

romandecoder newromandecoder(const romanoptions& opt)
{
    if (!known(opt))
        return nullptr;
    return newdecoder<romandecoder, kavrel::state, kavrel::newstate>(internal(opt));
}

devanagaridecoder newdevanagaridecoder(scheme s)
{
    if (!known(s))
        return nullptr;
    return newdecoder<devanagaridecoder, sonwick::state, sonwick::newstate>(static_cast<vocab::scheme>(s));
}

void reset(romanstate& d) { restart(d); }
void reset(devanagaristate& d) { restart(d); }

void decode(romanstate& d, std::string_view piece, bool last, std::string& out) { decodepiece(d, piece, last, out); }
void decode(devanagaristate& d, std::string_view piece, bool last, std::string& out)
{
    decodepiece(d, piece, last, out);
}

// ---------------------------------------------------------------- ISCII

std::string describe(const isciimessage& m)
{
    char buf[64];
    int n = pellam::format(internal(m), buf, sizeof buf);
    return std::string(buf, n > 0 ? static_cast<std::size_t>(n) : 0);
}

namespace {

// The caller's function for the messages, handed each as the library's
// record.
struct reporter {
    messagefn report;
    void* context;
};

void tocaller(void* context, const vocab::message& m)
{
    auto& r = *static_cast<reporter*>(context);
    if (r.report)
        r.report(r.context, external(m));
}

} // namespace

status convertiscii(source in, sink out, messagefn report, void* context)
{
    return convertiscii(in, out, isciioptions{}, report, context);
}

status convertiscii(source in, sink out, const isciioptions& opt, messagefn report, void* context)
{
    held<pellam::state, pellam::freestate> h(pellam::newstate());
    if (!h.st)
        return nomemory;
    reporter r{report, context};
    pellam::start(*h.st, {tocaller, &r, 1, opt.atr}, internal(out));
    return pump(*h.st, in);
}

// The incremental decoder: pellam's state, what it was made with, and where
// the piece being decoded puts its text and messages.
struct isciistate {
    pellam::state* st = nullptr;
    isciioptions opt;
    std::string* text = nullptr;
    std::vector<isciimessage>* messages = nullptr;
};

namespace {

std::ptrdiff_t writetext(void* context, const unsigned char* buf, std::size_t size)
{
    return writestring(static_cast<isciistate*>(context)->text, buf, size);
}

void collect(void* context, const vocab::message& m)
{
    static_cast<isciistate*>(context)->messages->push_back(external(m));
}

} // namespace

void isciifree::operator()(isciistate* d) const
{
    if (d)
        pellam::freestate(d->st);
    delete d;
}

isciidecoder newisciidecoder(long line) { return newisciidecoder(isciioptions{}, line); }

isciidecoder newisciidecoder(const isciioptions& opt, long line)
{
    isciidecoder d(new (std::nothrow) isciistate);
    if (!d)
        return nullptr;
    d->st = pellam::newstate();
    if (!d->st)
        return nullptr;
    d->opt = opt;
    reset(*d, line);
    return d;
}

void reset(isciistate& d, long line) { pellam::start(*d.st, {collect, &d, line, d.opt.atr}, {writetext, &d}); }

long line(const isciistate& d) { return pellam::line(*d.st); }

std::string_view pending(const isciistate& d) { return pellam::kept(*d.st); }

void decode(isciistate& d, std::string_view piece, bool last, std::string& text, std::vector<isciimessage>& messages)
{
    d.text = &text;
    d.messages = &messages;
    feed(*d.st, piece, last);
    pellam::flush(*d.st);
    d.text = nullptr;
    d.messages = nullptr;
}

isciitext fromiscii(std::string_view iscii) { return fromiscii(iscii, isciioptions{}); }

isciitext fromiscii(std::string_view iscii, const isciioptions& opt)
{
    isciitext r;
    r.text.reserve(iscii.size() * 2 + 4);
    // This thread's decoder, as for the other one-shot calls.
    thread_local isciidecoder d = newisciidecoder();
    if (d) {
        d->opt = opt;
        reset(*d);
        decode(*d, iscii, true, r.text, r.messages);
    }
    return r;
}

} // namespace lipisetu
