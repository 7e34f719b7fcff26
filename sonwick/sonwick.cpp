// sonwick: Unicode Devanagari to ISO 15919 Roman. Reads the UTF-8 file named
// by its first argument, or standard input, and writes the Roman text, in
// UTF-8, to standard output.
#include "lipisetu.hpp"
#include "shell.hpp"

#include <cstdio>
#include <cstring>

static const char usage[] =
    "   Sonwick converts from Unicode Devanagari to Unicode Roman, following\n"
    "   the transliteration standard specified by ISO 15919. It reads UTF-8\n"
    "   from a file, or, if no filename or the filename \"-\" is specified on\n"
    "   the command line, from standard input, and writes UTF-8 to standard\n"
    "   output. Characters that it does not know are copied unchanged. Only\n"
    "   the first argument is read; any other argument is ignored. In place\n"
    "   of the filename, the first argument may be one of these options:\n"
    "      --help     --  write this text to standard output\n"
    "      --version  --  write the version and the standard followed\n";

int main(int argc, char** argv)
{
    // Apart from "-", --help and --version, the first argument is always a
    // file name, whatever its first character; any further arguments are
    // ignored.
    const char* name = argc >= 2 ? argv[1] : "-";
    if (!std::strcmp(name, "--help"))
        return shell::tell("sonwick", usage);
    if (!std::strcmp(name, "--version"))
        return shell::version("sonwick", "Transliteration: ISO 15919:2001\n");
    std::FILE* f = shell::openinput(name, "Unable to open file\n");
    if (!f)
        return 1;
    return shell::done("sonwick", lipisetu::convertdevanagari(lipisetu::filesource(f), lipisetu::filesink(stdout)), f);
}
