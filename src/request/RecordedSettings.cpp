#include "request/RecordedSettings.h"

#include <algorithm>

#include "export/SigmfMetadata.h"
#include "modulation/SchemeCatalog.h"
#include "request/ImpairmentSettings.h"
#include "request/SettingsRequest.h"

namespace quorvel {

std::optional<std::string> recordedSettingsProblem(const SignalParameters& p) {
    const Scheme* chosen = findScheme(p.modulationType);
    if (chosen == nullptr) {
        return "the modulation type " + std::to_string(static_cast<int>(p.modulationType)) + " is unknown";
    }
    for (const Scheme& scheme : schemeCatalog()) {
        if (scheme.orderField == nullptr) {
            continue;
        }
        const std::int32_t order = p.*scheme.orderField;
        if (&scheme != chosen && scheme.orderField == chosen->orderField) {
            continue;  // a field the chosen family shares
        }
        if (&scheme != chosen) {
            if (order != 0) {
                return "\"" + orderKey(scheme) + "\" is " + std::to_string(order) +
                       " but the scheme is " + std::string(chosen->name) + " (a run records 0)";
            }
        } else if (findOrder(scheme, order) == nullptr) {
            return std::string(scheme.name) + " offers the orders " + offeredOrdersText(scheme) +
                   " (the recording has " + std::to_string(order) + ")";
        }
    }
    for (const auto& entry : p.values) {
        // Named, not bound: older clang cannot capture a structured binding in a lambda.
        const std::string& name = entry.first;
        const double value = entry.second;
        const auto own = std::find_if(chosen->parameters.begin(), chosen->parameters.end(),
                                      [&name](const WaveformParameter& parameter) { return parameter.name == name; });
        if (own == chosen->parameters.end()) {
            return "\"quorvel:" + name + "\" is not a parameter of " + std::string(chosen->name);
        }
        if (!(value >= own->minimum && value <= own->maximum)) {
            return "\"quorvel:" + name + "\" is out of bounds (" + std::string(own->invalidMessage) + ")";
        }
    }
    if (!chosen->hasRadii && !p.apskRadiiText.empty()) {
        return "only " + std::string(radiiScheme().family) + " has ring radii (the scheme is " + std::string(chosen->name) + ")";
    }
    if (p.apskRadiiText.size() > kFieldTextLimit) {
        return "\"quorvel:apsk_radii\" holds more than " + std::to_string(kFieldTextLimit) + " characters";
    }
    if (const auto problem = impairmentsProblem(p.impairments, p.samplingRate)) {
        return problem->optionMessage();
    }
    return std::nullopt;
}

}  // namespace quorvel
