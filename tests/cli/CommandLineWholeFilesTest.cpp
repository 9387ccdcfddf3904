// The real quorvel-cli under what can spoil a file on disk: killed halfway, a disk that fills,
// a file-size limit, planted links, a second run into the folder, no threads to be had, a data
// file's name taken. Whatever happens, a final-named file is whole and its metadata lists only
// the sample files that are there; what the run was not given stays as it was.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/CommandLine.h"
#include "support/ChildProcess.h"
#include "support/TempDir.h"
#include "support/WholeFileChecks.h"

namespace quorvel {
namespace {

namespace fs = std::filesystem;
using namespace testing_support;

const std::string kCommandLineWholeFilesCli = QUORVEL_CLI_PATH;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kCommandLineWholeFilesSanitized = true;  // its leak check starts a thread of its own at exit
#else
constexpr bool kCommandLineWholeFilesSanitized = false;
#endif

// Files of 10^6 samples take tens of milliseconds each: long enough to be caught halfway.
const std::vector<std::string> kLongFiles = {"--symbols", "100000", "--format", "cf32", "--snr", "20"};
constexpr std::uintmax_t kLongFileBytes = 8'000'000;

// The folder the run writes into, one outside it that links may point to, and room for what
// the programs print.
struct Fixture {
    TempDir root;
    Fixture() {
        for (const char* name : {"run", "outside", "scratch", "second"}) {
            fs::create_directory(root.path() / name);
        }
        std::ofstream(root.path() / "outside" / "victim") << "keep";
    }
    fs::path folder() const { return root.path() / "run"; }
    fs::path outside() const { return root.path() / "outside"; }
    fs::path scratch() const { return root.path() / "scratch"; }
    fs::path second() const { return root.path() / "second"; }
};

// How the run is disturbed while it writes.
enum class Disturbance { None, Kill, FillDisk, SecondRun };

struct Expected {
    int code = 0;
    std::vector<std::string> err;       // lines; F stands for the folder
    std::string outStart;               // how standard output begins
    std::vector<std::string> names;     // what the folder holds afterwards, hidden files aside
    int signal = 0;                     // that ended the run
    std::size_t temporaries = 0;        // left behind, for the next run to remove
    std::set<std::string> untouched;    // files the run must leave exactly as they were
    std::set<std::string> foreign;      // planted sample files no metadata can list
};

Expected expect(int code, std::vector<std::string> err, std::string outStart, std::vector<std::string> names = {}) {
    Expected expected;
    expected.code = code;
    expected.err = std::move(err);
    expected.outStart = std::move(outStart);
    expected.names = std::move(names);
    return expected;
}

struct WholeFileCase {
    const char* name;
    std::vector<std::string> args;  // besides --save-path
    ChildLimits limits;
    bool smallDisk;                 // the folder is a fresh 64 MiB file system
    void (*prepare)(const Fixture&);
    Disturbance disturbance;
    // What must hold, given the file the run was writing when it was disturbed.
    Expected (*expected)(int file);

