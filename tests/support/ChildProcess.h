#pragma once
// Work done in a child process, for the fault tests that need what a test process must not do
// to itself: losing the right to write into a folder, a file-size limit, running the real
// command-line binary. Root ignores permission bits, so a root test process hands the work to a
// child that has become the unprivileged user "nobody" first.

#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "support/TempDir.h"

namespace quorvel::testing_support {

inline constexpr uid_t kNobody = 65534;

// What the child may or may not do.
struct ChildLimits {
    bool unprivileged = false;                  // becomes "nobody" when the test runs as root
    std::optional<rlim_t> fileSizeLimitBytes;   // writes beyond this size fail with EFBIG
    // Processes and threads the user may have at once; only an unprivileged user is held to it.
    std::optional<rlim_t> processLimit;
};

namespace detail {

// Applies limits in the child; the reason when one cannot be applied.
inline std::optional<std::string> applyLimits(const ChildLimits& limits) {
    if (limits.unprivileged && ::geteuid() == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) {
            return "cannot become the unprivileged user " + std::to_string(kNobody);
        }
    }
    if (limits.processLimit) {
        const rlimit limit{*limits.processLimit, *limits.processLimit};
        if (::setrlimit(RLIMIT_NPROC, &limit) != 0) {
            return "cannot limit the number of processes";
        }
    }
    if (limits.fileSizeLimitBytes) {
        // Without this the first write beyond the limit ends the process instead of failing.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{*limits.fileSizeLimitBytes, *limits.fileSizeLimitBytes};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) {
            return "cannot limit the file size";
        }
    }
    return std::nullopt;
}

inline void writeAllTo(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0) {
            return;
        }
        done += static_cast<std::size_t>(n);
    }
}

inline std::string readAllFrom(int fd) {
    std::string text;
    char buffer[4096];
    ssize_t n = 0;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0) {
        text.append(buffer, static_cast<std::size_t>(n));
    }
    return text;
}

}  // namespace detail

// The text work returned in the child, or why the child could not do it (error set).
struct ChildResult {
    std::string text;
    std::string error;
};

// Runs work in a child process under limits and returns what work returned. When the child
// cannot take on the limits, or a folder that should refuse writes still takes them (a
// privilege this mechanism cannot drop), error says so and work does not run.
inline ChildResult runInChild(const ChildLimits& limits, const std::function<std::string()>& work,
                              const std::optional<std::filesystem::path>& mustRefuseWrites = std::nullopt) {
    int channel[2];
    if (::pipe(channel) != 0) {
        return {{}, "cannot create a pipe"};
    }
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0) {
        return {{}, "cannot fork"};
    }
    if (child == 0) {
        ::close(channel[0]);
        std::string report;
        if (const auto why = detail::applyLimits(limits)) {
            report = "E" + *why;
        } else if (mustRefuseWrites &&
                   ::access(mustRefuseWrites->c_str(), W_OK) == 0) {
            report = "Ethe folder " + mustRefuseWrites->string() + " still takes writes";
        } else {
            report = "T" + work();
        }
        detail::writeAllTo(channel[1], report);
        ::close(channel[1]);
        ::_exit(0);
    }
    ::close(channel[1]);
    const std::string report = detail::readAllFrom(channel[0]);
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || report.empty()) {
        return {{}, "the child process ended abnormally"};
    }
    if (report[0] == 'E') {
        return {{}, report.substr(1)};
    }
    return {report.substr(1), {}};
}

