#pragma once
// Text taken from a file or a user, made safe to echo in a message: control characters (C0, DEL
// and the UTF-8 encoded C1 range) become \xNN escapes, so that a recorded escape sequence cannot
// reach a terminal, and an echo can be cut short.

#include <cstddef>
#include <string>
#include <string_view>

namespace quorvel {

// text with its control characters escaped as \xNN; a text longer than maxBytes is cut to its
// first maxBytes bytes (never inside a UTF-8 sequence) and "..." appended.
std::string printableText(std::string_view text, std::size_t maxBytes = std::string::npos);

}  // namespace quorvel
