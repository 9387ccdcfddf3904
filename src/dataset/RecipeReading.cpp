// Reading a dataset recipe: every key checked against its rule, in file order, before anything
// is made; the first fault is named by its JSON path ("classes[2].order") and the rule it breaks.

#include <algorithm>
#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>
#include <set>

#include "common/InputFile.h"
#include "common/JsonInput.h"
#include "common/NumberText.h"
#include "common/PrintableText.h"
#include "common/TransmitterChoices.h"
#include "dataset/CapturePlan.h"
#include "dataset/DatasetRecipe.h"
#include "dataset/RecipeKeys.h"
#include "dataset/SceneReading.h"
#include "dataset/ScenePlan.h"
#include "modulation/NominalPower.h"
#include "modulation/SchemeCatalog.h"
#include "request/ImpairmentSettings.h"
#include "synthesis/RunCheck.h"

namespace quorvel {
namespace {

using Json = nlohmann::json;

// The limits that keep every count of a dataset inside its integer types and a capture small.
constexpr std::uint64_t kMaxSamplesPerCapture = std::uint64_t{1} << 24;
constexpr std::uint64_t kMaxCaptures = std::uint64_t{1} << 40;
constexpr std::size_t kMaxSnrs = 10000;
// The labels keep an SNR as a whole number of dB in 64 bits; far beyond any measurable one.
constexpr double kMaxSnrMagnitudeDb = 1e6;
constexpr std::size_t kMaxLabel = 255;
constexpr std::size_t kShownPathBytes = 256;

// A refusal: the key's path and the rule.
struct KeyProblem {
    std::string text;
};

// A path holds the recipe's own key names, so it is escaped and cut like any echoed value.
[[noreturn]] void refuse(const std::string& path, const std::string& rule) {
    throw KeyProblem{printableText(path, kShownPathBytes) + ": " + rule};
}

const char* const kTopKeys[] = {"seed", "samples_per_capture", "captures_per_class_and_snr", "snr", "snr_ref",
                                "classes", "normalize", "checksums", "scene"};
const char* const kProfileKeys[] = {"profile", "delay_spread", "taps"};
// The recipe's words for the normalisations, in Normalization's order.
const char* const kNormalizations[] = {"none", "unit_power", "unit_constellation"};
// The exponential profile's taps, as many as a multipath setting holds.
constexpr std::uint64_t kMaxProfileTaps = 32;
const char* const kClassKeys[] = {"label", "modulation", "order", "apsk_radii"};
const char* const kSnrKeys[] = {"values", "start", "stop", "step", "definition", "analog"};
// The recipe's words for the band an analog class's SNR counts its noise in, in AnalogSnrBand's order.
const char* const kAnalogSnrBands[] = {"sampling_band", "occupied_band"};
// How the SNR is measured: noise power per complex sample against the capture's mean power.
// The recipe's words for the SNR definitions, in SnrDefinition's order.
const char* const kSnrDefinitions[] = {"per_sample", "esn0", "ebn0"};

template <std::size_t N>
bool isOneOf(const std::string& name, const char* const (&names)[N]) {
    for (const char* known : names) {
        if (name == known) {
            return true;
        }
    }
    return false;
}

std::uint64_t unsignedAt(const Json& value, const std::string& path, std::uint64_t lowest, std::uint64_t highest,
                         const std::string& rule) {
    const auto n = exactInteger<std::uint64_t>(value);
    if (!n || *n < lowest || *n > highest) {
        refuse(path, rule + " (it is " + shownJson(value) + ")");
    }
    return *n;
}

double numberAt(const Json& value, const std::string& path, const std::string& rule) {
    if (!value.is_number() || !std::isfinite(value.get<double>())) {
        refuse(path, rule + " (it is " + shownJson(value) + ")");
    }
    return value.get<double>();
}

const Json& required(const Json& object, const char* key, const std::string& path, const std::string& rule) {
    const auto found = object.find(key);
    if (found == object.end()) {
        refuse(path.empty() ? key : path + "." + key, "missing: " + rule);
    }
    return *found;
}

std::string join(const std::string& path, const std::string& key) {
    return path.empty() ? key : path + "." + key;
}

// Multipath taps in the command line's text, held to its rule.
std::vector<MultipathTap> tapsAt(const Json& value, const std::string& path, double samplingRate) {
    const ImpairmentSettingName& name = nameOf(ImpairmentSetting::Multipath);
    ImpairmentTexts texts;
    texts.multipath = value.is_string() ? value.get<std::string>() : std::string();
    if (texts.multipath.find_first_not_of(" \t") == std::string::npos) {
        refuse(path, std::string(name.help) + ", as a text " + std::string(name.syntax) + " (it is " + shownJson(value) + ")");
    }
    const ImpairmentReading reading = readImpairments(texts, samplingRate);
    if (!reading) {
        refuse(path, reading.problem->rule);
    }
    return reading.impairments->multipath;
}

std::string profileNamesText() {
    std::string text;
    for (std::size_t k = 0; delayProfileName(k); ++k) {
        text += (k == 0 ? "" : ", ") + std::string(*delayProfileName(k));
    }
    return text;
}

// A profile to draw per capture: {"profile": name, "delay_spread": seconds or {"min", "max"},
// "taps": count (the exponential profile's alone)}.
DrawnMultipath drawnMultipathAt(const Json& value, const std::string& path) {
    for (const auto& [name, unused] : value.items()) {
        if (!isOneOf(name, kProfileKeys)) {
            refuse(join(path, name), "unknown key (a drawn profile has \"profile\", \"delay_spread\" and \"taps\")");
        }
    }
    const Json& name = required(value, "profile", path, "one of " + profileNamesText());
    DrawnMultipath drawn;
    std::size_t k = 0;
    while (delayProfileName(k) && !(name.is_string() && *delayProfileName(k) == name.get<std::string>())) {
        ++k;
    }
    if (!delayProfileName(k)) {
        refuse(join(path, "profile"), "one of " + profileNamesText() + " (it is " + shownJson(name) + ")");
    }
    drawn.profile = static_cast<DelayProfile>(k);
    const std::string rule = "a finite number of seconds above 0";
    const auto spreadAt = [&](const Json& v, const std::string& at) {
        const double d = numberAt(v, at, rule);
        if (!(d > 0.0)) {
            refuse(at, rule + " (it is " + numberText(d) + ")");
        }
        return d;
    };
    const std::string spreadPath = join(path, "delay_spread");
    const Json& spread = required(value, "delay_spread", path, rule + ", or a range {\"min\", \"max\"} of them");
    if (spread.is_object()) {
        for (const auto& [key, unused] : spread.items()) {
            if (key != "min" && key != "max") {
                refuse(join(spreadPath, key), "unknown key (a range has \"min\" and \"max\")");
            }
        }
        drawn.lowestSpread = spreadAt(required(spread, "min", spreadPath, rule), join(spreadPath, "min"));
        drawn.highestSpread = spreadAt(required(spread, "max", spreadPath, rule), join(spreadPath, "max"));
        if (drawn.highestSpread < drawn.lowestSpread) {
            refuse(join(spreadPath, "max"), "at least min (" + numberText(drawn.lowestSpread) + ")");
        }
    } else {
        drawn.lowestSpread = drawn.highestSpread = spreadAt(spread, spreadPath);
    }
    const bool exponential = drawn.profile == DelayProfile::Exponential;
    if (exponential != value.contains("taps")) {
        refuse(join(path, "taps"), exponential ? "missing: the exponential profile's number of taps"
                                               : "only with \"profile\": \"exponential\"");
    }
    if (exponential) {
        drawn.exponentialTaps = unsignedAt(value["taps"], join(path, "taps"), 1, kMaxProfileTaps,
                                           "a whole number of taps from 1 to " + std::to_string(kMaxProfileTaps));
    }
    return drawn;
}

// A recipe key's value or range, checked against its row at the recipe's sampling rate.
KeySetting keySetting(const RecipeKey& key, std::size_t row, const Json& value, const std::string& path,
                      double samplingRate) {
    KeySetting setting{.row = row, .path = path};
    if (key.kind == KeyKind::Taps && value.is_object()) {
        setting.drawnMultipath = drawnMultipathAt(value, path);
        setting.low = setting.drawnMultipath->lowestSpread;
        setting.high = setting.drawnMultipath->highestSpread;
        return setting;
    }
    if (key.kind == KeyKind::Taps) {
        setting.taps = tapsAt(value, path, samplingRate);
        return setting;
    }
    if (key.kind == KeyKind::Choice) {
        const std::string rule = "one of " + choiceNamesText(key);
        if (value.is_string()) {
            for (std::size_t k = 0; key.choiceName(k); ++k) {
                if (*key.choiceName(k) == value.get<std::string>()) {
                    setting.low = setting.high = static_cast<double>(k);
                    return setting;
                }
            }
        }
        refuse(path, rule + " (it is " + shownJson(value) + ")");
    }
    const std::string rule = key.ruleText(samplingRate);
    const auto checked = [&](const Json& v, const std::string& at) {
        const double d = numberAt(v, at, rule);
        if (!key.allows(d, samplingRate)) {
            refuse(at, rule + " (it is " + numberText(d) + ")");
        }
        return d;
    };
    if (!value.is_object()) {
        setting.low = setting.high = checked(value, path);
        return setting;
    }
    if (!key.drawable) {
        refuse(path, "a single value, never a range: " + rule);
    }
    for (const auto& [name, unused] : value.items()) {
        if (name != "min" && name != "max") {
            refuse(join(path, name), "unknown key (a range has \"min\" and \"max\")");
        }
    }
    setting.low = checked(required(value, "min", path, rule), join(path, "min"));
    setting.high = checked(required(value, "max", path, rule), join(path, "max"));
    if (setting.high < setting.low) {
        refuse(join(path, "max"), "at least min (" + numberText(setting.low) + ")");
    }
    setting.drawn = true;
    return setting;
}

// The recipe keys an object gives, in table order; unknown names are left to the caller. The
// whole dataset's keys are applied to `whole` as they are read, so that a later row's rule may
// depend on them (half the sampling rate bounds a Doppler frequency).
std::vector<KeySetting> keySettings(const Json& object, const std::string& path, SignalParameters& whole) {
    std::vector<KeySetting> settings;
    const auto keys = recipeKeys();
    for (std::size_t row = 0; row < keys.size(); ++row) {
        const std::string name(keys[row].name);
        const auto found = object.find(name);
        if (found == object.end()) {
            continue;
        }
        if (keys[row].wholeDataset && !path.empty()) {
            refuse(join(path, name), "given once at the top of the recipe, for every class");
        }
        if (!keys[row].excludes.empty() && object.contains(std::string(keys[row].excludes))) {
            refuse(join(path, name), "cannot be given with " + std::string(keys[row].excludes));
        }
        settings.push_back(keySetting(keys[row], row, *found, join(path, name), whole.samplingRate));
        if (keys[row].wholeDataset) {
            applyKeySetting(settings.back(), settings.back().low, whole);
        }
    }
    return settings;
}

// The recipe's settings with the class's own in their place: a class key replaces the recipe's,
// and the key it excludes.
std::vector<KeySetting> merged(const std::vector<KeySetting>& recipe, const std::vector<KeySetting>& own) {
    const auto keys = recipeKeys();
    std::vector<KeySetting> result = own;
    for (const KeySetting& inherited : recipe) {
        bool replaced = false;
        for (const KeySetting& s : own) {
            replaced = replaced || s.row == inherited.row || keys[s.row].excludes == keys[inherited.row].name;
        }
        if (!replaced) {
            result.push_back(inherited);
        }
    }
    std::sort(result.begin(), result.end(), [](const KeySetting& a, const KeySetting& b) { return a.row < b.row; });
    return result;
}

// Checked by snrValues.
SnrDefinition snrDefinitionOf(const Json& snr) {
    if (!snr.contains("definition")) {
        return SnrDefinition::PerSample;
    }
    const std::string name = snr["definition"].get<std::string>();
    for (std::size_t k = 0; k < std::size(kSnrDefinitions); ++k) {
        if (name == kSnrDefinitions[k]) {
            return static_cast<SnrDefinition>(k);
        }
    }
    return SnrDefinition::PerSample;
}

AnalogSnrBand analogSnrBandOf(const Json& snr) {
    const auto found = snr.find("analog");
    if (found == snr.end()) {
        return AnalogSnrBand::Sampling;
    }
    for (std::size_t k = 0; k < std::size(kAnalogSnrBands); ++k) {
        if (found->is_string() && found->get<std::string>() == kAnalogSnrBands[k]) {
            return static_cast<AnalogSnrBand>(k);
        }
    }
    refuse("snr.analog", "\"sampling_band\" (the default: an analog class's noise counted over the whole sampling "
                         "band) or \"occupied_band\" (carrier-to-noise in its occupied band) (it is " +
                             shownJson(*found) + ")");
}

SnrReference snrReferenceOf(const Json& top) {
    if (!top.contains("snr_ref")) {
        return SnrReference::Measured;
    }
    const Json& value = top["snr_ref"];
    const std::optional<SnrReference> reference =
        value.is_string() ? snrReferenceNamed(value.get<std::string>()) : std::nullopt;
    if (!reference) {
        refuse("snr_ref", "\"measured\" (the capture's own mean power) or \"nominal\" (the waveform's nominal "
                          "power through its pulse) (it is " + shownJson(value) + ")");
    }
    return *reference;
}

double snrAt(const Json& value, const std::string& path) {
    const std::string rule = "a finite number of dB";
    const double db = numberAt(value, path, rule);
    if (!(std::abs(db) <= kMaxSnrMagnitudeDb)) {
        refuse(path, rule + " from -" + numberText(kMaxSnrMagnitudeDb) + " to " + numberText(kMaxSnrMagnitudeDb) +
                         " (it is " + numberText(db) + ")");
    }
    return db;
}

std::vector<double> snrValues(const Json& snr) {
    const std::string rule = "an object with \"values\" (a list of dB) or \"start\", \"stop\" and \"step\" [dB]";
    if (!snr.is_object()) {
        refuse("snr", rule);
    }
    for (const auto& [name, unused] : snr.items()) {
        if (!isOneOf(name, kSnrKeys)) {
            refuse("snr." + name, "unknown key (" + rule + ")");
        }
    }
    if (snr.contains("definition") &&
        !(snr["definition"].is_string() && isOneOf(snr["definition"].get<std::string>(), kSnrDefinitions))) {
        refuse("snr.definition", "\"per_sample\" (the noise power per complex sample against the capture's "
                                 "measured mean power), \"esn0\" or \"ebn0\" (it is " + shownJson(snr["definition"]) + ")");
    }
    std::vector<double> values;
    if (snr.contains("values")) {
        if (snr.contains("start") || snr.contains("stop") || snr.contains("step")) {
            refuse("snr.values", "cannot be given with start, stop and step");
        }
        const Json& list = snr["values"];
        if (!list.is_array() || list.empty() || list.size() > kMaxSnrs) {
            refuse("snr.values", "a list of 1 to " + std::to_string(kMaxSnrs) + " numbers of dB");
        }
        for (std::size_t k = 0; k < list.size(); ++k) {
            values.push_back(snrAt(list[k], "snr.values[" + std::to_string(k) + "]"));
        }
        return values;
    }
    const double start = snrAt(required(snr, "start", "snr", rule), "snr.start");
    const double stop = snrAt(required(snr, "stop", "snr", rule), "snr.stop");
    const double step = numberAt(required(snr, "step", "snr", rule), "snr.step", "a finite number of dB above 0");
    if (!(step > 0.0) || stop < start) {
        refuse(step > 0.0 ? "snr.stop" : "snr.step",
               step > 0.0 ? "at least start (" + numberText(start) + ")" : "a finite number of dB above 0");
    }
    // The stop value is included when the steps reach it, within rounding.
    const double count = std::floor((stop - start) / step + 1e-9) + 1.0;
    if (count > static_cast<double>(kMaxSnrs)) {
        refuse("snr.step", "at most " + std::to_string(kMaxSnrs) + " SNRs from start to stop");
    }
    for (double k = 0; k < count; ++k) {
        values.push_back(start + k * step);
    }
    return values;
}

Normalization normalizationOf(const Json& top) {
    const auto found = top.find("normalize");
    if (found == top.end()) {
        return Normalization::None;
    }
    for (std::size_t k = 0; k < std::size(kNormalizations); ++k) {
        if (found->is_string() && found->get<std::string>() == kNormalizations[k]) {
            return static_cast<Normalization>(k);
        }
    }
    refuse("normalize", "\"none\", \"unit_power\" (each capture scaled to mean power 1 as it is written) or "
                        "\"unit_constellation\" (each constellation to mean energy 1) (it is " + shownJson(*found) + ")");
}

bool checksumsOf(const Json& top) {
    const auto found = top.find("checksums");
    if (found == top.end()) {
        return false;
    }
    if (!found->is_boolean()) {
        refuse("checksums", "true or false (it is " + shownJson(*found) + ")");
    }
    return found->get<bool>();
}

SignalParameters schemeOf(const Json& c, const std::string& path) {
    const Json& name = required(c, "modulation", path, "a scheme name");
    const Scheme* scheme = name.is_string() ? findSchemeNamed(name.get<std::string>()) : nullptr;
    if (scheme == nullptr) {
        std::string names;
        for (const Scheme& s : schemeCatalog()) {
            names += (names.empty() ? "" : ", ") + std::string(s.name);
        }
        refuse(path + ".modulation", "one of " + names + " (it is " + shownJson(name) + ")");
    }
    SignalParameters p;
    p.modulationType = scheme->type;
    std::int32_t order = scheme->hasOrders() ? scheme->orders[scheme->defaultOrder].value : 0;
    if (c.contains("order")) {
        const std::string rule = scheme->hasOrders()
                                     ? std::string(scheme->name) + " offers the orders " + offeredOrdersText(*scheme, " or ")
                                     : std::string(scheme->name) + " has no order to choose";
        const Json& value = c["order"];
        const auto given = value.is_number_integer() ? exactInteger<std::int32_t>(value) : std::nullopt;
        if (!scheme->hasOrders() || !given || findOrder(*scheme, *given) == nullptr) {
            refuse(path + ".order", rule + " (it is " + shownJson(value) + ")");
        }
        order = *given;
    }
    setChosenOrder(p, order);
    if (scheme->hasRadii) {
        p.apskRadiiText = findOrder(*scheme, order)->radiiText;
    }
    if (c.contains("apsk_radii")) {
        const Json& radii = c["apsk_radii"];
        if (!scheme->hasRadii || !radii.is_string() || radii.get<std::string>().size() > 255) {
            refuse(path + ".apsk_radii", "ring radii text of at most 255 characters, for apsk only (it is " +
                                             shownJson(radii) + ")");
        }
        p.apskRadiiText = radii.get<std::string>();
    }
    return p;
}

// The run check for one class at one end of all its ranges.
void checkClass(const DatasetClass& c, const DatasetRecipe& recipe, bool high, const std::string& path) {
    SignalParameters p = c.scheme;
    for (const KeySetting& s : c.settings) {
        applyKeySetting(s, high ? s.high : s.low, p);
    }
    if (recipe.scene) {
        // An emitter is made noiseless; the scene adds the floor.
        p.snrDb = std::numeric_limits<double>::infinity();
    } else {
        const auto [lowestSnr, highestSnr] = std::minmax_element(recipe.snrsDb.begin(), recipe.snrsDb.end());
        p.snrDb = high ? *highestSnr : *lowestSnr;
    }
    p.transmitter.snrDefinition = recipe.snrDefinition;
    p.transmitter.snrReference = recipe.snrReference;
    p.transmitter.analogSnrBand = recipe.analogSnrBand;
    const std::uint32_t samples = recipe.samplesPerCapture;
    // A row that means nothing here is refused, unless the class inherits it and has turned off
    // what it needs by a key of its own (a class without fading in a recipe with Doppler ranges).
    const auto ownKey = [&](const KeySetting& s) { return s.path.rfind(path + ".", 0) == 0; };
    for (const KeySetting& s : c.settings) {
        const RecipeKey& key = recipeKeys()[s.row];
        if (key.applies == nullptr || key.applies(p)) {
            continue;
        }
        const bool optedOut = !ownKey(s) && std::any_of(c.settings.begin(), c.settings.end(), [&](const KeySetting& other) {
            return recipeKeys()[other.row].name == key.needs && ownKey(other);
        });
        if (!optedOut) {
            refuse(s.path, std::string(key.onlyWith) + (ownKey(s) ? "" : " (for " + path + ")"));
        }
    }
    if (p.samplingRate / p.symbolRate < 1.0) {
        refuse(path, "the symbol rate " + numberText(p.symbolRate) + " Hz exceeds the sampling rate " +
                         numberText(p.samplingRate) + " Hz (at most one symbol per sample)");
    }
    p.symbolCount = captureSymbolCount(p, samples);
    if (recipe.normalization == Normalization::UnitConstellation && !(nominalMeanPower(p) > 0.0)) {
        refuse(path, "\"normalize\": \"unit_constellation\" needs a constellation of known mean energy");
    }
    if (auto reason = findRefusal(p, std::numeric_limits<std::uint64_t>::max(), false)) {
        refuse(path, *reason);
    }
    if (auto problem = impairmentsProblem(p.impairments, p.samplingRate)) {
        refuse(path, problem->rule);
    }
    if (recipe.scene) {
        if (auto problem = sceneClassProblem(p)) {
            refuse(path, *problem);
        }
    }
}

// A key that is only half a setting is refused without its other half.
void checkNeeds(const std::vector<KeySetting>& settings) {
    const auto keys = recipeKeys();
    for (const KeySetting& s : settings) {
        const std::string_view needs = keys[s.row].needs;
        if (!needs.empty() && std::none_of(settings.begin(), settings.end(),
                                           [&](const KeySetting& other) { return keys[other.row].name == needs; })) {
            refuse(s.path, "needs " + std::string(needs) + " as well");
        }
    }
}

DatasetClass classAt(const Json& c, const std::vector<KeySetting>& recipe, SignalParameters whole,
                     const std::string& path) {
    if (!c.is_object()) {
        refuse(path, "an object with label, modulation and optionally order, apsk_radii and settings");
    }
    for (const auto& [name, unused] : c.items()) {
        if (!isOneOf(name, kClassKeys) && findRecipeKey(name) == nullptr) {
            refuse(path + "." + name, "unknown key");
        }
    }
    const Json& label = required(c, "label", path, "the class's name");
    // The HDF5 file keeps labels as fixed-length strings that end at a NUL.
    if (!label.is_string() || label.get<std::string>().empty() || label.get<std::string>().size() > kMaxLabel ||
        label.get<std::string>().find('\0') != std::string::npos) {
        refuse(path + ".label", "a name of 1 to " + std::to_string(kMaxLabel) + " bytes without NUL (it is " +
                                    shownJson(label) + ")");
    }
    DatasetClass result{label.get<std::string>(), schemeOf(c, path), merged(recipe, keySettings(c, path, whole))};
    checkNeeds(result.settings);
    return result;
}

DatasetRecipe recipeFrom(const Json& top) {
    if (!top.is_object()) {
        refuse("(top)", "a JSON object");
    }
    for (const auto& [name, unused] : top.items()) {
        if (!isOneOf(name, kTopKeys) && findRecipeKey(name) == nullptr) {
            refuse(name, "unknown key");
        }
    }
    DatasetRecipe recipe;
    recipe.seed = unsignedAt(required(top, "seed", "", "an unsigned 64-bit integer"), "seed", 0,
                             std::numeric_limits<std::uint64_t>::max(), "an unsigned 64-bit integer");
    recipe.samplesPerCapture = static_cast<std::uint32_t>(
        unsignedAt(required(top, "samples_per_capture", "", "an integer"), "samples_per_capture", 1,
                   kMaxSamplesPerCapture, "an integer from 1 to " + std::to_string(kMaxSamplesPerCapture)));
    if (top.contains("scene")) {
        // A scene's emitters each draw their own SNR against the floor, and its captures are counted whole.
        for (const char* key : {"captures_per_class_and_snr", "snr", "snr_ref", "normalize"}) {
            if (top.contains(key)) {
                refuse(key, "not with a scene (its captures, emitters and their SNRs are in \"scene\")");
            }
        }
        SceneReading scene = readScene(top["scene"], recipe.samplesPerCapture);
        if (!scene) {
            refuse(scene.path, scene.rule);
        }
        recipe.scene = *scene.settings;
    } else {
        recipe.capturesPerClassAndSnr =
            unsignedAt(required(top, "captures_per_class_and_snr", "", "an integer"), "captures_per_class_and_snr", 1,
                       kMaxCaptures, "an integer from 1 to " + std::to_string(kMaxCaptures));
        recipe.snrsDb = snrValues(required(top, "snr", "", "the SNRs"));
        recipe.snrDefinition = snrDefinitionOf(top["snr"]);
        recipe.analogSnrBand = analogSnrBandOf(top["snr"]);
        recipe.snrReference = snrReferenceOf(top);
    }
    recipe.normalization = normalizationOf(top);
    recipe.checksums = checksumsOf(top);
    SignalParameters whole;
    const std::vector<KeySetting> settings = keySettings(top, "", whole);
    const Json& classes = required(top, "classes", "", "a list of classes");
    if (!classes.is_array() || classes.empty()) {
        refuse("classes", "a list of one or more classes");
    }
    std::set<std::string> labels;
    for (std::size_t k = 0; k < classes.size(); ++k) {
        const std::string path = "classes[" + std::to_string(k) + "]";
        recipe.classes.push_back(classAt(classes[k], settings, whole, path));
        if (!labels.insert(recipe.classes.back().label).second) {
            refuse(path + ".label", "a name no other class has (\"" + printableText(recipe.classes.back().label, kShownValueBytes) +
                                        "\" is taken)");
        }
        checkClass(recipe.classes.back(), recipe, false, path);
        checkClass(recipe.classes.back(), recipe, true, path);
    }
    if (static_cast<double>(recipe.classes.size()) * static_cast<double>(recipe.snrsDb.size()) *
            static_cast<double>(recipe.capturesPerClassAndSnr) >
        static_cast<double>(kMaxCaptures)) {
        refuse("captures_per_class_and_snr", "at most " + std::to_string(kMaxCaptures) + " captures in all");
    }
    return recipe;
}

}  // namespace

RecipeReading readDatasetRecipe(const std::string& text) {
    JsonInput input = parseJsonInput(text);
    if (!input) {
        return {std::nullopt, "the recipe is " + input.problem};
    }
    try {
        DatasetRecipe recipe = recipeFrom(*input.json);
        recipe.text = text;
        return {std::move(recipe), {}};
    } catch (const KeyProblem& problem) {
        return {std::nullopt, problem.text};
    } catch (const Json::exception& e) {
        // A value of the wrong type that a rule above did not catch first.
        return {std::nullopt, "the recipe is malformed: " + printableText(e.what(), 2 * kShownValueBytes)};
    }
}

RecipeReading readDatasetRecipeFile(const std::string& path) {
    InputFile file = readInputFile(path, kMaxRecipeBytes, "a recipe");
    if (!file) {
        return {std::nullopt, std::move(file.problem)};
    }
    if (file.text->empty()) {
        return {std::nullopt, printableText(path, 1024) + " is empty"};
    }
    RecipeReading reading = readDatasetRecipe(*file.text);
    if (!reading) {
        reading.problem = printableText(path, 1024) + ": " + reading.problem;
    }
    return reading;
}

}  // namespace quorvel
