// Calls a second: the library's one-shot conversions called once for each
// word of a list, as a program converting a column of names or titles
// calls them.
//
//     calls ROMAN_WORDS DEVANAGARI_WORDS ISCII_WORDS RUNS
//
// Each file holds one word a line. Times todevanagari on the Roman words,
// toroman on the Devanagari words and fromiscii on the ISCII words, the
// best of RUNS passes over each list, and prints one line for each:
// "NAME WORDS SECONDS OUTPUT_BYTES".
#include <lipisetu.hpp>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> wordsof(const char* path)
{
    std::ifstream f(path, std::ios::binary);
    std::vector<std::string> words;
    for (std::string line; std::getline(f, line);)
        words.push_back(line);
    return words;
}

// The best time of `runs` passes of `convert` over the words, and the
// bytes its results held (so that no call can be left out).
template <class F> void time(const char* name, const std::vector<std::string>& words, int runs, F convert)
{
    double best = 1e30;
    std::size_t bytes = 0;
    for (int r = 0; r < runs; ++r) {
        std::size_t total = 0;
        auto start = std::chrono::steady_clock::now();
        for (const std::string& w : words)
            total += convert(w);
        std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        if (took.count() < best)
            best = took.count();
        bytes = total;
    }
    std::printf("%s %zu %.6f %zu\n", name, words.size(), best, bytes);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: calls ROMAN_WORDS DEVANAGARI_WORDS ISCII_WORDS RUNS\n");
        return 2;
    }
    std::vector<std::string> roman = wordsof(argv[1]), devanagari = wordsof(argv[2]), iscii = wordsof(argv[3]);
    int runs = std::atoi(argv[4]);
    if (roman.empty() || devanagari.empty() || iscii.empty() || runs < 1) {
        std::fprintf(stderr, "calls: no words, or no runs\n");
        return 2;
    }
    time("todevanagari", roman, runs, [](const std::string& w) { return lipisetu::todevanagari(w).size(); });
    time("toroman", devanagari, runs, [](const std::string& w) { return lipisetu::toroman(w).size(); });
    time("fromiscii", iscii, runs, [](const std::string& w) { return lipisetu::fromiscii(w).text.size(); });
    return 0;
}
