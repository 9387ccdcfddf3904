#pragma once
// Every file the program reads as input (recipes, metadata, shard records) comes in here: regular
// files only, opened without blocking, read up to a cap, so that a FIFO, a device or a huge file
// is refused at once with the system's reason instead of waiting or filling memory.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace quorvel {

struct InputFile {
    std::optional<std::string> text;
    std::string problem;  // "<path>: <reason>" or "<path> is not a regular file"

    explicit operator bool() const { return text.has_value(); }
};

// The bytes of the regular file at path. A file of more than maxBytes is refused as "too large
// to be <what>"; the path is echoed with its control characters escaped.
InputFile readInputFile(const std::string& path, std::size_t maxBytes, const std::string& what);

// The first headBytes and the last tailBytes of the regular file at path (fewer when it is
// shorter), for a file too large to read whole whose start and end say what it holds.
struct InputFileEnds {
    std::optional<std::string> head;
    std::string tail;
    std::uint64_t size = 0;
    std::string problem;

    explicit operator bool() const { return head.has_value(); }
};
InputFileEnds readInputFileEnds(const std::string& path, std::size_t headBytes, std::size_t tailBytes);

}  // namespace quorvel
