#pragma once
// Reads back the recipe that a metadata file of this program records, for making the file again.
// Any text is accepted as input: what is not JSON, not SigMF, not ours or not well formed gives a
// one-line reason instead of a record.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "export/SigmfMetadata.h"

namespace quorvel {

struct RecordReading {
    std::optional<RecordingRecord> record;
    std::string problem;  // empty when record holds a value

    explicit operator bool() const { return record.has_value(); }
};

RecordReading readRecordingRecord(std::string_view metadataText);

// Metadata files longer than this [bytes] are refused unread.
inline constexpr std::size_t kMetadataSizeLimit = std::size_t{1} << 20;

// Reads the file at path; a file that cannot be read gives the system's reason as the problem.
// Only a regular file is read: a FIFO, a device or a folder is refused at once, unread.
RecordReading readRecordingRecordFile(const std::string& path);

}  // namespace quorvel
