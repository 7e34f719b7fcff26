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

int finish(const char* prog, const codec::bytein& in, codec::byteout& out)
{
    int status = 0;
    if (in.error) {
        std::fprintf(stderr, "%s: read error: %s\n", prog, std::strerror(in.error));
        status = 1;
    }
    if (!codec::finish(out)) {
        std::fprintf(stderr, "%s: write error: %s\n", prog, std::strerror(out.error));
        status = 1;
    }
    return status;
}

} // namespace shell
