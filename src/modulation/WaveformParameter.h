#pragma once
// A family's own numeric parameter, written once: every front end, the recipe reader and the
// metadata take its name, default, bounds and message from here.

#include <string>
#include <string_view>

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
};

// "--" + the name with '-' for '_'.
inline std::string parameterOption(const WaveformParameter& parameter) {
    std::string option = "--" + std::string(parameter.name);
    for (char& c : option) {
        c = c == '_' ? '-' : c;
    }
    return option;
}

}  // namespace quorvel
