#include "request/SettingsRequest.h"

#include <cmath>
#include <utility>

#include "common/NumberText.h"
#include "modulation/SchemeCatalog.h"
#include "request/FieldParsing.h"
#include "request/Messages.h"

namespace quorvel {

std::optional<double> FieldText::real() const {
    return std::visit([](auto text) { return parseRealField(text.substr(0, kFieldTextLimit)); }, text_);
}

std::optional<std::int32_t> FieldText::integer() const {
    return std::visit([](auto text) { return parseIntegerField(text.substr(0, kFieldTextLimit)); }, text_);
}

std::string FieldText::narrow() const {
    if (const auto* units = std::get_if<std::u16string_view>(&text_)) {
        return narrowText(units->substr(0, kFieldTextLimit));
    }
    return std::string(std::get<std::string_view>(text_).substr(0, kFieldTextLimit));
}

std::string defaultText(Setting setting) {
    // The default run is SignalParameters' own; its numbers print as the fields show them.
    static const SignalParameters p;
    switch (setting) {
        case Setting::SymbolRate: return numberText(p.symbolRate);
        case Setting::SamplingRate: return numberText(p.samplingRate);
        case Setting::ApskRadii: {
            // The field starts with 32-APSK's radii; choosing APSK puts in those of its order.
            return std::string(findOrder(radiiScheme(), 32)->radiiText);
        }
        case Setting::SymbolCount: return std::to_string(p.symbolCount);
        case Setting::Snr: return numberText(p.snrDb);
        case Setting::MixingFrequency: return numberText(p.mixingFrequency);
        case Setting::TimingError: return numberText(p.timingError);
        case Setting::FrequencyOffset: return numberText(p.frequencyOffset);
        case Setting::FileCount: return std::to_string(p.fileCount);
        case Setting::SavePath: return p.savePath;
    }
    return {};
}

namespace {

struct Malformed {
    std::string_view message;
};

// A real setting must be finite: an infinite or not-a-number rate, frequency or timing error
// would only poison every later stage. An infinite SNR is meaningful: no noise at all.
double real(const FieldText& text, std::string_view message, bool acceptPlusInfinity = false) {
    const auto value = text.real();
    if (!value || std::isnan(*value) || (std::isinf(*value) && !(acceptPlusInfinity && *value > 0.0))) {
        throw Malformed{message};
    }
    return *value;
}

std::int32_t integer(const FieldText& text, std::string_view message) {
    const auto value = text.integer();
    if (!value) {
        throw Malformed{message};
    }
    return *value;
}

template <typename Value>
Value chosen(const std::optional<Value>& choice, std::string_view message) {
    if (!choice) {
        throw Malformed{message};
    }
    return *choice;
}

// Only the chosen scheme's order (and for a scheme with rings its radii) is taken; the others
// stay 0 / empty.
void readOrder(const SettingsRequest& request, SignalParameters& p) {
    const Scheme* scheme = findScheme(p.modulationType);
    setChosenOrder(p, 0);
    p.apskRadiiText.clear();
    if (scheme == nullptr || !scheme->hasOrders()) {
        return;
    }
    if (!request.order || findOrder(*scheme, *request.order) == nullptr) {
        throw Malformed{scheme->invalidOrderMessage};
    }
    setChosenOrder(p, *request.order);
    if (scheme->hasRadii) {
        p.apskRadiiText = request.apskRadii.narrow();
    }
}

// Every parameter of the chosen family is held, given or default, so that a run and its
// recording hold the same values.
void readValues(const SettingsRequest& request, SignalParameters& p) {
    p.values.clear();
    for (const WaveformParameter& parameter : findScheme(p.modulationType)->parameters) {
        double value = parameter.defaultValue;
        if (const auto text = request.values.find(parameter.name); text != request.values.end() && parameter.isWord()) {
            const auto word = parameter.fromWord(text->second.narrow());
            if (!word) {
                throw Malformed{parameter.invalidMessage};
            }
            value = *word;
        } else if (text != request.values.end()) {
            value = real(text->second, parameter.invalidMessage);
            if (!(value >= parameter.minimum && value <= parameter.maximum)) {
                throw Malformed{parameter.invalidMessage};
            }
        }
        p.values[std::string(parameter.name)] = value;
    }
}

}  // namespace

SettingsReading readSettings(const SettingsRequest& request, std::string folder) {
    SignalParameters p;
    try {
        p.modulationType = chosen(request.scheme, message::InvalidModulationType);
        if (findScheme(p.modulationType) == nullptr) {
            throw Malformed{message::InvalidModulationType};
        }
        p.dataSource = chosen(request.source, message::InvalidDataSource);
        p.symbolRate = real(request.symbolRate, message::InvalidSymbolRate);
        p.samplingRate = real(request.samplingRate, message::InvalidSamplingRate);
        readOrder(request, p);
        readValues(request, p);
        if (const Scheme* scheme = findScheme(p.modulationType); scheme->takesMessage) {
            p.analogMessage = request.analogMessage;
            p.lowerSideband = scheme->takesSideband && request.lowerSideband;
        }
        p.symbolCount = integer(request.symbolCount, message::InvalidSymbolCount);
        p.snrDb = real(request.snr, message::InvalidSnr, true);
        p.mixingFrequency = real(request.mixingFrequency, message::InvalidMixingFrequency);
        p.timingError = real(request.timingError, message::InvalidTimingError);
        p.frequencyOffset = real(request.frequencyOffset, message::InvalidFrequencyOffset);
        p.fileCount = integer(request.fileCount, message::InvalidFileCount);
        if (folder.empty()) {
            throw Malformed{message::InvalidSavePath};
        }
        p.savePath = std::move(folder);
        p.outputFormat = chosen(request.format, message::InvalidOutputFormat);
        if (const auto malformed = readTransmitter(request.transmitter, p.transmitter)) {
            throw Malformed{*malformed};
        }
    } catch (const Malformed& malformed) {
        return {std::nullopt, std::string(malformed.message)};
    }
    return {std::move(p), {}};
}

}  // namespace quorvel
