// pellam: 8-bit ISCII Devanagari to UTF-8. Reads the file named by its first
// argument, or standard input, and writes to standard output; each byte it
// cannot convert is dropped with a message on standard error.
#include "convert.hpp"
#include "shell.hpp"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    std::FILE* f = stdin;
    if (argc >= 2) {
        // There are no options: the first argument is always a file name,
        // whatever its length or first character.
        f = std::fopen(argv[1], "r");
        if (!f) {
            std::fputs("\nUnable to open file\n", stderr);
            return 1;
        }
    }
    static pellam::state st;
    pellam::start(st, f, stdout, stderr);
    pellam::process(st);
    int status = shell::finish("pellam", st.in, st.out);
    if (f != stdin)
        std::fclose(f);
    return status;
}
