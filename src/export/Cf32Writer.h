#pragma once
// The binary sample files: each sample as two IEEE-754 single-precision values, I then Q, in
// little-endian byte order and nothing else (a SigMF "cf32_le" dataset), the form that GNU Radio,
// inspectrum and numpy read directly.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "common/Signal.h"

namespace quorvel {

// Bytes one sample takes in the file.
inline constexpr std::size_t kCf32BytesPerSample = 8;

// savePath + "/modulated_signal_" + k + ".sigmf-data", savePath used unchanged as for the CSV files.
std::string cf32FilePath(const std::string& savePath, std::int32_t fileNumber);

// Writes the file bytes of samples to out, which holds kCf32BytesPerSample bytes per sample. Each
// value is rounded to the nearest float.
void encodeCf32(std::span<const ComplexSample> samples, std::byte* out);

// Creates (or truncates) the file at path and writes samples into it. Nothing on success,
// otherwise the system's reason; after a failed write the shortened file is left in place.
std::optional<std::string> writeCf32File(const std::string& path, std::span<const ComplexSample> samples);

}  // namespace quorvel
