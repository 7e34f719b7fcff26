// sonwick: Unicode Devanagari to Roman. Reads the UTF-8 file named by its
// first argument, or standard input, and writes the Roman text, in UTF-8,
// to standard output: ISO 15919 unless --scheme names another
// romanisation.
#include "lipisetu.hpp"
#include "shell.hpp"

static const char usage[] =
    "   Sonwick converts from Unicode Devanagari to Unicode Roman, following\n"
    "   the transliteration standard specified by ISO 15919. It reads UTF-8\n"
    "   from a file, or, if no filename or the filename \"-\" is specified on\n"
    "   the command line, from standard input, and writes UTF-8 to standard\n"
    "   output. Characters that it does not know are copied unchanged. Only\n"
    "   the first argument is read; any other argument is ignored. In place\n"
    "   of the filename, the first argument may be one of these options:\n"
    "      --help     --  write this text to standard output\n"
    "      --version  --  write the version and the standard followed\n"
    "   Before the filename, --scheme NAME (or --scheme=NAME) writes the\n"
    "   romanisation NAME instead: iso (ISO 15919, the default), iast, hk\n"
    "   (Harvard-Kyoto), itrans, slp1, velthuis or wx.\n";

static lipisetu::status convert(lipisetu::source in, lipisetu::sink out, const void* context)
{
    return lipisetu::convertdevanagari(in, out, *static_cast<const lipisetu::scheme*>(context));
}

int main(int argc, char** argv)
{
    lipisetu::scheme scheme = lipisetu::scheme::iso;
    int took = argc >= 2 ? shell::schemeoption("sonwick", argc, argv, 1, scheme) : 0;
    if (took < 0)
        return 1;
    shell::filter f{"sonwick", usage, "Transliteration: ISO 15919:2001\n", "Unable to open file\n", convert, &scheme};
    return shell::runfilter(f, 1 + took < argc ? argv[1 + took] : nullptr);
}
