#include "app/OrderControls.h"

#include "synthesis/SignalParameters.h"

namespace quorvel {

std::string defaultApskRadiiText(int apskIndex) {
    switch (apskIndex) {
        case 0:
            return "0.5 1.5";
        case 1:
            return "0.3 0.7 1.2";
        case 2:
            return "0.8 1.2 2.0 2.5";
        default:
            return {};
    }
}

OrderControlState updateOrderControls(std::int32_t modulationType, int apskIndex) {
    OrderControlState state;
    switch (static_cast<ModulationType>(modulationType)) {
        case ModulationType::Psk:
            state.pskListEnabled = true;
            break;
        case ModulationType::Fsk:
            state.fskListEnabled = true;
            break;
        case ModulationType::Qam:
            state.qamListEnabled = true;
            break;
        case ModulationType::Apsk:
            state.apskListEnabled = true;
            state.radiiFieldEnabled = true;
            state.newRadiiText = defaultApskRadiiText(apskIndex);
            break;
        default:
            // OQPSK, Pi/4-DQPSK, MSK and GMSK have no order or radii to choose.
            break;
    }
    return state;
}

}  // namespace quorvel
