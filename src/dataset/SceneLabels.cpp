#include "dataset/SceneLabels.h"

#include <algorithm>
#include <charconv>

#include "dataset/RecipeKeys.h"

namespace quorvel {
namespace {

const BoxColumn kFixedColumns[] = {
    {"capture", true},        {"emitter", true},         {"dwell", true},          {"class", true},
    {"sample_start", true},   {"sample_count", true},    {"freq_lower_edge", false}, {"freq_upper_edge", false},
    {"snr_db", false},        {"bandwidth_hz", false},   {"own_rate_hz", false},   {"symbol_rate_hz", false},
    {"burst", true},          {"hopping", true},
};

bool isFixed(std::string_view name) {
    return std::any_of(std::begin(kFixedColumns), std::end(kFixedColumns), [&](const BoxColumn& c) { return c.name == name; });
}

}  // namespace

std::vector<BoxColumn> sceneBoxColumns(const DatasetRecipe& recipe) {
    std::vector<BoxColumn> columns(std::begin(kFixedColumns), std::end(kFixedColumns));
    const auto keys = recipeKeys();
    for (std::size_t row = 0; row < keys.size(); ++row) {
        if (recordsRow(recipe, row) && !isFixed(keys[row].name)) {
            columns.push_back({std::string(keys[row].name), false});
        }
    }
    return columns;
}

void appendSceneBoxRows(const DatasetRecipe& recipe, const ScenePlan& plan, std::vector<double>& out) {
    const auto keys = recipeKeys();
    for (std::size_t e = 0; e < plan.emitters.size(); ++e) {
        const EmitterPlan& emitter = plan.emitters[e];
        const SignalParameters& p = emitter.waveform.parameters;
        for (std::size_t d = 0; d < emitter.boxes.size(); ++d) {
            const EmitterBox b = sceneBoxSeen(*recipe.scene, plan, emitter.boxes[d]);
            out.insert(out.end(), {static_cast<double>(plan.index), static_cast<double>(e), static_cast<double>(d),
                                   static_cast<double>(emitter.waveform.classIndex), static_cast<double>(b.sampleStart),
                                   static_cast<double>(b.sampleCount), b.lowerHz, b.upperHz, emitter.snrDb,
                                   emitter.bandwidthHz, emitter.ownRateHz, p.symbolRate, emitter.burst ? 1.0 : 0.0,
                                   emitter.hops ? 1.0 : 0.0});
            for (std::size_t row = 0; row < keys.size(); ++row) {
                if (recordsRow(recipe, row) && !isFixed(keys[row].name)) {
                    out.push_back(keys[row].read(p));
                }
            }
        }
    }
}

std::string yoloLabelText(std::span<const double> rows, std::size_t width, const SpectrogramShape& shape,
                          std::uint32_t samples, double samplingRateHz) {
    constexpr std::size_t kClass = 3, kStart = 4, kCount = 5, kLower = 6, kUpper = 7;
    const auto columns = static_cast<double>(shape.frames(samples));
    const auto hop = static_cast<double>(shape.hop());
    const auto clip = [](double v) { return std::clamp(v, 0.0, 1.0); };
    std::string text;
    // to_chars, not printf: a decimal comma of the process locale must not reach the file.
    const auto append = [&text](double v) {
        char number[32];
        const auto end = std::to_chars(number, number + sizeof number, v, std::chars_format::fixed, 6).ptr;
        text += ' ';
        text.append(number, end);
    };
    for (std::size_t b = 0; width > 0 && b + width <= rows.size(); b += width) {
        const double x0 = clip(rows[b + kStart] / hop / columns);
        const double x1 = clip((rows[b + kStart] + rows[b + kCount]) / hop / columns);
        const double y0 = clip(rows[b + kLower] / samplingRateHz + 0.5);
        const double y1 = clip(rows[b + kUpper] / samplingRateHz + 0.5);
        text += std::to_string(static_cast<long long>(rows[b + kClass]));
        append(0.5 * (x0 + x1));
        append(0.5 * (y0 + y1));
        append(x1 - x0);
        append(y1 - y0);
        text += '\n';
    }
    return text;
}

std::vector<std::string> sceneFieldNames(const DatasetRecipe& recipe) {
    std::vector<std::string> names{"emitters", "signal_power"};
    if (recipe.scene->receiver) {
        for (std::size_t k = 0; k < kReceiverKeyCount; ++k) {
            if (recipe.scene->receiver->ranges[k]) {
                names.push_back(std::string("receiver_") + kReceiverKeyNames[k]);
            }
        }
    }
    return names;
}

std::vector<double> sceneFieldValues(const DatasetRecipe& recipe, const ScenePlan& plan,
                                     double signalPower) {
    std::vector<double> values{static_cast<double>(plan.emitters.size()), signalPower};
    if (plan.receiver) {
        for (std::size_t k = 0; k < kReceiverKeyCount; ++k) {
            if (recipe.scene->receiver->ranges[k]) {
                values.push_back(plan.receiver->values[k]);
            }
        }
    }
    return values;
}

}  // namespace quorvel
