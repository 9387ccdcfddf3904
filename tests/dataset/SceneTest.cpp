#include "dataset/SceneMaking.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "dataset/ScenePlan.h"
#include "dsp/FourierTransform.h"

namespace quorvel {
namespace {

constexpr double kSceneRateHz = 1.0e6;
// Per-emitter SNR measured from the capture alone, against its drawn value [dB].
constexpr double kSceneSnrToleranceDb = 0.5;
// A box's width against the measured band holding 99 % of the emitter's power, as a fraction of the
// box's width: the rows state the band of their ideal pulse, the made signal is cut to its span.
constexpr double kBandTolerance = 0.12;

SignalParameters scheme(ModulationType type, std::int32_t order, PulseShape pulse) {
    SignalParameters p;
    p.modulationType = type;
    p.pskOrder = type == ModulationType::Psk ? order : 0;
    p.qamOrder = type == ModulationType::Qam ? order : 0;
    p.transmitter.pulse = pulse;
    p.symbolRate = 1000.0;
    p.samplingRate = 4000.0;
    return p;
}

DatasetRecipe sceneSceneRecipe(std::vector<SignalParameters> classes, const SceneSettings& s, std::uint32_t samples) {
    DatasetRecipe r;
    r.seed = 7;
    r.samplesPerCapture = samples;
    for (std::size_t k = 0; k < classes.size(); ++k) {
        r.classes.push_back({"class" + std::to_string(k), classes[k], {}});
    }
    r.scene = s;
    r.scene->samplingRateHz = kSceneRateHz;
    return r;
}

// Mean |X[k]|^2 over Hann-windowed frames of `fft` samples hopping by fft / 2, bin k at k fs / fft
// (wrapped to the negative frequencies past the middle), scaled so that the bins sum to the mean power.
std::vector<double> powerSpectrum(std::span<const ComplexSample> x, std::size_t fft) {
    FourierTransform transform(fft);
    std::vector<double> sum(fft, 0.0);
    std::vector<double> window(fft);
    double energy = 0.0;
    for (std::size_t n = 0; n < fft; ++n) {
        window[n] = 0.5 - 0.5 * std::cos(2.0 * Pi * static_cast<double>(n) / static_cast<double>(fft));
        energy += window[n] * window[n];
    }
    SampleBuffer frame(fft);
    std::size_t frames = 0;
    for (std::size_t start = 0; start + fft <= x.size(); start += fft / 2, ++frames) {
        for (std::size_t n = 0; n < fft; ++n) {
            frame[n] = {x[start + n].i * window[n], x[start + n].q * window[n]};
        }
        const auto bins = transform.forward(frame);
        for (std::size_t k = 0; k < fft; ++k) {
            sum[k] += bins[2 * k] * bins[2 * k] + bins[2 * k + 1] * bins[2 * k + 1];
        }
    }
    for (double& v : sum) {
        v /= static_cast<double>(frames) * energy * static_cast<double>(fft);
    }
    return sum;
}

double binHz(std::size_t k, std::size_t fft) {
    const auto signedBin = k < fft / 2 ? static_cast<double>(k) : static_cast<double>(k) - static_cast<double>(fft);
    return signedBin * kSceneRateHz / static_cast<double>(fft);
}

// The band from the 0.5 % to the 99.5 % point of the power's running sum, lowest frequency first.
std::pair<double, double> sceneMeasuredBand(const std::vector<double>& spectrum) {
    const std::size_t fft = spectrum.size();
    std::vector<double> ordered(fft);
    for (std::size_t k = 0; k < fft; ++k) {
        ordered[k] = spectrum[(k + fft / 2) % fft];  // from -fs/2 upwards
    }
    double total = 0.0;
    for (double v : ordered) {
        total += v;
    }
    double running = 0.0;
    double low = 0.0;
    double high = 0.0;
    for (std::size_t k = 0; k < fft; ++k) {
        const double before = running;
        running += ordered[k];
        const double hz = (static_cast<double>(k) - static_cast<double>(fft / 2)) * kSceneRateHz / static_cast<double>(fft);
        if (before < 0.005 * total && running >= 0.005 * total) {
            low = hz;
        }
        if (before < 0.995 * total && running >= 0.995 * total) {
            high = hz;
        }
    }
    return {low, high};
}

struct EmitterCase {
    ModulationType type;
    std::int32_t order;
    PulseShape pulse;
    double band;   // of the capture's rate
    double snrDb;
};

constexpr EmitterCase kEmitterCases[] = {
    {ModulationType::Psk, 4, PulseShape::RootRaisedCosine, 0.10, 10.0},
    {ModulationType::Qam, 16, PulseShape::RootRaisedCosine, 0.03, 0.0},
    {ModulationType::Psk, 2, PulseShape::RaisedCosine, 0.20, 20.0},
    {ModulationType::Msk, 0, PulseShape::Linear, 0.05, 5.0},
    {ModulationType::Gmsk, 0, PulseShape::Linear, 0.08, 15.0},
};

// One emitter over the whole capture: its SNR measured from the capture's spectrum alone (the floor
// from the bins away from it, the emitter's power in its box over the floor there), and its box
// edges against the band holding 99 % of its own power.
TEST(Scene, EmitterSnrAndBandAsMeasured) {
    for (const EmitterCase& c : kEmitterCases) {
        SCOPED_TRACE(testing::Message() << "type " << static_cast<int>(c.type) << " band " << c.band);
        SceneSettings s;
        s.narrowestBand = s.widestBand = c.band;
        s.lowestSnrDb = s.highestSnrDb = c.snrDb;
        s.burstProbability = 0.0;
        const DatasetRecipe recipe = sceneSceneRecipe({scheme(c.type, c.order, c.pulse)}, s, 1 << 17);
        const ScenePlan plan = planScene(recipe, 3);
        ASSERT_EQ(plan.emitters.size(), 1U);
        const EmitterPlan& e = plan.emitters[0];
        const EmitterBox& box = e.boxes[0];
        EXPECT_NEAR(box.upperHz - box.lowerHz, c.band * kSceneRateHz, 1e-6);

        CaptureSamples capture;
        makeScene(recipe, plan, capture);
        constexpr std::size_t kFft = 1024;
        const std::vector<double> spectrum = powerSpectrum(capture.samples, kFft);
        double inBox = 0.0;
        double away = 0.0;
        std::size_t inBins = 0;
        std::size_t awayBins = 0;
        const double guard = 0.5 * e.ownRateHz;
        const double centre = 0.5 * (box.lowerHz + box.upperHz);
        for (std::size_t k = 0; k < kFft; ++k) {
            const double f = binHz(k, kFft);
            if (f >= box.lowerHz && f < box.upperHz) {
                inBox += spectrum[k];
                ++inBins;
            } else if (std::fabs(f - centre) > guard) {
                away += spectrum[k];
                ++awayBins;
            }
        }
        ASSERT_GT(awayBins, 10U);
        const double floorPerBin = away / static_cast<double>(awayBins);
        // The box holds 99 % of the emitter's power by the row's statement.
        const double emitterPower = (inBox - floorPerBin * static_cast<double>(inBins)) / 0.99;
        const double noiseInBand = floorPerBin * static_cast<double>(kFft) * (box.upperHz - box.lowerHz) / kSceneRateHz;
        EXPECT_NEAR(10.0 * std::log10(emitterPower / noiseInBand), c.snrDb, kSceneSnrToleranceDb);
        EXPECT_NEAR(floorPerBin * kFft, 1.0, 0.05);  // the floor's power per sample

        EmitterSamples alone;
        makeEmitter(*recipe.scene, e, alone);
        const auto [low, high] = sceneMeasuredBand(powerSpectrum(alone.samples, 4096));
        const double width = box.upperHz - box.lowerHz;
        EXPECT_NEAR(high - low, width, kBandTolerance * width);
        EXPECT_NEAR(0.5 * (low + high), centre, 0.02 * width);
    }
}

SceneSettings busyScene(double overlap) {
    SceneSettings s;
    s.fewestEmitters = 3;
    s.mostEmitters = 5;
    s.narrowestBand = 0.02;
    s.widestBand = 0.12;
    s.lowestSnrDb = 5.0;
    s.highestSnrDb = 15.0;
    s.burstProbability = 0.6;
    s.shortestBurst = 0.2;
    s.longestBurst = 0.6;
    s.overlapProbability = overlap;
    return s;
}

std::vector<SignalParameters> busyClasses() {
    return {scheme(ModulationType::Psk, 4, PulseShape::RootRaisedCosine),
            scheme(ModulationType::Qam, 16, PulseShape::RootRaisedCosine), scheme(ModulationType::Msk, 0, PulseShape::Linear)};
}

bool anyOverlap(const ScenePlan& plan) {
    for (std::size_t a = 0; a < plan.emitters.size(); ++a) {
        for (std::size_t b = a + 1; b < plan.emitters.size(); ++b) {
            for (const EmitterBox& x : plan.emitters[a].boxes) {
                for (const EmitterBox& y : plan.emitters[b].boxes) {
                    // Written out apart from boxesOverlap: shared samples and shared hertz.
                    const bool time = std::max(x.sampleStart, y.sampleStart) <
                                      std::min(x.sampleStart + x.sampleCount, y.sampleStart + y.sampleCount);
                    const bool band = std::max(x.lowerHz, y.lowerHz) < std::min(x.upperHz, y.upperHz);
                    if (time && band) {
                        return true;
                    }
                }
            }
        }
    }
    return false;
}

// Refused overlap never happens; allowed overlap does, in the same crowded band.
TEST(Scene, OverlapRule) {
    struct Case {
        double probability;
        bool expectOverlap;
    };
    for (const Case c : {Case{0.0, false}, Case{1.0, true}}) {
        SceneSettings s = busyScene(c.probability);
        s.narrowestBand = 0.15;
        s.widestBand = 0.25;
        s.burstProbability = 0.0;
        const DatasetRecipe recipe = sceneSceneRecipe(busyClasses(), s, 4096);
        bool seen = false;
        for (std::uint64_t i = 0; i < 40; ++i) {
            const ScenePlan plan = planScene(recipe, i);
            seen = seen || anyOverlap(plan);
            for (const EmitterPlan& e : plan.emitters) {
                for (const EmitterBox& b : e.boxes) {
                    EXPECT_GE(b.lowerHz, -0.5 * kSceneRateHz);
                    EXPECT_LE(b.upperHz, 0.5 * kSceneRateHz);
                    EXPECT_LE(b.sampleStart + b.sampleCount, 4096U);
                }
            }
        }
        EXPECT_EQ(seen, c.expectOverlap) << "overlap probability " << c.probability;
    }
}

// Every emitter's energy lies in its boxes, and outside every box the emitters' sum stays under the
// noise floor: spectrogram cells (Hann frames of 256) clear of every box by a frame in time and
// a tenth of the box's band and three bins (the Hann window's main lobe) in frequency hold less
// than the floor's mean share of a cell.
TEST(Scene, EnergyInsideBoxesAndNothingOutside) {
    const DatasetRecipe recipe = sceneSceneRecipe(busyClasses(), busyScene(0.0), 1 << 16);
    constexpr std::size_t kFft = 256;
    FourierTransform transform(kFft);
    for (std::uint64_t i = 0; i < 3; ++i) {
        const ScenePlan plan = planScene(recipe, i);
        SampleBuffer sum(recipe.samplesPerCapture);
        for (const EmitterPlan& e : plan.emitters) {
            EmitterSamples alone;
            makeEmitter(*recipe.scene, e, alone);
            for (std::size_t n = 0; n < alone.samples.size(); ++n) {
                sum[alone.first + n].i += alone.samples[n].i;
                sum[alone.first + n].q += alone.samples[n].q;
            }
            if (e.hops) {
                continue;
            }
            const EmitterBox& box = e.boxes[0];
            const std::vector<double> spectrum = powerSpectrum(alone.samples, 1024);
            double inside = 0.0;
            double total = 0.0;
            for (std::size_t k = 0; k < spectrum.size(); ++k) {
                total += spectrum[k];
                const double f = binHz(k, spectrum.size());
                inside += f >= box.lowerHz && f < box.upperHz ? spectrum[k] : 0.0;
            }
            EXPECT_GT(inside / total, 0.97) << "capture " << i;
            double power = 0.0;
            for (const ComplexSample& v : alone.samples) {
                power += v.i * v.i + v.q * v.q;
            }
            // The emitter's share: its nominal power over its box's samples, ramps aside.
            const double nominal = std::pow(10.0, e.snrDb / 10.0) * (box.upperHz - box.lowerHz) / kSceneRateHz;
            EXPECT_NEAR(power / static_cast<double>(box.sampleCount) / nominal, 1.0, 0.1) << "capture " << i;
        }
        SampleBuffer frame(kFft);
        for (std::size_t start = 0; start + kFft <= sum.size(); start += kFft) {
            for (std::size_t n = 0; n < kFft; ++n) {
                const double w = 0.5 - 0.5 * std::cos(2.0 * Pi * static_cast<double>(n) / kFft);
                frame[n] = {sum[start + n].i * w, sum[start + n].q * w};
            }
            const auto bins = transform.forward(frame);
            for (std::size_t k = 0; k < kFft; ++k) {
                const double f = binHz(k, kFft);
                bool clear = true;
                for (const EmitterPlan& e : plan.emitters) {
                    for (const EmitterBox& b : e.boxes) {
                        const double margin = 0.1 * (b.upperHz - b.lowerHz) + 3.0 * kSceneRateHz / kFft;
                        const bool time = start < b.sampleStart + b.sampleCount + kFft && b.sampleStart < start + 2 * kFft;
                        clear = clear && !(time && f > b.lowerHz - margin && f < b.upperHz + margin);
                    }
                }
                // A unit floor puts 3/8 x kFft in each Hann-windowed cell on average.
                const double cell = bins[2 * k] * bins[2 * k] + bins[2 * k + 1] * bins[2 * k + 1];
                if (clear) {
                    EXPECT_LT(cell, 0.375 * kFft) << "capture " << i << " sample " << start << " at " << f << " Hz";
                }
            }
        }
    }
}

// A hopping emitter dwells 1 / hops_per_second on channels of the drawn grid, and its signal sits on
// each dwell's channel, as the spectrum of each dwell alone shows.
TEST(Scene, HopsDwellOnTheirChannels) {
    SceneSettings s = busyScene(1.0);
    s.fewestEmitters = s.mostEmitters = 1;
    s.narrowestBand = s.widestBand = 0.05;
    s.burstProbability = 0.0;
    s.hopping = SceneHopping{kSceneRateHz / 4096.0, 6, 1.0};
    const DatasetRecipe recipe = sceneSceneRecipe({scheme(ModulationType::Psk, 4, PulseShape::RootRaisedCosine)}, s, 1 << 15);
    for (std::uint64_t i = 0; i < 2; ++i) {
        const ScenePlan plan = planScene(recipe, i);
        const EmitterPlan& e = plan.emitters.at(0);
        ASSERT_TRUE(e.hops);
        ASSERT_EQ(e.boxes.size(), 8U);
        const double room = 0.5 * (kSceneRateHz - e.ownRateHz);
        EmitterSamples alone;
        makeEmitter(*recipe.scene, e, alone);
        std::size_t channelsSeen = 0;
        double lastCentre = NAN;
        for (const EmitterBox& b : e.boxes) {
            EXPECT_EQ(b.sampleCount, 4096U);
            const double centre = 0.5 * (b.lowerHz + b.upperHz);
            const double channel = (centre + room) / (2.0 * room / 5.0);
            EXPECT_NEAR(channel, std::round(channel), 1e-9);
            channelsSeen += centre != lastCentre ? 1 : 0;
            lastCentre = centre;
            // The power-weighted mean frequency of the dwell, its ramps left out.
            const std::vector<double> spectrum = powerSpectrum(
                std::span<const ComplexSample>(alone.samples).subspan(b.sampleStart - alone.first + 128, 3840), 512);
            double weighted = 0.0;
            double total = 0.0;
            for (std::size_t k = 0; k < spectrum.size(); ++k) {
                weighted += binHz(k, spectrum.size()) * spectrum[k];
                total += spectrum[k];
            }
            EXPECT_NEAR(weighted / total, centre, 0.1 * (b.upperHz - b.lowerHz));
        }
        EXPECT_GT(channelsSeen, 2U);
    }
}

}  // namespace
}  // namespace quorvel
