// kavrel: ISO 15919 Roman to Unicode Devanagari. Reads the named file, or
// standard input (no file name, or "-"), in UTF-8 or UCS-2/UTF-16 of either
// byte order, and writes Devanagari to standard output. The usage text goes
// to standard output for --help and to standard error for a bad option.
#include "convert.hpp"
#include "lipisetu.hpp"
#include "shell.hpp"

#include <cstdio>

static const char usage[] =
    "   Kavrel converts from Unicode Roman (following the transliteration\n"
    "   standard specified by ISO 15919) to Unicode Devanagari. It reads\n"
    "   from a file, or, if no filename is specified on the command line,\n"
    "   from standard input, and writes to standard output. The program can\n"
    "   accept as input UTF-8 and UCS-2/UTF-16 in both big-endian and\n"
    "   little-endian format, and its output can be in any of the same three\n"
    "   forms. By default, it attempts to determine the form of the input\n"
    "   (by looking for an initial 0xFFFE or 0xFEFF), and selects the same\n"
    "   form for its output. However, various command-line options can be\n"
    "   used to force different behaviour. The full set of options is as\n"
    "   follows:\n"
    "      -il  --  input in little-endian UCS-2\n"
    "      -ib  --  input in big-endian UCS-2\n"
    "      -iu  --  input in UTF-8\n"
    "      -ol  --  output in little-endian UCS-2\n"
    "      -ob  --  output in big-endian UCS-2\n"
    "      -ou  --  output in UTF-8\n"
    "      -n   --  convert numerals to Devanagari\n"
    "      -s   --  text is Sanskrit: handle space and avagraha characters\n"
    "               appropriately\n"
    "   The program does not check that input is valid in terms of ISO 15919,\n"
    "   or that UTF-8 input is syntactically valid. Invalid input will cause\n"
    "   unpredictable results. Accented (Vedic) Roman input using acute and\n"
    "   grave accents over vowels will produce correct but unaccented\n"
    "   Devanagari output (the underscore notation for anudatta vowels is\n"
    "   not currently supported, since it is not clear what its Unicode\n"
    "   representation should be).\n";

// The library's options for those of the command line, where at most one
// form of each side is set.
static lipisetu::romanoptions libraryoptions(const kavrel::options& opt)
{
    using lipisetu::form;
    lipisetu::romanoptions o;
    o.sanskrit = opt.skt;
    o.numerals = opt.dnnum;
    o.input = opt.il ? form::utf16le : opt.ib ? form::utf16be : opt.iu ? form::utf8 : form::detect;
    o.output = opt.ol ? form::utf16le : opt.ob ? form::utf16be : opt.ou ? form::utf8 : form::detect;
    return o;
}

int main(int argc, char** argv)
{
    kavrel::options opt;
    const char* file = nullptr;
    switch (kavrel::parseargs(argc, argv, opt, file)) {
    case kavrel::request::convert:
        break;
    case kavrel::request::help:
        return shell::tell("kavrel", usage);
    case kavrel::request::version:
        return shell::version("kavrel", "Transliteration: ISO 15919:2001\n");
    case kavrel::request::badoption:
        std::fputs(usage, stderr);
        return 1;
    }
    std::FILE* f = shell::openinput(file ? file : "-", "Unable to open file\n");
    if (!f)
        return 1;
    return shell::done("kavrel", lipisetu::convertroman(lipisetu::filesource(f), lipisetu::filesink(stdout), libraryoptions(opt)), f);
}
