#include "dataset/CapturePlan.h"

#include <algorithm>
#include <cmath>

#include "common/Philox.h"
#include "common/SeedSource.h"
#include "dataset/RecipeKeys.h"
#include "modulation/SchemeCatalog.h"
#include "synthesis/RunCheck.h"

namespace quorvel {

std::int32_t captureSymbolCount(const SignalParameters& p, std::uint32_t samples) {
    if (ownsLength(p)) {
        // A family with a length rule of its own (whole chirps or pulses, a frame): the fewest
        // symbols whose run reaches the capture's length, found by doubling and then halving the step.
        const Scheme* scheme = findScheme(p.modulationType);
        SignalParameters run = p;
        const auto length = [&](std::int32_t count) {
            run.symbolCount = count;
            return scheme->samplesPerFile(run);
        };
        if (!(length(1) >= 1.0)) {
            return 1;
        }
        std::int32_t high = 1;
        while (!(length(high) >= samples)) {
            high *= 2;
        }
        std::int32_t low = high / 2;  // does not reach, or 0
        while (high - low > 1) {
            const std::int32_t middle = low + (high - low) / 2;
            (length(middle) >= samples ? high : low) = middle;
        }
        return high;
    }
    const double perSymbol = p.samplingRate / p.symbolRate;
    if (!mapsOnePointPerSymbol(p.modulationType) && p.transmitter.exactTiming) {
        // round(symbols x samples per symbol) samples on the exact grid.
        return static_cast<std::int32_t>(std::ceil(samples / perSymbol)) + 1;
    }
    if (!mapsOnePointPerSymbol(p.modulationType)) {
        // The keyed mappers give whole symbols of trunc(samples per symbol) samples each.
        const double whole = std::max(1.0, std::trunc(perSymbol));
        return static_cast<std::int32_t>(std::ceil(samples / whole));
    }
    // Sample n lies between symbols floor(n / sps) and the one after: the last sample of the
    // capture needs floor((samples - 1) / sps) + 2 symbols.
    // A shaped pulse reaches half its span further: those symbols are in the run too, so that no
    // capture sample has a pulse cut short.
    const double reach = shapesPulses(p) ? std::ceil(0.5 * p.transmitter.span) : 0.0;
    return static_cast<std::int32_t>(std::floor((samples - 1.0) / perSymbol) + reach) + 2;
}

namespace {

void drawMultipath(const DatasetRecipe& recipe, const KeySetting& setting, CapturePlan& plan) {
    const DrawnMultipath& drawn = *setting.drawnMultipath;
    CounterDraws draws(static_cast<std::uint32_t>(splitMix64(recipe.seed, 0) >> 32), kMultipathStream, plan.index);
    plan.delaySpread = drawn.lowestSpread + draws.uniform() * (drawn.highestSpread - drawn.lowestSpread);
    applyKeySetting(setting, plan.delaySpread, plan.parameters);
    for (MultipathTap& tap : plan.parameters.impairments.multipath) {
        tap.phaseDegrees = 360.0 * draws.uniform() - 180.0;
    }
}

}  // namespace

void drawClassSettings(const DatasetRecipe& recipe, CapturePlan& plan) {
    const DatasetClass& c = recipe.classes[plan.classIndex];
    SignalParameters& p = plan.parameters;
    p = c.scheme;
    for (const KeySetting& setting : c.settings) {
        if (setting.drawnMultipath) {
            drawMultipath(recipe, setting, plan);
            continue;
        }
        double value = setting.low;
        if (setting.drawn) {
            const double u = static_cast<double>(splitMix64(plan.key ^ kDrawStream, setting.row) >> 11) * 0x1.0p-53;
            value = setting.low + u * (setting.high - setting.low);
        }
        applyKeySetting(setting, value, p);
    }
}

CapturePlan planCapture(const DatasetRecipe& recipe, std::uint64_t index) {
    const std::uint64_t repetitions = recipe.capturesPerClassAndSnr;
    const std::uint64_t snrs = recipe.snrsDb.size();
    CapturePlan plan;
    plan.index = index;
    plan.classIndex = static_cast<std::size_t>(index / repetitions / snrs);
    plan.snrIndex = static_cast<std::size_t>(index / repetitions % snrs);
    plan.key = splitMix64(recipe.seed, index);
    drawClassSettings(recipe, plan);
    SignalParameters& p = plan.parameters;
    p.snrDb = recipe.snrsDb[plan.snrIndex];
    p.transmitter.snrDefinition = recipe.snrDefinition;
    p.transmitter.snrReference = recipe.snrReference;
    p.symbolCount = captureSymbolCount(p, recipe.samplesPerCapture);
    return plan;
}

bool drawsByCounter(const DatasetRecipe& recipe) {
    return std::any_of(recipe.classes.begin(), recipe.classes.end(),
                       [](const DatasetClass& c) { return drawsByCounter(c.scheme); });
}

}  // namespace quorvel
