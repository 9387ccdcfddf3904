// The chirps against their definitions: an LFM pulse's instantaneous frequency rises by B / L per
// sample across a band centred on 0 Hz; a CSS symbol times the conjugate base up-chirp is a tone
// at its index's bin. The later families' mappers give the same samples however the symbols are cut.

#include "modulation/SchemeCatalog.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <string>
#include <vector>

#include "modulation/PointChecks.h"
#include "support/SameBytes.h"

namespace quorvel {
namespace {

double phaseStep(const ComplexSample& a, const ComplexSample& b) {
    return std::atan2(b.q * a.i - b.i * a.q, b.i * a.i + b.q * a.q);
}

TEST(Lfm, FrequencyRisesByTheBandwidthOverTheLengthCentredOnZero) {
    struct Case {
        double bandwidthHz, samplingRateHz;
        int length, gap;
    };
    const Case cases[] = {{5000, 10000, 256, 256}, {900, 1000, 1000, 0}, {2e6, 8e6, 37, 5}};
    for (const Case& c : cases) {
        SignalParameters p;
        p.modulationType = ModulationType::Lfm;
        p.samplingRate = c.samplingRateHz;
        p.values = {{"chirp_bandwidth", c.bandwidthHz}, {"chirp_length", c.length}, {"chirp_gap", c.gap}};
        const std::size_t period = static_cast<std::size_t>(c.length + c.gap);
        const SampleBuffer samples = mapSymbols(SymbolSequence(3, 0), p);
        ASSERT_EQ(samples.size(), 3 * period);
        // A least-squares line through the frequencies between neighbouring samples of each pulse.
        for (std::size_t pulse = 0; pulse < 3; ++pulse) {
            double sumT = 0, sumF = 0, sumTT = 0, sumTF = 0;
            const std::size_t first = pulse * period;
            const double steps = c.length - 1;
            for (std::size_t n = 0; n + 1 < static_cast<std::size_t>(c.length); ++n) {
                const double t = static_cast<double>(n);
                const double f = phaseStep(samples[first + n], samples[first + n + 1]) / (2 * Pi) * c.samplingRateHz;
                sumT += t, sumF += f, sumTT += t * t, sumTF += t * f;
            }
            const double slope = (steps * sumTF - sumT * sumF) / (steps * sumTT - sumT * sumT);
            EXPECT_NEAR(slope, c.bandwidthHz / c.length, 1e-9 * c.bandwidthHz) << c.length;
            EXPECT_NEAR(sumF / steps, 0.0, 1e-9 * c.bandwidthHz + c.bandwidthHz / (2.0 * c.length)) << c.length;
            for (std::size_t n = static_cast<std::size_t>(c.length); n < period; ++n) {
                EXPECT_EQ(testing::magnitudeOf(samples[first + n]), 0.0) << "gap sample " << n;
            }
        }
    }
}

TEST(ChirpSpread, DechirpingPeaksAtTheSymbolsIndex) {
    struct Case {
        int spreadingFactor;
        std::size_t oversampling;  // fs / B, whole so that a symbol holds whole chips
        std::int32_t index;
    };
    const Case cases[] = {{7, 1, 0},   {7, 1, 1},    {7, 1, 127}, {8, 2, 200}, {9, 1, 300},
                          {10, 4, 1000}, {7, 3, 64}, {12, 1, 4095}, {11, 1, 2047}};
    for (const Case& c : cases) {
        const double bandwidthHz = 125000.0;
        SignalParameters p;
        p.modulationType = ModulationType::Chirpss;
        p.samplingRate = bandwidthHz * static_cast<double>(c.oversampling);
        p.values = {{"spreading_factor", c.spreadingFactor}, {"chirp_bandwidth", bandwidthHz}};
        const std::size_t chips = std::size_t{1} << c.spreadingFactor;
        const std::size_t length = chips * c.oversampling;
        const SampleBuffer symbol = mapSymbols(SymbolSequence{c.index}, p);
        ASSERT_EQ(symbol.size(), length);
        // The base up-chirp from its definition: frequency B (n / length - 1/2), phase its sum.
        std::vector<std::complex<double>> tone(length);
        for (std::size_t n = 0; n < length; ++n) {
            const double t = static_cast<double>(n);
            const double cycles = (bandwidthHz / p.samplingRate) * (t * t / (2.0 * static_cast<double>(length)) - t / 2.0);
            tone[n] = std::complex<double>(symbol[n].i, symbol[n].q) * std::polar(1.0, -2.0 * Pi * cycles);
        }
        // Above the chip rate the wrapped part of the sweep lands `length - chips` bins lower: fold
        // the two parts onto the chips' bins before looking for the peak.
        std::vector<std::complex<double>> twiddle(length);
        for (std::size_t m = 0; m < length; ++m) {
            twiddle[m] = std::polar(1.0, -2.0 * Pi * static_cast<double>(m) / static_cast<double>(length));
        }
        std::vector<double> folded(chips, 0.0);
        for (std::size_t bin = 0; bin < length; ++bin) {
            std::complex<double> sum = 0;
            for (std::size_t n = 0; n < length; ++n) {
                sum += tone[n] * twiddle[(bin * n) % length];
            }
            folded[bin % chips] += std::norm(sum);
        }
        const auto peak = std::max_element(folded.begin(), folded.end()) - folded.begin();
        EXPECT_EQ(peak, c.index) << "SF " << c.spreadingFactor << " x" << c.oversampling;
    }
}

TEST(LaterFamilies, MappersGiveTheSameSamplesHoweverTheSymbolsAreCut) {
    struct Case {
        ModulationType type;
        std::int32_t order;
        WaveformValues values;
        std::int32_t alphabet;
    };
    const Case cases[] = {{ModulationType::Gfsk, 4, {{"bt", 0.3}}, 4},
                          {ModulationType::Gfsk, 16, {{"bt", 0.1}, {"mod_index", 0.2}}, 16},
                          {ModulationType::Lfm, 0, {{"chirp_length", 10}, {"chirp_gap", 3}}, 1},
                          {ModulationType::Chirpss, 0, {{"spreading_factor", 7}}, 128}};
    for (const Case& c : cases) {
        SignalParameters p;
        p.modulationType = c.type;
        setChosenOrder(p, c.order);
        p.values = c.values;
        SymbolSequence symbols(40);
        for (std::size_t k = 0; k < symbols.size(); ++k) {
            symbols[k] = static_cast<std::int32_t>((k * 7 + k * k) % static_cast<std::size_t>(c.alphabet));
        }
        p.symbolCount = static_cast<std::int32_t>(symbols.size());
        const SampleBuffer whole = mapSymbols(symbols, p);
        ASSERT_FALSE(whole.empty()) << modulationName(c.type);
        for (const std::size_t piece : {1u, 2u, 3u, 13u, 39u}) {
            const auto mapper = makeBlockMapper(p);
            SampleBuffer pieces;
            for (std::size_t first = 0; first < symbols.size(); first += piece) {
                const std::size_t end = std::min(first + piece, symbols.size());
                mapper->append(SymbolSequence(symbols.begin() + static_cast<std::ptrdiff_t>(first),
                                              symbols.begin() + static_cast<std::ptrdiff_t>(end)),
                               pieces);
            }
            EXPECT_TRUE(testing_support::sameValues(pieces, whole)) << modulationName(c.type) << " in " << piece;
        }
    }
}

}  // namespace
}  // namespace quorvel
