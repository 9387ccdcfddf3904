#pragma once
// The power the noise is set against when the SNR refers to the waveform's nominal power: known
// from the settings alone, so a noisy file needs no pass of its own before its first sample.

#include "common/SignalParameters.h"

namespace quorvel {

// The nominal mean power per sample where the noise is added: the points' mean power through the
// pulse (a unit-energy transmit pulse leaves 1 / samples-per-symbol of it, straight lines between
// the points a little over 2/3), with the constellation's mean point, which the pulse carries
// through unchanged, kept apart. 1 for the schemes that make unit-magnitude samples themselves.
// The channel stages after the pulse are not counted: that is what makes it nominal.
double nominalNoiseReference(const SignalParameters& parameters);

// The amplitude the integer formats write as full scale: the run's scale times the nominal RMS.
double integerFullScale(const SignalParameters& parameters);

// The power the noise of a file is set against: the nominal one, or the measured one given.
double noiseReferencePower(const SignalParameters& parameters, double measuredPower);

}  // namespace quorvel
