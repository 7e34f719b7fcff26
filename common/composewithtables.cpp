// Composition with the tables made from utf8proc at build time, for a
// build that does not link utf8proc itself.
#include "composetables.hpp"

namespace compose {

int combiningclassof(lchar c) { return tables::combiningclassof(c); }
int nfc(const lchar* in, int n, lchar* out, int room) { return tables::nfc(in, n, out, room); }
int nfd(const lchar* in, int n, lchar* out, int room) { return tables::nfd(in, n, out, room); }

} // namespace compose
