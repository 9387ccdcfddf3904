#include "export/OutputFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>

#include "export/ByteOutput.h"

namespace quorvel {

FolderLock::FolderLock(const std::string& folder, Mode mode) {
    if (folder.find('\0') != std::string::npos) {
        return;
    }
    fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0) {
        return;
    }
    if (::flock(fd_, (mode == Mode::Shared ? LOCK_SH : LOCK_EX) | LOCK_NB) != 0) {
        busy_ = errno == EWOULDBLOCK;
        ::close(fd_);
        fd_ = -1;
    }
}

FolderLock::~FolderLock() {
    if (fd_ >= 0) {
        ::close(fd_);  // releases the lock
    }
}

namespace {

// Ends in the temporary files' mark, so that a whole run or a merge removes a killed run's.
constexpr const char* kNameLockSuffix = ".quorvel-partial-lock";

// Whether fd is still the file under path: a holder removes the file as it lets go, and a run
// that opened it just before then holds a lock on a file no other run will find.
bool stillNamed(int fd, const std::string& path) {
    struct stat opened {}, named {};
    return ::fstat(fd, &opened) == 0 && ::stat(path.c_str(), &named) == 0 && opened.st_ino == named.st_ino &&
           opened.st_dev == named.st_dev;
}

}  // namespace

NameLock::NameLock(const std::string& folder, const std::string& name) : path_(folder + "/." + name + kNameLockSuffix) {
    if (path_.find('\0') != std::string::npos) {
        return;
    }
    // Each pass either holds the file under its name, finds it held, or lost it to a holder
    // that was letting go; the last can happen only as often as other runs finish.
    for (int attempt = 0; attempt < 64; ++attempt) {
        const int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            return;  // a folder that takes no file: the run's own files will say why
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            busy_ = errno == EWOULDBLOCK;
            ::close(fd);
            return;
        }
        if (stillNamed(fd, path_)) {
            fd_ = fd;
            return;
        }
        ::close(fd);
    }
}

NameLock::~NameLock() {
    if (fd_ >= 0) {
        ::unlink(path_.c_str());  // while still held, so that no run takes the lock of a removed file
        ::close(fd_);
    }
}

std::size_t removeStaleTemporaryFiles(const std::string& folder) {
    DIR* directory = ::opendir(folder.c_str());
    if (directory == nullptr) {
        return 0;
    }
    std::size_t removed = 0;
    const int fd = ::dirfd(directory);
    while (const dirent* entry = ::readdir(directory)) {
        const std::string name = entry->d_name;
        if (isTemporaryFileName(name) && ::unlinkat(fd, name.c_str(), 0) == 0) {
            ++removed;
        }
    }
    ::closedir(directory);
    return removed;
}

std::optional<std::uint64_t> freeBytes(const std::string& folder) {
    struct statvfs info {};
    if (folder.find('\0') != std::string::npos || ::statvfs(folder.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize;
}

}  // namespace quorvel
