// pellam: 8-bit ISCII to UTF-8. Reads the file named by its first argument,
// or standard input, and writes to standard output; each byte it cannot
// convert is dropped with a message on standard error. With --atr, the
// ATR code switches the script, among the nine of ISCII.
#include "lipisetu.hpp"
#include "shell.hpp"

#include <cstdio>
#include <cstring>
#include <string>

static const char usage[] =
    "   Pellam converts from 8-bit ISCII Devanagari (IS 13194:1991) to\n"
    "   Unicode Devanagari in UTF-8. It reads from a file, or, if no filename\n"
    "   or the filename \"-\" is specified on the command line, from standard\n"
    "   input, and writes to standard output. Bytes below 0x80 are copied\n"
    "   unchanged. A byte that has no Devanagari character, and the ATR and\n"
    "   EXT codes, are dropped with a message on standard error that names\n"
    "   the byte and its line. Only the first argument is read; any other\n"
    "   argument is ignored. In place of the filename, the first argument\n"
    "   may be one of these options:\n"
    "      --help     --  write this text to standard output\n"
    "      --version  --  write the version and the standard followed\n"
    "   The first argument may be --atr, and the argument after it is then\n"
    "   read as the first: the ATR code switches the script of the text\n"
    "   after it among the nine of ISCII, each line starting in Devanagari,\n"
    "   and a byte the script lacks is dropped with a message.\n";

// Each dropped byte's message, as it is found.
static void report(void*, const lipisetu::isciimessage& m)
{
    std::string text = lipisetu::describe(m);
    std::fwrite(text.data(), 1, text.size(), stderr);
}

static lipisetu::status convert(lipisetu::source in, lipisetu::sink out, const void* context)
{
    // A file that is not ISCII can give a message for every other byte:
    // gather them in a buffer rather than make a system call for each.
    static char msgbuf[1 << 16];
    std::setvbuf(stderr, msgbuf, _IOFBF, sizeof msgbuf);
    return lipisetu::convertiscii(in, out, *static_cast<const lipisetu::isciioptions*>(context), report, nullptr);
}

int main(int argc, char** argv)
{
    lipisetu::isciioptions opt;
    int took = argc >= 2 && !std::strcmp(argv[1], "--atr") ? 1 : 0;
    opt.atr = took;
    shell::filter f{"pellam", usage, "ISCII: IS 13194:1991 (ISCII-91)\n", "\nUnable to open file\n", convert, &opt};
    return shell::runfilter(f, 1 + took < argc ? argv[1 + took] : nullptr);
}
