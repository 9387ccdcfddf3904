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

#include "common/SignalParameters.h"

namespace quorvel {

// What a key's value is.
enum class KeyKind {
    Number,  // a JSON number; a drawable one also {"min": a, "max": b}, drawn uniformly
    Choice,  // one of the names choiceNames gives
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
    std::string_view excludes{};    // a key that cannot be given with this one
    // Sets the value on the parameters: the number, or the index of the chosen name. Rows are
    // applied in table order, so a row may read what an earlier one set.
    void (*apply)(SignalParameters&, double) = nullptr;
    // The value the parameters hold, as recorded per capture for a drawable row.
    double (*read)(const SignalParameters&) = nullptr;
    // Choice: the names, in index order, or nothing past the last.
    std::optional<std::string_view> (*choiceName)(std::size_t index) = nullptr;

    // Whether a number keeps the rule.
    bool allows(double value) const;
};

// Every key, in the order they are applied, drawn and recorded.
std::span<const RecipeKey> recipeKeys();

// The row named `name`; null when there is none.
const RecipeKey* findRecipeKey(std::string_view name);

// The choice names of a Choice row joined as "a, b or c".
std::string choiceNamesText(const RecipeKey& key);

}  // namespace quorvel
