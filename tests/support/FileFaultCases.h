#pragma once
// The file faults every layer must survive, as one table: how to spoil a fresh folder, and which
// files of the run must then fail and why. The core, the command line and the desktop each run
// the table through their own interface.

#include <sys/resource.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "support/TempDir.h"

namespace quorvel::testing_support {

// One file of the run that must fail: its 1-based number and the system's reason.
struct ExpectedFailure {
    std::int32_t fileNumber;
    std::string reason;
};

struct FileFaultCase {
    const char* name;
    std::int32_t fileCount;
    // Prepares the fault inside the fresh folder and returns the save path to use.
    std::string (*prepare)(const TempDir& dir);
    std::vector<ExpectedFailure> failures;
    bool needsUnprivilegedUser = false;       // root ignores the permission bits
    std::optional<rlim_t> fileSizeLimitBytes;  // a process limit: the write fails partway
    // The last file the run tries: a full disk or a size limit ends it, as no later file can
    // succeed either. 0 when every file is tried.
    std::int32_t lastAttempted = 0;

    bool attempted(std::int32_t k) const { return lastAttempted == 0 || k <= lastAttempted; }

    bool needsChildProcess() const { return needsUnprivilegedUser || fileSizeLimitBytes.has_value(); }

    friend void PrintTo(const FileFaultCase& c, std::ostream* os) { *os << c.name; }
};

inline std::string fileName(std::int32_t k) {
    return "modulated_signal_" + std::to_string(k) + ".csv";
}

inline std::string samplePath(const std::string& savePath, std::int32_t k) {
    return savePath + "/" + fileName(k);
}

// A folder only its owner may write into; the owner is root when the tests run as root, so the
// run that must be refused needs a child process that has given up root.
inline void makeLockedFolder(const std::filesystem::path& path) {
    namespace fs = std::filesystem;
    fs::create_directories(path);
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                              fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
}

// The folder the read-only case writes into.
inline std::filesystem::path lockedFolder(const TempDir& dir) {
    return dir.path() / "locked";
}

inline const std::vector<FileFaultCase>& fileFaultCases() {
    static const std::vector<FileFaultCase> cases = {
        {"FolderWithoutWritePermission",
         2,
         [](const TempDir& dir) {
             makeLockedFolder(lockedFolder(dir));
             return lockedFolder(dir).string();
         },
         {{1, "Permission denied"}, {2, "Permission denied"}},
         true,
         std::nullopt},
        {"SecondFileNameIsAFolder",
         3,
         [](const TempDir& dir) {
             std::filesystem::create_directory(dir.path() / fileName(2));
             return dir.str();
         },
         {{2, "Is a directory"}},
         false,
         std::nullopt},
        {"SeveralFaultsInOneRun",
         5,
         [](const TempDir& dir) {
             std::filesystem::create_directory(dir.path() / fileName(2));
             std::filesystem::create_directory(dir.path() / fileName(4));
             return dir.str();
         },
         {{2, "Is a directory"}, {4, "Is a directory"}},
         false,
         std::nullopt},
        {"FileSizeLimitReachedPartway",
         3,
         [](const TempDir& dir) { return dir.str(); },
         {{1, "File too large"}},
         false,
         rlim_t{100000},
         1},
    };
    return cases;
}

}  // namespace quorvel::testing_support
