#pragma once
// The folder a run writes into: one run at a time, what an interrupted run left behind, and the
// room it has.

#include <cstdint>
#include <optional>
#include <string>

namespace quorvel {

// An advisory lock on a folder for as long as it lives, so that two runs into one folder are not
// interleaved. A second run is refused rather than made to wait: it would otherwise sit silent
// for as long as the first takes, and the user can choose another folder at once.
class FolderLock {
public:
    // Takes the lock of folder. When the folder cannot be opened no lock is held and the files
    // themselves will say why; busy() is true only when another run holds it.
    // A shared lock is held by runs that write only files of their own beside others (the shards
    // of a dataset): they exclude, and are excluded by, every exclusive holder alone.
    enum class Mode { Exclusive, Shared };
    explicit FolderLock(const std::string& folder, Mode mode = Mode::Exclusive);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    bool busy() const { return busy_; }
    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
    bool busy_ = false;
};

// An advisory lock on one name in a folder, for runs that share the folder's lock but must not
// write the same file at once (two runs of one shard). It lives in a hidden file that a killed
// run leaves behind as one of its temporary files.
class NameLock {
public:
    NameLock(const std::string& folder, const std::string& name);
    ~NameLock();
    NameLock(const NameLock&) = delete;
    NameLock& operator=(const NameLock&) = delete;

    bool busy() const { return busy_; }

private:
    int fd_ = -1;
    std::string path_;
    bool busy_ = false;
};

// Removes the temporary files an earlier run left in folder when it was killed; call only with
// the folder's lock held, when no other run can be writing one. The number removed.
std::size_t removeStaleTemporaryFiles(const std::string& folder);

// Bytes an unprivileged writer may still put into folder's file system; nothing when unknown.
std::optional<std::uint64_t> freeBytes(const std::string& folder);

}  // namespace quorvel
