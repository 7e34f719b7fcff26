// What lipisetu::detect finds in each line of a file, for bench/detect.sh:
//
//     detectlines FILE          one line out for each line in: the scheme's
//                               name, devanagari or unknown, and the score
//     detectlines --time FILE   the microseconds one call takes on the
//                               whole file's first block (best of many)
//     detectlines --schemes     the library's scheme names, one a line
#include <lipisetu.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

namespace {

std::string nameof(const lipisetu::detection& d)
{
    switch (d.found) {
    case lipisetu::writing::roman:
        return std::string(lipisetu::nameof(d.scheme));
    case lipisetu::writing::devanagari:
        return "devanagari";
    default:
        return "unknown";
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && !std::strcmp(argv[1], "--schemes")) {
        for (int k = 0; !lipisetu::nameof(static_cast<lipisetu::scheme>(k)).empty(); ++k)
            std::printf("%s\n", std::string(lipisetu::nameof(static_cast<lipisetu::scheme>(k))).c_str());
        return 0;
    }
    bool timed = argc == 3 && !std::strcmp(argv[1], "--time");
    if (argc != 2 && !timed) {
        std::fputs("usage: detectlines [--time] FILE | --schemes\n", stderr);
        return 2;
    }
    std::ifstream f(argv[argc - 1], std::ios::binary);
    if (!f) {
        std::perror(argv[argc - 1]);
        return 1;
    }
    if (timed) {
        std::string text((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        double best = 1e30;
        for (int run = 0; run < 200; ++run) {
            auto start = std::chrono::steady_clock::now();
            lipisetu::detection d = lipisetu::detect(text);
            std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
            best = std::min(best, took.count());
            if (d.score < 0)
                return 1;
        }
        std::printf("%.1f\n", best);
        return 0;
    }
    for (std::string line; std::getline(f, line);) {
        lipisetu::detection d = lipisetu::detect(line);
        std::printf("%s %.3f\n", nameof(d).c_str(), d.score);
    }
    return std::ferror(stdout) ? 1 : 0;
}
