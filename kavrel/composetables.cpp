// Canonical composition of a letter and its marks from the generated
// tables: each character fully decomposed, the marks put in canonical
// order, then each mark composed with the starter before it where the pair
// composes and nothing between them blocks it.
#include "composetables.hpp"

#include "unicodetables.hpp"

#include <algorithm>
#include <iterator>

namespace kavrel::unicode {

int combiningclassof(lchar c)
{
    const classrange* r = std::upper_bound(std::begin(classes), std::end(classes), c,
                                           [](lchar x, const classrange& row) { return x < row.first; });
    return r != std::begin(classes) && c <= r[-1].last ? r[-1].ccc : 0;
}

namespace {

// Appends c's full canonical decomposition (c itself when it has none);
// false when it does not fit.
bool decompose(lchar c, lchar* buf, int& k, int room)
{
    const decompositionrow* r = std::lower_bound(std::begin(decompositions), std::end(decompositions), c,
                                                 [](const decompositionrow& row, lchar x) { return row.c < x; });
    if (r == std::end(decompositions) || r->c != c) {
        if (k >= room)
            return false;
        buf[k++] = c;
        return true;
    }
    if (k + r->n > room)
        return false;
    for (int i = 0; i < r->n; ++i)
        buf[k++] = decompositionchars[r->at + i];
    return true;
}

// What the starter and the mark compose into; 0 for nothing.
lchar composed(lchar starter, lchar mark)
{
    const compositionrow* r =
            std::lower_bound(std::begin(compositions), std::end(compositions), compositionrow{starter, mark, 0},
                             [](const compositionrow& a, const compositionrow& b) {
                                 return a.starter != b.starter ? a.starter < b.starter : a.mark < b.mark;
                             });
    return r != std::end(compositions) && r->starter == starter && r->mark == mark ? r->made : 0;
}

} // namespace

int nfc(const lchar* in, int n, lchar* out, int room)
{
    constexpr int most = 4 * maxcomposed;
    if (n < 1 || n > maxcomposed)
        return -1;
    lchar buf[most];
    int k = 0;
    for (int i = 0; i < n; ++i)
        if (!decompose(in[i], buf, k, most))
            return -1;
    // Canonical order: a mark moves before the marks of a higher class
    // before it, never past a starter; marks of one class keep their order.
    for (int i = 1; i < k; ++i) {
        int cc = combiningclassof(buf[i]);
        for (int j = i; cc != 0 && j > 0 && combiningclassof(buf[j - 1]) > cc; --j)
            std::swap(buf[j - 1], buf[j]);
    }
    // Composition, in place: `kept` characters stay, the last starter among
    // them at `starter`.
    int kept = 1, starter = combiningclassof(buf[0]) == 0 ? 0 : -1;
    for (int i = 1; i < k; ++i) {
        lchar c = buf[i];
        int cc = combiningclassof(c);
        int lastcc = combiningclassof(buf[kept - 1]);
        bool adjacent = starter == kept - 1;
        if (starter >= 0 && (adjacent || (lastcc != 0 && lastcc < cc)))
            if (lchar made = composed(buf[starter], c)) {
                buf[starter] = made;
                continue;
            }
        if (cc == 0)
            starter = kept;
        buf[kept++] = c;
    }
    if (kept > room)
        return -1;
    std::copy(buf, buf + kept, out);
    return kept;
}

} // namespace kavrel::unicode
