// The keyed schemes on the exact symbol grid: with a whole number of samples per symbol they are
// the whole-sample keying itself; with any other ratio the phase follows the continuous-time
// model at t = n / fs, so the file runs at the requested symbol rate.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>

#include "modulation/ExactKeying.h"
#include "modulation/Fsk.h"
#include "modulation/Gmsk.h"
#include "modulation/Msk.h"
#include "support/SameBytes.h"

namespace quorvel {
namespace {

using testing_support::sameValues;

constexpr double kPhaseTolerance = 1e-9;  // [rad]

std::vector<std::int32_t> exactKeyingRandomSymbols(std::size_t count, std::int32_t order) {
    std::mt19937 engine(5);
    std::vector<std::int32_t> symbols(count);
    for (auto& s : symbols) s = static_cast<std::int32_t>(engine() % static_cast<unsigned>(order));
    return symbols;
}

double phaseError(const ComplexSample& a, const ComplexSample& b) {
    return std::abs(std::arg(std::complex<double>(a.i, a.q) * std::conj(std::complex<double>(b.i, b.q))));
}

void expectSameSignal(const SampleBuffer& a, const SampleBuffer& b) {
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t n = 0; n < a.size(); ++n) {
        ASSERT_LT(phaseError(a[n], b[n]), kPhaseTolerance) << "sample " << n;
    }
}

TEST(ExactKeying, WholeSamplesPerSymbolGiveTheWholeSampleKeying) {
    const auto symbols = exactKeyingRandomSymbols(300, 4);
    const auto binary = exactKeyingRandomSymbols(300, 2);
    expectSameSignal(modulateExactKeying(symbols, Keying::Fsk, 4, 1000, 8000), modulateFsk(symbols, 4, 1000, 8000));
    expectSameSignal(modulateExactKeying(binary, Keying::Msk, 2, 1000, 7000), modulateMsk(binary, 7.0));
    expectSameSignal(modulateExactKeying(binary, Keying::Gmsk, 2, 1000, 8000), modulateGmsk(binary, 8.0));
}

// The continuous model at t [symbol periods]: MSK's phase is +-pi/2 per symbol, linear within
// each; GMSK's is each step spread by the Gaussian phase pulse about its symbol's centre.
double modelPhase(Keying keying, const std::vector<std::int32_t>& s, double t) {
    const auto last = static_cast<std::int64_t>(s.size()) - 1;
    const std::int64_t k = std::min(static_cast<std::int64_t>(std::floor(t)), last);
    double phase = 0.0;
    for (std::int64_t j = 0; j <= last; ++j) {
        const double step = s[static_cast<std::size_t>(j)] == 1 ? Pi / 2 : -Pi / 2;
        if (keying == Keying::Gmsk) {
            phase += step * gmskPhasePulse(t - static_cast<double>(j) - 0.5);
        } else if (j < k) {
            phase += step;
        } else if (j == k) {
            phase += step * (t - static_cast<double>(k));
        }
    }
    return phase;
}

TEST(ExactKeying, FractionalRatiosFollowTheContinuousModelAndKeepTheLength) {
    const auto binary = exactKeyingRandomSymbols(60, 2);
    // 10/3 on the exact grid, 3.30001 on the per-sample path.
    for (const double fs : {10000.0, 9900.03}) {
        for (const Keying keying : {Keying::Msk, Keying::Gmsk}) {
            const SampleBuffer samples = modulateExactKeying(binary, keying, 2, 3000, fs);
            ASSERT_EQ(samples.size(), static_cast<std::size_t>(std::llround(60 * fs / 3000))) << fs;
            for (std::size_t n = 0; n < samples.size(); ++n) {
                const double t = static_cast<double>(n) * 3000.0 / fs;
                ASSERT_LT(phaseError(samples[n], polar(1.0, modelPhase(keying, binary, t))), kPhaseTolerance)
                    << fs << " sample " << n;
            }
        }
    }
}

TEST(ExactKeying, FskTonesRestartAtEachExactSymbolStart) {
    const auto symbols = exactKeyingRandomSymbols(40, 8);
    const SampleBuffer samples = modulateExactKeying(symbols, Keying::Fsk, 8, 3000, 50000);
    for (std::size_t n = 0; n < samples.size(); ++n) {
        const double t = static_cast<double>(n) * 3000.0 / 50000.0;
        const auto k = std::min<std::size_t>(static_cast<std::size_t>(t), symbols.size() - 1);
        const double toneHz = (symbols[k] - 3.5) * 3000.0;
        const double phase = 2 * Pi * toneHz * (t - static_cast<double>(k)) / 3000.0;
        ASSERT_LT(phaseError(samples[n], polar(1.0, phase)), kPhaseTolerance) << n;
    }
}

TEST(ExactKeying, PiecesEqualTheWhole) {
    const auto binary = exactKeyingRandomSymbols(500, 2);
    const SampleBuffer whole = modulateExactKeying(binary, Keying::Gmsk, 2, 3000, 10000);
    for (const std::size_t piece : {1u, 3u, 64u}) {
        ExactKeyingMapper mapper(Keying::Gmsk, 2, binary.size(), 3000, 10000);
        SampleBuffer out;
        for (std::size_t at = 0; at < binary.size(); at += piece) {
            const std::size_t count = std::min(piece, binary.size() - at);
            mapper.append(std::span(binary).subspan(at, count), out);
        }
        EXPECT_TRUE(sameValues(out, whole)) << piece;
    }
}

}  // namespace
}  // namespace quorvel
