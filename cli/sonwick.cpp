// sonwick: Unicode Devanagari to Roman. Reads the UTF-8 file named by its
// first argument, or standard input, and writes the Roman text, in UTF-8,
// to standard output: ISO 15919 unless --scheme names another
// romanisation.
#include "lipisetu.hpp"
#include "shell.hpp"

#include <string>

static const char usage[] =
    "   Sonwick converts from Unicode Devanagari to Unicode Roman, following\n"
    "   the transliteration standard of ISO 15919 unless --scheme names\n"
    "   another romanisation. It reads UTF-8 from a file, or, if no filename\n"
    "   or the filename \"-\" is given on the command line, from standard\n"
    "   input, and writes UTF-8 to standard output. Text in the other eight\n"
    "   scripts of ISCII is read as the Devanagari it stands for, and a letter\n"
    "   that the romanisation cannot spell stays as it was. Characters that it\n"
    "   does not know are copied unchanged. Only one argument is read besides\n"
    "   --scheme, and any other is ignored; in place of the filename, it may\n"
    "   be one of these options:\n"
    "      --help     --  write this text to standard output\n"
    "      --version  --  write the version and the standard followed\n"
    "   The first argument may be --scheme NAME (or --scheme=NAME), which\n"
    "   writes the romanisation NAME, the default being the first of these:\n";

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
    std::string help = std::string(usage) + shell::helplines(shell::schemelist());
    shell::filter f{"sonwick", help.c_str(), "Transliteration: ISO 15919:2001\n", "Unable to open file\n", convert,
                    &scheme};
    return shell::runfilter(f, 1 + took < argc ? argv[1 + took] : nullptr);
}
