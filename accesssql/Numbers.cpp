#include "Numbers.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace accesssql::numbers {

namespace {

// The decimal digits of |value| to 15 significant digits, and the power of ten of the first.
struct Decimal {
    std::string digits; // without leading zeros, at least one digit
    int exponent = 0;   // value = 0.d1d2d3... * 10^exponent
};

Decimal decimal(double value)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(value));
    Decimal d;
    const char *p = buf;
    for (; *p && *p != 'e'; ++p)
        if (std::isdigit(static_cast<unsigned char>(*p)))
            d.digits += *p;
    d.exponent = std::atoi(p + 1) + 1;
    return d;
}

double rounded(double value, int decimals, bool halfEven)
{
    if (!std::isfinite(value) || value == 0)
        return value;
    const Decimal d = decimal(value);
    // digits kept: those before the decimal point plus `decimals`
    const int keep = d.exponent + decimals;
    if (keep >= int(d.digits.size()))
        return value;
    if (keep < 0)
        return 0.0 * value;
    std::string kept = d.digits.substr(0, std::size_t(keep));
    const std::string rest = d.digits.substr(std::size_t(keep));
    bool up = false;
    if (rest[0] > '5') {
        up = true;
    } else if (rest[0] == '5') {
        const bool exactHalf = rest.find_first_not_of('0', 1) == std::string::npos;
        if (!exactHalf || !halfEven)
            up = true;
        else
            up = !kept.empty() && (kept.back() - '0') % 2 == 1;
    }
    long long magnitude = kept.empty() ? 0 : std::atoll(kept.c_str());
    if (up)
        ++magnitude;
    // Read back as decimal text: the nearest double to the rounded decimal number.
    const std::string text = std::to_string(magnitude) + "e" + std::to_string(d.exponent - keep);
    const double exact = std::strtod(text.c_str(), nullptr);
    return value < 0 ? -exact : exact;
}

} // namespace

double roundHalfEven(double value, int decimals) { return rounded(value, decimals, true); }
double roundHalfAway(double value, int decimals) { return rounded(value, decimals, false); }

std::string text(double value)
{
    if (std::isnan(value))
        return "NaN";
    if (value == std::floor(value) && std::fabs(value) < 1e15) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.0f", value);
        return std::string(buf) == "-0" ? "0" : buf;
    }
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.15g", value);
    return buf;
}

namespace {

// Val's "&H1F" and "&O17" (or "&17"): up to four digits' worth of value is an Integer and up to
// eight a Long, as in VBA, so "&HFFFF" is -1.
double radixVal(std::string_view s, int radix)
{
    double value = 0;
    for (const char c : s) {
        if (c == ' ' || c == '\t')
            continue;
        const int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                          : radix == 16 && std::isxdigit(static_cast<unsigned char>(c)) ? std::tolower(c) - 'a' + 10
                                                                                         : radix;
        if (digit >= radix)
            break;
        value = value * radix + digit;
    }
    if (value <= 0xFFFF)
        return value >= 0x8000 ? value - 65536.0 : value;
    if (value <= 4294967295.0)
        return value >= 2147483648.0 ? value - 4294967296.0 : value;
    return value;
}

} // namespace

double val(std::string_view s)
{
    const auto start = s.find_first_not_of(" \t");
    if (start != std::string_view::npos && s[start] == '&' && start + 1 < s.size()) {
        const char kind = char(std::tolower(static_cast<unsigned char>(s[start + 1])));
        if (kind == 'h')
            return radixVal(s.substr(start + 2), 16);
        if (kind == 'o')
            return radixVal(s.substr(start + 2), 8);
        return radixVal(s.substr(start + 1), 8);
    }
    std::string digits;
    bool point = false, exponent = false;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (c == ' ' || c == '\t')
            continue;
        if (std::isdigit(static_cast<unsigned char>(c))) {
            digits += c;
        } else if ((c == '-' || c == '+') && (digits.empty() || (exponent && (digits.back() == 'e')))) {
            digits += c;
        } else if (c == '.' && !point && !exponent) {
            point = true;
            digits += c;
        } else if ((c == 'e' || c == 'E') && !exponent && !digits.empty()) {
            exponent = true;
            digits += 'e';
        } else {
            break;
        }
    }
    return std::strtod(digits.c_str(), nullptr);
}

std::optional<double> parse(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    if (s.empty())
        return std::nullopt;
    const std::string copy(s);
    char *end = nullptr;
    const double v = std::strtod(copy.c_str(), &end);
    if (end != copy.c_str() + copy.size() || copy.find_first_of("xXnN") != std::string::npos)
        return std::nullopt;
    return v;
}

} // namespace accesssql::numbers
