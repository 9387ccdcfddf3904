#include "common/PrintableText.h"

namespace quorvel {

std::string printableText(std::string_view text, std::size_t maxBytes) {
    static constexpr char kHex[] = "0123456789abcdef";
    bool cut = false;
    if (text.size() > maxBytes) {
        std::size_t end = maxBytes;
        // Back off continuation bytes, so the cut leaves whole characters.
        while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0u) == 0x80u) {
            --end;
        }
        text = text.substr(0, end);
        cut = true;
    }
    std::string shown;
    shown.reserve(text.size());
    const auto escape = [&shown](unsigned char byte) {
        shown += "\\x";
        shown += kHex[byte >> 4];
        shown += kHex[byte & 0xFu];
    };
    for (std::size_t k = 0; k < text.size(); ++k) {
        const auto byte = static_cast<unsigned char>(text[k]);
        if (byte < 0x20 || byte == 0x7F) {
            escape(byte);
        } else if (byte == 0xC2 && k + 1 < text.size() &&
                   static_cast<unsigned char>(text[k + 1]) >= 0x80 &&
                   static_cast<unsigned char>(text[k + 1]) <= 0x9F) {
            escape(byte);
            escape(static_cast<unsigned char>(text[++k]));
        } else {
            shown += text[k];
        }
    }
    return cut ? shown + "..." : shown;
}

}  // namespace quorvel
