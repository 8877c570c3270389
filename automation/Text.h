#pragma once

#include <string>
#include <string_view>

namespace automation {

// Member names, ProgIDs and catalogue names compare without regard to ASCII letter case.
std::string lowerAscii(std::string_view text);
std::string upperAscii(std::string_view text);
bool equalsNoCase(std::string_view a, std::string_view b);

} // namespace automation
