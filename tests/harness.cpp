#include "harness.hpp"

#include "kavrel/convert.hpp"
#include "pellam/convert.hpp"
#include "sonwick/convert.hpp"

#include <cstdlib>
#include <deque>
#include <memory>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace harness {

std::string bytes(std::initializer_list<int> list)
{
    std::string s;
    for (int b : list)
        s += static_cast<char>(b);
    return s;
}

std::string utf8(std::u32string_view text)
{
    std::string s;
    for (char32_t c : text) {
        if (c < 0x80) {
            s += static_cast<char>(c);
        } else if (c < 0x800) {
            s += static_cast<char>(0xC0 | (c >> 6));
            s += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            s += static_cast<char>(0xE0 | (c >> 12));
            s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            s += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            s += static_cast<char>(0xF0 | (c >> 18));
            s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            s += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return s;
}

static void unit(std::string& s, unsigned u, bool little)
{
    char lo = static_cast<char>(u & 0xFF), hi = static_cast<char>(u >> 8);
    s += little ? lo : hi;
    s += little ? hi : lo;
}

std::string ucs2(std::u32string_view text, bool little)
{
    std::string s;
    for (char32_t c : text) {
        if (c > 0xFFFF) {
            unit(s, 0xD800 | ((c - 0x10000) >> 10), little);
            unit(s, 0xDC00 | ((c - 0x10000) & 0x3FF), little);
        } else {
            unit(s, c, little);
        }
    }
    return s;
}

std::FILE* memin(const std::string& data)
{
    // fmemopen reads from the buffer it is given: keep a copy alive for the
    // life of the test program (tests are short and inputs small).
    static std::deque<std::string> copies;
    std::string& copy = copies.emplace_back(data);
    return fmemopen(copy.data(), copy.size(), "r");
}

std::string pellamconvert(const std::string& in, std::size_t chunk, std::string* msgs)
{
    // One state for every call: each conversion must start fresh from it.
    static const auto st = std::make_unique<pellam::state>();
    std::string copy = in;
    memout out, err;
    std::FILE* f = fmemopen(copy.data(), copy.size(), "r");
    pellam::start(*st, f, out.f, err.f);
    codec::open(st->in, f, chunk);
    pellam::process(*st);
    codec::finish(st->out);
    std::fclose(f);
    if (msgs)
        *msgs = err.take();
    return out.take();
}

std::string kavrelconvert(const kavrel::options& opt, const std::string& in, std::size_t chunk)
{
    // One state for every call: each conversion must start fresh from it.
    static const auto st = std::make_unique<kavrel::state>();
    std::string copy = in;
    memout out;
    std::FILE* f = fmemopen(copy.data(), copy.size(), "r");
    kavrel::start(*st, opt, f, out.f);
    codec::open(st->in.bytes, f, chunk);
    kavrel::process(*st);
    codec::finish(st->out.bytes);
    std::fclose(f);
    return out.take();
}

std::string sonwickconvert(const std::string& in, std::size_t chunk)
{
    // One state for every call: each conversion must start fresh from it.
    static const auto st = std::make_unique<sonwick::state>();
    std::string copy = in;
    memout out;
    std::FILE* f = fmemopen(copy.data(), copy.size(), "r");
    sonwick::start(*st, f, out.f, chunk);
    sonwick::process(*st);
    codec::finish(st->out.bytes);
    std::fclose(f);
    return out.take();
}

memout::memout() { f = open_memstream(&buf, &len); }

memout::~memout()
{
    if (f)
        std::fclose(f);
    std::free(buf);
}

std::string memout::take()
{
    std::fflush(f);
    return std::string(buf, len);
}

tempfile::tempfile(const std::string& data)
{
    char name[] = "/tmp/devconv-test-XXXXXX";
    int fd = mkstemp(name);
    path = name;
    if (fd >= 0) {
        std::size_t done = 0;
        while (done < data.size()) {
            ssize_t w = write(fd, data.data() + done, data.size() - done);
            if (w <= 0)
                break;
            done += static_cast<std::size_t>(w);
        }
        close(fd);
    }
}

tempfile::~tempfile() { unlink(path.c_str()); }

static std::string slurp(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

result run(const std::string& prog, const std::vector<std::string>& args,
           const std::string& input, const char* outpath, bool closeout)
{
    tempfile in(input), out(""), err("");
    pid_t pid = fork();
    if (pid == 0) {
        int i = open(in.path.c_str(), O_RDONLY);
        int o = open(outpath ? outpath : out.path.c_str(), O_WRONLY | O_TRUNC);
        int e = open(err.path.c_str(), O_WRONLY | O_TRUNC);
        dup2(i, 0);
        dup2(o, 1);
        dup2(e, 2);
        close(i);
        close(o);
        close(e);
        if (closeout)
            close(1);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(prog.c_str()));
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(prog.c_str(), argv.data());
        _exit(127);
    }
    int ws = 0;
    waitpid(pid, &ws, 0);
    result r;
    r.out = slurp(out.path);
    r.err = slurp(err.path);
    r.status = WIFEXITED(ws) ? WEXITSTATUS(ws) : 128 + WTERMSIG(ws);
    return r;
}

std::string hex(const std::string& s)
{
    static const char digits[] = "0123456789abcdef";
    std::string h;
    for (unsigned char c : s) {
        if (!h.empty())
            h += ' ';
        h += digits[c >> 4];
        h += digits[c & 15];
    }
    return h;
}

} // namespace harness
