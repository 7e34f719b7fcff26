// Faults from outside, end to end on the built programs: a full disk, a
// closed standard output, a directory, a file that vanishes while it is
// read, empty and random input, and one very long line. Each ends with the
// documented status and message, never a crash, a hang or a false success.
#include "harness.hpp"

#include <gtest/gtest.h>

#include <random>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using harness::run;
using harness::utf8;

namespace {

struct program {
    const char* name;
    std::string bin;
    std::string sample;   // a valid input
    std::string expected; // its output
    std::string unit;     // repeated to make a long line with no line feed
};

const std::vector<program>& programs()
{
    static const std::vector<program> list = {
        {"pellam", PELLAM_BIN, harness::bytes({0xB3, 0xDA, ' ', 0xB3, 0xE9, '\n'}),
         utf8(U"\u0915\u093E \u0958\n"), harness::bytes({0xB3, 0xDA, ' '})},
        {"kavrel", KAVREL_BIN, utf8(U"k\u0101 qa\n"), utf8(U"\u0915\u093E \u0958\n"),
         utf8(U"k\u0101 ")},
        {"sonwick", SONWICK_BIN, utf8(U"\u0915\u093E \u0958\n"), utf8(U"k\u0101 qa\n"),
         utf8(U"\u0915\u093E ")},
    };
    return list;
}

TEST(Faults, FailedWritesAndReads)
{
    for (const program& p : programs()) {
        harness::tempfile sample(p.sample);
        const std::string prefix = std::string(p.name) + ": ";
        struct row {
            const char* what;
            std::string arg;
            const char* outpath;
            bool closeout;
            std::string err;
        };
        const row rows[] = {
            {"full disk", sample.path, "/dev/full", false,
             prefix + "write error: No space left on device\n"},
            {"closed output", sample.path, nullptr, true, prefix + "write error: Bad file descriptor\n"},
            {"directory", "/", nullptr, false, prefix + "read error: Is a directory\n"},
        };
        for (const row& r : rows) {
            harness::result res = run(p.bin, {r.arg}, "", r.outpath, r.closeout);
            EXPECT_EQ(res.status, 1) << p.name << ": " << r.what;
            EXPECT_EQ(res.err, r.err) << p.name << ": " << r.what;
        }
    }
}

TEST(Faults, EmptyAndVanishingFiles)
{
    for (const program& p : programs()) {
        harness::tempfile empty("");
        harness::result res = run(p.bin, {empty.path});
        EXPECT_EQ(res.status, 0) << p.name;
        EXPECT_EQ(res.out, "") << p.name;
        EXPECT_EQ(res.err, "") << p.name;

        // A pipe that is unlinked while the program reads it: what was
        // written still arrives whole, and the end of it is a normal end.
        std::string fifo = "/tmp/devconv-fifo-" + std::to_string(getpid());
        ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
        pid_t writer = fork();
        if (writer == 0) {
            int fd = open(fifo.c_str(), O_WRONLY);
            std::size_t half = p.sample.size() / 2;
            bool ok = write(fd, p.sample.data(), half) == static_cast<ssize_t>(half);
            unlink(fifo.c_str());
            ok = ok && write(fd, p.sample.data() + half, p.sample.size() - half) ==
                           static_cast<ssize_t>(p.sample.size() - half);
            close(fd);
            _exit(ok ? 0 : 1);
        }
        res = run(p.bin, {fifo});
        int ws = 0;
        waitpid(writer, &ws, 0);
        unlink(fifo.c_str());
        EXPECT_EQ(res.status, 0) << p.name;
        EXPECT_EQ(harness::hex(res.out), harness::hex(p.expected)) << p.name;
        EXPECT_EQ(res.err, "") << p.name;
    }
}

TEST(Faults, RandomBytesNeverCrash)
{
    std::mt19937 rng(2026);
    std::string noise;
    for (int i = 0; i < 1 << 20; ++i)
        noise += static_cast<char>(rng());
    harness::tempfile file(noise);
    for (const program& p : programs()) {
        harness::result res = run(p.bin, {file.path}, "", "/dev/null");
        EXPECT_EQ(res.status, 0) << p.name;
        if (std::string(p.name) != "pellam") { // pellam reports each dropped byte
            EXPECT_EQ(res.err, "") << p.name;
        }
    }
    for (const char* opts : {"-il", "-ib", "-s", "-n"}) {
        harness::result res = run(KAVREL_BIN, {opts, file.path}, "", "/dev/null");
        EXPECT_EQ(res.status, 0) << opts;
    }
}

TEST(Faults, FiftyMegabyteLine)
{
    for (const program& p : programs()) {
        std::string line;
        line.reserve(50u << 20);
        while (line.size() < 50u << 20)
            line += p.unit;
        harness::tempfile file(line);
        line.clear();
        line.shrink_to_fit();
        harness::result res = run(p.bin, {file.path}, "", "/dev/null");
        EXPECT_EQ(res.status, 0) << p.name;
        EXPECT_EQ(res.err, "") << p.name;
    }
}

} // namespace
