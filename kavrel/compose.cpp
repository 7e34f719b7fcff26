// Canonical composition of a Latin letter and the combining marks after it.
// Roman text in normal form D (a macron typed after its a, as macOS and
// many input methods write it) is read as its composed form, so that every
// spelling of a letter that Unicode holds equivalent converts alike. Only a
// letter and its marks are composed; all other text is read as it came.
#include "convert.hpp"

#include <utf8proc.h>

#include <algorithm>
#include <iterator>

namespace kavrel {

int combiningclassof(lchar c) { return utf8proc_get_property(c)->combining_class; }

int nfc(const lchar* in, int n, lchar* out, int room)
{
    constexpr auto nfcoptions = static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_COMPOSE);
    // Canonical decompositions are at most four characters long.
    constexpr int most = 4 * maxcomposed;
    if (n < 1 || n > maxcomposed)
        return -1;
    unsigned char text[4 * maxcomposed];
    std::size_t len = 0;
    for (int i = 0; i < n; ++i)
        len += static_cast<std::size_t>(codec::utf8encode(in[i], text + len));
    utf8proc_int32_t buf[most];
    utf8proc_ssize_t k = utf8proc_decompose(text, static_cast<utf8proc_ssize_t>(len), buf, most, nfcoptions);
    if (k < 0 || k > most)
        return -1;
    k = utf8proc_normalize_utf32(buf, k, nfcoptions);
    if (k < 0 || k > room)
        return -1;
    std::copy(buf, buf + k, out);
    return static_cast<int>(k);
}

namespace {

// A letter and its marks: composed when there are at most maxmarks of
// them, else handed on as they came (and the marks after the last one read
// here follow as they come, since they follow no letter).
[[gnu::noinline, gnu::cold]] lchar composerun(state& st, lchar letter, lchar mark)
{
    composer& k = st.comp;
    lchar run[maxcomposed + 1];
    int n = 0;
    run[n++] = letter;
    run[n++] = mark;
    for (;;) {
        lchar c = codec::getuch(st.in);
        if (combiningclass(c) == 0) {
            k.ahead = c;
            break;
        }
        run[n++] = c;
        if (n > maxcomposed)
            break; // one mark too many: the run stays as it is
    }
    int made = n <= maxcomposed ? nfc(run, n, k.q, static_cast<int>(std::size(k.q))) : -1;
    if (made < 0) {
        std::copy(run, run + n, k.q);
        made = n;
    }
    k.head = 1;
    k.n = made;
    return k.q[0];
}

} // namespace

lchar getcuch(state& st)
{
    if (st.queueduch != codec::nochar) {
        lchar c = st.queueduch;
        st.queueduch = codec::nochar;
        return c;
    }
    composer& k = st.comp;
    if (k.head < k.n)
        return k.q[k.head++];
    lchar c;
    if (k.ahead != codec::nochar) {
        c = k.ahead;
        k.ahead = codec::nochar;
    } else {
        c = codec::getuch(st.in);
    }
    if (!latinletter(c))
        return c;
    // In UTF-8 an ASCII byte, or a two-byte lead below 0xCC, begins a
    // character below U+0300, which is no mark: the common case is settled
    // without reading on. (A stray continuation byte leads three bytes,
    // which may make any character.)
    const codec::bytein& b = st.in.bytes;
    if (!st.in.il && !st.in.ib && st.in.queueduch == codec::nochar && b.pos < b.len &&
        (b.buf[b.pos] < 0x80 || (b.buf[b.pos] >= 0xC0 && b.buf[b.pos] < 0xCC)))
        return c;
    lchar next = codec::getuch(st.in);
    if (combiningclass(next) == 0) {
        k.ahead = next;
        return c;
    }
    return composerun(st, c, next);
}

} // namespace kavrel
