#include "analyzer/MappedFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <system_error>

namespace quorvel {
namespace {

[[noreturn]] void fail(const std::string& path, int error) {
    throw std::runtime_error(path + ": " + std::generic_category().message(error));
}

// Closes the descriptor on every path out: the mapping outlives it.
struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

}  // namespace

MappedFile::MappedFile(const std::string& path) {
    // O_NONBLOCK: opening a FIFO must not wait for a writer that may never come.
    const Descriptor file{::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY)};
    if (file.fd < 0) {
        fail(path, errno);
    }
    struct stat status {};
    if (::fstat(file.fd, &status) != 0) {
        fail(path, errno);
    }
    if (!S_ISREG(status.st_mode)) {
        throw std::runtime_error(path + " is not a regular file");
    }
    size_ = static_cast<std::size_t>(status.st_size);
    if (size_ == 0) {
        return;
    }
    void* mapped = ::mmap(nullptr, size_, PROT_READ, MAP_SHARED, file.fd, 0);
    if (mapped == MAP_FAILED) {
        fail(path, errno);
    }
    data_ = static_cast<const std::byte*>(mapped);
}

MappedFile::~MappedFile() {
    if (data_ != nullptr) {
        ::munmap(const_cast<std::byte*>(data_), size_);
    }
}

}  // namespace quorvel
