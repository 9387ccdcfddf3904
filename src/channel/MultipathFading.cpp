#include "channel/MultipathFading.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "channel/SamplePairs.h"
#include "channel/WindowedSinc.h"

namespace quorvel {
namespace {

PropagationPath pathOf(const MultipathTap& tap) {
    const ComplexSample gain =
        polar(std::pow(10.0, tap.gainDb / 20.0), tap.phaseDegrees * (Pi / 180.0));
    PropagationPath path;
    const double whole = std::floor(tap.delaySamples);
    if (whole == tap.delaySamples) {
        path.firstLag = static_cast<std::int64_t>(whole);
        path.coefficients = {gain};
        return path;
    }
    path.firstLag = static_cast<std::int64_t>(whole) - (kSincHalfWidth - 1);
    for (int k = 0; k < kSincTaps; ++k) {
        const double weight =
            windowedSinc(static_cast<double>(path.firstLag + k) - tap.delaySamples);
        path.coefficients.push_back({gain.i * weight, gain.q * weight});
    }
    return path;
}

// One path's filter output at a sample, reading its input from newest (x[n - firstLag]) backwards,
// in four interleaved partial sums added in a fixed order, so that the additions need not wait
// for each other. c x = Re(c) (xi, xq) + Im(c) (-xq, xi).
DoublePair filtered(const PropagationPath& path, const ComplexSample* newest) {
    const std::size_t count = path.coefficients.size();
    const DoublePair* re = path.realParts.data();
    const DoublePair* im = path.imaginaryParts.data();
    const auto term = [&](std::size_t m) {
        const DoublePair x = pairOf(*(newest - static_cast<std::ptrdiff_t>(m)));
        const DoublePair turned{-x[1], x[0]};
        return re[m] * x + im[m] * turned;
    };
    DoublePair sums[4] = {};
    std::size_t m = 0;
    for (; m + 4 <= count; m += 4) {
        for (std::size_t lane = 0; lane < 4; ++lane) {
            sums[lane] += term(m + lane);
        }
    }
    for (; m < count; ++m) {
        sums[0] += term(m);
    }
    return (sums[0] + sums[1]) + (sums[2] + sums[3]);
}

// filtered() at two neighbouring samples, newest and newest + 1, into out[0] and out[1]: the
// same terms and sums for each, two samples to a vector. Always inlined, so that it is built for
// whichever processor its caller is built for.
[[gnu::always_inline]] inline void filteredTwice(const PropagationPath& path, const ComplexSample* newest,
                                                 ComplexSample* out) {
    const std::size_t count = path.coefficients.size();
    const ComplexSample* c = path.coefficients.data();
    const auto addTerm = [&](DoubleQuad& sum, std::size_t m) {
        DoubleQuad x;
        std::memcpy(&x, newest - static_cast<std::ptrdiff_t>(m), sizeof x);
        const DoubleQuad turned = __builtin_shufflevector(x, -x, 5, 0, 7, 2);
        sum += DoubleQuad{c[m].i, c[m].i, c[m].i, c[m].i} * x + DoubleQuad{c[m].q, c[m].q, c[m].q, c[m].q} * turned;
    };
    DoubleQuad sums[4] = {};
    std::size_t m = 0;
    for (; m + 4 <= count; m += 4) {
        for (std::size_t lane = 0; lane < 4; ++lane) {
            addTerm(sums[lane], m + lane);
        }
    }
    for (; m < count; ++m) {
        addTerm(sums[0], m);
    }
    const DoubleQuad both = (sums[0] + sums[1]) + (sums[2] + sums[3]);
    out[0] = {both[0], both[1]};
    out[1] = {both[2], both[3]};
}

// Adds one path's output to out[k] for every k, newest[k] being its newest input sample
// x[k - firstLag] and gains, when the path fades, its gains. One loop per kind of path, so that
// the single-coefficient paths, most of them, run without a call per sample.
QUORVEL_WIDE_KERNEL void addPath(const PropagationPath& path, const ComplexSample* newest,
                                 const ComplexSample* gains, std::span<ComplexSample> out) {
    const auto add = [&](std::size_t k, DoublePair y) {
        if (gains != nullptr) {
            y = productOf(pairOf(gains[k]), y);
        }
        out[k] = sampleOf(pairOf(out[k]) + y);
    };
    if (path.coefficients.size() == 1) {
        const DoublePair c = pairOf(path.coefficients[0]);
        for (std::size_t k = 0; k < out.size(); ++k) {
            add(k, productOf(c, pairOf(newest[k])));
        }
        return;
    }
    std::size_t k = 0;
    for (; k + 2 <= out.size(); k += 2) {
        ComplexSample two[2];
        filteredTwice(path, newest + k, two);
        add(k, pairOf(two[0]));
        add(k + 1, pairOf(two[1]));
    }
    for (; k < out.size(); ++k) {
        add(k, filtered(path, newest + k));
    }
}

std::int64_t lastLag(const PropagationPath& path) {
    return path.firstLag + static_cast<std::int64_t>(path.coefficients.size()) - 1;
}

}  // namespace

std::vector<PropagationPath> propagationPaths(const std::vector<MultipathTap>& taps,
                                              const std::optional<Fading>& fading,
                                              double samplingRateHz, std::uint32_t seed) {
    const std::vector<MultipathTap> direct{MultipathTap{}};
    MersenneTwister engine(seed);
    std::vector<PropagationPath> paths;
    for (const MultipathTap& tap : taps.empty() ? direct : taps) {
        paths.push_back(pathOf(tap));
        for (const ComplexSample& c : paths.back().coefficients) {
            paths.back().realParts.push_back(DoublePair{c.i, c.i});
            paths.back().imaginaryParts.push_back(DoublePair{c.q, c.q});
        }
        if (fading && tap.fades) {
            paths.back().fading.emplace(*fading, samplingRateHz, engine);
        }
    }
    return paths;
}

SampleBuffer applyMultipathFading(const SampleBuffer& input, const std::vector<MultipathTap>& taps,
                                  const std::optional<Fading>& fading, double samplingRateHz,
                                  std::uint32_t seed) {
    std::vector<PropagationPath> paths = propagationPaths(taps, fading, samplingRateHz, seed);
    std::int64_t lowest = 0;
    std::int64_t highest = 0;
    for (const PropagationPath& path : paths) {
        lowest = std::min(lowest, path.firstLag);
        highest = std::max(highest, lastLag(path));
    }
    // x[n - lag] for every lag and n stays inside the padding.
    const auto before = static_cast<std::size_t>(highest);
    const SampleBuffer padded = zeroPadded(input, before, static_cast<std::size_t>(-lowest));
    SampleBuffer out(input.size());
    for (PropagationPath& path : paths) {
        SampleBuffer gains(path.fading ? input.size() : 0);
        if (path.fading) {
            path.fading->next(gains);
        }
        addPath(path, padded.data() + (static_cast<std::int64_t>(before) - path.firstLag),
                path.fading ? gains.data() : nullptr, out);
    }
    return out;
}

MultipathFadingStage::MultipathFadingStage(SampleSource& input, std::size_t count,
                                           const std::vector<MultipathTap>& taps,
                                           const std::optional<Fading>& fading,
                                           double samplingRateHz, std::uint32_t seed)
    : paths_(propagationPaths(taps, fading, samplingRateHz, seed)),
      input_(input, count),
      count_(count) {
    for (const PropagationPath& path : paths_) {
        lowestLag_ = std::min(lowestLag_, path.firstLag);
        highestLag_ = std::max(highestLag_, lastLag(path));
    }
}

std::size_t MultipathFadingStage::read(std::span<ComplexSample> out) {
    const std::size_t count = std::min(out.size(), count_ - next_);
    if (count == 0) {
        return 0;
    }
    const auto first = static_cast<std::int64_t>(next_);
    const std::int64_t lowest = first - highestLag_;
    const ComplexSample* samples =
        input_.run(lowest, first + static_cast<std::int64_t>(count) - 1 - lowestLag_);
    std::fill_n(out.begin(), count, ComplexSample{});
    for (PropagationPath& path : paths_) {
        if (path.fading) {
            gains_.resize(count);
            path.fading->next(gains_);
        }
        addPath(path, samples + (first - path.firstLag - lowest),
                path.fading ? gains_.data() : nullptr, out.first(count));
    }
    next_ += count;
    return count;
}

}  // namespace quorvel
