// readRecordingRecord over arbitrary text: `quorvel-cli --from` reads whatever file a user names,
// so no text may crash it. Every input gives either a record or a one-line problem, never both,
// and a record it accepts survives being written out and read again unchanged (what --from
// writes beside the regenerated file must describe the same run).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "export/SigmfMetadata.h"
#include "export/SigmfRecordReader.h"

using quorvel::fuzzing::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const quorvel::RecordReading reading = quorvel::readRecordingRecord(text);
    if (!reading) {
        require(!reading.problem.empty(), "a refused text says why");
        require(reading.problem.find('\n') == std::string::npos, "the reason is one line");
        return 0;
    }
    require(reading.problem.empty(), "a record comes without a problem");
    const std::string written = quorvel::sigmfMetadataText(*reading.record);
    const quorvel::RecordReading again = quorvel::readRecordingRecord(written);
    require(again.record.has_value(), "the program reads back what it writes");
    require(*again.record == *reading.record, "a record survives writing and reading unchanged");
    return 0;
}