// The program as an unprivileged child can run it. A build under a folder only its owner may
// enter (a home folder of mode 0700) is out of reach of user "nobody", so a copy in a folder of
// the temporary directory that everyone may enter stands in for it, made once per test process.
// The programs the tests run are linked statically against the project's own libraries.
inline std::string runnableByEveryone(const std::string& program) {
    namespace fs = std::filesystem;
    static const TempDir folder;
    static std::map<std::string, std::string> copies;
    if (const auto known = copies.find(program); known != copies.end()) {
        return known->second;
    }
    constexpr auto everyone = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec;
    std::error_code failed;
    const fs::path copy = folder.path() / (std::to_string(copies.size()) + "-" +
                                           fs::path(program).filename().string());
    fs::permissions(folder.path(), everyone, failed);
    if (!failed) {
        fs::copy_file(program, copy, fs::copy_options::overwrite_existing, failed);
    }
    if (!failed) {
        fs::permissions(copy, everyone, failed);
    }
    // Without a copy the child reports that it cannot execute the program, as before.
    return copies[program] = failed ? program : copy.string();
}

// The sanitisers' options for an unprivileged child: the leak suppressions they name lie in the
// checkout as well, which that child could not read either (the sanitiser then ends it at once),
// so they name a copy of the file beside the program's copy instead.
inline std::string leakOptionsForEveryone() {
    const char* options = std::getenv("LSAN_OPTIONS");
    std::string text = options != nullptr ? options : "";
    const std::string key = "suppressions=";
    const std::size_t at = text.find(key);
    if (at == std::string::npos) {
        return text;
    }
    const std::size_t from = at + key.size();
    const std::size_t to = std::min(text.find(':', from), text.size());
    return text.replace(from, to - from, runnableByEveryone(text.substr(from, to - from)));
}

// One run of an executable: exit code (-1 when it did not exit normally) and what it printed.
struct ProgramRun {
    int code = -1;
    int signal = 0;     // the signal that ended it, when one did
    std::string out;
    std::string err;
    std::string error;  // set when the program could not be run under the limits
};

// Starts program with args in a child under limits, capturing its output in files of scratch
// (a folder the test owns, opened before any privilege is dropped; one per running child).
// The child's process id, or -1.
inline pid_t startProgram(const std::string& program, const std::vector<std::string>& args,
                          const ChildLimits& limits, const std::filesystem::path& scratch,
                          const std::optional<std::filesystem::path>& mustRefuseWrites = std::nullopt) {
    const std::string outPath = (scratch / "stdout.txt").string();
    const std::string errPath = (scratch / "stderr.txt").string();
    const bool dropsToNobody = limits.unprivileged && ::geteuid() == 0;
    const std::string runnable = dropsToNobody ? runnableByEveryone(program) : program;
    const std::string leakOptions = dropsToNobody ? leakOptionsForEveryone() : std::string();
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child != 0) {
        return child;
    }
    const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0 || err < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) {
        ::_exit(125);
    }
    if (detail::applyLimits(limits)) {
        ::_exit(126);
    }
    if (mustRefuseWrites && ::access(mustRefuseWrites->c_str(), W_OK) == 0) {
        ::_exit(124);
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    if (!leakOptions.empty()) {
        ::setenv("LSAN_OPTIONS", leakOptions.c_str(), 1);
    }
    ::execv(runnable.c_str(), argv.data());
    ::_exit(127);
}

// Waits for a child of startProgram and collects what it printed.
inline ProgramRun finishProgram(pid_t child, const std::filesystem::path& scratch) {
    ProgramRun run;
    if (child < 0) {
        run.error = "cannot fork";
        return run;
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    switch (run.code) {
        case 124: run.error = "the folder that should refuse writes still takes them"; break;
        case 125: run.error = "cannot capture the program's output"; break;
        case 126: run.error = "cannot take on the limits (user " + std::to_string(kNobody) + ")"; break;
        case 127: run.error = "cannot execute the program"; break;
        default: break;
    }
    run.out = readBytes((scratch / "stdout.txt").string());
    run.err = readBytes((scratch / "stderr.txt").string());
    return run;
}

inline ProgramRun runProgram(const std::string& program, const std::vector<std::string>& args,
                             const ChildLimits& limits, const std::filesystem::path& scratch,
                             const std::optional<std::filesystem::path>& mustRefuseWrites = std::nullopt) {
    return finishProgram(startProgram(program, args, limits, scratch, mustRefuseWrites), scratch);
}

}  // namespace quorvel::testing_support
