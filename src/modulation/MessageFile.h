#pragma once
// A recorded message for the analog families: a WAV file, mixed to mono, brought to the sampling
// rate, band-limited to the message band and repeated. The file repeats, so its period is
// resampled and Hilbert-transformed as one circular block in the frequency domain: that is the
// ideal band-limited resampler for a periodic signal, with no filter edge at the seam.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/Signal.h"

namespace quorvel {

// The largest message file read, and the longest period it may take at the sampling rate.
inline constexpr std::size_t kMaxMessageFileBytes = std::size_t{64} << 20;
inline constexpr std::size_t kMaxMessagePeriodSamples = std::size_t{1} << 22;

// Whether a message text names a file: it ends in ".wav", in any case.
bool namesMessageFile(std::string_view text);

// One period of the analytic message x + j H{x} at samplingRateHz, x holding the file's
// frequencies from the lowest above 0 Hz up to topHz, peaking at 1; or the problem, one line
// naming the path (cut, escaped).
struct MessageFileReading {
    std::optional<std::vector<ComplexSample>> period;
    std::string problem;

    explicit operator bool() const { return period.has_value(); }
};
MessageFileReading readMessageFile(const std::string& path, double samplingRateHz, double topHz);

// What a recording keeps of the file it was made from: its size and SHA-256 (lower-case hex).
struct MessageFileIdentity {
    std::uint64_t bytes = 0;
    std::string sha256;

    friend bool operator==(const MessageFileIdentity&, const MessageFileIdentity&) = default;
};
// Nothing, and the reason in *problem when given, when the file cannot be read as a message file.
std::optional<MessageFileIdentity> messageFileIdentity(const std::string& path, std::string* problem = nullptr);

}  // namespace quorvel
