#pragma once
// The transmitter settings' reasons to refuse a run, decided before any file is touched.

#include <optional>
#include <string>

#include "common/SignalParameters.h"

namespace quorvel {

// Why the transmitter settings cannot make this run; nothing when they can.
std::optional<std::string> transmitterRefusal(const SignalParameters& parameters);

// The largest factor by which the transmit pulse can raise a point's magnitude (1 unshaped).
double pulsePeakGain(const SignalParameters& parameters);

}  // namespace quorvel
