// The chirps against their definitions: an LFM pulse's instantaneous frequency rises by B / L per
// sample across a band centred on 0 Hz; a CSS symbol times the conjugate base up-chirp is a tone
// at its index's bin. The later families' mappers give the same samples however the symbols are cut.

#include "modulation/SchemeCatalog.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "dsp/FourierTransform.h"
#include "support/SameBytes.h"

namespace quorvel {
namespace {

double chirpPhaseStep(const ComplexSample& a, const ComplexSample& b) {
    return std::atan2(b.q * a.i - b.i * a.q, b.i * a.i + b.q * a.q);
}

TEST(Lfm, FrequencyRisesByTheBandwidthOverTheLengthCentredOnZero) {
    struct Case {
        double bandwidthHz, samplingRateHz;
        int length, gap;
    };
    for (const Case& c : {Case{5000, 10000, 256, 256}, Case{900, 1000, 1000, 0}, Case{2e6, 8e6, 37, 5}}) {
        SignalParameters p;
        p.modulationType = ModulationType::Lfm;
        p.samplingRate = c.samplingRateHz;
        p.values = {{"chirp_bandwidth", c.bandwidthHz}, {"chirp_length", c.length}, {"chirp_gap", c.gap}};
        const auto period = static_cast<std::size_t>(c.length + c.gap);
        const SampleBuffer samples = mapSymbols(SymbolSequence(2, 0), p);
        ASSERT_EQ(samples.size(), 2 * period);
        // A least-squares line through the frequencies between neighbouring samples of each pulse.
        for (const std::size_t first : {std::size_t{0}, period}) {
            double sumT = 0, sumF = 0, sumTT = 0, sumTF = 0, steps = c.length - 1;
            for (std::size_t n = 0; n + 1 < static_cast<std::size_t>(c.length); ++n) {
                const double t = static_cast<double>(n);
                const double f = chirpPhaseStep(samples[first + n], samples[first + n + 1]) / (2 * Pi) * c.samplingRateHz;
                sumT += t, sumF += f, sumTT += t * t, sumTF += t * f;
            }
            EXPECT_NEAR((steps * sumTF - sumT * sumF) / (steps * sumTT - sumT * sumT), c.bandwidthHz / c.length,
                        1e-9 * c.bandwidthHz);
            // Steps from -B/2 + B/(2L) to B/2 - 3B/(2L): centred half a step below 0 Hz.
            EXPECT_NEAR(sumF / steps, -c.bandwidthHz / (2.0 * c.length), 1e-9 * c.bandwidthHz);
            for (std::size_t n = first + static_cast<std::size_t>(c.length); n < first + period; ++n) {
                EXPECT_EQ(std::hypot(samples[n].i, samples[n].q), 0.0) << "gap sample " << n;
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
    const Case cases[] = {{7, 1, 0},     {7, 1, 1},  {7, 1, 127},    {8, 2, 200},    {9, 1, 300},
                          {10, 4, 1000}, {7, 3, 64}, {12, 1, 4095}, {11, 1, 2047}};
    for (const Case& c : cases) {
        const double bandwidthHz = 125000.0;
        SignalParameters p;
        p.modulationType = ModulationType::Chirpss;
        p.samplingRate = bandwidthHz * static_cast<double>(c.oversampling);
        p.values = {{"spreading_factor", c.spreadingFactor}, {"chirp_bandwidth", bandwidthHz}};
        const std::size_t chips = std::size_t{1} << c.spreadingFactor, length = chips * c.oversampling;
        SampleBuffer tone = mapSymbols(SymbolSequence{c.index}, p);
        ASSERT_EQ(tone.size(), length);
        // Times the conjugate base up-chirp from its definition: frequency B (n / length - 1/2).
        for (std::size_t n = 0; n < length; ++n) {
            const double t = static_cast<double>(n);
            const double cycles = (bandwidthHz / p.samplingRate) * (t * t / (2.0 * static_cast<double>(length)) - t / 2.0);
            tone[n] = tone[n] * polar(1.0, -2.0 * Pi * cycles);
        }
        // Above the chip rate the wrapped end of the sweep lands `length - chips` bins lower: fold
        // the two parts onto the chips' bins before looking for the peak.
        FourierTransform transform(length);
        const auto bins = transform.forward(tone);
        std::vector<double> folded(chips, 0.0);
        for (std::size_t k = 0; k < length; ++k) {
            folded[k % chips] += bins[2 * k] * bins[2 * k] + bins[2 * k + 1] * bins[2 * k + 1];
        }
        EXPECT_EQ(std::max_element(folded.begin(), folded.end()) - folded.begin(), c.index)
            << "SF " << c.spreadingFactor << " x" << c.oversampling;
    }
}

TEST(LaterFamilies, MappersGiveTheSameSamplesHoweverTheSymbolsAreCut) {
    struct Case {
        ModulationType type;
        std::int32_t order, alphabet;
        WaveformValues values;
        double samplingRate = 10000.0;
    };
    const Case cases[] = {{ModulationType::Gfsk, 4, 4, {{"bt", 0.3}}},
                          {ModulationType::Gfsk, 16, 16, {{"bt", 0.1}, {"mod_index", 0.2}}},
                          {ModulationType::Lfm, 0, 1, {{"chirp_length", 10}, {"chirp_gap", 3}}},
                          {ModulationType::Chirpss, 0, 128, {}},
                          {ModulationType::AmSsbSc, 0, 65536, {}},
                          {ModulationType::Fm, 0, 65536, {{"message_bandwidth", 2000}}},
                          {ModulationType::AmSsb, 0, 65536, {}, 400000.0}};
    for (const Case& c : cases) {
        SignalParameters p;
        p.modulationType = c.type;
        setChosenOrder(p, c.order);
        p.values = c.values;
        p.samplingRate = c.samplingRate;
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
                const auto from = symbols.begin() + static_cast<std::ptrdiff_t>(first);
                mapper->append(SymbolSequence(from, from + static_cast<std::ptrdiff_t>(std::min(piece, symbols.size() - first))), pieces);
            }
            EXPECT_TRUE(testing_support::sameValues(pieces, whole)) << modulationName(c.type) << " in " << piece;
        }
    }
}

}  // namespace
}  // namespace quorvel
