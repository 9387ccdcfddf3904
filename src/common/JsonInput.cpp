#include "common/JsonInput.h"

#include <algorithm>

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

}  // namespace

JsonInput parseJsonInput(std::string_view text) {
    if (nestingDepth(text, kMaxJsonDepth) > kMaxJsonDepth) {
        return {std::nullopt, "nested deeper than " + std::to_string(kMaxJsonDepth) + " levels"};
    }
    try {
        return {nlohmann::json::parse(text), {}};
    } catch (const nlohmann::json::exception& e) {
        // The library quotes the input it stopped at.
        return {std::nullopt, "not JSON: " + printableText(e.what(), 2 * kShownValueBytes)};
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
