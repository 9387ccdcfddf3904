#include "export/ByteOutput.h"

#include <cerrno>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace quorvel {

ByteOutput ByteOutput::createFile(const std::string& path) {
    ByteOutput output(-1, path, true);
    if (path.find('\0') != std::string::npos) {
        output.error_ = EINVAL;
        return output;
    }
    output.fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (output.fd_ < 0) {
        output.error_ = errno != 0 ? errno : EIO;
    }
    return output;
}

ByteOutput ByteOutput::toDescriptor(int fd, std::string name) {
    return ByteOutput(fd, std::move(name), false);
}

ByteOutput::ByteOutput(ByteOutput&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), name_(std::move(other.name_)), owned_(other.owned_), error_(other.error_) {}

ByteOutput::~ByteOutput() {
    if (owned_ && fd_ >= 0) {
        ::close(fd_);
    }
}

bool ByteOutput::write(const void* bytes, std::size_t length) {
    const auto* next = static_cast<const char*>(bytes);
    while (error_ == 0 && length > 0) {
        const ssize_t written = ::write(fd_, next, length);
        if (written < 0) {
            if (errno != EINTR) {
                error_ = errno;
            }
            continue;
        }
        if (written == 0) {
            error_ = EIO;
            break;
        }
        next += written;
        length -= static_cast<std::size_t>(written);
    }
    return error_ == 0;
}

std::optional<std::string> ByteOutput::close(bool keep) {
    if (owned_ && fd_ >= 0) {
        if (::close(fd_) != 0 && error_ == 0) {
            error_ = errno != 0 ? errno : EIO;
        }
        fd_ = -1;
        if (!keep) {
            ::unlink(name_.c_str());
        }
    }
    if (error_ != 0) {
        return std::generic_category().message(error_);
    }
    return std::nullopt;
}

}  // namespace quorvel
