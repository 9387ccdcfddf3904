#include "dataset/CaptureRecord.h"

#include "dataset/RecipeKeys.h"

namespace quorvel {

std::vector<std::string> recordedFieldNames() {
    std::vector<std::string> names;
    for (const RecipeKey& key : recipeKeys()) {
        if (key.drawable) {
            names.emplace_back(key.name);
        }
    }
    names.insert(names.end(), {"snr_db", "signal_power", "symbol_count"});
    return names;
}

void recordedFields(const CapturePlan& plan, double signalPower, std::vector<double>& out) {
    out.clear();
    for (const RecipeKey& key : recipeKeys()) {
        if (key.drawable) {
            out.push_back(key.read(plan.parameters));
        }
    }
    out.insert(out.end(), {plan.parameters.snrDb, signalPower, static_cast<double>(plan.parameters.symbolCount)});
}

}  // namespace quorvel
