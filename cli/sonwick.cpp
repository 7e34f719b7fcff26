// sonwick: Unicode Devanagari to Roman. Reads the UTF-8 file named by its
// first argument, or standard input, and writes the Roman text, in UTF-8,
// to standard output: ISO 15919 unless --scheme names another
// romanisation.
#include "lipisetu.hpp"
#include "shell.hpp"

static const char usage[] =
    "   Sonwick converts from Unicode Devanagari to Unicode Roman, following\n"
    "   the transliteration standard of ISO 15919 unless --scheme names\n"
    "   another romanisation. It reads UTF-8 from a file, or, if no filename\n"
    "   or the filename \"-\" is given on the command line, from standard\n"
    "   input, and writes UTF-8 to standard output. Characters that it does\n"
    "   not know are copied unchanged. The first argument may be --scheme\n"
    "   NAME (or --scheme=NAME), which writes the romanisation NAME: iso\n"
    "   (ISO 15919, the default), iast, hk (Harvard-Kyoto), itrans, slp1,\n"
    "   velthuis or wx. Only one argument is read besides it, and any other\n"
    "   is ignored; in place of the filename, it may be one of these options:\n"
    "      --help     --  write this text to standard output\n"
    "      --version  --  write the version and the standard followed\n";

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
