// The three programs end to end: their arguments, and faults from outside
// (a full disk, a closed standard output, a directory, a pipe that vanishes
// while it is read, empty and random input, one very long line). Each ends
// with its documented output, message and status, never a crash, a hang or
// a false success.
#include "harness.hpp"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct program {
    std::string name, bin;
    std::string sample, expected; // a valid input and its output
    std::string unit;             // repeated into a line with no line feed
    std::string unable;           // the message for a file that cannot be opened
    bool readsstdin;
};

const program programs[] = {
    {"pellam", PELLAM_BIN, harness::bytes({0xB3, 0xDA, ' ', 0xB3, 0xE9, '\n'}),
     harness::utf8(U"\u0915\u093E \u0958\n"), harness::bytes({0xB3, 0xDA, ' '}),
     "\nUnable to open file\n", true},
    {"kavrel", KAVREL_BIN, harness::utf8(U"k\u0101 qa\n"), harness::utf8(U"\u0915\u093E \u0958\n"),
     harness::utf8(U"k\u0101 "), "Unable to open file\n", true},
    {"sonwick", SONWICK_BIN, harness::utf8(U"\u0915\u093E \u0958\n"), harness::utf8(U"k\u0101 qa\n"),
     harness::utf8(U"\u0915\u093E "), "Unable to open file\n", false},
};

// A named pipe that is unlinked halfway through the writing: what was
// written still arrives whole, and its end is a normal end.
harness::result runonvanishingpipe(const program& p)
{
    std::string fifo = std::filesystem::temp_directory_path() / ("devconv-fifo-" + std::to_string(getpid()));
    mkfifo(fifo.c_str(), 0600);
    if (fork() == 0) {
        int fd = open(fifo.c_str(), O_WRONLY);
        std::size_t half = p.sample.size() / 2;
        bool ok = write(fd, p.sample.data(), half) >= 0;
        unlink(fifo.c_str());
        ok = ok && write(fd, p.sample.data() + half, p.sample.size() - half) >= 0;
        _exit(ok ? 0 : 1);
    }
    harness::result r = harness::run(p.bin, {fifo});
    wait(nullptr);
    return r;
}

TEST(CommandLine, EachProgram)
{
    std::mt19937 rng(2026);
    std::string noise(1 << 20, '\0');
    for (char& c : noise)
        c = static_cast<char>(rng());
    harness::tempfile random(noise), empty("");
    const std::string kavrelusage = harness::run(KAVREL_BIN, {"-x"}).err;
    for (const program& p : programs) {
        harness::tempfile sample(p.sample);
        const std::string none;
        const struct {
            const char* what;
            std::vector<std::string> args;
            const char* outpath;
            bool closeout;
            std::string out, err;
            int status;
        } rows[] = {
            {"file", {sample.path}, nullptr, false, p.expected, none, 0},
            {"two arguments", {sample.path, "-x"}, nullptr, false, p.expected, none, 0},
            {"standard input", {}, nullptr, false, p.readsstdin ? p.expected : none,
             p.readsstdin ? none : p.unable, p.readsstdin ? 0 : 1},
            {"missing file", {"/nonexistent/file"}, nullptr, false, none, p.unable, 1},
            {"long file name", {std::string(300, 'n')}, nullptr, false, none, p.unable, 1},
            // A lone dash is a file name, but kavrel takes it for an option.
            {"dash", {"-"}, nullptr, false, none, p.name == "kavrel" ? kavrelusage : p.unable, 1},
            {"full disk", {sample.path}, "/dev/full", false, none, p.name + ": write error: No space left on device\n", 1},
            {"closed output", {sample.path}, nullptr, true, none, p.name + ": write error: Bad file descriptor\n", 1},
            {"directory", {"/"}, nullptr, false, none, p.name + ": read error: Is a directory\n", 1},
            {"empty file", {empty.path}, nullptr, false, none, none, 0},
            {"random bytes", {random.path}, "/dev/null", false, none, none, 0},
        };
        for (const auto& r : rows) {
            harness::result res = harness::run(p.bin, r.args, p.sample, r.outpath, r.closeout);
            EXPECT_EQ(res.status, r.status) << p.name << ": " << r.what;
            EXPECT_EQ(harness::hex(res.out), harness::hex(r.out)) << p.name << ": " << r.what;
            if (p.name != "pellam" || std::string(r.what) != "random bytes") { // it reports each byte
                EXPECT_EQ(res.err, r.err) << p.name << ": " << r.what;
            }
        }
        harness::result res = runonvanishingpipe(p);
        EXPECT_EQ(res.status, 0) << p.name;
        EXPECT_EQ(harness::hex(res.out), harness::hex(p.expected)) << p.name;
    }
}

// What is converted goes out when the writer at the other end of a pipe
// pauses, not only when a buffer fills or the input ends.
TEST(CommandLine, OutputFlowsWhileTheInputIsOpen)
{
    int in[2], out[2];
    ASSERT_EQ(pipe(in), 0);
    ASSERT_EQ(pipe(out), 0);
    pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        close(in[1]);
        close(out[0]);
        execl(PELLAM_BIN, PELLAM_BIN, nullptr);
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    ASSERT_EQ(write(in[1], "ab\n", 3), 3);
    pollfd ready{out[0], POLLIN, 0};
    char got[8] = {};
    bool arrived = poll(&ready, 1, 10000) == 1 && read(out[0], got, sizeof got) == 3;
    close(in[1]);
    waitpid(pid, nullptr, 0);
    close(out[0]);
    EXPECT_TRUE(arrived);
    EXPECT_STREQ(got, "ab\n");
}

TEST(CommandLine, FiftyMegabyteLine)
{
    for (const program& p : programs) {
        std::string line;
        while (line.size() < 50u << 20)
            line += p.unit;
        harness::tempfile file(line);
        harness::result res = harness::run(p.bin, {file.path}, "", "/dev/null");
        EXPECT_EQ(res.status, 0) << p.name;
        EXPECT_EQ(res.err, "") << p.name;
    }
}

} // namespace
