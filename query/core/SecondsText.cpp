#include "SecondsText.h"

namespace query {

std::string SecondsText(std::uint32_t ms)
{
    const std::uint64_t hundredths = (std::uint64_t(ms) + 5) / 10;
    std::string text = std::to_string(hundredths / 100);
    text += '.';
    text += char('0' + hundredths / 10 % 10);
    text += char('0' + hundredths % 10);
    return text;
}

} // namespace query
