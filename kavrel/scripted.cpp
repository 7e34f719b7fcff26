// Devanagari written in another script: the stage between the syllable
// writer's output and the sink. The conversion writes its Devanagari in
// UTF-8 as it always does; each block of it is read back into code points,
// goes through the scripts' writer, which keeps back the few that what
// follows may still change, and is written in the output's form.
#include "convert.hpp"

#include <cerrno>
#include <new>

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
