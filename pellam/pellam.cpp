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
    // A file that is not ISCII can give a message for every other byte:
    // gather them in a buffer rather than make a system call for each.
    static char msgbuf[1 << 16];
    std::setvbuf(stderr, msgbuf, _IOFBF, sizeof msgbuf);
    static pellam::state st;
    pellam::start(st, f, stdout, stderr);
    pellam::process(st);
    int status = shell::finish("pellam", st.in, st.out);
    if (f != stdin)
        std::fclose(f);
    return status;
}
