#pragma once
// JSON taken from a file or a user: parsed with a nesting cap, so that no later walk of the value
// (a dump, a copy, a comparison) can run out of stack, every failure of the library turned into a
// line, and values echoed cut short with their control characters escaped.

#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace quorvel {

// Deeper than anything the program writes or reads, by far.
inline constexpr std::size_t kMaxJsonDepth = 64;

// How much of a refused value a message shows.
inline constexpr std::size_t kShownValueBytes = 80;

struct JsonInput {
    std::optional<nlohmann::json> json;
    std::string problem;  // "not JSON: <the library's reason>" or "nested deeper than N levels"

    explicit operator bool() const { return json.has_value(); }
};

// The JSON value text holds, or why it holds none. A number beyond a double's range is refused,
// never read as infinity.
JsonInput parseJsonInput(std::string_view text);

// value as JSON text for a message: at most kShownValueBytes of it, control characters escaped.
std::string shownJson(const nlohmann::json& value);

// The integer value holds when it is one exactly and fits Integer: an integer literal, or a
// floating one that is whole and below 2^53, where every whole number is exact.
template <typename Integer>
std::optional<Integer> exactInteger(const nlohmann::json& value) {
    if (value.is_number_unsigned()) {
        const auto n = value.get<std::uint64_t>();
        return std::in_range<Integer>(n) ? std::optional(static_cast<Integer>(n)) : std::nullopt;
    }
    if (value.is_number_integer()) {
        const auto n = value.get<std::int64_t>();
        return std::in_range<Integer>(n) ? std::optional(static_cast<Integer>(n)) : std::nullopt;
    }
    if (value.is_number_float()) {
        constexpr double kExactBelow = 9007199254740992.0;  // 2^53
        const double d = value.get<double>();
        if (!(d > -kExactBelow && d < kExactBelow) || d != static_cast<double>(static_cast<std::int64_t>(d))) {
            return std::nullopt;
        }
        const auto n = static_cast<std::int64_t>(d);
        return std::in_range<Integer>(n) ? std::optional(static_cast<Integer>(n)) : std::nullopt;
    }
    return std::nullopt;
}

}  // namespace quorvel
