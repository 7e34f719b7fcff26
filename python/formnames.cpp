// Writes the names of the forms the library takes, one a line, from the
// first on, or with the argument "scripts" the names of the scripts: run at
// build time, so that the module's stub types the form and script
// arguments with the library's own names.
#include "lipisetu.hpp"

#include <cstdio>
#include <string_view>

namespace {

template <class E> int writenames()
{
    for (unsigned k = 0;; ++k) {
        std::string_view name = lipisetu::nameof(static_cast<E>(k));
        if (name.empty())
            return std::fflush(stdout) == 0 ? 0 : 1;
        std::printf("%.*s\n", static_cast<int>(name.size()), name.data());
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::string_view(argv[1]) == "scripts")
        return writenames<lipisetu::script>();
    return writenames<lipisetu::form>();
}
