#pragma once
// Every reason a run is refused, decided from the parameters alone before any file is touched.

#include <cstdint>
#include <optional>
#include <string>

#include "common/SignalParameters.h"

namespace quorvel {

// The largest timing error a run takes, either way [symbol periods].
inline constexpr double kMaxTimingErrorSymbols = 1.0;

// Samples each file of the run holds, as a double so that absurd requests do not overflow.
double samplesPerFile(const SignalParameters& parameters);

// The symbols of an endless stream of these settings: as many as give about 2^49 samples, more
// than 65 days at 100 MS/s, while every count stays an exact integer in a double and inside the
// run check's limit. The settings' own symbol count only sets the samples per symbol.
std::int64_t endlessSymbolCount(const SignalParameters& parameters);

// True when the family sets its own file length (the chirps), whatever the symbol rate.
bool ownsLength(const SignalParameters& parameters);

// Bytes the run holds at once at its peak, as a double for the same reason: a few blocks of
// samples, and the whole last file and its mapper output when the caller keeps them.
double peakMemoryBytes(const SignalParameters& parameters, bool keepsLastSignal = true);

// Why the run cannot be carried out, in one line for the user; nothing when it can.
// memoryLimitBytes bounds what the run may hold at once.
std::optional<std::string> findRefusal(const SignalParameters& parameters, std::uint64_t memoryLimitBytes,
                                       bool keepsLastSignal = true);

// Memory the system can give this process now [bytes]: MemAvailable (or the physical memory),
// and no more than the room left under the process's RLIMIT_AS and RLIMIT_DATA (beyond its
// VmSize and VmData) and under the memory limits of its control group and the groups above it.
std::uint64_t availableMemoryBytes();

}  // namespace quorvel
