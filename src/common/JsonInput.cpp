#include "common/JsonInput.h"

#include <algorithm>
#include <vector>

#include "common/PrintableText.h"

namespace quorvel {
namespace {

// The deepest nesting of arrays and objects in text, counted apart from the parser so that it
// bounds what the parser builds; stops counting past limit.
std::size_t nestingDepth(std::string_view text, std::size_t limit) {
    std::size_t depth = 0;
    std::size_t deepest = 0;
    bool inString = false;
    for (std::size_t k = 0; k < text.size() && deepest <= limit; ++k) {
        const char c = text[k];
        if (inString) {
            if (c == '\\') {
                ++k;
            } else if (c == '"') {
                inString = false;
            }
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            deepest = std::max(deepest, ++depth);
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return deepest;
}

// Where the parser stood when it gave up, as a recipe names its keys ("classes[2].snr_db"): the
// library's own message names the token, never the key, and a number out of range is only found
// there. Worked out by parsing again, so that a good input pays nothing for it.
std::string failurePath(std::string_view text) {
    struct Level {
        bool isArray = false;
        std::size_t index = 0;
        std::string key;
    };
    std::vector<Level> levels;
    // Every event at an array's own depth ends one of its elements.
    auto endElement = [&levels](int depth) {
        const auto d = static_cast<std::size_t>(depth);
        if (d > 0 && d == levels.size() && levels.back().isArray) {
            ++levels.back().index;
        }
    };
    try {
        const nlohmann::json whole = nlohmann::json::parse(text, [&](int depth, nlohmann::json::parse_event_t event, nlohmann::json& parsed) {
            using Event = nlohmann::json::parse_event_t;
            const auto d = static_cast<std::size_t>(depth);
            switch (event) {
                case Event::object_start:
                case Event::array_start:
                    levels.resize(d + 1);
                    levels[d] = {event == Event::array_start, 0, {}};
                    break;
                case Event::key:
                    levels.resize(d);
                    levels[d - 1].key = parsed.get<std::string>();
                    break;
                case Event::object_end:
                case Event::array_end:
                    levels.resize(d);
                    endElement(depth);
                    break;
                case Event::value:
                    levels.resize(d);
                    endElement(depth);
                    break;
            }
            return true;
        });
        (void)whole;
    } catch (const nlohmann::json::exception&) {
    } catch (const std::bad_alloc&) {
    }
    std::string path;
    for (const Level& level : levels) {
        if (level.isArray) {
            path += "[" + std::to_string(level.index) + "]";
        } else if (!level.key.empty()) {
            path += (path.empty() ? "" : ".") + printableText(level.key, kShownValueBytes);
        }
    }
    return path;
}

}  // namespace

JsonInput parseJsonInput(std::string_view text) {
    if (nestingDepth(text, kMaxJsonDepth) > kMaxJsonDepth) {
        return {std::nullopt, "nested deeper than " + std::to_string(kMaxJsonDepth) + " levels"};
    }
    try {
        return {nlohmann::json::parse(text), {}};
    } catch (const nlohmann::json::exception& e) {
        // The library quotes the input it stopped at.
        const std::string path = failurePath(text);
        return {std::nullopt, "not JSON" + (path.empty() ? std::string() : " at " + path) + ": " +
                                  printableText(e.what(), 2 * kShownValueBytes)};
    } catch (const std::bad_alloc&) {
        return {std::nullopt, "not JSON: too large to hold in memory"};
    }
}

std::string shownJson(const nlohmann::json& value) {
    if (value.is_string()) {
        // A long text is cut before it is copied.
        const std::string& s = value.get_ref<const std::string&>();
        return "\"" + printableText(std::string_view(s).substr(0, kShownValueBytes + 4), kShownValueBytes) + "\"";
    }
    return printableText(value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace), kShownValueBytes);
}

}  // namespace quorvel
