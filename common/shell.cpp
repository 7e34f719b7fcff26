#include "shell.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>

// The project's name and version come from the build, which has them from
// the one place they are set.
#if !defined(DEVCONV_PACKAGE) || !defined(DEVCONV_VERSION)
#error "DEVCONV_PACKAGE and DEVCONV_VERSION must be defined by the build"
#endif

namespace shell {

bool isstdin(const char* arg) { return std::strcmp(arg, "-") == 0; }

std::FILE* openinput(const char* name, const char* unable)
{
    if (isstdin(name))
        return stdin;
    std::FILE* f = std::fopen(name, "rb");
    if (!f)
        std::fputs(unable, stderr);
    return f;
}

namespace {

// The status after writing to standard output: the flush tells whether
// the bytes reached the file.
int flushed(const char* prog, bool written)
{
    if (written && std::fflush(stdout) == 0)
        return 0;
    std::fprintf(stderr, "%s: write error: %s\n", prog, std::strerror(errno ? errno : EIO));
    return 1;
}

} // namespace

int tell(const char* prog, const char* text)
{
    errno = 0;
    return flushed(prog, std::fputs(text, stdout) >= 0);
}

int version(const char* prog, const char* standards)
{
    errno = 0;
    return flushed(prog, std::printf("%s (%s) %s\n%s", prog, DEVCONV_PACKAGE, DEVCONV_VERSION, standards) >= 0);
}

int finish(const char* prog, const lipisetu::status& s)
{
    if (s.nomemory)
        std::fprintf(stderr, "%s: out of memory\n", prog);
    if (s.readerror)
        std::fprintf(stderr, "%s: read error: %s\n", prog, std::strerror(s.readerror));
    if (s.writeerror)
        std::fprintf(stderr, "%s: write error: %s\n", prog, std::strerror(s.writeerror));
    return lipisetu::ok(s) ? 0 : 1;
}

int done(const char* prog, const lipisetu::status& s, std::FILE* in)
{
    int status = finish(prog, s);
    if (in != stdin)
        std::fclose(in);
    return status;
}

} // namespace shell
