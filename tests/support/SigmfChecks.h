#pragma once
// The rules of the SigMF core namespace (v1.0.0) that this program's metadata relies on, checked
// on parsed JSON: every violation found, as text; none for a valid file.

#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace quorvel::testing_support {

using SigmfJson = nlohmann::json;

inline bool isUint(const SigmfJson& v) {
    return v.is_number_unsigned() || (v.is_number_integer() && v.get<std::int64_t>() >= 0);
}

// The namespace of a "namespace:name" key; empty when the key has none.
inline std::string namespaceOf(const std::string& key) {
    const auto colon = key.find(':');
    return colon == std::string::npos || colon == 0 || colon + 1 == key.size() ? "" : key.substr(0, colon);
}

// Checks the segments of "captures" or "annotations": objects with a uint core:sample_start,
// sorted ascending by it.
inline void checkSegments(const SigmfJson& segments, const std::string& name, std::vector<std::string>& errors) {
    if (!segments.is_array()) {
        errors.push_back(name + " is not an array");
        return;
    }
    std::uint64_t previous = 0;
    for (const auto& segment : segments) {
        if (!segment.is_object() || !segment.contains("core:sample_start") || !isUint(segment["core:sample_start"])) {
            errors.push_back(name + ": a segment without a uint core:sample_start");
            continue;
        }
        const auto start = segment["core:sample_start"].get<std::uint64_t>();
        if (start < previous) {
            errors.push_back(name + " not sorted by core:sample_start");
        }
        previous = start;
    }
}

inline std::vector<std::string> sigmfViolations(const std::string& text) {
    std::vector<std::string> errors;
    // The whole file is one JSON object: it begins with "{" and ends with "}".
    if (text.empty() || text.front() != '{' || text.back() != '}') {
        errors.push_back("the file does not begin with { and end with }");
    }
    const SigmfJson meta = SigmfJson::parse(text, nullptr, false);
    if (meta.is_discarded() || !meta.is_object()) {
        errors.push_back("not a JSON object");
        return errors;
    }
    for (const char* top : {"global", "captures", "annotations"}) {
        if (!meta.contains(top)) {
            errors.push_back(std::string("no top-level \"") + top + "\"");
        }
    }
    if (!errors.empty()) {
        return errors;
    }
    const SigmfJson& global = meta["global"];
    if (!global.is_object()) {
        errors.push_back("global is not an object");
        return errors;
    }
    // Required: datatype and version, strings. datatype follows the dataset format grammar.
    static const std::regex datatype("(r|c)(((f64|f32|i32|i16|u32|u16)(_le|_be))|i8|u8)");
    if (!global.contains("core:datatype") || !global["core:datatype"].is_string() ||
        !std::regex_match(global["core:datatype"].get<std::string>(), datatype)) {
        errors.push_back("core:datatype missing or not a dataset format");
    }
    static const std::regex version("[0-9]+\\.[0-9]+\\.[0-9]+");
    if (!global.contains("core:version") || !global["core:version"].is_string() ||
        !std::regex_match(global["core:version"].get<std::string>(), version)) {
        errors.push_back("core:version missing or not X.Y.Z");
    }
    // Optional, but typed when present.
    for (const char* key : {"core:sample_rate"}) {
        if (global.contains(key) && (!global[key].is_number() || global[key].get<double>() <= 0.0)) {
            errors.push_back(std::string(key) + " is not a positive double");
        }
    }
    for (const char* key : {"core:description", "core:author", "core:recorder", "core:license", "core:hw"}) {
        if (global.contains(key) && !global[key].is_string()) {
            errors.push_back(std::string(key) + " is not a string");
        }
    }
    if (global.contains("core:metadata_only") && !global["core:metadata_only"].is_boolean()) {
        errors.push_back("core:metadata_only is not a boolean");
    }
    // Extensions: an array of objects of exactly name (string), version (string), optional (bool).
    std::set<std::string> declared{"core"};
    if (global.contains("core:extensions")) {
        const auto& extensions = global["core:extensions"];
        if (!extensions.is_array()) {
            errors.push_back("core:extensions is not an array");
        } else {
            for (const auto& e : extensions) {
                if (!e.is_object() || e.size() != 3 || !e.contains("name") || !e["name"].is_string() ||
                    !e.contains("version") || !e["version"].is_string() || !e.contains("optional") ||
                    !e["optional"].is_boolean()) {
                    errors.push_back("an extension object is not {name, version, optional}");
                } else {
                    declared.insert(e["name"].get<std::string>());
                }
            }
        }
    }
    // Every name is namespaced, and every namespace but core is declared.
    const auto checkKeys = [&](const SigmfJson& object, const std::string& where) {
        for (const auto& item : object.items()) {
            const std::string& key = item.key();
            const std::string ns = namespaceOf(key);
            if (ns.empty()) {
                errors.push_back(where + ": key \"" + key + "\" has no namespace");
            } else if (!declared.contains(ns)) {
                errors.push_back(where + ": namespace \"" + ns + "\" not declared in core:extensions");
            }
        }
    };
    checkKeys(global, "global");
    checkSegments(meta["captures"], "captures", errors);
    checkSegments(meta["annotations"], "annotations", errors);
    if (meta["captures"].is_array()) {
        for (const auto& c : meta["captures"]) {
            checkKeys(c, "captures");
        }
    }
    if (meta["annotations"].is_array()) {
        for (const auto& a : meta["annotations"]) {
            checkKeys(a, "annotations");
            if (!a.contains("core:sample_count") || !isUint(a["core:sample_count"])) {
                errors.push_back("an annotation without a uint core:sample_count");
            }
            for (const char* key : {"core:generator", "core:label", "core:comment"}) {
                if (a.contains(key) && !a[key].is_string()) {
                    errors.push_back(std::string("annotation ") + key + " is not a string");
                }
            }
        }
    }
    return errors;
}

}  // namespace quorvel::testing_support
