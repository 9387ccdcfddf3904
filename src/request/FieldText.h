#pragma once
// A setting's text as a front end hands it over, read as a number or as bytes.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace quorvel {

// A field holds at most this many code units; anything beyond is never read.
inline constexpr std::size_t kFieldTextLimit = 255;

// A setting's text as its front end holds it: UTF-16 from the control panel, bytes from the
// command line. A view: the text lives with the caller.
class FieldText {
public:
    FieldText() = default;
    FieldText(std::u16string_view text) : text_(text) {}  // NOLINT: both forms convert implicitly
    FieldText(std::string_view text) : text_(text) {}     // NOLINT
    FieldText(const char* text) : text_(std::string_view(text)) {}  // NOLINT
    FieldText(const std::u16string& text) : text_(std::u16string_view(text)) {}  // NOLINT
    FieldText(const std::string& text) : text_(std::string_view(text)) {}        // NOLINT

    // The number the first kFieldTextLimit units spell; nothing when they spell none.
    std::optional<double> real() const;
    std::optional<std::int32_t> integer() const;
    // The first kFieldTextLimit units as bytes: UTF-16 units keep their low byte, bytes stay.
    std::string narrow() const;

private:
    std::variant<std::u16string_view, std::string_view> text_{std::string_view()};
};

}  // namespace quorvel
