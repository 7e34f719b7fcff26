// The scripts module on its own, for bench/scripts.sh: converts UTF-8 on
// standard input to UTF-8 on standard output, or times a conversion.
//
//     scriptconv write SCRIPT [BLOCK]      Devanagari written in SCRIPT
//     scriptconv read [BLOCK]              any of the nine blocks read as Devanagari
//     scriptconv time write SCRIPT RUNS    the best of RUNS conversions of the
//     scriptconv time read RUNS            input, in code points a second
//
// BLOCK: code points handed to the module at a time (default 65536).
#include <scripts.hpp>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

namespace {

std::vector<char32_t> readinput()
{
    std::string bytes;
    char buf[1 << 16];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, stdin)) > 0;)
        bytes.append(buf, n);
    std::vector<char32_t> cps;
    cps.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        unsigned char b = static_cast<unsigned char>(bytes[i]);
        int len = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
        char32_t c = len == 1 ? b : b & (0x3F >> (len - 1));
        for (int k = 1; k < len && i + k < bytes.size(); k++)
            c = c << 6 | (static_cast<unsigned char>(bytes[i + k]) & 0x3F);
        cps.push_back(c);
        i += len;
    }
    return cps;
}

void writeoutput(const std::vector<char32_t>& cps)
{
    std::string out;
    for (char32_t c : cps) {
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | c >> 6), out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | c >> 12), out += char(0x80 | (c >> 6 & 0x3F)), out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | c >> 18), out += char(0x80 | (c >> 12 & 0x3F));
            out += char(0x80 | (c >> 6 & 0x3F)), out += char(0x80 | (c & 0x3F));
        }
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
}

// The whole input converted in blocks of `block` code points, into `out`
// (room enough for the whole); returns how many code points were written.
template <class State>
std::size_t convert(State& st, const std::vector<char32_t>& in, std::size_t block, std::vector<char32_t>& out)
{
    std::size_t made = 0;
    for (std::size_t at = 0;;) {
        std::size_t n = std::min(block, in.size() - at);
        bool last = at + n == in.size();
        if constexpr (std::is_same_v<State, scripts::writer>)
            made += scripts::write(st, in.data() + at, n, last, out.data() + made);
        else
            made += scripts::read(st, in.data() + at, n, last, out.data() + made);
        at += n;
        if (last)
            return made;
    }
}

int usage()
{
    std::fputs("usage: scriptconv write SCRIPT [BLOCK] | read [BLOCK] | time write SCRIPT RUNS | time read RUNS\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    bool timing = !args.empty() && args[0] == "time";
    if (timing)
        args.erase(args.begin());
    if (args.empty())
        return usage();
    bool writing = args[0] == "write";
    scripts::script s = scripts::script::devanagari;
    std::size_t next = 1;
    if (writing && (args.size() < 2 || !scripts::find(args[1], s))) {
        std::fprintf(stderr, "scriptconv: no script %s\n", args.size() < 2 ? "" : args[1].c_str());
        return 2;
    }
    if (writing)
        next = 2;
    long number = next < args.size() ? std::atol(args[next].c_str()) : 0;
    std::vector<char32_t> in = readinput();
    scripts::writer w;
    scripts::reader r;
    std::vector<char32_t> out(std::max(scripts::writeroom(in.size()), scripts::readroom(in.size())));
    auto run = [&](std::size_t block) {
        if (writing) {
            scripts::start(w, s);
            return convert(w, in, block, out);
        }
        scripts::start(r, scripts::keepset{});
        return convert(r, in, block, out);
    };
    if (!timing) {
        out.resize(run(number > 0 ? std::size_t(number) : 65536));
        writeoutput(out);
        return std::fflush(stdout) || std::ferror(stdout) ? 1 : 0;
    }
    double best = 1e30;
    std::size_t made = 0;
    for (long i = 0; i < (number > 0 ? number : 5); i++) {
        auto t0 = std::chrono::steady_clock::now();
        made = run(65536);
        std::chrono::duration<double> t = std::chrono::steady_clock::now() - t0;
        best = std::min(best, t.count());
    }
    std::printf("%zu code points in %.6f s: %.1f million a second (%zu written)\n", in.size(), best,
                double(in.size()) / best / 1e6, made);
    return 0;
}
