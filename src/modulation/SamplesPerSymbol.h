#pragma once
// Lengths of the frequency-keyed mappers' outputs, formed without integer overflow.

#include <cstddef>
#include <optional>

namespace quorvel {

// Samples per symbol [samples] truncated toward zero; 0 when below 1 or not a number, and at most
// the largest length a SampleBuffer can have.
std::size_t wholeSamplesPerSymbol(double samplesPerSymbol);

// symbolCount * perSymbol [samples], or nothing when a SampleBuffer cannot hold that many.
std::optional<std::size_t> keyedSampleCount(std::size_t symbolCount, std::size_t perSymbol);

}  // namespace quorvel
