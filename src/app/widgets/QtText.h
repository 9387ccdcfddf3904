#pragma once
// The core's texts (UTF-8 string views) as Qt strings.

#include <QString>
#include <string_view>

namespace quorvel {

inline QString toQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace quorvel
