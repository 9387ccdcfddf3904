#pragma once
// The symbol rate a file really has, and the per-sample SNR that the run's SNR definition asks for.

#include <string>

#include "common/SignalParameters.h"

namespace quorvel {

// [Hz]: the keyed schemes on whole samples per symbol run at fs / floor(fs / Rs); a family that
// sets its own file length (the chirps) at fs times its symbols per sample; every other run at
// the requested rate.
double effectiveSymbolRate(const SignalParameters& parameters);

// True when the file's symbol rate is not the one asked for; never for a family whose own
// parameters set its timing.
bool symbolRateDiffers(const SignalParameters& parameters);

// The warning both front ends give when it is not, in one line.
std::string symbolRateWarning(const SignalParameters& parameters);

// [dB] the noise per complex sample against the mean signal power: the SNR itself, or Es/N0 or
// Eb/N0 less 10 log10 of the samples per symbol (and plus 10 log10 of the bits per symbol); for
// an analog family whose SNR counts the occupied band B, C/N plus 10 log10(B / fs).
double perSampleSnrDb(const SignalParameters& parameters);

}  // namespace quorvel
