// What the three programs' main functions share: the standard input named
// as a file, the answers to --help and --version, ending a conversion, and
// telling the user about a failed read or write.
#pragma once

#include "codec.hpp"

namespace shell {

// Whether a file argument means standard input: a lone "-", as for every
// filter. A file of that name is still reached as "./-".
bool isstdin(const char* arg);

// Writes `text` to standard output and flushes it. Returns the exit
// status: 0, or 1 after a "write error" message when the text could not be
// written (a full disk, a closed standard output).
int tell(const char* prog, const char* text);

// Writes the program's name with the project's name and version on one
// line, then `standards` (the standards the program follows, one line
// each, newline-terminated). The exit status is as for tell.
int version(const char* prog, const char* standards);

// Drains the output and reports a failed read or write with one line on
// standard error. Returns the exit status: 0 when every read and write
// succeeded, 1 otherwise. Bytes already written stay as they are.
int finish(const char* prog, const codec::bytein& in, codec::byteout& out);

} // namespace shell
