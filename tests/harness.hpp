// Helpers shared by the tests: byte strings, in-memory streams, and running
// a built program end to end.
#pragma once

#include "codec.hpp"

#include <cstdio>
#include <string>
#include <vector>

namespace kavrel {
struct options;
}

namespace harness {

// Bytes from a list of values 0 to 255.
std::string bytes(std::initializer_list<int> list);

// UTF-8 of a list of code points.
std::string utf8(std::u32string_view text);

// UCS-2 of a list of code points, little-endian or big-endian, with
// surrogate pairs above U+FFFF.
std::string ucs2(std::u32string_view text, bool little);

// A stream reading the given bytes (fmemopen; empty input works too).
std::FILE* memin(const std::string& data);

// The in-process conversions, input read at most `chunk` bytes at a time.
std::string pellamconvert(const std::string& in, std::size_t chunk = codec::bufsize,
                          std::string* msgs = nullptr);
std::string kavrelconvert(const kavrel::options& opt, const std::string& in,
                          std::size_t chunk = codec::bufsize);
std::string sonwickconvert(const std::string& in, std::size_t chunk = codec::bufsize);

// A stream collecting what is written to it; read it back with take().
struct memout {
    char* buf = nullptr;
    std::size_t len = 0;
    std::FILE* f = nullptr;
    memout();
    ~memout();
    memout(const memout&) = delete;
    memout& operator=(const memout&) = delete;
    std::string take(); // flushes and returns everything written so far
};

// What a finished program left behind.
struct result {
    std::string out;
    std::string err;
    int status = -1; // exit status, or 128 + signal number
};

// Runs `prog` with `args`, standard input read from a file holding `input`.
// With `outpath` set, standard output goes to that path (say /dev/full);
// with `closeout`, standard output is closed.
result run(const std::string& prog, const std::vector<std::string>& args,
           const std::string& input = {}, const char* outpath = nullptr,
           bool closeout = false);

// A temporary file holding `data`; removed when the object goes.
struct tempfile {
    std::string path;
    explicit tempfile(const std::string& data);
    ~tempfile();
    tempfile(const tempfile&) = delete;
    tempfile& operator=(const tempfile&) = delete;
};

// Printable form of bytes for failure messages: "e0 a4 95".
std::string hex(const std::string& s);

} // namespace harness
