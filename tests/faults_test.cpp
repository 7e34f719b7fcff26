// The three programs end to end: their arguments, and faults from outside
// (a full disk, a closed standard output, a directory, a pipe that vanishes
// while it is read, empty and random input, one very long line). Each ends
// with its documented output, message and status, never a crash, a hang or
// a false success.
#include "harness.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
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
    std::string helphead;         // how the --help text begins
    std::string standard;         // the second line of --version
    std::string numerals;         // kavrel's output for the sample with -n
    std::string hk;               // the output for the sample with --scheme hk
    std::string tamil;            // kavrel's output for the sample with --script tamil
};

const program programs[] = {
    {"pellam", PELLAM_BIN, harness::bytes({0xB3, 0xDA, ' ', 0xB3, 0xE9, '\n'}),
     harness::utf8(U"\u0915\u093E \u0958\n"), harness::bytes({0xB3, 0xDA, ' '}),
     "\nUnable to open file\n", "   Pellam converts from 8-bit ISCII", "ISCII: IS 13194:1991 (ISCII-91)\n", "", "", ""},
    {"kavrel", KAVREL_BIN, harness::utf8(U"k\u0101 qa1\n"), harness::utf8(U"\u0915\u093E \u09581\n"),
     harness::utf8(U"k\u0101 "), "Unable to open file\n", "   Kavrel converts from Unicode Roman",
     "Transliteration: ISO 15919:2001\n", harness::utf8(U"\u0915\u093E \u0958\u0967\n"),
     harness::utf8(U"\u0915\u094D\u0101 \u09581\n"), // no long a in hk
     harness::utf8(U"\u0B95\u0BBE \u0B951\n")},      // qa is written ka
    {"sonwick", SONWICK_BIN, harness::utf8(U"\u0915\u093E \u0958\n"), harness::utf8(U"k\u0101 qa\n"),
     harness::utf8(U"\u0915\u093E "), "Unable to open file\n", "   Sonwick converts from Unicode Devanagari",
     "Transliteration: ISO 15919:2001\n", "", "kA qa\n", ""},
};