    friend void PrintTo(const WholeFileCase& c, std::ostream* os) { *os << c.name; }
};

std::vector<std::string> recording(int from, int to, bool csv, bool cf32) {
    std::vector<std::string> names;
    for (int k = from; k <= to; ++k) {
        const std::string stem = "modulated_signal_" + std::to_string(k);
        if (csv) {
            names.push_back(stem + ".csv");
        }
        if (cf32) {
            names.push_back(stem + ".sigmf-data");
        }
        names.push_back(stem + ".sigmf-meta");
    }
    return names;
}

std::vector<std::string> cf32Recording(int from, int to) {
    return recording(from, to, false, true);
}

std::vector<std::string> with(std::vector<std::string> args, const std::vector<std::string>& more) {
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

void allowEveryone(const Fixture& f, fs::perms extra = fs::perms::none) {
    fs::permissions(f.folder(), fs::perms::all | extra);
}

const std::vector<WholeFileCase>& cases() {
    static const std::vector<WholeFileCase> table = {
        // An earlier recording of twenty short files lies in the folder. Killed while writing
        // file K, the run leaves its files before K, the earlier ones from K on, and one hidden
        // temporary file; the next run removes that.
        {"KilledHalfway", with(kLongFiles, {"--files", "20", "--seed", "11"}), {}, false,
         [](const Fixture& f) {
             const auto earlier = runProgram(kCommandLineWholeFilesCli, {"--files", "20", "--symbols", "10", "--format", "cf32",
                                                    "--seed", "5", "--save-path", f.folder().string()},
                                             {}, f.scratch());
             ASSERT_EQ(earlier.code, 0) << earlier.err;
         },
         Disturbance::Kill,
         [](int k) {
             Expected expected = expect(-1, {}, "", cf32Recording(1, 20));
             expected.signal = SIGKILL;
             expected.temporaries = 1;
             const auto earlier = cf32Recording(k, 20);
             expected.untouched = {earlier.begin(), earlier.end()};
             return expected;
         }},
        // The disk fills up while file K is written: the files before it stay, K leaves nothing.
        {"DiskFillsUp", with(kLongFiles, {"--files", "6", "--seed", "11"}), {}, true, nullptr,
         Disturbance::FillDisk,
         [](int k) {
             auto names = cf32Recording(1, k - 1);
             names.push_back("filler");
             return expect(ExitFileFailure,
                           {"Could not write F/modulated_signal_" + std::to_string(k) +
                                ".sigmf-data: No space left on device",
                            "Stopped: no later file can be written there."},
                           "Wrote " + std::to_string(k - 1) + " of 6 files", names);
         }},
        // The CSV file is too long for the limit, the cf32 file is not. The limit is met blocks
        // before the file's end, so the file number goes as a whole.
        {"SizeLimitBetweenTheFormats", {"--files", "2", "--symbols", "100000", "--format", "both"},
         {false, rlim_t{10'000'000}, std::nullopt}, false, nullptr, Disturbance::None,
         [](int) {
             return expect(ExitFileFailure,
                           {"Could not write F/modulated_signal_1.csv: File too large",
                            "Stopped: no later file can be written there."},
                           "Wrote 0 of 4 files");
         }},
        // Links under the final names, one pointing at a file outside, the metadata's at nothing.
        {"PlantedLinks", {"--files", "1", "--symbols", "100", "--format", "both"}, {}, false,
         [](const Fixture& f) {
             fs::create_symlink(f.outside() / "victim", f.folder() / "modulated_signal_1.csv");
             fs::create_symlink(f.outside() / "victim", f.folder() / "modulated_signal_1.sigmf-data");
             fs::create_symlink(f.outside() / "elsewhere", f.folder() / "modulated_signal_1.sigmf-meta");
         },
         Disturbance::None, [](int) { return expect(0, {}, "Wrote 2 files", recording(1, 1, true, true)); }},
        // A second run while the first writes is refused and touches nothing; the first goes on.
        {"SecondRunIntoTheFolder", with(kLongFiles, {"--files", "3"}), {}, false, nullptr, Disturbance::SecondRun,
         [](int) { return expect(0, {}, "Wrote 3 files", cf32Recording(1, 3)); }},
        // No thread to be had (a thread's stack is memory too): nothing was written, so the run
        // is refused as a run the check refuses.
        {"NoThreads", {"--files", "2", "--symbols", "1000"}, {true, std::nullopt, 1}, false,
         [](const Fixture& f) { allowEveryone(f); }, Disturbance::None,
         [](int) {
             return expect(ExitRefused,
                           {"Signal generation failed.",
                            "The run could not get the threads it needs: Resource temporarily unavailable"},
                           "");
         }},
        // The data file's name is a folder: the CSV files and their metadata are written, and the
        // metadata lists only them.
        {"DataNameIsAFolder", {"--files", "2", "--symbols", "3000", "--format", "both"}, {}, false,
         [](const Fixture& f) { fs::create_directory(f.folder() / "modulated_signal_1.sigmf-data"); },
         Disturbance::None,
         [](int) {
             return expect(ExitFileFailure, {"Could not write F/modulated_signal_1.sigmf-data: Is a directory"},
                           "Wrote 3 of 4 files", recording(1, 2, true, true));
         }},
        // In a shared folder (sticky, like /tmp) the data file's name belongs to another user,
        // whose file the run may not replace.
        {"DataNameOwnedByAnotherUser", {"--files", "1", "--symbols", "3000", "--format", "both"},
         {true, std::nullopt, std::nullopt}, false,
         [](const Fixture& f) {
             allowEveryone(f, fs::perms::sticky_bit);
             std::ofstream(f.folder() / "modulated_signal_1.sigmf-data") << "another user's";
         },
         Disturbance::None,
         [](int) {
             Expected expected =
                 expect(ExitFileFailure, {"Could not write F/modulated_signal_1.sigmf-data: Operation not permitted"},
                        "Wrote 1 of 2 files", recording(1, 1, true, true));
             expected.untouched = expected.foreign = {"modulated_signal_1.sigmf-data"};
             return expected;
         }},
    };
    return table;
}

// The number of the file whose temporary is in folder and not yet whole, from `from` on; 0
// when there is none.
int fileBeingWritten(const fs::path& folder, int from) {
    static const std::regex temporary("\\.modulated_signal_([0-9]+)\\.sigmf-data\\.quorvel-partial-.*");
    for (const auto& name : fileNamesIn(folder)) {
        std::smatch match;
        std::error_code error;
        if (std::regex_match(name, match, temporary) && std::stoi(match[1]) >= from &&
            fs::file_size(folder / name, error) < kLongFileBytes && !error) {
            return std::stoi(match[1]);
        }
    }
    return 0;
}

// Stops the child while it writes file `from` or a later one and says which, judged while it
// stands still; 0 when it ended first (it is then left to be waited for).
int stopWhileWriting(pid_t child, const fs::path& folder, int from) {
    for (;;) {
        siginfo_t info{};
        if (::waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid != 0) {
            return 0;
        }
        if (fileBeingWritten(folder, from) != 0) {
            ::kill(child, SIGSTOP);
            info = {};
            ::waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WSTOPPED | WNOWAIT);
            if (info.si_code != CLD_STOPPED) {
                return 0;
            }
            ::waitid(P_PID, static_cast<id_t>(child), &info, WSTOPPED);  // takes the stop's notice
            if (const int k = fileBeingWritten(folder, from)) {
                return k;
            }
            ::kill(child, SIGCONT);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
}

// Writes into the folder's file system until it takes no more.
void fillUp(const fs::path& file) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    ASSERT_GE(fd, 0);
    const std::vector<char> bytes(std::size_t{1} << 20, 'x');
    for (const std::size_t piece : {bytes.size(), std::size_t{4096}, std::size_t{1}}) {
        while (::write(fd, bytes.data(), piece) == static_cast<ssize_t>(piece)) {
        }
    }
    ::close(fd);
}

std::map<std::string, std::string> contentsOf(const fs::path& folder) {
    std::map<std::string, std::string> contents;
    for (const auto& name : fileNamesIn(folder)) {
        if (fs::is_regular_file(fs::symlink_status(folder / name))) {
            contents[name] = readBytes((folder / name).string());
        }
    }
    return contents;
}

std::vector<std::string> commandLineWholeFilesLinesOf(const std::string& text, const std::string& folder) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        for (std::size_t at; (at = line.find(folder)) != std::string::npos;) {
            line.replace(at, folder.size(), "F");
        }
        lines.push_back(line);
    }
    return lines;
}

class WholeFilesOnDisk : public testing::TestWithParam<WholeFileCase> {};

TEST_P(WholeFilesOnDisk, FinalNamesAreWholeAndTheRestUntouched) {
    const WholeFileCase& c = GetParam();
    if (c.limits.unprivileged && ::geteuid() != 0) {
        GTEST_SKIP() << "acting as another user needs root";
    }
    if (c.limits.processLimit && kCommandLineWholeFilesSanitized) {
        GTEST_SKIP() << "a sanitized program needs a thread for its leak check at exit";
    }
    Fixture f;
    const std::string folder = f.folder().string();
    if (c.smallDisk && ::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=64m") != 0) {
        GTEST_SKIP() << "cannot mount a small file system here (needs root)";
    }
    struct Unmount {
        std::string path;
        bool mounted;
        ~Unmount() {
            if (mounted) {
                ::umount2(path.c_str(), MNT_DETACH);
            }
        }
    } unmount{folder, c.smallDisk};
    if (c.prepare != nullptr) {
        c.prepare(f);
    }
    const auto before = contentsOf(f.folder());

    const pid_t child = startProgram(kCommandLineWholeFilesCli, with(c.args, {"--save-path", folder}), c.limits, f.scratch());
    ASSERT_GT(child, 0);
    int file = 0;
    if (c.disturbance != Disturbance::None) {
        file = stopWhileWriting(child, f.folder(), c.disturbance == Disturbance::SecondRun ? 1 : 2);
        if (file == 0) {
            finishProgram(child, f.scratch());
            FAIL() << "the run ended before it could be disturbed";
        }
    }
    switch (c.disturbance) {
        case Disturbance::Kill: ::kill(child, SIGKILL); break;
        case Disturbance::FillDisk:
            fillUp(f.folder() / "filler");
            ::kill(child, SIGCONT);
            break;
        case Disturbance::SecondRun: {
            const auto names = fileNamesIn(f.folder());
            const auto second = runProgram(kCommandLineWholeFilesCli, {"--symbols", "10", "--save-path", folder}, {}, f.second());
            EXPECT_EQ(second.code, ExitFileFailure);
            EXPECT_EQ(second.err, "another run is writing into " + folder + "\n");
            EXPECT_EQ(fileNamesIn(f.folder()), names);
            ::kill(child, SIGCONT);
            break;
        }
        case Disturbance::None: break;
    }
    const auto run = finishProgram(child, f.scratch());
    if (!run.error.empty()) {
        GTEST_SKIP() << "this machine cannot stage the fault: " << run.error;
    }
    const Expected expected = c.expected(file);
    EXPECT_EQ(run.code, expected.code) << run.err;
    EXPECT_EQ(run.signal, expected.signal);
    EXPECT_EQ(commandLineWholeFilesLinesOf(run.err, folder), expected.err);
    EXPECT_EQ(run.out.substr(0, expected.outStart.size()), expected.outStart) << run.out;

    std::vector<std::string> shown;
    for (const auto& name : fileNamesIn(f.folder())) {
        if (name[0] != '.') {
            shown.push_back(name);
        }
        EXPECT_FALSE(fs::is_symlink(f.folder() / name)) << name;
    }
    std::vector<std::string> names = expected.names;
    std::sort(names.begin(), names.end());
    EXPECT_EQ(shown, names);
    EXPECT_EQ(temporariesIn(f.folder()), expected.temporaries);
    EXPECT_EQ(wholeFileProblems(f.folder(), expected.foreign), std::vector<std::string>{});
    const auto after = contentsOf(f.folder());
    for (const auto& name : expected.untouched) {
        EXPECT_TRUE(before.count(name) == after.count(name) &&
                    (before.count(name) == 0 || before.at(name) == after.at(name)))
            << name << " changed";
    }
    EXPECT_EQ(fileNamesIn(f.outside()), std::vector<std::string>{"victim"});
    // Exactly the four bytes it was planted with.
    EXPECT_EQ(fs::file_size(f.outside() / "victim"), 4u);
    EXPECT_TRUE(readBytes((f.outside() / "victim").string()).starts_with("keep"));

    if (expected.temporaries > 0) {
        const auto next = runProgram(kCommandLineWholeFilesCli, {"--symbols", "10", "--format", "cf32", "--save-path", folder}, {},
                                     f.second());
        EXPECT_EQ(next.code, 0) << next.err;
        EXPECT_EQ(temporariesIn(f.folder()), 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, WholeFilesOnDisk, testing::ValuesIn(cases()),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

}  // namespace
}  // namespace quorvel
