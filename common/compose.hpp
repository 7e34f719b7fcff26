// Canonical composition (Unicode normal form C) of short runs: a letter and
// the combining marks after it. kavrel reads a Latin letter and its marks
// as their composition; sonwick puts an accent on a letter it has written.
// From utf8proc, or where it is not linked (the WebAssembly module) from
// tables made from it at build time (composetables.hpp).
#pragma once

#include "vocabulary.hpp"

namespace compose {

using vocab::lchar;

// The most marks after a letter that are composed: the stream-safe bound of
// Unicode, which keeps memory fixed; a longer run is read as it came.
constexpr int maxmarks = 30;
constexpr int maxcomposed = 1 + maxmarks;

int combiningclassof(lchar c);

// The canonical combining class; every character below U+0300 has class 0,
// which keeps the common case of a letter before an ASCII byte off the
// composing path.
inline int combiningclass(lchar c) { return c < 0x0300 ? 0 : combiningclassof(c); }

// The canonical composition of in[0..n) into out; its length, or -1 when n
// is not 1 to maxcomposed or the result does not fit in `room`.
int nfc(const lchar* in, int n, lchar* out, int room);

// The full canonical decomposition of in[0..n) into out, in canonical
// order; its length, or -1 when n is not 1 to maxcomposed or it does not
// fit in `room`.
int nfd(const lchar* in, int n, lchar* out, int room);

} // namespace compose
