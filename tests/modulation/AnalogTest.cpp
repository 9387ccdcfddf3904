// The analog families against their formulas: the envelope's depth, the carrier's share of the
// power, the other sideband's level, FM's peak deviation from the instantaneous frequency and its
// 98 % band against Carson's rule.

#include "modulation/SchemeCatalog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "dsp/FourierTransform.h"

namespace quorvel {
namespace {

// 1 Hz bins: fs = N, and tones on whole hertz repeat exactly within the record.
constexpr std::size_t kLength = 8192;

SignalParameters analog(ModulationType type, std::string message, WaveformValues values = {}) {
    SignalParameters p;
    p.modulationType = type;
    p.samplingRate = static_cast<double>(kLength);
    p.analogMessage = std::move(message);
    p.values = std::move(values);
    p.symbolCount = static_cast<std::int32_t>(kLength);
    return p;
}

// Independent uniform 16-bit indices, as the random data source gives them.
SymbolSequence draws(std::size_t count) {
    std::mt19937 engine(7);
    SymbolSequence s(count);
    for (auto& symbol : s) {
        symbol = static_cast<std::int32_t>(engine() & 0xFFFFU);
    }
    return s;
}

std::vector<double> powerBins(SampleBuffer samples, bool hann) {
    for (std::size_t n = 0; hann && n < samples.size(); ++n) {
        const double w = 0.5 - 0.5 * std::cos(2.0 * Pi * static_cast<double>(n) / static_cast<double>(samples.size()));
        samples[n] = {samples[n].i * w, samples[n].q * w};
    }
    FourierTransform transform(samples.size());
    const auto bins = transform.forward(samples);
    std::vector<double> power(samples.size());
    for (std::size_t k = 0; k < power.size(); ++k) {
        power[k] = bins[2 * k] * bins[2 * k] + bins[2 * k + 1] * bins[2 * k + 1];
    }
    return power;
}

TEST(Analog, EnvelopeSwingsByTheModulationDepth) {
    for (const ModulationType type : {ModulationType::AmDsb, ModulationType::AmSsb}) {
        for (const double m : {0.1, 0.5, 1.0}) {
            const SampleBuffer s = mapSymbols(draws(kLength), analog(type, "tone:200", {{"mod_depth", m}}));
            ASSERT_EQ(s.size(), kLength);
            std::vector<double> envelope(s.size());
            std::transform(s.begin(), s.end(), envelope.begin(), [](const ComplexSample& x) { return std::hypot(x.i, x.q); });
            const auto [low, high] = std::minmax_element(envelope.begin(), envelope.end());
            EXPECT_NEAR((*high - *low) / (*high + *low), m, 1e-9) << modulationName(type);
        }
    }
}

// With one tone of power 1/2, the carrier holds 1 / (1 + m^2 / 2) of AM-DSB's unit power and
// 1 / (1 + m^2) of AM-SSB's; the suppressed-carrier families hold none, noise message or tone.
TEST(Analog, CarrierHoldsItsShareOfUnitPower) {
    struct Case {
        ModulationType type;
        std::string message;
        double carrierShare;
    };
    const Case cases[] = {{ModulationType::AmDsb, "tone:300", 1.0 / (1.0 + 0.25 / 2.0)},
                          {ModulationType::AmSsb, "tone:300", 1.0 / (1.0 + 0.25)},
                          {ModulationType::AmDsbSc, "tone:300", 0.0},
                          {ModulationType::AmSsbSc, "tone:300,1200", 0.0},
                          {ModulationType::AmDsbSc, "", 0.0},
                          {ModulationType::AmSsbSc, "", 0.0}};
    for (const Case& c : cases) {
        const SampleBuffer s = mapSymbols(draws(kLength), analog(c.type, c.message));
        ComplexSample mean{};
        double power = 0.0;
        for (const ComplexSample& x : s) {
            mean = mean + x;
            power += x.i * x.i + x.q * x.q;
        }
        const double n = static_cast<double>(s.size());
        EXPECT_NEAR((mean.i * mean.i + mean.q * mean.q) / (n * n), c.carrierShare, 2e-3) << modulationName(c.type) << c.message;
        EXPECT_NEAR(power / n, 1.0, c.message.empty() ? 0.1 : 1e-9) << modulationName(c.type) << c.message;
    }
}

TEST(Analog, OtherSidebandIsAtLeast40DbDown) {
    for (const ModulationType type : {ModulationType::AmSsb, ModulationType::AmSsbSc}) {
        for (const bool lower : {false, true}) {
            // The noise message once more at 32 x 8192 Hz, where its filter runs every fourth sample.
            for (const std::string message : {"tone:440,1500", "", "fast"}) {
                SignalParameters p = analog(type, message == "fast" ? "" : message);
                p.samplingRate *= message == "fast" ? 32.0 : 1.0;
                p.lowerSideband = lower;
                const std::vector<double> power = powerBins(mapSymbols(draws(kLength), p), message.find(':') == std::string::npos);
                // Bins 1 .. N/2 - 1 are the positive frequencies, N/2 + 1 .. N - 1 the negative;
                // the carrier's bin and its Hann neighbours stay out.
                double upper = 0.0, below = 0.0;
                for (std::size_t k = 2; k < kLength / 2; ++k) {
                    upper += power[k];
                    below += power[kLength - k];
                }
                const double wanted = lower ? below : upper, other = lower ? upper : below;
                EXPECT_GT(10.0 * std::log10(wanted / other), 40.0) << modulationName(type) << " " << message << lower;
            }
        }
    }
}

TEST(Analog, FmDeviatesByItsDeviationAndFillsCarsonsBand) {
    struct Case {
        double deviationHz;  // 0: the scaled default, an eighth of fs = 1024 Hz here
        double toneHz, expectedDeviationHz;
    };
    for (const Case& c : {Case{100, 100, 100}, Case{200, 100, 200}, Case{500, 100, 500}, Case{0, 256, 1024}}) {
        const SampleBuffer s = mapSymbols(draws(kLength), analog(ModulationType::Fm, "tone:" + std::to_string(c.toneHz),
                                                                  {{"deviation", c.deviationHz}}));
        // The phase starts from 0 before the first sample, where the tone peaks.
        double peak = 0.0;
        for (std::size_t n = 0; n < s.size(); ++n) {
            const ComplexSample a = n == 0 ? ComplexSample{1.0, 0.0} : s[n - 1], b = s[n];
            peak = std::max(peak, std::abs(std::atan2(b.q * a.i - b.i * a.q, b.i * a.i + b.q * a.q)) / (2 * Pi) * kLength);
        }
        EXPECT_NEAR(peak, c.expectedDeviationHz, 1e-6 * c.expectedDeviationHz);
        // The smallest band about 0 Hz holding 98 % of the power: for these indices the Bessel
        // lines put it at Carson's 2 (deviation + tone).
        const std::vector<double> power = powerBins(s, false);
        const double total = std::accumulate(power.begin(), power.end(), 0.0);
        double held = power[0];
        std::size_t half = 0;
        while (held < 0.98 * total) {
            ++half;
            held += power[half] + power[kLength - half];
        }
        EXPECT_DOUBLE_EQ(2.0 * static_cast<double>(half), 2.0 * (c.expectedDeviationHz + c.toneHz)) << c.deviationHz;
    }
}

TEST(Analog, RefusesBitsPulsesAndMessagesThatDoNotFit) {
    struct Case {
        std::string message;
        WaveformValues values;
        BitSource bits;
        const char* expected;  // a word of the refusal
        SnrDefinition snr = SnrDefinition::PerSample;
    };
    const Case cases[] = {{"tone:5000", {}, BitSource::Indices, "half the sampling rate"},
                          {"tone:x", {}, BitSource::Indices, "tone:HZ"},
                          {"", {{"message_bandwidth", 200}}, BitSource::Indices, "noise message"},
                          {"tone:1000", {{"deviation", 3500}}, BitSource::Indices, "Carson"},
                          {"", {{"message_bandwidth", 2000}}, BitSource::Prbs9, "no bits"},
                          {"tone:10", {}, BitSource::Indices, "Eb/N0", SnrDefinition::EbN0}};
    for (const Case& c : cases) {
        SignalParameters p = analog(ModulationType::Fm, c.message, c.values);
        p.transmitter.bits = c.bits;
        p.transmitter.snrDefinition = c.snr;
        const auto refusal = findScheme(p.modulationType)->refusal(p);
        ASSERT_TRUE(refusal.has_value()) << c.expected;
        EXPECT_NE(refusal->find(c.expected), std::string::npos) << *refusal;
    }
    EXPECT_TRUE(pulseShapingRefusal(ModulationType::AmDsb).has_value());
}

}  // namespace
}  // namespace quorvel
