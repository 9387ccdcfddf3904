#pragma once
// Normal deviates by the polar method over a 32-bit Mersenne Twister, with every step written
// out so that the values are the same with any standard library.

#include <array>
#include <cstdint>
#include <span>

#include "common/MersenneTwister.h"

namespace quorvel {

// A uniform value in [-1, 1) on a grid of 2^-52 from two successive 32-bit engine outputs.
double polarUniform(std::uint32_t first, std::uint32_t second);

// The pair of standard normal values (u1 g, u2 g), g = sqrt(-2 ln s / s), s = u1^2 + u2^2, for a
// point accepted inside the unit circle.
std::array<double, 2> polarPair(double u1, double u2);

// A point accepted inside the unit circle, neither coordinate 0.
struct PolarPoint {
    double u1;
    double u2;
};

// Draws candidate points, four engine outputs each, until one is accepted.
PolarPoint drawPolarPoint(MersenneTwister& engine);

// Fills points with the points drawPolarPoint would give one after the other, from the same
// engine outputs, without a branch on each candidate: a fifth of them are rejected at random,
// which the processor cannot predict.
void drawPolarPoints(MersenneTwister& engine, std::span<PolarPoint> points);

}  // namespace quorvel