// A named pipe that is unlinked halfway through the writing: what was
// written still arrives whole, and its end is a normal end. The program
// opens it by name, or reads it as its standard input.
harness::result runonvanishingpipe(const program& p, bool asstdin)
{
    std::string fifo = std::filesystem::temp_directory_path() / ("lipisetu-fifo-" + std::to_string(getpid()));
    mkfifo(fifo.c_str(), 0600);
    if (fork() == 0) {
        int fd = open(fifo.c_str(), O_WRONLY);
        std::size_t half = p.sample.size() / 2;
        bool ok = write(fd, p.sample.data(), half) >= 0;
        unlink(fifo.c_str());
        ok = ok && write(fd, p.sample.data() + half, p.sample.size() - half) >= 0;
        _exit(ok ? 0 : 1);
    }
    harness::result r = asstdin ? harness::run(p.bin, {}, "", {.inpath = fifo.c_str()}) : harness::run(p.bin, {fifo});
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
        const bool kavrel = p.name == "kavrel", schemed = p.name != "pellam", pellam = !schemed;
        std::string schemes = "; the schemes are", scripts = "; the scripts are";
        for (int k = 0; !lipisetu::nameof(static_cast<lipisetu::scheme>(k)).empty(); ++k)
            schemes.append(k ? ", " : " ").append(lipisetu::nameof(static_cast<lipisetu::scheme>(k)));
        for (int k = 0; !lipisetu::nameof(static_cast<lipisetu::script>(k)).empty(); ++k)
            scripts.append(k ? ", " : " ").append(lipisetu::nameof(static_cast<lipisetu::script>(k)));
        schemes += "\n", scripts += "\n";
        harness::tempfile sample(p.sample);
        // A folder holding a file named "-" with the sample twice over, so
        // that reading it cannot pass for reading standard input.
        std::string dir = std::filesystem::temp_directory_path() / "lipisetu-dash-XXXXXX";
        ASSERT_NE(mkdtemp(dir.data()), nullptr);
        std::ofstream(dir + "/-", std::ios::binary) << p.sample << p.sample;
        // kavrel's --help writes the very text that a bad option writes,
        // and the line of --scheme after it.
        const std::string help = harness::run(p.bin, {"--help"}).out;
        EXPECT_TRUE(!kavrel || help.starts_with(kavrelusage)) << help;
        EXPECT_TRUE(help.starts_with(p.helphead)) << p.name << ": " << help;
        EXPECT_TRUE(!kavrel || help.find("\n      -s   --  text is Sanskrit: handle space and avagraha characters\n"
                                         "               appropriately\n") != std::string::npos);
        // The scripts' names end kavrel's help, in lines of 72 columns at most.
        std::string joined = help;
        for (std::size_t at; (at = joined.find(",\n      ")) != std::string::npos;)
            joined.replace(at, 8, ", ");
        EXPECT_TRUE(!kavrel || joined.ends_with(scripts.substr(scripts.find(" are ") + 5))) << help;
        for (std::size_t at = 0, end; (end = help.find('\n', at)) != std::string::npos; at = end + 1)
            EXPECT_LE(end - at, 80u) << p.name << ": " << help.substr(at, end - at);
        const std::string version = p.name + " (" LIPISETU_PACKAGE ") " LIPISETU_VERSION "\n" + p.standard;
        const std::string none, full = p.name + ": write error: No space left on device\n",
                                closed = p.name + ": write error: Bad file descriptor\n";
        const struct {
            const char* what;
            std::vector<std::string> args;
            harness::setting where;
            std::string out, err;
            int status;
        } rows[] = {
            {"file", {sample.path}, {}, p.expected, none, 0},
            {"argument after the file", {sample.path, "--help"}, {}, p.expected, none, 0},
            {"no argument", {}, {}, p.expected, none, 0},
            {"dash", {"-"}, {}, p.expected, none, 0},
            {"dash beside a file named -", {"-"}, {.dir = dir.c_str()}, p.expected, none, 0},
            {"./-", {"./-"}, {.dir = dir.c_str()}, p.expected + p.expected, none, 0},
            {"--help", {"--help"}, {}, help, none, 0},
            // An option for kavrel, the name of a missing file for the others.
            {"--help after -n", {"-n", "--help"}, {}, kavrel ? help : none, kavrel ? none : p.unable, kavrel ? 0 : 1},
            // Options before the file name or "-", and nothing read after it.
            {"-n file -x", {"-n", sample.path, "-x"}, {}, kavrel ? p.numerals : none, kavrel ? none : p.unable, !kavrel},
            {"-n - -x", {"-n", "-", "-x"}, {}, kavrel ? p.numerals : none, kavrel ? none : p.unable, !kavrel},
            {"--version", {"--version"}, {}, version, none, 0},
            {"--help on a full disk", {"--help"}, {.outpath = "/dev/full"}, none, full, 1},
            {"--version on a closed output", {"--version"}, {.closeout = true}, none, closed, 1},
            {"unknown option", {"-x"}, {}, none, kavrel ? kavrelusage : p.unable, 1},
            {"missing file", {"/nonexistent/file"}, {}, none, p.unable, 1},
            {"long file name", {std::string(300, 'n')}, {}, none, p.unable, 1},
            {"full disk", {sample.path}, {.outpath = "/dev/full"}, none, full, 1},
            {"closed output", {sample.path}, {.closeout = true}, none, closed, 1},
            {"directory", {"/"}, {}, none, p.name + ": read error: Is a directory\n", 1},
            {"empty file", {empty.path}, {}, none, none, 0},
            {"random bytes", {random.path}, {.outpath = "/dev/null"}, none, none, 0},
            // A scheme before the file, in either form; pellam takes --scheme
            // for a file name.
            {"--scheme hk file", {"--scheme", "hk", sample.path}, {}, schemed ? p.hk : none, schemed ? none : p.unable, !schemed},
            {"--scheme=hk -", {"--scheme=hk", "-"}, {}, schemed ? p.hk : none, schemed ? none : p.unable, !schemed},
            {"file --scheme hk", {sample.path, "--scheme", "hk"}, {}, p.expected, none, 0},
            {"unknown scheme", {"--scheme", "xx", sample.path}, {}, none,
             schemed ? p.name + ": unknown scheme 'xx'" + schemes : p.unable, 1},
            {"--scheme without a name", {"--scheme"}, {}, none, schemed ? p.name + ": --scheme needs a name" + schemes : p.unable, 1},
            // kavrel's script, before the file; a file name for the others.
            {"--script tamil file", {"--script", "tamil", sample.path}, {}, kavrel ? p.tamil : none, kavrel ? none : p.unable, !kavrel},
            {"unknown script", {"--script=tamill", sample.path}, {}, none,
             kavrel ? "kavrel: unknown script 'tamill'" + scripts : p.unable, 1},
            {"--script without a name", {"--script"}, {}, none, kavrel ? "kavrel: --script needs a name" + scripts : p.unable, 1},
            // pellam's --atr before the file, "-" or --help; an unknown option
            // for kavrel, a file name for sonwick.
            {"--atr file", {"--atr", sample.path}, {}, pellam ? p.expected : none, pellam ? none : kavrel ? kavrelusage : p.unable, !pellam},
            {"--atr -", {"--atr", "-"}, {}, pellam ? p.expected : none, pellam ? none : kavrel ? kavrelusage : p.unable, !pellam},
            {"--atr --help", {"--atr", "--help"}, {}, pellam ? help : none, pellam ? none : kavrel ? kavrelusage : p.unable, !pellam},
        };
        // A row that names one of these files runs again with the same
        // bytes through a pipe on standard input, in short reads.
        const std::pair<std::string, std::string> files[] = {
            {sample.path, p.sample}, {empty.path, ""}, {random.path, noise}};
        for (const auto& r : rows) {
            std::vector<std::pair<harness::result, std::string>> runs{
                {harness::run(p.bin, r.args, p.sample, r.where), r.what}};
            for (const auto& [path, bytes] : files) {
                if (r.args == std::vector<std::string>{path}) {
                    harness::setting piped = r.where;
                    piped.pipein = true;
                    runs.push_back({harness::run(p.bin, {}, bytes, piped), r.what + std::string(", piped")});
                }
            }
            for (const auto& [res, what] : runs) {
                EXPECT_EQ(res.status, r.status) << p.name << ": " << what;
                EXPECT_EQ(harness::hex(res.out), harness::hex(r.out)) << p.name << ": " << what;
                if (!(p.name == "pellam" && r.args == std::vector<std::string>{random.path})) { // it reports each byte
                    EXPECT_EQ(res.err, r.err) << p.name << ": " << what;
                }
            }
        }
        std::filesystem::remove_all(dir);
        for (bool asstdin : {false, true}) {
            harness::result res = runonvanishingpipe(p, asstdin);
            EXPECT_EQ(res.status, 0) << p.name << (asstdin ? ", standard input" : "");
            EXPECT_EQ(harness::hex(res.out), harness::hex(p.expected)) << p.name;
        }
    }
}

