#pragma once

#include <cstdint>
#include <string>

namespace query {

// Milliseconds as seconds with two decimals ("%1.2f" of ms / 1000), rounded half up, always
// with '.' whatever the locale: the result text and the history show times this way.
std::string SecondsText(std::uint32_t ms);

} // namespace query
