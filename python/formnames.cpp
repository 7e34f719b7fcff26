// Writes the names of the forms the library takes, one a line, from the
// first on: run at build time, so that the module's stub types the form
// arguments with the library's own names.
#include "lipisetu.hpp"

#include <cstdio>

int main()
{
    for (unsigned k = 0;; ++k) {
        std::string_view name = lipisetu::nameof(static_cast<lipisetu::form>(k));
        if (name.empty())
            return std::fflush(stdout) == 0 ? 0 : 1;
        std::printf("%.*s\n", static_cast<int>(name.size()), name.data());
    }
}
