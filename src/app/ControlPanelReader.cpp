#include "app/ControlPanelReader.h"

#include <optional>

#include "app/ControlTable.h"
#include "app/Latin1Text.h"
#include "modulation/SchemeCatalog.h"

namespace quorvel {
namespace {

std::u16string initialText(ControlId field) {
    const std::string& text = controlRow(field).text;
    return {text.begin(), text.end()};
}

int initialIndex(ControlId list) {
    return controlRow(list).initialIndex;
}

// The panel's own list of each order list's position.
int ControlPanelInput::*orderIndexOf(ControlId list) {
    switch (list) {
        case ControlId::PskOrder: return &ControlPanelInput::pskIndex;
        case ControlId::FskOrder: return &ControlPanelInput::fskIndex;
        case ControlId::QamOrder: return &ControlPanelInput::qamIndex;
        case ControlId::ApskOrder: return &ControlPanelInput::apskIndex;
        default: return nullptr;
    }
}

template <typename Value>
std::optional<Value> listChoice(ControlId list, int index) {
    const auto value = listValue(list, index);
    return value ? std::optional(static_cast<Value>(*value)) : std::nullopt;
}

}  // namespace

ControlPanelInput::ControlPanelInput()
    : symbolRate(initialText(ControlId::SymbolRate)),
      samplingRate(initialText(ControlId::SamplingRate)),
      apskRadii(initialText(ControlId::ApskRadii)),
      symbolCount(initialText(ControlId::SymbolCount)),
      snrDb(initialText(ControlId::SnrDb)),
      mixingFrequency(initialText(ControlId::MixingFrequency)),
      timingError(initialText(ControlId::TimingError)),
      frequencyOffset(initialText(ControlId::FrequencyOffset)),
      fileCount(initialText(ControlId::FileCount)),
      savePath(initialText(ControlId::SavePath)),
      modulationIndex(initialIndex(ControlId::ModulationType)),
      pskIndex(initialIndex(ControlId::PskOrder)),
      fskIndex(initialIndex(ControlId::FskOrder)),
      qamIndex(initialIndex(ControlId::QamOrder)),
      apskIndex(initialIndex(ControlId::ApskOrder)),
      dataSourceIndex(initialIndex(ControlId::DataSource)),
      outputFormatIndex(initialIndex(ControlId::OutputFormat)) {}

std::string panelFolder(const std::u16string& savePath) {
    return latin1ToUtf8(FieldText(savePath).narrow());
}

ControlPanelReading readControlPanel(const ControlPanelInput& input) {
    SettingsRequest request{
        .scheme = listChoice<ModulationType>(ControlId::ModulationType, input.modulationIndex),
        .source = listChoice<DataSource>(ControlId::DataSource, input.dataSourceIndex),
        .format = listChoice<OutputFormat>(ControlId::OutputFormat, input.outputFormatIndex),
        .symbolRate = input.symbolRate,
        .samplingRate = input.samplingRate,
        .apskRadii = input.apskRadii,
        .symbolCount = input.symbolCount,
        .snr = input.snrDb,
        .mixingFrequency = input.mixingFrequency,
        .timingError = input.timingError,
        .frequencyOffset = input.frequencyOffset,
        .fileCount = input.fileCount,
        .transmitter = transmitterRequest(input.transmitter),
    };
    // Only the chosen scheme's list is read: the other lists' positions play no part.
    if (request.scheme) {
        const Scheme* scheme = findScheme(*request.scheme);
        const SchemeOrder* later = scheme != nullptr && input.waveformOrder ? findOrder(*scheme, *input.waveformOrder) : nullptr;
        if (later != nullptr && !later->onPanel) {
            // An order off the panel's list, chosen in the waveform dialog, stands in for the list's.
            request.order = later->value;
        } else if (const ControlRow* list = orderListOf(*request.scheme)) {
            request.order = listValue(list->id, input.*orderIndexOf(list->id));
        } else if (scheme != nullptr && scheme->hasOrders()) {
            request.order = input.waveformOrder.value_or(scheme->orders[scheme->defaultOrder].value);
        }
    }
    for (const auto& [name, text] : input.waveformValues) {
        request.values.emplace(name, FieldText(text));
    }
    if (input.analogMessage != u"noise") {
        request.analogMessage = FieldText(input.analogMessage).narrow();
    }
    request.lowerSideband = input.lowerSideband;
    ControlPanelReading reading = readSettings(request, panelFolder(input.savePath));
    if (!reading) {
        return reading;
    }
    // The transmitter dialog keeps its pulse whatever the scheme; a scheme that makes its own
    // samples runs without it (the panel's summary line says so) rather than being refused.
    if (pulseShapingRefusal(reading.parameters->modulationType)) {
        reading.parameters->transmitter.pulse = PulseShape::Linear;
        reading.parameters->transmitter.rolloff = Transmitter{}.rolloff;
        reading.parameters->transmitter.span = Transmitter{}.span;
    }
    const ImpairmentReading impairments = readImpairments(input.impairments, reading.parameters->samplingRate);
    if (!impairments) {
        return {std::nullopt, impairments.problem->labelMessage()};
    }
    reading.parameters->impairments = *impairments.impairments;
    return reading;
}

}  // namespace quorvel
