#include "export/OutputFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
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
