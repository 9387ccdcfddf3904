#include "export/ByteOutput.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace quorvel {
namespace {

constexpr std::string_view kTemporaryMark = ".quorvel-partial-";

int lastError() {
    return errno != 0 ? errno : EIO;
}

// The folder part of path ("." when it has none) and the name part.
std::pair<std::string, std::string> splitPath(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return {".", path};
    }
    return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

// Flushes a folder's entries, so that a rename in it survives a power cut.
int syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return lastError();
    }
    const int error = ::fsync(fd) == 0 ? 0 : lastError();
    ::close(fd);
    return error;
}

// Calls `once` (a write(2)-like call for the bytes left) until every byte is out, an error other
// than an interruption is kept in `error`, or the call writes nothing (kept as EIO).
template <typename Once>
bool writeWhole(const void* bytes, std::size_t length, int& error, Once once) {
    const auto* next = static_cast<const char*>(bytes);
    while (error == 0 && length > 0) {
        const ssize_t written = once(next, length);
        if (written < 0) {
            if (errno != EINTR) {
                error = errno;
            }
            continue;
        }
        if (written == 0) {
            error = EIO;
            break;
        }
        next += written;
        length -= static_cast<std::size_t>(written);
    }
    return error == 0;
}

}  // namespace

bool isTemporaryFileName(const std::string& fileName) {
    return !fileName.empty() && fileName[0] == '.' && fileName.find(kTemporaryMark) != std::string::npos;
}

ByteOutput ByteOutput::createFile(const std::string& path, Durability durability) {
    ByteOutput output(-1, path, true);
    output.durability_ = durability;
    if (path.find('\0') != std::string::npos) {
        output.error_ = EINVAL;
        return output;
    }
    const auto [folder, name] = splitPath(path);
    std::random_device entropy;
    // A hidden name no result can have; O_EXCL with O_NOFOLLOW never opens what is already
    // there, a link least of all, so only a name taken meanwhile makes it try another.
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%08x", entropy());
        std::string temporary = folder;
        temporary.append(".").append(name).append(kTemporaryMark).append(suffix);
        errno = 0;
        output.fd_ = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (output.fd_ >= 0) {
            output.temporary_ = std::move(temporary);
            return output;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    output.error_ = lastError();
    return output;
}

ByteOutput ByteOutput::toDescriptor(int fd, std::string name) {
    return ByteOutput(fd, std::move(name), false);
}

ByteOutput::ByteOutput(ByteOutput&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), name_(std::move(other.name_)), temporary_(std::move(other.temporary_)),
      owned_(other.owned_), durability_(other.durability_), error_(other.error_) {}

ByteOutput::~ByteOutput() {
    if (owned_ && fd_ >= 0) {
        close(false);
    }
}

bool ByteOutput::write(const void* bytes, std::size_t length) {
    return writeWhole(bytes, length, error_, [this](const char* next, std::size_t left) { return ::write(fd_, next, left); });
}

bool ByteOutput::writeAt(std::uint64_t offset, const void* bytes, std::size_t length) {
    return writeWhole(bytes, length, error_, [this, &offset](const char* next, std::size_t left) {
        const ssize_t written = ::pwrite(fd_, next, left, static_cast<off_t>(offset));
        offset += written > 0 ? static_cast<std::uint64_t>(written) : 0;
        return written;
    });
}

std::optional<std::string> ByteOutput::close(bool keep) {
    if (owned_ && fd_ >= 0) {
        if (keep && error_ == 0 && durability_ == Durability::AfterPowerLoss && ::fsync(fd_) != 0) {
            error_ = lastError();
        }
        if (::close(fd_) != 0 && error_ == 0) {
            error_ = lastError();
        }
        fd_ = -1;
        if (keep && error_ == 0 && ::rename(temporary_.c_str(), name_.c_str()) != 0) {
            error_ = lastError();
        }
        if (!keep || error_ != 0) {
            ::unlink(temporary_.c_str());
        } else if (durability_ == Durability::AfterPowerLoss) {
            error_ = syncFolder(splitPath(name_).first);
        }
    }
    if (error_ != 0) {
        return std::generic_category().message(error_);
    }
    return std::nullopt;
}

}  // namespace quorvel
