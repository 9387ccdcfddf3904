#pragma once
// The bytes of one sample file on their way to the system: a file created by path, or a stream
// the process already has (standard output). Remembers the first failure and writes nothing after it.

#include <cstddef>
#include <optional>
#include <string>

namespace quorvel {

class ByteOutput {
public:
    // Creates (or truncates) the file at path. A path holding a NUL byte is never opened: the
    // system would read the name only up to it and so write some other file.
    static ByteOutput createFile(const std::string& path);

    // Writes to descriptor fd, which stays open; name is what failures are reported under.
    static ByteOutput toDescriptor(int fd, std::string name);

    ByteOutput(ByteOutput&& other) noexcept;
    ByteOutput& operator=(ByteOutput&&) = delete;
    ~ByteOutput();

    const std::string& name() const { return name_; }

    // Writes every byte unless an earlier write failed; false once anything has failed.
    bool write(const void* bytes, std::size_t length);

    // errno of the first failure; 0 while all is well.
    int error() const { return error_; }

    // Closes a created file, and removes it when keep is false. Nothing on success, otherwise the
    // system's reason for the first failure.
    std::optional<std::string> close(bool keep);

private:
    ByteOutput(int fd, std::string name, bool owned) : fd_(fd), name_(std::move(name)), owned_(owned) {}

    int fd_ = -1;
    std::string name_;
    bool owned_ = false;
    int error_ = 0;
};

}  // namespace quorvel
