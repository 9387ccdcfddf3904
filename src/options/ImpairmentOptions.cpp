#include "options/ImpairmentOptions.h"

#include <CLI/CLI.hpp>

#include "options/Options.h"
#include "request/ImpairmentSettings.h"

namespace quorvel {

void addImpairmentOptions(CLI::App& app, ImpairmentOptions& o, const char* group) {
    const auto names = impairmentSettingNames();
    static_assert(std::tuple_size_v<decltype(o.texts)> == 8);
    for (std::size_t k = 0; k < names.size(); ++k) {
        app.add_option(std::string(names[k].option), o.texts[k], std::string(names[k].help))
            ->group(group)
            ->type_name(std::string(names[k].syntax));
    }
}

Impairments impairmentsFrom(const ImpairmentOptions& o, double samplingRateHz) {
    const auto names = impairmentSettingNames();
    ImpairmentTexts texts;
    for (std::size_t k = 0; k < names.size(); ++k) {
        if (!o.texts[k]) {
            continue;
        }
        // Leaving the option out is how an impairment is left off; an empty value says nothing.
        if (o.texts[k]->empty()) {
            throw OptionError{std::string(names[k].option) +
                              ": an empty value sets nothing (leave the option out)."};
        }
        texts.*names[k].text = *o.texts[k];
    }
    const ImpairmentReading reading = readImpairments(texts, samplingRateHz);
    if (!reading) {
        throw OptionError{reading.problem->optionMessage()};
    }
    return *reading.impairments;
}

}  // namespace quorvel
