#pragma once
// A family's own numeric parameter, written once: every front end, the recipe reader and the
// metadata take its name, default, bounds and message from here.

#include <optional>
#include <string>
#include <string_view>

#include "common/NumberText.h"

namespace quorvel {

struct WaveformParameter {
    // The recipe key, the metadata's "quorvel:" key, the Python keyword; the command line's
    // option is "--" and the name with '-' for '_'.
    std::string_view name;
    std::string_view help;            // the command line's help, with the unit
    std::string_view valueName;       // the command line's value placeholder, such as "HZ"
    std::string_view invalidMessage;  // what a value that is no number or out of bounds gets
    double defaultValue = 0.0;
    double minimum = 0.0;  // inclusive
    double maximum = 0.0;  // inclusive
    // A parameter written as a word (OFDM's subcarriers, "psk:4"): the run holds its number, which
    // these turn the word into (nothing for a word that names none) and back. Null for a number.
    std::optional<double> (*fromWord)(std::string_view word) = nullptr;
    std::string (*toWord)(double value) = nullptr;

    bool isWord() const { return fromWord != nullptr; }
};

// The value as the front ends and the metadata write it: the word, or the number.
inline std::string parameterText(const WaveformParameter& parameter, double value) {
    return parameter.isWord() ? parameter.toWord(value) : numberText(value);
}

// "--" + the name with '-' for '_'.
inline std::string parameterOption(const WaveformParameter& parameter) {
    std::string option = "--" + std::string(parameter.name);
    for (char& c : option) {
        c = c == '_' ? '-' : c;
    }
    return option;
}

}  // namespace quorvel
