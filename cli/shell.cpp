#include "shell.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

// The project's name and version come from the build, which has them from
// the one place they are set.
#if !defined(LIPISETU_PACKAGE) || !defined(LIPISETU_VERSION)
#error "LIPISETU_PACKAGE and LIPISETU_VERSION must be defined by the build"
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

// Reports what went wrong in a conversion; the exit status.
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

} // namespace

int tell(const char* prog, const char* text)
{
    errno = 0;
    return flushed(prog, std::fputs(text, stdout) >= 0);
}

int version(const char* prog, const char* standards)
{
    errno = 0;
    return flushed(prog, std::printf("%s (%s) %s\n%s", prog, LIPISETU_PACKAGE, LIPISETU_VERSION, standards) >= 0);
}

namespace {

// The value of the option at argv[i], "--NAME VALUE" or "--NAME=VALUE": the
// arguments it takes (0 when argv[i] is not the option), and the value, or
// null when none follows.
int optionvalue(const char* option, int argc, char** argv, int i, const char*& value)
{
    const char* a = argv[i];
    std::size_t n = std::strlen(option);
    value = nullptr;
    if (!std::strcmp(a, option)) {
        value = i + 1 < argc ? argv[i + 1] : nullptr;
        return 2;
    }
    if (!std::strncmp(a, option, n) && a[n] == '=') {
        value = a + n + 1;
        return 1;
    }
    return 0;
}

// The message for a value that names nothing, or for none: "unknown
// scheme 'xx'; the schemes are ..." or "--scheme needs a name; ...".
int unknown(const char* prog, const char* option, const char* what, const char* value, const std::string& list)
{
    if (value)
        std::fprintf(stderr, "%s: unknown %s '%s'; the %ss are %s\n", prog, what, value, what, list.c_str());
    else
        std::fprintf(stderr, "%s: %s needs a name; the %ss are %s\n", prog, option, what, list.c_str());
    return -1;
}

// The names the library gives, from the first on, with a comma and a
// space between two.
template <class E> std::string namelist()
{
    std::string list;
    for (int k = 0; !lipisetu::nameof(static_cast<E>(k)).empty(); ++k)
        list.append(k ? ", " : "").append(lipisetu::nameof(static_cast<E>(k)));
    return list;
}

} // namespace

int schemeoption(const char* prog, int argc, char** argv, int i, lipisetu::scheme& s, bool* automatic)
{
    const char* name;
    int took = optionvalue("--scheme", argc, argv, i, name);
    if (!took)
        return 0;
    if (name && automatic && !std::strcmp(name, autoscheme)) {
        *automatic = true;
        return took;
    }
    if (name && lipisetu::schemenamed(name, s)) {
        if (automatic)
            *automatic = false;
        return took;
    }
    return unknown(prog, "--scheme", "scheme", name, schemelist());
}

int scriptoption(const char* prog, int argc, char** argv, int i, lipisetu::script& s)
{
    const char* name;
    int took = optionvalue("--script", argc, argv, i, name);
    if (!took || (name && lipisetu::scriptnamed(name, s)))
        return took;
    return unknown(prog, "--script", "script", name, scriptlist());
}

std::string helplines(const std::string& list)
{
    // Lines of at most 72 columns, each indented by six spaces, broken
    // after a comma.
    std::string out = "      ";
    std::size_t width = 6;
    for (std::size_t at = 0; at < list.size();) {
        std::size_t end = list.find(", ", at);
        std::size_t next = end == std::string::npos ? list.size() : end + 2;
        std::string word = list.substr(at, (end == std::string::npos ? list.size() : end + 1) - at);
        if (width > 6 && width + 1 + word.size() > 72) {
            out += "\n      ";
            width = 6;
        } else if (width > 6) {
            out += ' ';
            ++width;
        }
        out += word;
        width += word.size();
        at = next;
    }
    return out + "\n";
}

std::string schemelist() { return namelist<lipisetu::scheme>(); }
std::string scriptlist() { return namelist<lipisetu::script>(); }

void readstart(readahead& r, lipisetu::source in, std::size_t size)
{
    r.rest = in;
    r.head.resize(size);
    std::size_t got = 0;
    while (got < size) {
        errno = 0;
        auto* at = reinterpret_cast<unsigned char*>(r.head.data() + got);
        std::ptrdiff_t n = in.read ? in.read(in.context, at, size - got) : 0;
        if (n < 0)
            r.error = errno ? errno : EIO;
        if (n <= 0) {
            r.ended = true;
            break;
        }
        // A source may say it gave more than it was asked for; it is not
        // believed.
        got += std::min(static_cast<std::size_t>(n), size - got);
    }
    r.head.resize(got);
}

namespace {

std::ptrdiff_t readkept(void* context, unsigned char* buf, std::size_t size)
{
    auto& r = *static_cast<readahead*>(context);
    if (r.at < r.head.size()) {
        std::size_t n = std::min(size, r.head.size() - r.at);
        std::memcpy(buf, r.head.data() + r.at, n);
        r.at += n;
        return static_cast<std::ptrdiff_t>(n);
    }
    if (r.error) {
        errno = r.error;
        return -1;
    }
    if (r.ended || !r.rest.read)
        return 0;
    return r.rest.read(r.rest.context, buf, size);
}

} // namespace

lipisetu::source aheadsource(readahead& r) { return {readkept, &r}; }

int convertfile(const char* prog, const char* file, const char* unable, convertfn convert, const void* context)
{
    std::FILE* in = openinput(file, unable);
    if (!in)
        return 1;
    int status = finish(prog, convert(lipisetu::filesource(in), lipisetu::filesink(stdout), context));
    if (in != stdin)
        std::fclose(in);
    return status;
}

int runfilter(const filter& f, const char* arg)
{
    // Apart from "-", --help and --version, the argument is always a file
    // name, whatever its length or first character.
    const char* name = arg ? arg : "-";
    if (!std::strcmp(name, "--help"))
        return tell(f.name, f.usage);
    if (!std::strcmp(name, "--version"))
        return version(f.name, f.standards);
    return convertfile(f.name, name, f.unable, f.convert, f.context);
}

} // namespace shell
