// The real quorvel-cli under what only a separate process can meet: a signal in the middle of a
// run, standard output that cannot take the report, and memory limits of the process.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "cli/CommandLine.h"
#include "support/SameBytes.h"
#include "support/TempDir.h"

namespace quorvel {
namespace {

using testing_support::readBytes;
using testing_support::sameBytes;
using testing_support::TempDir;

const std::string kCommandLineSignalCli = QUORVEL_CLI_PATH;

// Starts the program with its output in files (or standard output on outFd) and every signal
// unblocked and at its default, whatever the test process has set.
pid_t start(const std::vector<std::string>& args, const std::string& errPath, int outFd = -1) {
    const pid_t child = ::fork();
    if (child == 0) {
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        for (const int number : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
            ::signal(number, SIG_DFL);
        }
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int out = outFd >= 0 ? outFd : ::open("/dev/null", O_WRONLY);
        if (err < 0 || out < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) {
            ::_exit(125);
        }
        std::vector<char*> argv{const_cast<char*>(kCommandLineSignalCli.c_str())};
        for (const auto& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        ::execv(kCommandLineSignalCli.c_str(), argv.data());
        ::_exit(127);
    }
    return child;
}

// The exit code, or -1 when the process was killed.
int finish(pid_t child) {
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::set<std::string> commandLineSignalNamesIn(const TempDir& dir) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

// A signal after file 1 ends the run at its next block: the finished files stay whole and
// exactly as the run would have made them, the unfinished one is gone, and the exit code says
// which signal it was.
TEST(CommandLineSignals, ASignalKeepsTheFinishedFilesAndRemovesTheRest) {
    const struct {
        int number;
        int code;
    } cases[] = {{SIGINT, ExitInterrupted}, {SIGTERM, ExitTerminated}, {SIGHUP, ExitHangup}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.number);
        TempDir dir;
        TempDir scratch;
        // Many files of a million samples each, so that the signal lands long before the end.
        const pid_t child = start({"--symbols", "100000", "--files", "200", "--format", "cf32", "--seed", "77",
                                   "--snr", "20", "--save-path", dir.str()},
                                  scratch.file("err"));
        ASSERT_GT(child, 0);
        const std::string firstMeta = dir.file("modulated_signal_1.sigmf-meta");
        while (!std::filesystem::exists(firstMeta)) {
            if (::waitpid(child, nullptr, WNOHANG) != 0) {
                FAIL() << "the run ended before its first file: " << readBytes(scratch.file("err"));
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_EQ(::kill(child, c.number), 0);
        EXPECT_EQ(finish(child), c.code) << readBytes(scratch.file("err"));

        // What is left is files 1 to N, N below 200, each with its metadata and nothing else.
        const auto names = commandLineSignalNamesIn(dir);
        const std::size_t kept = names.size() / 2;
        ASSERT_GE(kept, 1u);
        ASSERT_LT(kept, 200u);
        std::set<std::string> expected;
        for (std::size_t k = 1; k <= kept; ++k) {
            expected.insert("modulated_signal_" + std::to_string(k) + ".sigmf-data");
            expected.insert("modulated_signal_" + std::to_string(k) + ".sigmf-meta");
        }
        EXPECT_EQ(names, expected);
        const std::string err = readBytes(scratch.file("err"));
        const auto files = [kept](const char* what) {
            return std::to_string(kept) + " " + what + (kept == 1 ? " file" : " files");
        };
        EXPECT_EQ(
            err.rfind("Interrupted: kept " + files("sample") + " and " + files("metadata") + ": ",
                      0),
            0u)
            << err;
        EXPECT_NE(err.find(firstMeta), std::string::npos) << err;

        // File 1 holds the samples of a run of one file with the same settings and seed, and its
        // metadata is the one that file would get when made again from it.
        TempDir single;
        ASSERT_EQ(finish(start({"--symbols", "100000", "--files", "1", "--format", "cf32", "--seed", "77", "--snr",
                                "20", "--save-path", single.str()},
                               scratch.file("err1"))),
                  0);
        EXPECT_TRUE(readBytes(dir.file("modulated_signal_1.sigmf-data")) ==
                    readBytes(single.file("modulated_signal_1.sigmf-data")));
        TempDir again;
        ASSERT_EQ(finish(start({"--from", firstMeta, "--save-path", again.str()}, scratch.file("err2"))), 0)
            << readBytes(scratch.file("err2"));
        EXPECT_TRUE(sameBytes(readBytes(firstMeta),
                              readBytes(again.file("modulated_signal_1.sigmf-meta"))));
        EXPECT_TRUE(readBytes(dir.file("modulated_signal_1.sigmf-data")) ==
                    readBytes(again.file("modulated_signal_1.sigmf-data")));
    }
}

// Standard output whose reader is gone (or a full device) cannot take the report: exit 3 with
// the reason, after the files themselves were written.
TEST(CommandLineSignals, AReportStandardOutputRefusesEndsWithThree) {
    TempDir scratch;
    const std::vector<std::string> args = {"--symbols", "10", "--save-path", scratch.str()};
    int channel[2];
    ASSERT_EQ(::pipe(channel), 0);
    ::close(channel[0]);
    const pid_t child = start(args, scratch.file("err"), channel[1]);
    ::close(channel[1]);
    EXPECT_EQ(finish(child), ExitFileFailure);
    EXPECT_TRUE(sameBytes(readBytes(scratch.file("err")),
                          "Could not write the report to standard output: Broken pipe\n"));
    EXPECT_TRUE(std::filesystem::exists(scratch.file("modulated_signal_1.sigmf-meta")));

    struct stat full {};
    if (::stat("/dev/full", &full) != 0 || !S_ISCHR(full.st_mode)) {
        GTEST_SKIP() << "no /dev/full device here";
    }
    const int device = ::open("/dev/full", O_WRONLY);
    ASSERT_GE(device, 0);
    const pid_t second = start(args, scratch.file("err"), device);
    ::close(device);
    EXPECT_EQ(finish(second), ExitFileFailure);
    EXPECT_TRUE(sameBytes(readBytes(scratch.file("err")),
                          "Could not write the report to standard output: No space left on device\n"));
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kCommandLineSignalSanitized = true;  // the sanitizers reserve terabytes of address space
#else
constexpr bool kCommandLineSignalSanitized = false;
#endif

// One FSK symbol of 10^8 samples needs about 3 GiB at once. Under a 2 GB limit of the address
// space or of the data segment the run is refused up front, naming memory, and writes nothing.
TEST(CommandLineSignals, ProcessMemoryLimitsRefuseTheRunUpFront) {
    if (kCommandLineSignalSanitized) {
        GTEST_SKIP() << "a sanitized binary cannot run under an address-space limit";
    }
    for (const std::string limit : {"-v", "-d"}) {
        TempDir dir;
        const std::string line = "ulimit " + limit + " 2000000 && exec " + kCommandLineSignalCli +
                                 " --modulation fsk --symbols 1 --symbol-rate 1 --sampling-rate 1e8 --save-path " +
                                 dir.str() + " 2> " + dir.str() + "/../" + dir.path().filename().string() + ".err";
        const int status = std::system(("bash -c '" + line + "'").c_str());
        const std::string err = readBytes(dir.str() + ".err");
        std::filesystem::remove(dir.str() + ".err");
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, ExitRefused) << limit << ": " << err;
        EXPECT_EQ(err.rfind("Signal generation failed.\nThe run needs about ", 0), 0u) << limit << ": " << err;
        EXPECT_NE(err.find("MiB of memory"), std::string::npos) << err;
        EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << limit;
    }
}

}  // namespace
}  // namespace quorvel
