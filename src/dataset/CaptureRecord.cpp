#include "dataset/CaptureRecord.h"

#include "dataset/RecipeKeys.h"

namespace quorvel {

std::vector<std::string> recordedFieldNames(const DatasetRecipe& recipe) {
    std::vector<std::string> names;
    const auto keys = recipeKeys();
    for (std::size_t row = 0; row < keys.size(); ++row) {
        if (recordsRow(recipe, row)) {
            names.emplace_back(keys[row].name);
        }
    }
    names.insert(names.end(), {"snr_db", "signal_power", "symbol_count"});
    return names;
}

void recordedFields(const DatasetRecipe& recipe, const CapturePlan& plan, double signalPower,
                    std::vector<double>& out) {
    out.clear();
    const auto keys = recipeKeys();
    for (std::size_t row = 0; row < keys.size(); ++row) {
        if (recordsRow(recipe, row)) {
            out.push_back(keys[row].read(plan.parameters));
        }
    }
    out.insert(out.end(), {plan.parameters.snrDb, signalPower, static_cast<double>(plan.parameters.symbolCount)});
}

}  // namespace quorvel