// What is converted goes out when the writer at the other end of a pipe
// pauses, not only when a buffer fills or the input ends: the program is
// still running, its input open, when the line comes out.
TEST(CommandLine, OutputFlowsWhileTheInputIsOpen)
{
    const struct {
        std::vector<std::string> argv;
        std::string in, out;
    } rows[] = {
        {{PELLAM_BIN}, "ab\n", "ab\n"},
        {{SONWICK_BIN}, harness::utf8(U"\u0915\u093E \u0916\n"), harness::utf8(U"k\u0101 kha\n")},
        {{KAVREL_BIN}, harness::utf8(U"k\u0101 kha\n"), harness::utf8(U"\u0915\u093E \u0916\n")},
        {{SONWICK_BIN, "--scheme", "itrans"}, harness::utf8(U"\u0915\u0907 \u0915\u094D\u0939\n"), "ka_i k_ha\n"},
        {{KAVREL_BIN, "--scheme=velthuis"}, "ka{}i .r\n", harness::utf8(U"\u0915\u0907 \u090B\n")},
    };
    for (const auto& r : rows) {
        int in[2], out[2];
        ASSERT_EQ(pipe(in), 0);
        ASSERT_EQ(pipe(out), 0);
        pid_t pid = fork();
        if (pid == 0) {
            dup2(in[0], 0);
            dup2(out[1], 1);
            close(in[1]);
            close(out[0]);
            std::vector<char*> argv;
            for (const std::string& a : r.argv)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        ASSERT_EQ(write(in[1], r.in.data(), r.in.size()), static_cast<ssize_t>(r.in.size()));
        std::string got;
        char buf[64];
        pollfd ready{out[0], POLLIN, 0};
        while (got.size() < r.out.size() && poll(&ready, 1, 10000) == 1) {
            ssize_t n = read(out[0], buf, sizeof buf);
            if (n <= 0)
                break;
            got.append(buf, static_cast<std::size_t>(n));
        }
        EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), 0) << r.argv[0] << " ended before its input did";
        close(in[1]);
        waitpid(pid, nullptr, 0);
        close(out[0]);
        EXPECT_EQ(harness::hex(got), harness::hex(r.out)) << r.argv[0];
    }
}

TEST(CommandLine, FiftyMegabyteLine)
{
    for (const program& p : programs) {
        std::string line;
        while (line.size() < 50u << 20)
            line += p.unit;
        harness::tempfile file(line);
        for (bool piped : {false, true}) {
            harness::result res = piped ? harness::run(p.bin, {}, line, {.outpath = "/dev/null", .pipein = true})
                                        : harness::run(p.bin, {file.path}, "", {.outpath = "/dev/null"});
            EXPECT_EQ(res.status, 0) << p.name << (piped ? ", piped" : "");
            EXPECT_EQ(res.err, "") << p.name << (piped ? ", piped" : "");
        }
    }
}

} // namespace
