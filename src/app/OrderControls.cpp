#include "app/OrderControls.h"

#include "app/ControlTable.h"
#include "modulation/SchemeCatalog.h"

namespace quorvel {

std::string defaultApskRadiiText(int apskIndex) {
    const Scheme& scheme = radiiScheme();
    // The panel's list holds the orders on the panel, which come first.
    if (apskIndex < 0 || static_cast<std::size_t>(apskIndex) >= scheme.orders.size() ||
        !scheme.orders[static_cast<std::size_t>(apskIndex)].onPanel) {
        return {};
    }
    return std::string(scheme.orders[static_cast<std::size_t>(apskIndex)].radiiText);
}

OrderControlState updateOrderControls(std::int32_t modulationType, int apskIndex) {
    OrderControlState state;
    const Scheme* scheme = findScheme(static_cast<ModulationType>(modulationType));
    if (scheme == nullptr) {
        return state;
    }
    const auto listOf = [scheme](ControlId list) { return controlRow(list).ordersOf == scheme->type; };
    state.pskListEnabled = listOf(ControlId::PskOrder);
    state.fskListEnabled = listOf(ControlId::FskOrder);
    state.qamListEnabled = listOf(ControlId::QamOrder);
    state.apskListEnabled = listOf(ControlId::ApskOrder);
    if (scheme->hasRadii) {
        state.radiiFieldEnabled = true;
        state.newRadiiText = defaultApskRadiiText(apskIndex);
    }
    return state;
}

}  // namespace quorvel
