// kavrel's combining classes and compositions from the tables made from
// utf8proc at build time, for a build that does not link utf8proc itself.
#include "composetables.hpp"

namespace kavrel {

int combiningclassof(lchar c) { return unicode::combiningclassof(c); }
int nfc(const lchar* in, int n, lchar* out, int room) { return unicode::nfc(in, n, out, room); }

} // namespace kavrel
