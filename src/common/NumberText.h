#pragma once
// Numbers in messages: the shortest form a stream gives by default (6 significant digits).

#include <sstream>
#include <string>

namespace quorvel {

inline std::string numberText(double value) {
    std::ostringstream text;
    text << value;
    return text.str();
}

}  // namespace quorvel
