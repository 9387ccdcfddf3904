#pragma once
// Independent references for the transform tests: the DFT straight from its definition, and a
// reproducible test signal.

#include "common/Signal.h"

#include <cmath>
#include <cstddef>
#include <random>

namespace quorvel::testing_support {

// X[k] = sum over m of x[m] e^(-j 2 pi k m / N), in long double with the angle reduced mod N.
inline SampleBuffer directDft(const SampleBuffer& x) {
    const std::size_t n = x.size();
    SampleBuffer bins(n);
    const long double twoPi = 2.0L * std::acos(-1.0L);
    for (std::size_t k = 0; k < n; ++k) {
        long double re = 0.0L;
        long double im = 0.0L;
        for (std::size_t m = 0; m < n; ++m) {
            const long double angle =
                -twoPi * static_cast<long double>((k * m) % n) / static_cast<long double>(n);
            const long double c = std::cos(angle);
            const long double s = std::sin(angle);
            re += x[m].i * c - x[m].q * s;
            im += x[m].i * s + x[m].q * c;
        }
        bins[k] = {static_cast<double>(re), static_cast<double>(im)};
    }
    return bins;
}

// n samples with both parts uniform in [-1, 1), the same for a given seed.
inline SampleBuffer randomSignal(std::size_t n, unsigned seed) {
    std::mt19937 engine(seed);
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    SampleBuffer x(n);
    for (auto& s : x) {
        s.i = uniform(engine);
        s.q = uniform(engine);
    }
    return x;
}

// e^(j 2 pi bin m / n) for m = 0 ... n-1: a unit tone that falls exactly on DFT bin `bin`.
inline SampleBuffer binTone(std::size_t n, long long bin) {
    SampleBuffer x(n);
    const long double twoPi = 2.0L * std::acos(-1.0L);
    const long long count = static_cast<long long>(n);
    for (std::size_t m = 0; m < n; ++m) {
        const long long turns = ((bin * static_cast<long long>(m)) % count + count) % count;
        const long double angle = twoPi * static_cast<long double>(turns) / count;
        x[m] = {static_cast<double>(std::cos(angle)), static_cast<double>(std::sin(angle))};
    }
    return x;
}

}  // namespace quorvel::testing_support
