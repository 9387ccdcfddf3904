#pragma once
// Reading the fields of a metadata file's "global" object: each reader throws a FieldProblem
// that names the key and what is wrong with it.

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "common/PrintableText.h"

namespace quorvel {

// A malformed field: its key and what was wrong with it.
struct FieldProblem {
    std::string text;
};

inline const nlohmann::json& field(const nlohmann::json& global, const char* key) {
    const auto found = global.find(key);
    if (found == global.end()) {
        throw FieldProblem{std::string("\"") + key + "\" is missing"};
    }
    return *found;
}

inline std::string text(const nlohmann::json& global, const char* key) {
    const nlohmann::json& value = field(global, key);
    if (!value.is_string()) {
        throw FieldProblem{std::string("\"") + key + "\" is not a string"};
    }
    return value.get<std::string>();
}

inline double real(const nlohmann::json& global, const char* key) {
    const nlohmann::json& value = field(global, key);
    if (!value.is_number()) {
        throw FieldProblem{std::string("\"") + key + "\" is not a number"};
    }
    return value.get<double>();
}

template <typename Integer>
Integer integer(const nlohmann::json& global, const char* key) {
    const nlohmann::json& value = field(global, key);
    if (value.is_number_unsigned()) {
        const auto n = value.get<std::uint64_t>();
        if (std::in_range<Integer>(n)) {
            return static_cast<Integer>(n);
        }
    } else if (value.is_number_integer()) {
        const auto n = value.get<std::int64_t>();
        if (std::in_range<Integer>(n)) {
            return static_cast<Integer>(n);
        }
    }
    throw FieldProblem{std::string("\"") + key + "\" is not an integer in range"};
}

// The enumerator whose name the field holds.
template <typename Value>
Value named(const nlohmann::json& global, const char* key, std::optional<Value> (*find)(std::string_view)) {
    const std::string name = text(global, key);
    if (const auto value = find(name)) {
        return *value;
    }
    throw FieldProblem{std::string("\"") + key + "\" names nothing known (\"" + printableText(name, 80) + "\")"};
}

inline bool boolean(const nlohmann::json& global, const char* key) {
    const nlohmann::json& value = field(global, key);
    if (!value.is_boolean()) {
        throw FieldProblem{std::string("\"") + key + "\" is not true or false"};
    }
    return value.get<bool>();
}

}  // namespace quorvel
