#pragma once
// The transmitter settings' reasons to refuse a run, decided before any file is touched.

#include <optional>
#include <string>

#include "common/SignalParameters.h"

namespace quorvel {

// The widest roll-off (BT for the Gaussian pulse) a shaped pulse takes; it must lie above 0.
inline constexpr double kMaxRolloff = 1.0;

// Why the transmitter settings cannot make this run; nothing when they can.
std::optional<std::string> transmitterRefusal(const SignalParameters& parameters);

// The largest factor by which the transmit pulse can raise a point's magnitude (1 unshaped).
double pulsePeakGain(const SignalParameters& parameters);

}  // namespace quorvel
