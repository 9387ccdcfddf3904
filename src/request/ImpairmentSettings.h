#pragma once
// The impairments' settings as both front ends hand them over: one text each, in the command
// line's syntax, which the desktop's dialog fields share. Their parsing and their rules live
// here once, for both.

#include <cmath>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "common/Impairments.h"

namespace quorvel {

// Each text empty when its impairment is not set.
struct ImpairmentTexts {
    std::string amplifier;    // rapp:P,A
    std::string clockOffset;  // PPM
    std::string multipath;    // "D:G:P D:G:P ..."
    std::string fading;       // rayleigh or rician:K
    std::string doppler;      // HZ, with fading only
    std::string phaseNoise;   // L@F
    std::string iqImbalance;  // A,PHI
    std::string dcOffset;     // I,Q

    friend bool operator==(const ImpairmentTexts&, const ImpairmentTexts&) = default;
};

// The settings in chain order, which is also the order they are read in.
enum class ImpairmentSetting {
    Amplifier,
    ClockOffset,
    Multipath,
    Fading,
    Doppler,
    PhaseNoise,
    IqImbalance,
    DcOffset
};

// How each front end names a setting.
struct ImpairmentSettingName {
    ImpairmentSetting setting;
    std::string ImpairmentTexts::*text;
    std::string_view option;  // the command line's option
    std::string_view label;   // the desktop dialog's field label
    std::string_view syntax;  // what the text looks like, for help and placeholders
    std::string_view help;    // one line on what the setting does
};

// Every setting, in chain order.
std::span<const ImpairmentSettingName> impairmentSettingNames();
const ImpairmentSettingName& nameOf(ImpairmentSetting setting);

// The numbers of the settings one by one, for a front end that takes each on its own (a dataset
// recipe's keys). The taps of a multipath channel are read only as a whole.
enum class ImpairmentNumber {
    AmplifierSmoothness,
    AmplifierSaturation,
    ClockOffsetPpm,
    KFactor,
    DopplerHz,
    PhaseNoiseLevel,
    PhaseNoiseOffset,
    IqAmplitudeDb,
    IqPhaseDegrees,
    DcOffset,  // I or Q
};

// The finite values one number may take: lowest to highest, lowest itself left out where
// lowestExcluded. Every setting's rule is these bounds on each of its numbers.
struct ImpairmentBounds {
    double lowest = -INFINITY;
    double highest = INFINITY;
    bool lowestExcluded = false;

    bool allows(double value) const {
        return std::isfinite(value) && value >= lowest && value <= highest &&
               !(lowestExcluded && value == lowest);
    }
};

// The bounds of one number in a run at samplingRateHz.
ImpairmentBounds impairmentBounds(ImpairmentNumber number, double samplingRateHz);

// A setting whose value breaks its rule, with the rule in one sentence.
struct ImpairmentProblem {
    ImpairmentSetting setting;
    std::string rule;

    // "--pa: ..." for the command line, "Amplifier: ..." for the desktop.
    std::string optionMessage() const { return std::string(nameOf(setting).option) + ": " + rule; }
    std::string labelMessage() const { return std::string(nameOf(setting).label) + ": " + rule; }
};

struct ImpairmentReading {
    std::optional<Impairments> impairments;
    std::optional<ImpairmentProblem> problem;  // set when impairments is not

    explicit operator bool() const { return impairments.has_value(); }
};

// Reads the texts in chain order and stops at the first that is malformed or breaks its rule;
// the sampling rate [Hz] bounds the Doppler frequency and the phase-noise offset.
ImpairmentReading readImpairments(const ImpairmentTexts& texts, double samplingRateHz);

// The first rule the values break, for values that did not come from texts (a recording).
std::optional<ImpairmentProblem> impairmentsProblem(const Impairments& impairments,
                                                    double samplingRateHz);

}  // namespace quorvel
