#include "dataset/CaptureRecord.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "dataset/RecipeKeys.h"
#include "dataset/SceneLabels.h"
#include "modulation/SchemeCatalog.h"

namespace quorvel {
namespace {

// The most taps a capture's drawn profile has; 0 when no class draws one.
std::size_t drawnTapSlots(const DatasetRecipe& recipe) {
    std::size_t slots = 0;
    for (const DatasetClass& c : recipe.classes) {
        for (const KeySetting& s : c.settings) {
            if (s.drawnMultipath) {
                slots = std::max(slots, delayProfileTapCount(s.drawnMultipath->profile, s.drawnMultipath->exponentialTaps));
            }
        }
    }
    return slots;
}

constexpr const char* kTapFields[] = {"delay", "gain_db", "phase", "fades"};

}  // namespace

std::uint64_t drawnChannelVersion(const DatasetRecipe& recipe) {
    return drawnTapSlots(recipe) > 0 ? 1 : 0;
}

std::string analogSnrText(const DatasetRecipe& recipe) {
    return recipe.analogSnrBand == AnalogSnrBand::Occupied
               ? "carrier-to-noise in the occupied band (occupied_band_hz in the settings)"
               : std::string();
}

std::vector<std::string> recordedFieldNames(const DatasetRecipe& recipe) {
    if (recipe.scene) {
        return sceneFieldNames(recipe);
    }
    std::vector<std::string> names;
    const auto keys = recipeKeys();
    for (std::size_t row = 0; row < keys.size(); ++row) {
        if (recordsRow(recipe, row)) {
            names.emplace_back(keys[row].name);
        }
    }
    names.insert(names.end(), {"snr_db", "signal_power", "symbol_count"});
    if (const std::size_t slots = drawnTapSlots(recipe); slots > 0) {
        names.emplace_back("delay_spread");
        for (const char* field : kTapFields) {
            for (std::size_t k = 0; k < slots; ++k) {
                names.push_back("tap_" + std::to_string(k) + "_" + field);
            }
        }
    }
    if (recipe.normalization != Normalization::None) {
        names.emplace_back("normalize_scale");
    }
    if (recipe.analogSnrBand == AnalogSnrBand::Occupied) {
        names.emplace_back("occupied_band_hz");
    }
    return names;
}

void recordedFields(const DatasetRecipe& recipe, const CapturePlan& plan, const CaptureSamples& capture,
                    std::vector<double>& out) {
    out.clear();
    const auto keys = recipeKeys();
    for (std::size_t row = 0; row < keys.size(); ++row) {
        if (recordsRow(recipe, row)) {
            out.push_back(keys[row].read(plan.parameters));
        }
    }
    out.insert(out.end(), {plan.parameters.snrDb, capture.signalPower, static_cast<double>(plan.parameters.symbolCount)});
    if (const std::size_t slots = drawnTapSlots(recipe); slots > 0) {
        // A class with fixed taps or none records its spread and taps as not drawn.
        const bool drawn = !std::isnan(plan.delaySpread);
        const std::vector<MultipathTap>& taps = plan.parameters.impairments.multipath;
        const auto tapField = [&](std::size_t k, auto value) {
            return drawn && k < taps.size() ? static_cast<double>(value(taps[k])) : std::numeric_limits<double>::quiet_NaN();
        };
        out.push_back(plan.delaySpread);
        for (std::size_t k = 0; k < slots; ++k) {
            out.push_back(tapField(k, [](const MultipathTap& t) { return t.delaySamples; }));
        }
        for (std::size_t k = 0; k < slots; ++k) {
            out.push_back(tapField(k, [](const MultipathTap& t) { return t.gainDb; }));
        }
        for (std::size_t k = 0; k < slots; ++k) {
            out.push_back(tapField(k, [](const MultipathTap& t) { return t.phaseDegrees; }));
        }
        for (std::size_t k = 0; k < slots; ++k) {
            out.push_back(tapField(k, [](const MultipathTap& t) { return t.fades ? 1.0 : 0.0; }));
        }
    }
    if (recipe.normalization != Normalization::None) {
        out.push_back(capture.scale);
    }
    if (recipe.analogSnrBand == AnalogSnrBand::Occupied) {
        const Scheme* scheme = findScheme(plan.parameters.modulationType);
        out.push_back(scheme->takesMessage ? scheme->occupiedBandwidthHz(plan.parameters)
                                           : std::numeric_limits<double>::quiet_NaN());
    }
}

}  // namespace quorvel
