#pragma once
// The later families' own parameters that more than one family lists, or that another layer
// bounds by (the recipe reader): each written once, here.

#include "modulation/WaveformParameter.h"

namespace quorvel {

inline constexpr WaveformParameter kModIndex{
    .name = "mod_index",
    .help = "Modulation index h of CPFSK and GFSK: a deviation of h Rs / 2 per level step",
    .valueName = "H",
    .invalidMessage = "Invalid Modulation Index.",
    .defaultValue = 0.5,
    .minimum = 0.01,
    .maximum = 10.0};

inline constexpr WaveformParameter kBandwidthTime{
    .name = "bt",
    .help = "Bandwidth-time product of GFSK's Gaussian filter, 0.1 to 2",
    .valueName = "BT",
    .invalidMessage = "Invalid BT.",
    .defaultValue = 0.3,
    .minimum = 0.1,
    .maximum = 2.0};

inline constexpr WaveformParameter kChirpBandwidth{
    .name = "chirp_bandwidth",
    .help = "Swept band of LFM and chirp spread spectrum [Hz], at most the sampling rate",
    .valueName = "HZ",
    .invalidMessage = "Invalid Chirp Bandwidth.",
    .defaultValue = 5000.0,
    .minimum = 1e-3,
    .maximum = 1e12};

// Counted in samples: the family's refusal holds them to whole numbers.
inline constexpr WaveformParameter kChirpLength{
    .name = "chirp_length",
    .help = "Samples per LFM pulse, a whole number",
    .valueName = "S",
    .invalidMessage = "Invalid Chirp Length.",
    .defaultValue = 256.0,
    .minimum = 2.0,
    .maximum = 1e9};

inline constexpr WaveformParameter kChirpGap{
    .name = "chirp_gap",
    .help = "Samples of silence after each LFM pulse, a whole number",
    .valueName = "S",
    .invalidMessage = "Invalid Chirp Gap.",
    .defaultValue = 256.0,
    .minimum = 0.0,
    .maximum = 1e9};

// 2^SF symbols of SF bits each; a whole number.
inline constexpr WaveformParameter kSpreadingFactor{
    .name = "spreading_factor",
    .help = "Spreading factor SF of chirp spread spectrum, 7 to 12: 2^SF symbols of SF bits",
    .valueName = "SF",
    .invalidMessage = "Invalid Spreading Factor.",
    .defaultValue = 7.0,
    .minimum = 7.0,
    .maximum = 12.0};

}  // namespace quorvel
