// The library's streaming and incremental paths against its one-shot
// calls, on arbitrary bytes: a source that gives pieces of drawn sizes and
// a sink that takes as few bytes a write must give the bytes of one call,
// and the ISCII decoder fed the same pieces the text and messages of one
// call. The one-shot calls reuse a state kept for the thread, so each is
// also made right after a one-shot call on a drawn part of the input,
// which leaves that state as a different conversion ended it, and appended
// to a string that holds text already.
#include "lipisetu.hpp"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct pieces {
    std::string_view in;
    const std::uint8_t* sizes; // the size of each read, drawn in turn
    std::size_t nsizes, turn = 0;
    std::string out;

    std::size_t next() { return 1 + (nsizes ? sizes[turn++ % nsizes] % 32 : 0); }
};

std::ptrdiff_t readpieces(void* context, unsigned char* buf, std::size_t size)
{
    auto& p = *static_cast<pieces*>(context);
    std::size_t n = std::min({size, p.next(), p.in.size()});
    std::copy_n(p.in.data(), n, buf);
    p.in.remove_prefix(n);
    return static_cast<std::ptrdiff_t>(n);
}

std::ptrdiff_t writepieces(void* context, const unsigned char* buf, std::size_t size)
{
    auto& p = *static_cast<pieces*>(context);
    std::size_t n = std::min(size, p.next());
    p.out.append(reinterpret_cast<const char*>(buf), n);
    return static_cast<std::ptrdiff_t>(n);
}

void collect(void* context, const lipisetu::isciimessage& m)
{
    static_cast<std::vector<lipisetu::isciimessage>*>(context)->push_back(m);
}

bool same(const std::vector<lipisetu::isciimessage>& a, const std::vector<lipisetu::isciimessage>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
        return x.offset == y.offset && x.written == y.written && x.line == y.line && x.byte == y.byte &&
               x.kind == y.kind && x.span == y.span;
    });
}

} // namespace

// The one-shot results after a call on the input's first `cut` bytes, and
// appended to a string with text in it: both must be `want`.
template <class F> bool sameafter(std::string_view in, std::size_t cut, const std::string& want, F convert)
{
    std::string before = "> ";
    convert(in.substr(0, cut), before);
    std::string again = "> ";
    convert(in, again);
    return again.compare(2, std::string::npos, want) == 0 && again.size() == want.size() + 2;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The first byte draws the conversion and kavrel's options, the next
    // eight the sizes of the pieces.
    if (size < 9)
        return 0;
    unsigned draw = data[0];
    std::string_view in(reinterpret_cast<const char*>(data) + 9, size - 9);
    pieces p{in, data + 1, 8, 0, {}};
    std::size_t cut = in.empty() ? 0 : data[1] % in.size();
    switch (draw % 3) {
    case 0: {
        using lipisetu::form;
        const form forms[] = {form::detect, form::utf8, form::utf16le, form::utf16be};
        lipisetu::romanoptions o{(draw & 4) != 0, (draw & 8) != 0, forms[draw >> 4 & 3], forms[draw >> 6 & 3]};
        if (!ok(lipisetu::convertroman({readpieces, &p}, {writepieces, &p}, o)) ||
            p.out != lipisetu::todevanagari(in, o))
            std::abort();
        auto oneshot = [&o](std::string_view s, std::string& out) { lipisetu::todevanagari(s, out, o); };
        if (!sameafter(in, cut, p.out, oneshot))
            std::abort();
        break;
    }
    case 1:
        if (!ok(lipisetu::convertdevanagari({readpieces, &p}, {writepieces, &p})) || p.out != lipisetu::toroman(in))
            std::abort();
        if (!sameafter(in, cut, p.out, [](std::string_view s, std::string& out) { lipisetu::toroman(s, out); }))
            std::abort();
        break;
    default: {
        lipisetu::isciitext whole = lipisetu::fromiscii(in);
        std::vector<lipisetu::isciimessage> msgs;
        if (!ok(lipisetu::convertiscii({readpieces, &p}, {writepieces, &p}, collect, &msgs)) ||
            p.out != whole.text || !same(msgs, whole.messages))
            std::abort();
        lipisetu::isciidecoder d = lipisetu::newisciidecoder();
        lipisetu::isciitext t;
        for (std::string_view rest = in; !rest.empty();) {
            std::size_t n = std::min(p.next(), rest.size());
            lipisetu::decode(*d, rest.substr(0, n), false, t.text, t.messages);
            if (lipisetu::pending(*d).size() > 1)
                std::abort();
            rest.remove_prefix(n);
        }
        lipisetu::decode(*d, {}, true, t.text, t.messages);
        if (t.text != whole.text || !same(t.messages, whole.messages))
            std::abort();
        // Every message's span lies in the input, and the text before it
        // in the output.
        for (const auto& m : whole.messages)
            if (m.offset + m.span > in.size() || m.written > whole.text.size())
                std::abort();
    }
    }
    return 0;
}
