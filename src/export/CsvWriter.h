#pragma once
// The CSV sample files: one per file of a run, a header line "Real,Imaginary" and then one line
// "I,Q" per sample, every line ended by CR LF.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "common/Signal.h"

namespace quorvel {

// The file text is produced and written in pieces of this size [bytes], so that memory stays
// bounded however long the buffer is.
inline constexpr std::size_t kSampleTextChunkBytes = std::size_t{4} << 20;

// The name of file `fileNumber` (1-based) of a run: savePath + "/modulated_signal_" + k + ".csv".
// savePath is used unchanged: "." gives "./modulated_signal_1.csv", a path ending in "/" gives
// "//" (harmless on POSIX), and an empty savePath gives "/modulated_signal_1.csv", a file in
// the root folder.
std::string sampleFilePath(const std::string& savePath, std::int32_t fileNumber);

// Receives one piece of the file text; returns false to stop the stream.
using SampleTextSink = std::function<bool(std::string_view)>;

// Hands the file text of samples to sink in consecutive pieces of at most chunkBytes (at least
// one line's worth) and in order; returns false when the sink stopped the stream.
bool streamSampleText(const SampleBuffer& samples, std::size_t chunkBytes,
                      const SampleTextSink& sink);

// The whole file text of samples in memory; for short buffers and for checking the writer.
std::string formatSampleText(const SampleBuffer& samples);

// Creates (or truncates) the file at path and writes the text of samples into it. Returns
// nothing on success, otherwise the system's reason (e.g. "No such file or directory",
// "No space left on device"); after a failed write the shortened file is left in place. A path
// holding a NUL byte is never opened ("Invalid argument"): the system would cut the name there.
std::optional<std::string> writeSampleFile(const std::string& path, const SampleBuffer& samples);

}  // namespace quorvel
