#include "app/PanelStatus.h"

#include <array>
#include <utility>

#include "common/TransmitterChoices.h"
#include "modulation/SchemeCatalog.h"
#include "request/Messages.h"

namespace quorvel {
namespace {

std::string narrow(const std::u16string& text) {
    return FieldText(text).narrow();
}

std::string transmitterSummary(const ControlPanelInput& input, ModulationType scheme) {
    const TransmitterInput& t = input.transmitter;
    std::string parts;
    const auto add = [&parts](const std::string& part) {
        parts += (parts.empty() ? "" : ", ") + part;
    };
    std::string pulseNote;
    const auto pulses = pulseChoices();
    if (t.pulseIndex > 0 && static_cast<std::size_t>(t.pulseIndex) < pulses.size()) {
        const PulseChoice& pulse = pulses[static_cast<std::size_t>(t.pulseIndex)];
        const std::string rolloff = t.rolloff.empty() ? std::string("default") : narrow(t.rolloff);
        const std::string span = t.span.empty() ? std::string("default") : narrow(t.span);
        add(std::string(pulse.caption) + " pulse (" + std::string(pulse.rolloffWord) + " " +
            rolloff + ", span " + span + ")");
        if (const auto refusal = pulseShapingRefusal(scheme)) {
            pulseNote = " The pulse is not applied: " + *refusal;
        }
    }
    if (t.exactTiming) {
        add("exact symbol timing");
    }
    if (t.gray) {
        add("Gray coding");
    }
    const auto sources = bitSourceItems();
    if (t.bitSourceIndex > 0 && static_cast<std::size_t>(t.bitSourceIndex) < sources.size()) {
        add("bits from " + std::string(sources[static_cast<std::size_t>(t.bitSourceIndex)]) +
            (t.bitsFile.empty() ? std::string() : " " + t.bitsFile));
    }
    const auto definitions = snrDefinitionChoices();
    if (t.snrDefinitionIndex > 0 &&
        static_cast<std::size_t>(t.snrDefinitionIndex) < definitions.size()) {
        add("SNR as " +
            std::string(definitions[static_cast<std::size_t>(t.snrDefinitionIndex)].caption));
    }
    return "Transmitter: " +
           (parts.empty() ? std::string("straight lines between the symbols") : parts) + "." +
           pulseNote;
}

std::string impairmentSummary(const ImpairmentTexts& texts) {
    std::string parts;
    for (const ImpairmentSettingName& name : impairmentSettingNames()) {
        const std::string& text = texts.*name.text;
        if (!text.empty()) {
            parts += (parts.empty() ? "" : "; ") + std::string(name.label) + " " + text;
        }
    }
    return "Impairments: " + (parts.empty() ? std::string("none") : parts) + ".";
}

}  // namespace

std::string panelSettingsSummary(const ControlPanelInput& input) {
    const auto scheme = listValue(ControlId::ModulationType, input.modulationIndex);
    const ModulationType type = scheme ? static_cast<ModulationType>(*scheme) : ModulationType::Psk;
    return transmitterSummary(input, type) + " " + impairmentSummary(input.impairments);
}

MessageFocus focusOfMessage(std::string_view message) {
    static constexpr std::array<std::pair<std::string_view, ControlId>, 11> kFields{{
        {message::InvalidSymbolRate, ControlId::SymbolRate},
        {message::InvalidSamplingRate, ControlId::SamplingRate},
        {message::InvalidSymbolCount, ControlId::SymbolCount},
        {message::InvalidSnr, ControlId::SnrDb},
        {message::InvalidMixingFrequency, ControlId::MixingFrequency},
        {message::InvalidTimingError, ControlId::TimingError},
        {message::InvalidFrequencyOffset, ControlId::FrequencyOffset},
        {message::InvalidFileCount, ControlId::FileCount},
        {message::InvalidSavePath, ControlId::SavePath},
        {message::InvalidModulationType, ControlId::ModulationType},
        {message::InvalidOutputFormat, ControlId::OutputFormat},
    }};
    for (const auto& [text, field] : kFields) {
        if (message == text) {
            return {MessagePlace::Field, field};
        }
    }
    for (const Scheme& scheme : schemeCatalog()) {
        if (const ControlRow* list = orderListOf(scheme.type);
            list != nullptr && message == scheme.invalidOrderMessage) {
            return {MessagePlace::Field, list->id};
        }
    }
    static constexpr std::array<std::string_view, 6> kTransmitter{
        message::InvalidPulseShape, message::InvalidRolloff,  message::InvalidPulseSpan,
        message::InvalidBitSource,  message::InvalidBitsFile, message::InvalidSnrDefinition};
    for (const std::string_view text : kTransmitter) {
        if (message == text) {
            return {MessagePlace::TransmitterDialog};
        }
    }
    for (const ImpairmentSettingName& name : impairmentSettingNames()) {
        if (message.substr(0, name.label.size() + 1) == std::string(name.label) + ":") {
            return {MessagePlace::ImpairmentsDialog};
        }
    }
    return {};
}

}  // namespace quorvel
