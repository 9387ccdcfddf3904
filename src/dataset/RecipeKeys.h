#pragma once
// The settings a dataset recipe may give every capture, one row per key: its JSON name, whether it
// may also be a range to draw from, the rule its values keep, and how it sets a run's parameters.
// The reader, the draw and the recorded settings all go by this table alone, in its order; a new
// setting of SignalParameters becomes a recipe key by one row here.

#include <cmath>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/SignalParameters.h"
#include "dataset/DatasetRecipe.h"
#include "request/ImpairmentSettings.h"

namespace quorvel {

// What a key's value is.
enum class KeyKind {
    Number,  // a JSON number; a drawable one also {"min": a, "max": b}, drawn uniformly
    Choice,  // one of the names choiceNames gives
    Taps,    // the command line's multipath text, "D:G:P D:G:P ...", read by its rule; never drawn
};

struct RecipeKey {
    std::string_view name{};
    KeyKind kind = KeyKind::Number;
    bool drawable = false;          // may be a range; then it is recorded for every capture
    bool wholeDataset = false;      // given once at the top for every class, never by a class
    double lowest = -INFINITY;      // a number must be finite and lie within [lowest, highest],
    double highest = INFINITY;      // above lowest where lowestExcluded
    bool lowestExcluded = false;
    bool whole = false;             // a number must be a whole number
    std::string_view rule{};        // the rule in words, for the refusal
    bool statesBounds = false;      // the rule's words are followed by lowest and highest
    std::string_view excludes{};    // a key that cannot be given with this one
    // Sets the value on the parameters: the number, or the index of the chosen name. Rows are
    // applied in table order, so a row may read what an earlier one set.
    void (*apply)(SignalParameters&, double) = nullptr;
    // The value the parameters hold, as recorded per capture for a drawable row.
    double (*read)(const SignalParameters&) = nullptr;
    // Choice: the names, in index order, or nothing past the last.
    std::optional<std::string_view> (*choiceName)(std::size_t index) = nullptr;
    // An impairment's number: its bounds are the impairment rules' at the recipe's sampling rate,
    // in place of lowest, highest and lowestExcluded, and its rule is said in unit.
    std::optional<ImpairmentNumber> impairment{};
    std::string_view unit{};
    std::string_view needs{};  // a key that must be given with this one, here or above
    // Whether the row means anything on what the other rows set (a K-factor needs Rician fading);
    // where it does not, the row is refused with onlyWith, unless a class inherits it and turns
    // off the key it needs by its own.
    bool (*applies)(const SignalParameters&) = nullptr;
    std::string_view onlyWith{};
    // Recorded only in the datasets whose recipe gives it anywhere, so that a recipe without it
    // writes the file it wrote before the row existed.
    bool recordedWhenGiven = false;
    // Taps: sets the taps on the parameters.
    void (*applyTaps)(SignalParameters&, const std::vector<MultipathTap>&) = nullptr;

    // Whether a number keeps the rule (an impairment's, at samplingRate).
    bool allows(double value, double samplingRate) const;
    // The rule in words, for the refusal.
    std::string ruleText(double samplingRate) const;
};

// Every key, in the order they are applied, drawn and recorded.
std::span<const RecipeKey> recipeKeys();

// The row named `name`; null when there is none.
const RecipeKey* findRecipeKey(std::string_view name);

// Sets a key as given, at `value` of its range, on the parameters.
void applyKeySetting(const KeySetting& setting, double value, SignalParameters& parameters);

// Whether every capture of the recipe records the row (a drawable one) among its settings.
bool recordsRow(const DatasetRecipe& recipe, std::size_t row);

// The choice names of a Choice row joined as "a, b or c".
std::string choiceNamesText(const RecipeKey& key);

}  // namespace quorvel
