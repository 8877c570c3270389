#include "JetModel.h"

namespace jetfile {

std::string currencyText(Currency c)
{
    const bool negative = c.units < 0;
    // Work in unsigned so that the smallest value has a magnitude too.
    const std::uint64_t magnitude = negative ? ~std::uint64_t(c.units) + 1 : std::uint64_t(c.units);
    std::string text = std::to_string(magnitude / 10000);
    std::string fraction = std::to_string(magnitude % 10000);
    fraction.insert(0, 4 - fraction.size(), '0');
    while (!fraction.empty() && fraction.back() == '0')
        fraction.pop_back();
    if (!fraction.empty())
        text += "." + fraction;
    return negative ? "-" + text : text;
}

} // namespace jetfile
