// The library's streaming and incremental paths against its one-shot
// calls, on arbitrary bytes: a source that gives pieces of drawn sizes and
// a sink that takes as few bytes a write must give the bytes of one call,
// and each decoder fed the same pieces the text (and messages) of one
// call. The one-shot calls reuse a state kept for the thread, so each is
// also made right after a one-shot call on a drawn part of the input,
// which leaves that state as a different conversion ended it, and appended
// to a string that holds text already.
#include "harness.hpp"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>


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

// The input handed to a decoder in the pieces that p draws: must give
// `want`.
template <class D> bool sameinpieces(D& d, std::string_view in, harness::pieces& p, const std::string& want)
{
    std::string out;
    for (std::string_view rest = in; !rest.empty();) {
        std::size_t n = std::min(p.next(), rest.size());
        lipisetu::decode(d, rest.substr(0, n), false, out);
        rest.remove_prefix(n);
    }
    lipisetu::decode(d, {}, true, out);
    return out == want;
}

// The number of schemes, as the library lists them.
std::size_t schemecount()
{
    std::size_t n = 0;
    while (!lipisetu::nameof(static_cast<lipisetu::scheme>(n)).empty())
        ++n;
    return n;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The first byte draws the conversion and kavrel's options (or whether
    // ISCII's ATR code is read), the next eight the sizes of the pieces
    // (their low five bits), the scheme (the high three bits of the first
    // two) and kavrel's script (the third, whole).
    if (size < 9)
        return 0;
    static const std::size_t count = schemecount();
    unsigned draw = data[0];
    auto scheme = static_cast<lipisetu::scheme>((data[1] >> 5 | data[2] >> 5 << 3) % count);
    std::string_view in(reinterpret_cast<const char*>(data) + 9, size - 9);
    harness::pieces p{.in = in, .sizes = data + 1, .nsizes = 8};
    std::size_t cut = in.empty() ? 0 : data[1] % in.size();
    switch (draw % 3) {
    case 0: {
        using lipisetu::form;
        const form forms[] = {form::detect, form::utf8, form::utf16le, form::utf16be};
        lipisetu::romanoptions o{.sanskrit = (draw & 4) != 0, .numerals = (draw & 8) != 0, .nfc = (draw & 2) != 0,
                                 .input = forms[draw >> 4 & 3], .output = forms[draw >> 6 & 3], .scheme = scheme};
        o.script = static_cast<lipisetu::script>(data[2] % harness::scriptcount());
        if (!ok(lipisetu::convertroman(p.source(), p.sink(), o)) ||
            p.out != lipisetu::todevanagari(in, o))
            std::abort();
        auto oneshot = [&o](std::string_view s, std::string& out) { lipisetu::todevanagari(s, out, o); };
        if (!sameafter(in, cut, p.out, oneshot))
            std::abort();
        lipisetu::romandecoder d = lipisetu::newromandecoder(o);
        if (!d || !sameinpieces(*d, in, p, p.out))
            std::abort();
        // detect reads the first block alone: what follows it changes
        // nothing.
        lipisetu::detection found = lipisetu::detect(in, o.input);
        std::string other(in);
        if (other.size() > lipisetu::detectblock)
            std::fill(other.begin() + lipisetu::detectblock, other.end(), 'x');
        lipisetu::detection again = lipisetu::detect(other, o.input);
        if (!(found.score >= 0 && found.score <= 1) || found.found != again.found || found.scheme != again.scheme ||
            found.score != again.score)
            std::abort();
        break;
    }
    case 1: {
        if (!ok(lipisetu::convertdevanagari(p.source(), p.sink(), scheme)) || p.out != lipisetu::toroman(in, scheme))
            std::abort();
        auto oneshot = [scheme](std::string_view s, std::string& out) { lipisetu::toroman(s, out, scheme); };
        if (!sameafter(in, cut, p.out, oneshot))
            std::abort();
        lipisetu::devanagaridecoder d = lipisetu::newdevanagaridecoder(scheme);
        if (!d || !sameinpieces(*d, in, p, p.out))
            std::abort();
        break;
    }
    default: {
        const lipisetu::isciioptions o{.atr = (draw & 4) != 0};
        lipisetu::isciitext whole = lipisetu::fromiscii(in, o);
        std::vector<lipisetu::isciimessage> msgs;
        if (!ok(lipisetu::convertiscii(p.source(), p.sink(), o, harness::collect, &msgs)) ||
            p.out != whole.text || harness::fields(msgs) != harness::fields(whole.messages))
            std::abort();
        lipisetu::isciidecoder d = lipisetu::newisciidecoder(o);
        lipisetu::isciitext t;
        for (std::string_view rest = in; !rest.empty();) {
            std::size_t n = std::min(p.next(), rest.size());
            lipisetu::decode(*d, rest.substr(0, n), false, t.text, t.messages);
            if (lipisetu::pending(*d).size() > (o.atr ? 3 : 1))
                std::abort();
            rest.remove_prefix(n);
        }
        lipisetu::decode(*d, {}, true, t.text, t.messages);
        if (t.text != whole.text || harness::fields(t.messages) != harness::fields(whole.messages))
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
