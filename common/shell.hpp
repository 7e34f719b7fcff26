// What the three programs' main functions share: ending a conversion and
// telling the user about a failed read or write.
#pragma once

#include "codec.hpp"

namespace shell {

// Drains the output and reports a failed read or write with one line on
// standard error. Returns the exit status: 0 when every read and write
// succeeded, 1 otherwise. Bytes already written stay as they are.
int finish(const char* prog, const codec::bytein& in, codec::byteout& out);

} // namespace shell
