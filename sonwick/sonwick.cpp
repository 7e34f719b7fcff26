// sonwick: Unicode Devanagari to ISO 15919 Roman. Reads the UTF-8 file named
// by its first argument and writes the Roman text, in UTF-8, to standard
// output. It never reads standard input.
#include "convert.hpp"
#include "shell.hpp"

#include <cstdio>

int main(int argc, char** argv)
{
    // There are no options: the first argument is always a file name, "-"
    // included; any further arguments are ignored.
    std::FILE* f = argc >= 2 ? std::fopen(argv[1], "rb") : nullptr;
    if (!f) {
        static const char msg[] = "Unable to open file\n";
        std::fwrite(msg, 1, sizeof msg - 1, stderr);
        return 1;
    }
    static sonwick::state st;
    sonwick::start(st, f, stdout);
    sonwick::process(st);
    int status = shell::finish("sonwick", st.in.bytes, st.out.bytes);
    std::fclose(f);
    return status;
}
