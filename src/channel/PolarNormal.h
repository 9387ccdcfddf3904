#pragma once
// Normal deviates by the polar method over a 32-bit Mersenne Twister, with every step written
// out so that the values are the same with any standard library.

#include <array>
#include <cstdint>
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

// Draws normal values of mean 0 and the given standard deviation, one pair per accepted point:
// the first draw of a pair returns u1 g sigma, the next one the kept u2 g sigma.
class PolarNormal {
  public:
    explicit PolarNormal(double standardDeviation) : standardDeviation_(standardDeviation) {}

    // The next normal value; consumes four engine outputs per attempt at a new pair.
    double operator()(MersenneTwister& engine);

  private:
    double standardDeviation_;
    double saved_ = 0.0;
    bool hasSaved_ = false;
};

}  // namespace quorvel
