#include "QueryTimes.h"

#include <charconv>
#include <system_error>

namespace timings {

std::uint32_t QueryTimes::averageMs() const
{
    if (times_.empty())
        return 0;
    // Integer arithmetic, so a half is exactly a half.
    std::uint64_t sum = 0;
    for (std::uint32_t t : times_)
        sum += t;
    const std::uint64_t count = times_.size();
    std::uint64_t quotient = sum / count;
    const std::uint64_t twiceRest = 2 * (sum % count);
    if (twiceRest > count || (twiceRest == count && quotient % 2 == 1))
        ++quotient;
    return std::uint32_t(quotient);
}

std::string QueryTimes::secondsText(std::uint32_t ms, std::string_view decimalPoint)
{
    // to_chars rounds the double exactly as printf's "%.2f" does, but never follows the C
    // locale; the caller decides the separator.
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, double(ms) / 1000.0,
                                      std::chars_format::fixed, 2);
    std::string text(buffer, result.ec == std::errc() ? result.ptr : buffer);
    if (const auto point = text.find('.'); point != std::string::npos)
        text.replace(point, 1, decimalPoint);
    return text;
}

bool QueryTimes::isTimedType(std::int32_t type)
{
    switch (type) {
    case 0:
    case 8:
    case 16:
    case 24:
    case 128:
    case 136:
        return true;
    default:
        return false;
    }
}

std::string QueryTimes::statementFor(const std::string &queryName)
{
    return "select * from " + queryName;
}

bool QueryTimes::nameStandsAlone(const std::string &queryName)
{
    if (queryName.empty())
        return false;
    const auto letter = [](unsigned char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
    };
    if (!letter(static_cast<unsigned char>(queryName.front())))
        return false;
    for (const char ch : queryName) {
        const auto c = static_cast<unsigned char>(ch);
        if (!letter(c) && !(c >= '0' && c <= '9') && c != '$')
            return false;
    }
    return true;
}

std::string QueryTimes::notTheQueryMessage(const std::string &queryName)
{
    return "\"" + statementFor(queryName) + "\" opens something other than this query: the name needs brackets.";
}

} // namespace timings
