#pragma once
// Power-delay profiles scaled to a delay spread: an exponential decay on the sample grid, and the
// tapped delay lines TDL-A to TDL-E of 3GPP TR 38.901 (section 7.7.2), whose normalised delays
// give an RMS delay spread of 1, so that delay x spread is the tap's delay in seconds.

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "common/Impairments.h"

namespace quorvel {

enum class DelayProfile { Exponential, TdlA, TdlB, TdlC, TdlD, TdlE };

// The profiles' names as a recipe gives them ("exponential", "tdl-a" ... "tdl-e"), in enum order;
// nothing past the last.
std::optional<std::string_view> delayProfileName(std::size_t index);

// The taps a profile has: the exponential profile's `exponentialTaps`, a TDL profile its table's
// rows (the line-of-sight path and the scattered one at its delay are two taps).
std::size_t delayProfileTapCount(DelayProfile profile, std::size_t exponentialTaps);

// The profile's taps at delay spread `spreadSeconds`, their powers summing to 1 and their phases
// 0. The exponential profile puts tap k at k samples with power proportional to
// exp(-k / (spread x samplingRate)), held at -300 dB below the total at the least; a TDL tap
// lies at its normalised delay x spread x samplingRate samples, a fraction of a sample apart
// being the windowed-sinc interpolator's. The line-of-sight path of TDL-D and TDL-E does not
// fade; its power over the scattered power at its delay is the table's K-factor (13.3 dB and
// 22 dB).
std::vector<MultipathTap> delayProfileTaps(DelayProfile profile, double spreadSeconds, std::size_t exponentialTaps,
                                           double samplingRateHz);

}  // namespace quorvel
