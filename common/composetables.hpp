// Canonical combining classes, decomposition and composition from tables
// made at build time from utf8proc (unicode.py), for builds without
// utf8proc itself (the WebAssembly module). The tests hold them equal to
// utf8proc's.
#pragma once

#include "compose.hpp"

namespace compose::tables {

int combiningclassof(lchar c);
int nfc(const lchar* in, int n, lchar* out, int room);
int nfd(const lchar* in, int n, lchar* out, int room);

} // namespace compose::tables
