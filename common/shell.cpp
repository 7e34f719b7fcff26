#include "shell.hpp"

#include <cstdio>
#include <cstring>

namespace shell {

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
