// readControlPanel over arbitrary field texts (UTF-16, longer than a field holds included) and
// list positions (outside the lists included). It must return either settings that only the
// documented values can reach or one of the control panel's own messages, and it must ignore
// whatever lies beyond the visible part of a field. Accepted settings go on to the run check.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "app/ControlPanelReader.h"
#include "app/ControlTable.h"
#include "modulation/SchemeCatalog.h"
#include "synthesis/RunCheck.h"

namespace {

using quorvel::fuzzing::require;

// Field text in one of three forms: bytes as Latin-1 units (what users type), byte pairs as any
// UTF-16 unit, or a short text repeated past the field's limit.
std::u16string fieldText(FuzzedDataProvider& data) {
    std::u16string text;
    switch (data.ConsumeIntegralInRange<int>(0, 2)) {
        case 0:
            for (const char byte : data.ConsumeRandomLengthString(64)) {
                text.push_back(static_cast<char16_t>(static_cast<unsigned char>(byte)));
            }
            break;
        case 1: {
            const std::string bytes = data.ConsumeRandomLengthString(64);
            for (std::size_t n = 0; n + 1 < bytes.size(); n += 2) {
                text.push_back(static_cast<char16_t>((static_cast<unsigned char>(bytes[n]) << 8) |
                                                     static_cast<unsigned char>(bytes[n + 1])));
            }
            break;
        }
        default: {
            const std::string unit = data.ConsumeRandomLengthString(16);
            const std::size_t length = data.ConsumeIntegralInRange<std::size_t>(0, 600);
            for (std::size_t n = 0; !unit.empty() && n < length; ++n) {
                text.push_back(static_cast<char16_t>(static_cast<unsigned char>(unit[n % unit.size()])));
            }
            break;
        }
    }
    return text;
}

int listPosition(FuzzedDataProvider& data) {
    if (data.ConsumeBool()) {
        return data.ConsumeIntegralInRange<int>(-2, 8);
    }
    return data.ConsumeIntegral<int>();
}

std::u16string visible(const std::u16string& text) {
    return text.substr(0, std::min(text.size(), quorvel::kFieldTextLimit));
}

bool isDocumentedMessage(std::string_view text) {
    namespace m = quorvel::message;
    constexpr std::array<std::string_view, 12> messages = {
        m::InvalidSymbolRate,      m::InvalidSamplingRate,    m::InvalidSymbolCount,
        m::InvalidSnr,             m::InvalidMixingFrequency, m::InvalidTimingError,
        m::InvalidFrequencyOffset, m::InvalidFileCount,       m::InvalidModulationType,
        m::InvalidDataSource,      m::InvalidSavePath,        m::InvalidOutputFormat};
    const auto schemes = quorvel::schemeCatalog();
    return std::find(messages.begin(), messages.end(), text) != messages.end() ||
           std::any_of(schemes.begin(), schemes.end(),
                       [text](const quorvel::Scheme& s) { return s.hasOrders() && s.invalidOrderMessage == text; });
}

// The order of the chosen scheme is one of its list's values; every other order is 0.
void checkOrders(const quorvel::SignalParameters& p) {
    using quorvel::ControlId;
    using quorvel::ModulationType;
    const auto offered = [](ControlId list, std::int32_t order) {
        const auto items = quorvel::listItems(list);
        return std::any_of(items.begin(), items.end(), [&](const auto& item) { return item.value == order; });
    };
    require(p.modulationType == ModulationType::Psk ? offered(ControlId::PskOrder, p.pskOrder) : p.pskOrder == 0,
            "PSK order from its list, else 0");
    require(p.modulationType == ModulationType::Fsk ? offered(ControlId::FskOrder, p.fskOrder) : p.fskOrder == 0,
            "FSK order from its list, else 0");
    require(p.modulationType == ModulationType::Qam ? offered(ControlId::QamOrder, p.qamOrder) : p.qamOrder == 0,
            "QAM order from its list, else 0");
    require(p.modulationType == ModulationType::Apsk ? offered(ControlId::ApskOrder, p.apskOrder)
                                                     : p.apskOrder == 0 && p.apskRadiiText.empty(),
            "APSK order from its list, else 0 and no radii");
    const quorvel::Scheme* chosen = quorvel::findScheme(p.modulationType);
    require(chosen != nullptr && !chosen->ownsOrderField() && chosen->hasOrders()
                ? quorvel::findOrder(*chosen, p.order) != nullptr
                : p.order == 0,
            "a later family's order one it offers, else 0");
}

void checkParameters(const quorvel::SignalParameters& p, const quorvel::ControlPanelInput& input) {
    const auto type = static_cast<std::int32_t>(p.modulationType);
    require(type >= 1 && static_cast<std::size_t>(type) <= quorvel::schemeCatalog().size(), "modulation type from the list");
    const auto source = static_cast<std::int32_t>(p.dataSource);
    require(source >= 0 && source <= 2, "data source from the list");
    const auto format = static_cast<std::int32_t>(p.outputFormat);
    require(format >= 0 && format <= 2, "output format from the list");
    require(std::isfinite(p.symbolRate) && std::isfinite(p.samplingRate), "finite rates");
    require(!std::isnan(p.snrDb) && p.snrDb != -INFINITY, "SNR a number or +inf");
    require(std::isfinite(p.mixingFrequency) && std::isfinite(p.timingError) &&
                std::isfinite(p.frequencyOffset),
            "finite mixing, timing error and offset");
    // Each visible unit keeps its low byte as a Latin-1 character: one UTF-8 byte below 0x80, else two.
    std::size_t utf8Bytes = 0;
    for (const char16_t unit : visible(input.savePath)) {
        utf8Bytes += (unit & 0xFFu) < 0x80u ? 1u : 2u;
    }
    require(p.savePath.size() == utf8Bytes && !p.savePath.empty(), "a folder of the visible units, in UTF-8");
    require(p.apskRadiiText.size() <= quorvel::kFieldTextLimit, "radii text within the field");
    checkOrders(p);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider data(bytes, size);
    quorvel::ControlPanelInput input;
    for (std::u16string* field :
         {&input.symbolRate, &input.samplingRate, &input.apskRadii, &input.symbolCount, &input.snrDb,
          &input.mixingFrequency, &input.timingError, &input.frequencyOffset, &input.fileCount,
          &input.savePath}) {
        // Half the time a field keeps its start-up text, so that later fields are reached.
        if (data.ConsumeBool()) {
            *field = fieldText(data);
        }
    }
    for (int* list : {&input.modulationIndex, &input.pskIndex, &input.fskIndex, &input.qamIndex,
                      &input.apskIndex, &input.dataSourceIndex, &input.outputFormatIndex}) {
        if (data.ConsumeBool()) {
            *list = listPosition(data);
        }
    }

    const quorvel::ControlPanelReading reading = quorvel::readControlPanel(input);
    require(reading.parameters.has_value() == reading.message.empty(), "settings or a message, never both");
    if (reading) {
        checkParameters(*reading.parameters, input);
        // Whatever the panel accepts, the run check decides on without failing.
        const auto refusal = quorvel::findRefusal(*reading.parameters, std::uint64_t{64} << 20);
        require(!refusal || (!refusal->empty() && refusal->find('\n') == std::string::npos),
                "a one-line refusal or none");
    } else {
        require(isDocumentedMessage(reading.message), "one of the documented messages");
    }

    // Text beyond a field's limit is never read: cutting it off changes nothing.
    quorvel::ControlPanelInput cut = input;
    for (std::u16string* field :
         {&cut.symbolRate, &cut.samplingRate, &cut.apskRadii, &cut.symbolCount, &cut.snrDb,
          &cut.mixingFrequency, &cut.timingError, &cut.frequencyOffset, &cut.fileCount, &cut.savePath}) {
        *field = visible(*field);
    }
    const quorvel::ControlPanelReading cutReading = quorvel::readControlPanel(cut);
    require(cutReading.message == reading.message, "the same message without the invisible text");
    if (reading) {
        const auto& a = *reading.parameters;
        const auto& b = *cutReading.parameters;
        require(std::memcmp(&a.symbolRate, &b.symbolRate, sizeof(double)) == 0 &&
                    a.symbolCount == b.symbolCount && a.fileCount == b.fileCount &&
                    a.savePath == b.savePath && a.apskRadiiText == b.apskRadiiText,
                "the same settings without the invisible text");
    }
    return 0;
}
