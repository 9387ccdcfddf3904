#include "app/ControlPanelReader.h"

#include <cmath>
#include <string_view>
#include <utility>

#include "app/ControlTable.h"
#include "app/FieldParsing.h"

namespace quorvel {
namespace {

std::u16string_view visibleText(const std::u16string& text) {
    return std::u16string_view(text).substr(0, kFieldTextLimit);
}

// A real field must be finite: an infinite or not-a-number rate, frequency or timing error
// would only poison every later stage. An infinite SNR is meaningful: no noise at all.
bool readReal(const std::u16string& text, double& target, bool acceptPlusInfinity = false) {
    const auto value = parseRealField(visibleText(text));
    if (!value || std::isnan(*value)) {
        return false;
    }
    if (std::isinf(*value) && !(acceptPlusInfinity && *value > 0.0)) {
        return false;
    }
    target = *value;
    return true;
}

bool readInteger(const std::u16string& text, std::int32_t& target) {
    const auto value = parseIntegerField(visibleText(text));
    if (!value) {
        return false;
    }
    target = *value;
    return true;
}

bool readList(ControlId list, int index, std::int32_t& target) {
    const auto value = listValue(list, index);
    if (!value) {
        return false;
    }
    target = *value;
    return true;
}

// Only the chosen scheme's order (and for APSK its radii) is taken; the others stay 0 / empty.
std::optional<std::string_view> readOrders(const ControlPanelInput& input, SignalParameters& p) {
    p.pskOrder = p.fskOrder = p.qamOrder = p.apskOrder = 0;
    p.apskRadiiText.clear();
    switch (p.modulationType) {
        case ModulationType::Psk:
            if (!readList(ControlId::PskOrder, input.pskIndex, p.pskOrder)) {
                return message::InvalidPskOrder;
            }
            break;
        case ModulationType::Fsk:
            if (!readList(ControlId::FskOrder, input.fskIndex, p.fskOrder)) {
                return message::InvalidFskOrder;
            }
            break;
        case ModulationType::Qam:
            if (!readList(ControlId::QamOrder, input.qamIndex, p.qamOrder)) {
                return message::InvalidQamOrder;
            }
            break;
        case ModulationType::Apsk:
            if (!readList(ControlId::ApskOrder, input.apskIndex, p.apskOrder)) {
                return message::InvalidApskOrder;
            }
            p.apskRadiiText = narrowText(visibleText(input.apskRadii));
            break;
        default:
            break;
    }
    return std::nullopt;
}

ControlPanelReading failure(std::string_view text) {
    return {std::nullopt, std::string(text)};
}

}  // namespace

ControlPanelReading readControlPanel(const ControlPanelInput& input) {
    SignalParameters p;
    std::int32_t listPick = 0;
    if (!readList(ControlId::ModulationType, input.modulationIndex, listPick)) {
        return failure(message::InvalidModulationType);
    }
    p.modulationType = static_cast<ModulationType>(listPick);
    if (!readList(ControlId::DataSource, input.dataSourceIndex, listPick)) {
        return failure(message::InvalidDataSource);
    }
    p.dataSource = static_cast<DataSource>(listPick);
    if (!readReal(input.symbolRate, p.symbolRate)) {
        return failure(message::InvalidSymbolRate);
    }
    if (!readReal(input.samplingRate, p.samplingRate)) {
        return failure(message::InvalidSamplingRate);
    }
    if (const auto orderError = readOrders(input, p)) {
        return failure(*orderError);
    }
    if (!readInteger(input.symbolCount, p.symbolCount)) {
        return failure(message::InvalidSymbolCount);
    }
    if (!readReal(input.snrDb, p.snrDb, true)) {
        return failure(message::InvalidSnr);
    }
    if (!readReal(input.mixingFrequency, p.mixingFrequency)) {
        return failure(message::InvalidMixingFrequency);
    }
    if (!readReal(input.timingError, p.timingError)) {
        return failure(message::InvalidTimingError);
    }
    if (!readReal(input.frequencyOffset, p.frequencyOffset)) {
        return failure(message::InvalidFrequencyOffset);
    }
    if (!readInteger(input.fileCount, p.fileCount)) {
        return failure(message::InvalidFileCount);
    }
    p.savePath = narrowText(visibleText(input.savePath));
    if (!readList(ControlId::OutputFormat, input.outputFormatIndex, listPick)) {
        return failure(message::InvalidOutputFormat);
    }
    p.outputFormat = static_cast<OutputFormat>(listPick);
    return {std::move(p), {}};
}

}  // namespace quorvel
