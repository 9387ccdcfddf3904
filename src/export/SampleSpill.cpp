#include "export/SampleSpill.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include "export/OutputFolder.h"

namespace quorvel {
namespace {

static_assert(sizeof(ComplexSample) == 2 * sizeof(double), "samples are stored as they lie in memory");

// The whole of [data, data + bytes) at offset, through short transfers and signals; false on failure.
template <typename Byte, typename Transfer>
bool transferAll(Transfer transfer, Byte* data, std::uint64_t bytes, std::uint64_t offset) {
    while (bytes > 0) {
        const ssize_t done = transfer(data, bytes, static_cast<off_t>(offset));
        if (done < 0 && errno == EINTR) {
            continue;
        }
        if (done <= 0) {
            return false;
        }
        const auto moved = static_cast<std::uint64_t>(done);
        data += moved;
        bytes -= moved;
        offset += moved;
    }
    return true;
}

}  // namespace

std::unique_ptr<SampleSpill> SampleSpill::open(const std::string& folder, std::uint64_t samples,
                                               std::uint64_t roomFactor) {
    const auto free = freeBytes(folder);
    if (!free || *free / roomFactor / sizeof(ComplexSample) < samples) {
        return nullptr;
    }
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0) {
        return nullptr;
    }
    return std::unique_ptr<SampleSpill>(new SampleSpill(fd));
}

SampleSpill::~SampleSpill() {
    ::close(fd_);
}

bool SampleSpill::append(std::span<const ComplexSample> samples) {
    const std::uint64_t bytes = samples.size_bytes();
    const bool whole = transferAll([this](const char* p, std::uint64_t n, off_t at) { return ::pwrite(fd_, p, n, at); },
                                   reinterpret_cast<const char*>(samples.data()), bytes, written_);
    written_ += bytes;
    return whole;
}

std::size_t SampleSpill::read(std::span<ComplexSample> out) {
    const std::uint64_t left = (written_ - read_) / sizeof(ComplexSample);
    const std::uint64_t count = std::min<std::uint64_t>(out.size(), left);
    const std::uint64_t bytes = count * sizeof(ComplexSample);
    if (!transferAll([this](char* p, std::uint64_t n, off_t at) { return ::pread(fd_, p, n, at); },
                     reinterpret_cast<char*>(out.data()), bytes, read_)) {
        return 0;
    }
    read_ += bytes;
    return static_cast<std::size_t>(count);
}

}  // namespace quorvel
