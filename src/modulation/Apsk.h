#pragma once
// Amplitude and phase-shift keying on concentric rings, filled from the innermost ring outward.

#include "common/Signal.h"

#include <string>
#include <vector>

namespace quorvel {

// The numbers at the start of text (classic locale, white space between them), up to the first
// text that is not a number; possibly none.
std::vector<double> parseApskRadii(const std::string& text);

// parsed when it holds at least two radii, whatever their count; otherwise defaults.
std::vector<double> chooseApskRadii(const std::vector<double>& defaults,
                                    const std::vector<double>& parsed);

// One point per symbol: index k on the ring it falls in, at radius ringRadii[j] and angle
// 2*pi*(k - first index of the ring)/ringSizes[j] [rad]; (0, 0) outside the table. Empty when
// either list is empty or their lengths differ.
SampleBuffer modulateApsk(const SymbolSequence& symbols, const std::vector<int>& ringSizes,
                          const std::vector<double>& ringRadii);

}  // namespace quorvel
