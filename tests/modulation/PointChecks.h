#pragma once
// Small comparisons shared by the mapper tests.

#include "common/Signal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace quorvel::testing_support {

// Points built from cos and sin agree with a reference to a few units in the last place.
inline constexpr double kPointTolerance = 1e-12;

inline double phaseOf(const ComplexSample& s) {
    return std::atan2(s.q, s.i);
}

inline double magnitudeOf(const ComplexSample& s) {
    return std::hypot(s.i, s.q);
}

// The angle in (-pi, pi] that differs from the given one by a multiple of 2*pi [rad].
inline double wrapPhase(double phase) {
    return std::remainder(phase, 2.0 * Pi);
}

inline void expectPointNear(const ComplexSample& actual, const ComplexSample& expected,
                            const std::string& context, double tolerance = kPointTolerance) {
    EXPECT_NEAR(actual.i, expected.i, tolerance) << context;
    EXPECT_NEAR(actual.q, expected.q, tolerance) << context;
}

}  // namespace quorvel::testing_support
