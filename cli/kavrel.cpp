// kavrel: ISO 15919 Roman to Unicode Devanagari. Reads the named file, or
// standard input (no file name, or "-"), in UTF-8 or UCS-2/UTF-16 of either
// byte order, and writes Devanagari to standard output. The usage text goes
// to standard output for --help and to standard error for a bad option.
#include "lipisetu.hpp"
#include "shell.hpp"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>

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

// Further lines of the --help text: the options that the usage text above
// does not name, --scheme with the names of the schemes after it and what
// auto does, then --script.
static const char schemehelp[] =
    "   Further options: --scheme NAME (or --scheme=NAME) reads the\n"
    "   romanisation NAME, the default being the first of these:\n";

static std::string autohelp()
{
    return std::string("   or ") + shell::autoscheme + ", which takes it from the text: from the first " +
           std::to_string(lipisetu::detectblock) + " bytes of\n"
           "   the input, and says on standard error which it took.\n"
           "   --nfc writes Unicode's normal form C: the nukta letters that it\n"
           "   leaves out of composition (U+0958 to U+095F) as consonant and nukta.\n";
}

// And the option that writes another script, with their names.
static const char scripthelp[] =
    "   --script NAME (or --script=NAME) writes the Devanagari in the script\n"
    "   NAME, the default being the first of these:\n";

// What kavrel converts with: its options, and whether --scheme auto takes
// the scheme from the text.
struct run {
    lipisetu::romanoptions opt;
    bool automatic = false;
};

// What a command line asks for: a conversion, or one of the answers.
enum class request { convert, help, version, badoption, badname };

// The options -n, -s and --nfc, matched as whole arguments.
struct flagrow {
    const char* name;
    bool lipisetu::romanoptions::*flag;
};
constexpr flagrow flaglist[] = {{"-n", &lipisetu::romanoptions::numerals},
                                {"-s", &lipisetu::romanoptions::sanskrit},
                                {"--nfc", &lipisetu::romanoptions::nfc}};

// The letter of each form in the options -iX and -oX.
struct formletter {
    char letter;
    lipisetu::form f;
};
constexpr formletter formletters[] = {
    {'u', lipisetu::form::utf8},
    {'l', lipisetu::form::utf16le},
    {'b', lipisetu::form::utf16be},
};

// The form an option -iX or -oX names. A later option of the same side
// overrides an earlier one.
static bool formoption(const char* a, lipisetu::romanoptions& opt)
{
    if (a[0] != '-' || (a[1] != 'i' && a[1] != 'o') || a[2] == '\0' || a[3] != '\0')
        return false;
    for (const formletter& r : formletters)
        if (r.letter == a[2]) {
            (a[1] == 'i' ? opt.input : opt.output) = r.f;
            return true;
        }
    return false;
}

// Reads the options from argv[1] on, up to the file name: the first
// argument that does not start with '-', or "-" for standard input. `file`
// is the name, or null for standard input. Every argument after the file
// name is ignored, options and answers included.
static request parseargs(int argc, char** argv, run& r, const char*& file)
{
    lipisetu::romanoptions& opt = r.opt;
    file = nullptr;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (a[0] != '-') {
            file = a;
            return request::convert;
        }
        if (!std::strcmp(a, "-"))
            return request::convert;
        if (!std::strcmp(a, "--help"))
            return request::help;
        if (!std::strcmp(a, "--version"))
            return request::version;
        int took = shell::schemeoption("kavrel", argc, argv, i, opt.scheme, &r.automatic);
        if (!took)
            took = shell::scriptoption("kavrel", argc, argv, i, opt.script);
        if (took) {
            if (took < 0)
                return request::badname;
            i += took - 1;
            continue;
        }
        if (formoption(a, opt))
            continue;
        const flagrow* row = std::find_if(std::begin(flaglist), std::end(flaglist),
                                          [a](const flagrow& r) { return !std::strcmp(a, r.name); });
        if (row == std::end(flaglist))
            return request::badoption;
        opt.*row->flag = true;
    }
    return request::convert;
}

// The scheme the text is in, from its first block, which is read ahead
// and converted with the rest; said on standard error. Where no scheme
// fits, the default is read.
static lipisetu::romanoptions detected(shell::readahead& ahead, lipisetu::source in, lipisetu::romanoptions opt)
{
    shell::readstart(ahead, in, lipisetu::detectblock);
    if (ahead.head.empty() && ahead.error)
        return opt; // nothing to judge: the conversion reports the read error
    lipisetu::detection d = lipisetu::detect(ahead.head, opt.input);
    if (d.found == lipisetu::writing::roman)
        opt.scheme = d.scheme;
    const std::string name(lipisetu::nameof(opt.scheme));
    if (d.found == lipisetu::writing::roman)
        std::fprintf(stderr, "kavrel: --scheme auto: reading %s\n", name.c_str());
    else if (d.found == lipisetu::writing::devanagari)
        std::fprintf(stderr, "kavrel: --scheme auto: the text is in Devanagari; reading %s\n", name.c_str());
    else
        std::fprintf(stderr, "kavrel: --scheme auto: no scheme fits the text; reading %s\n", name.c_str());
    return opt;
}

static lipisetu::status convert(lipisetu::source in, lipisetu::sink out, const void* context)
{
    const run& r = *static_cast<const run*>(context);
    if (!r.automatic)
        return lipisetu::convertroman(in, out, r.opt);
    shell::readahead ahead;
    lipisetu::romanoptions opt = detected(ahead, in, r.opt);
    return lipisetu::convertroman(shell::aheadsource(ahead), out, opt);
}

int main(int argc, char** argv)
{
    run r;
    const char* file = nullptr;
    switch (parseargs(argc, argv, r, file)) {
    case request::convert:
        break;
    case request::help:
        return shell::tell("kavrel", (std::string(usage) + schemehelp + shell::helplines(shell::schemelist()) +
                                      autohelp() + scripthelp + shell::helplines(shell::scriptlist()))
                                         .c_str());
    case request::version:
        return shell::version("kavrel", "Transliteration: ISO 15919:2001\n");
    case request::badoption:
        std::fputs(usage, stderr);
        return 1;
    case request::badname:
        return 1;
    }
    return shell::convertfile("kavrel", file ? file : "-", "Unable to open file\n", convert, &r);
}
