#include "dataset/CaptureMaking.h"

#include <cmath>
#include <stdexcept>

#include "channel/WhiteGaussianNoise.h"
#include "common/SeedSource.h"
#include "modulation/NominalPower.h"
#include "modulation/SymbolTiming.h"
#include "synthesis/ImpairmentStages.h"
#include "synthesis/NoiseReference.h"
#include "synthesis/RandomDraws.h"
#include "synthesis/SignalChain.h"
#include "synthesis/SymbolSources.h"

namespace quorvel {

namespace {

double captureMeanPower(const SampleBuffer& samples) {
    double sum = 0.0;
    for (const ComplexSample& s : samples) {
        sum += s.i * s.i + s.q * s.q;
    }
    return sum / static_cast<double>(samples.size());
}

void scale(SampleBuffer& samples, double factor) {
    for (ComplexSample& s : samples) {
        s = {s.i * factor, s.q * factor};
    }
}

}  // namespace

void makeCapture(const CapturePlan& plan, std::uint32_t samples, CaptureSamples& out, Normalization normalization) {
    const SeedSource seeds = counterSeeds(plan.key);
    SymbolEngine engine(seeds());
    SignalParameters chainParameters = plan.parameters;
    out.scale = 1.0;
    if (normalization == Normalization::UnitConstellation) {
        out.scale = 1.0 / std::sqrt(nominalMeanPower(plan.parameters));
        if (chainParameters.impairments.amplifier) {
            chainParameters.impairments.amplifier->saturation /= out.scale;
        }
    }
    SignalChain chain(chainParameters, engine, nullptr,
                      impairmentSeeds(plan.parameters.impairments, counterStageSeeds(plan.key), 1));
    out.samples.resize(samples);
    std::span<ComplexSample> rest(out.samples);
    while (!rest.empty()) {
        const std::size_t count = chain.read(rest);
        if (count == 0) {
            // captureSymbolCount and the recipe's checks make this unreachable.
            throw std::logic_error("a capture's run ended before its last sample");
        }
        rest = rest.subspan(count);
    }
    if (out.scale != 1.0) {
        scale(out.samples, out.scale);
    }
    out.signalPower = captureMeanPower(out.samples);
    if (!isNoiseless(plan.parameters.snrDb)) {
        double reference = noiseReferencePower(plan.parameters, out.signalPower);
        if (plan.parameters.transmitter.snrReference == SnrReference::Nominal) {
            // The nominal power is the unscaled constellation's; the points were scaled above.
            reference *= out.scale * out.scale;
        }
        NoiseGenerator noise(noiseStandardDeviation(reference, perSampleSnrDb(plan.parameters)), seeds(),
                             noiseDraws(plan.parameters));
        noise.addTo(out.samples);
    }
    // The receiver's own effects come after the noise, as in a file.
    applyReceiverImpairments(plan.parameters.impairments, out.samples);
    if (normalization == Normalization::UnitPower) {
        const double power = captureMeanPower(out.samples);
        // A capture of nothing at all stays as it is.
        out.scale = power > 0.0 ? 1.0 / std::sqrt(power) : 1.0;
        scale(out.samples, out.scale);
    }
}

}  // namespace quorvel
