#pragma once
// The bytes of one file on their way to the system: a file created by path, or a stream the
// process already has (standard output). Remembers the first failure and writes nothing after it.
//
// A file by path is always whole under its name: the bytes go to a hidden temporary file in the
// same folder, created exclusively and never through a link, which is renamed over the final
// name only once it is complete. Until then an earlier file of that name stays as it was; a
// link planted under the name is replaced, not written through.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace quorvel {

// How safely a finished file is kept.
enum class Durability {
    AfterCrash,      // whole or absent if the program dies; the system may lose it in a power cut
    AfterPowerLoss,  // also flushed to the disk, with the rename, before the file counts as written
};

class ByteOutput {
public:
    // Starts the file that will be at path. A path holding a NUL byte is never opened: the system
    // would read the name only up to it and so write some other file.
    static ByteOutput createFile(const std::string& path, Durability durability = Durability::AfterCrash);

    // Writes to descriptor fd, which stays open; name is what failures are reported under.
    static ByteOutput toDescriptor(int fd, std::string name);

    ByteOutput(ByteOutput&& other) noexcept;
    ByteOutput& operator=(ByteOutput&&) = delete;
    ~ByteOutput();

    const std::string& name() const { return name_; }

    // Where a created file's bytes go until close(true) renames it: for a writer that must open
    // the file by path itself (a library), which then writes there and closes before this does.
    const std::string& temporaryPath() const { return temporary_; }

    // Writes every byte unless an earlier write failed; false once anything has failed.
    bool write(const void* bytes, std::size_t length);

    // Overwrites bytes already written at offset (a field whose value is known only at the end,
    // written first as a placeholder of its length); false once anything has failed.
    bool writeAt(std::uint64_t offset, const void* bytes, std::size_t length);

    // errno of the first failure; 0 while all is well.
    int error() const { return error_; }

    // Ends a created file: with keep and no failure it replaces the file under its name,
    // otherwise the temporary file is removed and the name left as it was. Nothing on success,
    // otherwise the system's reason for the first failure.
    std::optional<std::string> close(bool keep);

private:
    ByteOutput(int fd, std::string name, bool owned) : fd_(fd), name_(std::move(name)), owned_(owned) {}

    int fd_ = -1;
    std::string name_;
    std::string temporary_;  // where a created file's bytes go until it is whole
    bool owned_ = false;
    Durability durability_ = Durability::AfterCrash;
    int error_ = 0;
};

// True for the names ByteOutput gives its temporary files in a folder.
bool isTemporaryFileName(const std::string& fileName);

}  // namespace quorvel
