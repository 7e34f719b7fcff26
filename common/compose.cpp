// Canonical combining classes, decomposition and composition from
// utf8proc.
#include "compose.hpp"
#include "codec.hpp"

#include <utf8proc.h>

#include <algorithm>

namespace compose {

int combiningclassof(lchar c) { return utf8proc_get_property(c)->combining_class; }

namespace {

// in[0..n) through utf8proc with the options, into out.
int normalised(const lchar* in, int n, lchar* out, int room, utf8proc_option_t options)
{
    // Canonical decompositions are at most four characters long.
    constexpr int most = 4 * maxcomposed;
    if (n < 1 || n > maxcomposed)
        return -1;
    unsigned char text[4 * maxcomposed];
    std::size_t len = 0;
    for (int i = 0; i < n; ++i)
        len += static_cast<std::size_t>(codec::utf8encode(in[i], text + len));
    utf8proc_int32_t buf[most];
    utf8proc_ssize_t k = utf8proc_decompose(text, static_cast<utf8proc_ssize_t>(len), buf, most, options);
    if (k < 0 || k > most)
        return -1;
    k = utf8proc_normalize_utf32(buf, k, options);
    if (k < 0 || k > room)
        return -1;
    std::copy(buf, buf + k, out);
    return static_cast<int>(k);
}

} // namespace

int nfc(const lchar* in, int n, lchar* out, int room)
{
    return normalised(in, n, out, room, static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_COMPOSE));
}

int nfd(const lchar* in, int n, lchar* out, int room)
{
    return normalised(in, n, out, room, static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_DECOMPOSE));
}

} // namespace compose
