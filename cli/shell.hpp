// What the three programs' main functions share: the standard input named
// as a file, the answers to --help and --version, the --scheme and
// --script options, running a conversion and telling the user about a
// failed read or write.
#pragma once

#include "lipisetu.hpp"

#include <cstdio>
#include <string>

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

// The --scheme option at argv[i]: "--scheme NAME" or "--scheme=NAME".
// Returns the arguments it took (0 when argv[i] is no --scheme option),
// or -1 after a one-line message naming the schemes when NAME is none.
// Where `automatic` is given, NAME may also be "auto", which sets it (and
// leaves `s`); any scheme named clears it.
int schemeoption(const char* prog, int argc, char** argv, int i, lipisetu::scheme& s, bool* automatic = nullptr);

// The --script option at argv[i], "--script NAME" or "--script=NAME", as
// schemeoption reads --scheme.
int scriptoption(const char* prog, int argc, char** argv, int i, lipisetu::script& s);

// The word that asks --scheme to take the scheme from the text.
constexpr const char* autoscheme = "auto";

// An input whose start has been read ahead (to look at it before it is
// converted): as a source it gives the start's bytes first, then the rest
// of the input, and a read that failed while reading ahead fails in its
// turn, after the bytes read before it.
struct readahead {
    std::string head;
    std::size_t at = 0;  // the head's bytes given so far
    int error = 0;       // errno of the read that failed while reading ahead
    bool ended = false;  // the input ended within the head: nothing more is read
    lipisetu::source rest;
};

// Reads the first `size` bytes of `in` into r.head, or all of it when it
// is shorter, stopping at a failed read; the input then goes on from r.
void readstart(readahead& r, lipisetu::source in, std::size_t size);
lipisetu::source aheadsource(readahead& r);

// The names of the schemes, and of the scripts, in the library's order,
// with a comma and a space between two.
std::string schemelist();
std::string scriptlist();
// A list of names as a usage text writes it: lines of at most 72 columns,
// each indented by six spaces and ended by a line feed.
std::string helplines(const std::string& list);

// A conversion from a source to a sink, with what it needs besides.
using convertfn = lipisetu::status (*)(lipisetu::source in, lipisetu::sink out, const void* context);

// The shape of sonwick's and pellam's command lines: one argument is read,
// --help, --version, "-" or nothing for standard input, or a file name
// whatever its first character. Runs the conversion to standard output
// and returns the exit status.
struct filter {
    const char* name;
    const char* usage;     // for --help
    const char* standards; // for --version
    const char* unable;    // when the file cannot be opened
    convertfn convert;
    const void* context;
};
int runfilter(const filter& f, const char* arg);

// Converts the input that `file` names (see openinput) to standard output
// and returns the exit status, after reporting what went wrong: a failed
// read or write, or no memory to start, one line on standard error each.
// Bytes already written stay as they are.
int convertfile(const char* prog, const char* file, const char* unable, convertfn convert, const void* context);

} // namespace shell
