#pragma once
// A regular file mapped read-only into memory, whole: the kernel brings in only the pages a
// reader touches, so opening a recording of gigabytes costs no more than opening a small one.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace quorvel {

class MappedFile {
  public:
    // Maps the file at path. Throws std::runtime_error naming path and the system's reason, also
    // for anything but a regular file (a FIFO, a device or a folder is refused unread).
    explicit MappedFile(const std::string& path);
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    // The file's bytes as they were mapped; empty for an empty file.
    std::span<const std::byte> bytes() const { return {data_, size_}; }

  private:
    const std::byte* data_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace quorvel
