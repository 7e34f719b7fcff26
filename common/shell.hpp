// What the three programs' main functions share: the standard input named
// as a file, the answers to --help and --version, ending a conversion, and
// telling the user about a failed read or write.
#pragma once

#include "lipisetu.hpp"

#include <cstdio>

namespace shell {

// Whether a file argument means standard input: a lone "-", as for every
// filter. A file of that name is still reached as "./-".
bool isstdin(const char* arg);

// The input that a file argument names: standard input for "-", else the
// file opened for reading. Null, after `unable` on standard error, when the
// file cannot be opened.
std::FILE* openinput(const char* name, const char* unable);

// Writes `text` to standard output and flushes it. Returns the exit
// status: 0, or 1 after a "write error" message when the text could not be
// written (a full disk, a closed standard output).
int tell(const char* prog, const char* text);

// Writes the program's name with the project's name and version on one
// line, then `standards` (the standards the program follows, one line
// each, newline-terminated). The exit status is as for tell.
int version(const char* prog, const char* standards);

// Reports what went wrong in a conversion, a failed read or write or no
// memory to start it, with one line on standard error each. Returns the
// exit status: 0 when the conversion was complete, 1 otherwise. Bytes
// already written stay as they are.
int finish(const char* prog, const lipisetu::status& s);

// finish, and then the input closed unless it is standard input.
int done(const char* prog, const lipisetu::status& s, std::FILE* in);

} // namespace shell
