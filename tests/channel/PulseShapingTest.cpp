// The shaped signal against what a receiver expects of it: its own matched filter, from the
// textbook root-raised-cosine formula, returns the symbols at the exact instants k / Rs; the
// bandwidth follows the roll-off; the pulse has unit energy; blocks equal the whole.
#include <gtest/gtest.h>

#include <fftw3.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <vector>

#include "channel/PulseShapes.h"
#include "channel/PulseShaping.h"
#include "common/SampleSource.h"

namespace quorvel {
namespace {

using Complex = std::complex<double>;

// Root raised cosine of roll-off b at t symbol periods (Proakis), its 0/0 points by their limits.
double textbookRrc(double b, double t) {
    if (std::abs(t) < 1e-12) return 1.0 - b + 4.0 * b / Pi;
    if (std::abs(std::abs(4.0 * b * t) - 1.0) < 1e-12)
        return b / std::sqrt(2.0) * ((1 + 2 / Pi) * std::sin(Pi / (4 * b)) + (1 - 2 / Pi) * std::cos(Pi / (4 * b)));
    return (std::sin(Pi * t * (1 - b)) + 4 * b * t * std::cos(Pi * t * (1 + b))) / (Pi * t * (1 - 16 * b * b * t * t));
}

constexpr double kHalfRoot = std::numbers::sqrt2 / 2.0;

SampleBuffer qpskPoints(std::size_t count, unsigned seed) {
    std::mt19937 engine(seed);
    SampleBuffer points(count);
    for (auto& p : points) {
        p = {(engine() & 1) != 0 ? kHalfRoot : -kHalfRoot, (engine() & 1) != 0 ? kHalfRoot : -kHalfRoot};
    }
    return points;
}

SampleBuffer shape(const SampleBuffer& points, const PulseShaping& shaping, std::size_t block = 65536) {
    BufferSource source(points);
    PulseShapingStage stage(source, points.size(), shaping);
    SampleBuffer out;
    SampleBuffer piece(block);
    while (const std::size_t got = stage.read(piece)) {
        out.insert(out.end(), piece.begin(), piece.begin() + static_cast<std::ptrdiff_t>(got));
    }
    return out;
}

// EVM [dB] of the matched filter's output at t = k / Rs against the points, away from the ends.
// delay: where the quadrature rail's symbols sit, in symbol periods.
double matchedFilterEvmDb(const SampleBuffer& samples, const SampleBuffer& points, double sps, double b,
                          int span, double delay) {
    // The receiver's own filter, normalised by its own samples' energy.
    double energy = 0.0;
    for (double t = -span / 2.0; t <= span / 2.0; t += 1.0 / (sps * 64)) energy += textbookRrc(b, t) * textbookRrc(b, t);
    energy *= 1.0 / 64.0;
    const double scale = 1.0 / std::sqrt(energy);
    const double half = span / 2.0;
    double error = 0.0, power = 0.0;
    for (auto k = static_cast<std::size_t>(span); k + static_cast<std::size_t>(span) < points.size(); ++k) {
        Complex y;
        const auto instant = static_cast<double>(k);
        const auto first = static_cast<std::size_t>((instant - span) * sps);
        const auto last = std::min(samples.size(), first + static_cast<std::size_t>(2 * span * sps));
        for (std::size_t n = first; n < last; ++n) {
            const double t = static_cast<double>(n) / sps;
            if (std::abs(instant - t) <= half) y += scale * textbookRrc(b, instant - t) * samples[n].i;
            if (std::abs(instant + delay - t) <= half) y += Complex(0, scale * textbookRrc(b, instant + delay - t) * samples[n].q);
        }
        const Complex ref(points[k].i, points[k].q);
        error += std::norm(y - ref);
        power += std::norm(ref);
    }
    return 10.0 * std::log10(error / power);
}

struct RateCase {
    double symbolRate;
    double samplingRate;
};

TEST(PulseShaping, MatchedFilterRecoversTheSymbolsAtTheExactInstants) {
    constexpr double kMaxEvmDb = -40.0;
    const SampleBuffer points = qpskPoints(400, 1);
    // 8 and 10/3 samples per symbol on exact grids; 5.0001 on the per-sample path.
    for (const RateCase rates : {RateCase{1000, 8000}, RateCase{3000, 10000}, RateCase{1000, 5000.1}}) {
        for (const bool oqpsk : {false, true}) {
            const PulseShaping shaping{.shape = PulseShape::RootRaisedCosine, .rolloff = 0.35, .spanSymbols = 12,
                                       .symbolRateHz = rates.symbolRate, .samplingRateHz = rates.samplingRate,
                                       .delayQuadrature = oqpsk};
            const SampleBuffer samples = shape(points, shaping);
            const double sps = rates.samplingRate / rates.symbolRate;
            EXPECT_EQ(samples.size(), static_cast<std::size_t>(std::round(400 * sps)));
            EXPECT_LT(matchedFilterEvmDb(samples, points, sps, 0.35, 12, oqpsk ? 0.5 : 0.0), kMaxEvmDb)
                << rates.samplingRate << " / " << rates.symbolRate << (oqpsk ? " OQPSK" : "");
        }
    }
}

// The band holding 99 % of the power of a long random QPSK signal.
double occupiedBandwidthHz(const SampleBuffer& samples, double fs) {
    constexpr int kFft = 4096;
    std::vector<double> psd(kFft, 0.0);
    fftw_complex* buffer = fftw_alloc_complex(kFft);
    fftw_plan plan = fftw_plan_dft_1d(kFft, buffer, buffer, FFTW_FORWARD, FFTW_ESTIMATE);
    for (std::size_t start = 0; start + kFft <= samples.size(); start += kFft / 2) {
        for (int n = 0; n < kFft; ++n) {
            const double w = 0.5 - 0.5 * std::cos(2 * Pi * n / kFft);  // Hann
            const auto& s = samples[start + static_cast<std::size_t>(n)];
            buffer[n][0] = w * s.i;
            buffer[n][1] = w * s.q;
        }
        fftw_execute(plan);
        for (int k = 0; k < kFft; ++k) psd[static_cast<std::size_t>(k)] += buffer[k][0] * buffer[k][0] + buffer[k][1] * buffer[k][1];
    }
    fftw_destroy_plan(plan);
    fftw_free(buffer);
    double total = 0.0;
    for (double p : psd) total += p;
    // Grow the band symmetrically around 0 Hz until it holds 99 %.
    double inside = psd[0];
    std::size_t half = 0;
    while (inside < 0.99 * total) {
        ++half;
        inside += psd[half] + psd[kFft - half];
    }
    return static_cast<double>(2 * half + 1) * fs / kFft;
}

// The 99 % band of the ideal raised-cosine power spectrum of roll-off b at Rs = 1 Hz.
double idealOccupiedBandwidth(double b) {
    const auto density = [b](double f) {
        const double edge = (1 - b) / 2;
        return f <= edge ? 1.0 : f >= (1 + b) / 2 ? 0.0 : 0.5 * (1 + std::cos(Pi / b * (f - edge)));
    };
    constexpr double kStep = 1e-5;
    double total = 0.0;
    for (double f = kStep / 2; f < 1.0; f += kStep) total += density(f);
    double inside = 0.0, f = kStep / 2;
    for (; inside < 0.99 * total; f += kStep) inside += density(f);
    return 2 * f;
}

TEST(PulseShaping, OccupiedBandwidthFollowsTheRolloff) {
    constexpr double kTolerance = 0.03;  // relative
    const SampleBuffer points = qpskPoints(40000, 2);
    for (const double rolloff : {0.2, 0.35, 0.5, 1.0}) {
        const PulseShaping shaping{.shape = PulseShape::RootRaisedCosine, .rolloff = rolloff, .spanSymbols = 10,
                                   .symbolRateHz = 1000, .samplingRateHz = 8000};
        const double expected = idealOccupiedBandwidth(rolloff) * 1000.0;
        const double measured = occupiedBandwidthHz(shape(points, shaping), 8000);
        EXPECT_NEAR(measured, expected, kTolerance * expected) << rolloff;
        EXPECT_TRUE(measured > 1000.0 && measured < (1 + rolloff) * 1000.0) << rolloff;
    }
}

TEST(PulseShaping, UnitEnergyPulseGivesEsOverSamplesPerSymbolAndBlocksEqualTheWhole) {
    constexpr double kPowerTolerance = 0.02;
    const SampleBuffer points = qpskPoints(20000, 3);  // Es = 1
    for (const PulseShape pulse : {PulseShape::RootRaisedCosine, PulseShape::RaisedCosine, PulseShape::Gaussian}) {
        const PulseShaping shaping{.shape = pulse, .rolloff = 0.3, .spanSymbols = 8, .symbolRateHz = 3000,
                                   .samplingRateHz = 10000};
        const SampleBuffer whole = shape(points, shaping);
        double power = 0.0;
        for (const auto& s : whole) power += s.i * s.i + s.q * s.q;
        power /= static_cast<double>(whole.size());
        // The raised cosine is no unit-energy pulse pair with itself, but every pulse is unit energy alone.
        EXPECT_NEAR(power, 0.3, 0.3 * kPowerTolerance) << static_cast<int>(pulse);
        for (const std::size_t block : {1u, 7u, 4097u}) {
            EXPECT_EQ(shape(points, shaping, block), whole) << block;
        }
    }
}

// Off the exact grid the taps are carried from sample to sample by angle addition; they must stay
// the closed form's own, sum_k a_k h(n Rs / fs - k), through symbol changes, the 0/0 points (t = 0
// and the roll-off's edge, both met at n = 0 here), the delayed rail and reads of any size.
TEST(PulseShaping, OffTheExactGridSamplesAreTheClosedFormSum) {
    constexpr double kTolerance = 1e-12;
    const SampleBuffer points = qpskPoints(300, 4);
    struct Case {
        PulseShape pulse;
        double rolloff;
        bool oqpsk;
    };
    for (const Case c : {Case{PulseShape::RootRaisedCosine, 0.35, false}, Case{PulseShape::RootRaisedCosine, 0.25, true},
                         Case{PulseShape::RaisedCosine, 0.5, false}, Case{PulseShape::RaisedCosine, 0.2, true}}) {
        const double fs = 5437.3;
        const PulseShaping shaping{.shape = c.pulse, .rolloff = c.rolloff, .spanSymbols = 9, .symbolRateHz = 1000,
                                   .samplingRateHz = fs, .delayQuadrature = c.oqpsk};
        const PulseFilter filter(c.pulse, c.rolloff, 9, fs / 1000);
        const SampleBuffer samples = shape(points, shaping, 7);
        double worst = 0.0;
        for (std::size_t n = 0; n < samples.size(); ++n) {
            const double t = static_cast<double>(n) * (1000 / fs);
            ComplexSample expected;
            for (std::size_t k = 0; k < points.size(); ++k) {
                expected.i += points[k].i * filter.at(t - static_cast<double>(k));
                expected.q += points[k].q * filter.at(t - static_cast<double>(k) - (c.oqpsk ? 0.5 : 0.0));
            }
            worst = std::max({worst, std::abs(samples[n].i - expected.i), std::abs(samples[n].q - expected.q)});
        }
        EXPECT_LT(worst, kTolerance) << static_cast<int>(c.pulse) << " " << c.rolloff;
    }
}

// BT is what names the Gaussian pulse: its spectrum falls to half power at BT times the symbol
// rate. The spectrum is a plain sum over the pulse, cut to a span wide enough for its tails.
TEST(PulseShaping, GaussianPulseHasHalfPowerAtItsBandwidthTimeProduct) {
    constexpr double kSpan = 8.0;
    constexpr int kSteps = 4096;
    for (const double bt : {0.25, 0.3, 0.5, 1.0}) {
        const auto power = [bt](double f) {
            Complex sum;
            for (int k = 0; k < kSteps; ++k) {
                const double t = -0.5 * kSpan + (k + 0.5) * kSpan / kSteps;
                sum += unscaledPulse(PulseShape::Gaussian, bt, kSpan, t) * std::polar(1.0, -2.0 * Pi * f * t);
            }
            return std::norm(sum);
        };
        EXPECT_NEAR(power(bt) / power(0.0), 0.5, 1e-9) << "BT " << bt;
    }
}

}  // namespace
}  // namespace quorvel
