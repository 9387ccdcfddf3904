#pragma once
// The control panel hands its text fields over as 8-bit Latin-1 text; file names on this
// platform are UTF-8, so the save path is re-encoded before it names any file.

#include <string>
#include <string_view>

namespace quorvel {

// The UTF-8 spelling of Latin-1 text: bytes below 0x80 stay, every other byte becomes the two
// bytes of the character U+0080 ... U+00FF it stands for.
std::string latin1ToUtf8(std::string_view latin1);

}  // namespace quorvel
