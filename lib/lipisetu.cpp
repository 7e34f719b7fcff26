// The library's calls over the converters' own state and operations: the
// caller's sources and sinks become the codec's read and write functions,
// memory becomes a source and a growing string a sink, and pellam's
// messages become records.
#include "lipisetu.hpp"

#include "kavrel/convert.hpp"
#include "pellam/convert.hpp"
#include "schemes/schemes.hpp"
#include "sonwick/convert.hpp"

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

std::string todevanagari(std::string_view roman, const romanoptions& opt)
{
    std::string out;
    out.reserve(roman.size() + roman.size() / 2);
    memory m = frommemory(roman);
    convertroman({readmemory, &m}, {writestring, &out}, opt);
    return out;
}

std::string toroman(std::string_view devanagari, scheme s)
{
    std::string out;
    out.reserve(devanagari.size() / 2 + 16);
    memory m = frommemory(devanagari);
    convertdevanagari({readmemory, &m}, {writestring, &out}, s);
    return out;
}

// ---------------------------------------------------------------- ISCII

namespace {

void collect(void* context, const isciimessage& m) { static_cast<std::vector<isciimessage>*>(context)->push_back(m); }

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
    // Converted a slice at a time, so that the room kept for the output
    // (three bytes a byte) stays small beside a large input.
    constexpr std::size_t slice = std::size_t{1} << 16;
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
    r.text.reserve(iscii.size() * 2);
    isciistate d;
    reset(d);
    decode(d, iscii, true, r.text, r.messages);
    return r;
}

} // namespace lipisetu
