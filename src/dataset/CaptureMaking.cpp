#include "dataset/CaptureMaking.h"

#include <cmath>
#include <stdexcept>

#include "channel/WhiteGaussianNoise.h"
#include "common/SeedSource.h"
#include "modulation/SymbolTiming.h"
#include "synthesis/ImpairmentStages.h"
#include "synthesis/NoiseReference.h"
#include "synthesis/RandomDraws.h"
#include "synthesis/SignalChain.h"
#include "synthesis/SymbolSources.h"

namespace quorvel {

void makeCapture(const CapturePlan& plan, std::uint32_t samples, CaptureSamples& out) {
    const SeedSource seeds = counterSeeds(plan.key);
    SymbolEngine engine(seeds());
    SignalChain chain(plan.parameters, engine, nullptr,
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
    double sum = 0.0;
    for (const ComplexSample& s : out.samples) {
        sum += s.i * s.i + s.q * s.q;
    }
    out.signalPower = sum / samples;
    if (!isNoiseless(plan.parameters.snrDb)) {
        NoiseGenerator noise(noiseStandardDeviation(noiseReferencePower(plan.parameters, out.signalPower), perSampleSnrDb(plan.parameters)),
                             seeds(), noiseDraws(plan.parameters));
        noise.addTo(out.samples);
    }
    // The receiver's own effects come after the noise, as in a file.
    applyReceiverImpairments(plan.parameters.impairments, out.samples);
}

}  // namespace quorvel
