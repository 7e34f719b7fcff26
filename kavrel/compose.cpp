// Canonical combining classes and composition from utf8proc, for the
// letters and marks that kavrel composes.
#include "convert.hpp"

#include <utf8proc.h>

#include <algorithm>

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

} // namespace kavrel
