#include "Dates.h"
#include "FunctionSupport.h"
#include "Numbers.h"
#include "automation/Text.h"

#include <cmath>
#include <cstdio>
#include <vector>

namespace accesssql::fn {

namespace {

using automation::DateParts;
using automation::lowerAscii;

const char *const kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                               "July",    "August",   "September", "October", "November", "December"};
const char *const kDays[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

std::string two(int v)
{
    char b[16];
    std::snprintf(b, sizeof b, "%02d", v);
    return b;
}

// Named date formats as their patterns.
std::string namedDate(const std::string &lower, automation::Date d)
{
    const bool hasTime = std::fabs(d.serial - std::trunc(d.serial)) > 1e-9;
    const bool hasDate = std::trunc(d.serial) != 0;
    if (lower == "general date")
        return hasDate && hasTime ? "m/d/yyyy h:nn:ss AM/PM" : hasTime ? "h:nn:ss AM/PM" : "m/d/yyyy";
    if (lower == "long date")
        return "dddd, mmmm d, yyyy";
    if (lower == "medium date")
        return "d-mmm-yy";
    if (lower == "short date")
        return "m/d/yyyy";
    if (lower == "long time")
        return "h:nn:ss AM/PM";
    if (lower == "medium time")
        return "hh:nn AM/PM";
    if (lower == "short time")
        return "hh:nn";
    return {};
}

std::string formatDate(automation::Date d, const std::string &fmt)
{
    const DateParts p = automation::splitDate(d);
    std::string out;
    bool afterHour = false; // "m" after "h" means minutes
    for (std::size_t i = 0; i < fmt.size();) {
        const char c = fmt[i];
        std::size_t n = 1;
        while (i + n < fmt.size() && std::tolower(static_cast<unsigned char>(fmt[i + n])) == std::tolower(static_cast<unsigned char>(c)))
            ++n;
        const char lc = char(std::tolower(static_cast<unsigned char>(c)));
        const std::string rest = lowerAscii(fmt.substr(i, 5));
        if (c == '"') {
            const std::size_t close = fmt.find('"', i + 1);
            out += fmt.substr(i + 1, close == std::string::npos ? std::string::npos : close - i - 1);
            i = close == std::string::npos ? fmt.size() : close + 1;
            continue;
        }
        if (c == '\\' && i + 1 < fmt.size()) {
            out += fmt[i + 1];
            i += 2;
            continue;
        }
        if (rest == "am/pm" || rest.substr(0, 3) == "a/p") {
            const bool pm = p.hour >= 12;
            const bool full = rest == "am/pm";
            std::string s = full ? (pm ? "PM" : "AM") : (pm ? "P" : "A");
            if (std::islower(static_cast<unsigned char>(c)))
                s = lowerAscii(s);
            out += s;
            i += full ? 5 : 3;
            continue;
        }
        const bool twelve = lowerAscii(fmt).find("am/pm") != std::string::npos || lowerAscii(fmt).find("a/p") != std::string::npos;
        switch (lc) {
        case 'd':
            if (n == 1)
                out += std::to_string(p.day);
            else if (n == 2)
                out += two(p.day);
            else if (n == 3)
                out += std::string(kDays[dates::weekday(d) - 1]).substr(0, 3);
            else if (n == 4)
                out += kDays[dates::weekday(d) - 1];
            else
                out += formatDate(d, n == 5 ? "m/d/yyyy" : "dddd, mmmm d, yyyy");
            break;
        case 'm':
            if (afterHour && n <= 2) {
                out += n == 1 ? std::to_string(p.minute) : two(p.minute);
            } else if (n == 1) {
                out += std::to_string(p.month);
            } else if (n == 2) {
                out += two(p.month);
            } else if (n == 3) {
                out += std::string(kMonths[p.month - 1]).substr(0, 3);
            } else {
                out += kMonths[p.month - 1];
            }
            break;
        case 'y':
            if (n == 1) {
                DateParts jan1;
                jan1.year = p.year, jan1.month = 1, jan1.day = 1;
                DateParts day = p;
                day.hour = day.minute = day.second = 0;
                out += std::to_string(int(automation::makeDate(day).serial - automation::makeDate(jan1).serial) + 1);
            } else if (n == 2) {
                out += two(p.year % 100);
            } else {
                out += std::to_string(p.year);
            }
            break;
        case 'q':
            out += std::to_string((p.month - 1) / 3 + 1);
            break;
        case 'w':
            out += std::to_string(n == 1 ? dates::weekday(d) : 0);
            break;
        case 'h': {
            int h = p.hour;
            if (twelve)
                h = h % 12 == 0 ? 12 : h % 12;
            out += n == 1 ? std::to_string(h) : two(h);
            break;
        }
        case 'n':
            out += n == 1 ? std::to_string(p.minute) : two(p.minute);
            break;
        case 's':
            out += n == 1 ? std::to_string(p.second) : two(p.second);
            break;
        case 't':
            out += formatDate(d, "h:nn:ss AM/PM");
            break;
        case 'c':
            out += formatDate(d, namedDate("general date", d));
            break;
        default:
            out.append(n, c);
        }
        if (lc == 'h')
            afterHour = true;
        else if (lc != ':' && lc != ' ' && lc != 'm')
            afterHour = false;
        if (lc == 'm')
            afterHour = false;
        i += n;
    }
    return out;
}

std::string grouped(const std::string &digits)
{
    std::string out;
    const std::size_t n = digits.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (i && (n - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return out;
}

// One section of a number format: literals before and after the digit placeholders.
std::string formatNumber(double v, const std::string &fmt)
{
    std::string prefix, suffix, pattern;
    bool inPattern = false, done = false;
    for (std::size_t i = 0; i < fmt.size(); ++i) {
        const char c = fmt[i];
        std::string literal;
        if (c == '"') {
            const std::size_t close = fmt.find('"', i + 1);
            literal = fmt.substr(i + 1, close == std::string::npos ? std::string::npos : close - i - 1);
            i = close == std::string::npos ? fmt.size() : close;
        } else if (c == '\\' && i + 1 < fmt.size()) {
            literal = std::string(1, fmt[++i]);
        } else if (!done && (c == '0' || c == '#' || ((c == '.' || c == ',') && inPattern)
                             || ((c == '.') && i + 1 < fmt.size() && (fmt[i + 1] == '0' || fmt[i + 1] == '#')))) {
            inPattern = true;
            pattern += c;
            continue;
        } else if (inPattern && (c == 'E' || c == 'e') && i + 1 < fmt.size() && (fmt[i + 1] == '+' || fmt[i + 1] == '-')) {
            pattern += fmt.substr(i, 2);
            ++i;
            continue;
        } else {
            literal = std::string(1, c);
        }
        if (inPattern)
            done = true;
        (done ? suffix : prefix) += literal;
    }
    if (prefix.find('%') != std::string::npos || suffix.find('%') != std::string::npos)
        v *= 100;
    const auto point = pattern.find('.');
    const std::string intPart = pattern.substr(0, point);
    const std::string fracPart = point == std::string::npos ? "" : pattern.substr(point + 1);
    const auto ePos = fracPart.find_first_of("Ee") != std::string::npos ? fracPart.find_first_of("Ee") : intPart.find_first_of("Ee");
    if (ePos != std::string::npos || pattern.find_first_of("Ee") != std::string::npos) {
        int decimals = 0;
        for (char c : fracPart.substr(0, fracPart.find_first_of("Ee")))
            decimals += c == '0' || c == '#';
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.*E", decimals, std::fabs(v));
        std::string s = buf;
        const auto e = s.find('E');
        int exponent = std::atoi(s.c_str() + e + 1);
        const bool plus = pattern.find("E+") != std::string::npos || pattern.find("e+") != std::string::npos;
        s = s.substr(0, e) + "E" + (exponent < 0 ? "-" : plus ? "+" : "") + two(std::abs(exponent));
        return prefix + s + suffix;
    }
    int decimals = 0, minDecimals = 0, minInt = 0;
    for (char c : fracPart) {
        decimals += c == '0' || c == '#';
        minDecimals += c == '0' ? (decimals == minDecimals + 1 ? 1 : 0) : 0;
    }
    for (char c : intPart)
        minInt += c == '0';
    const bool thousands = intPart.find(',') != std::string::npos;
    const double r = numbers::roundHalfAway(std::fabs(v), decimals);
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, r);
    std::string s = buf;
    std::string whole = s.substr(0, s.find('.'));
    std::string frac = s.find('.') == std::string::npos ? "" : s.substr(s.find('.') + 1);
    while (int(frac.size()) > minDecimals && !frac.empty() && frac.back() == '0')
        frac.pop_back();
    if (whole == "0" && minInt == 0)
        whole.clear();
    while (int(whole.size()) < minInt)
        whole.insert(0, "0");
    if (thousands)
        whole = grouped(whole);
    std::string number = whole;
    if (!fracPart.empty() && (!frac.empty() || fmt.find('.') != std::string::npos))
        number += (frac.empty() && minDecimals == 0 ? "." : "." + frac);
    if (!frac.empty() || minDecimals)
        ;
    else if (!number.empty() && number.back() == '.')
        number.pop_back();
    return prefix + number + suffix;
}

std::vector<std::string> sections(const std::string &fmt)
{
    std::vector<std::string> out(1);
    bool quoted = false;
    for (char c : fmt) {
        if (c == '"')
            quoted = !quoted;
        if (c == ';' && !quoted)
            out.emplace_back();
        else
            out.back() += c;
    }
    return out;
}

std::string numberWithSections(double v, const std::string &fmt)
{
    const auto s = sections(fmt);
    if (v < 0 && s.size() > 1 && !s[1].empty())
        return formatNumber(-v, s[1]);
    if (v == 0 && s.size() > 2 && !s[2].empty())
        return formatNumber(v, s[2]);
    const std::string r = formatNumber(v, s[0]);
    return v < 0 && r.find_first_of("123456789") != std::string::npos ? "-" + r : r;
}

bool looksLikeDateFormat(const std::string &lower)
{
    if (lower.find_first_of("0#") != std::string::npos)
        return false;
    return lower.find_first_of("dmyhnsqwtc") != std::string::npos;
}

} // namespace

std::string format(sqlite3_value *value, const std::string &fmt)
{
    const std::string lower = lowerAscii(fmt);
    if (isNull(value)) {
        const auto s = sections(fmt);
        return s.size() > 3 ? formatNumber(0, s[3]) : std::string();
    }
    if (lower == ">" || lower == "<") {
        std::u32string s = decode(text(value));
        for (char32_t &c : s)
            c = lower == ">" ? (c >= 'a' && c <= 'z' ? c - 32 : c) : fold(c);
        return encode(s);
    }
    const auto n = sqlite3_value_type(value) == SQLITE_TEXT ? std::nullopt : number(value);
    const auto d = n ? std::nullopt : date(value);
    const std::string named = d ? namedDate(lower, *d) : std::string();
    if (d && (!named.empty() || looksLikeDateFormat(lower)))
        return formatDate(*d, named.empty() ? fmt : named);
    const auto x = n ? n : number(value);
    if (!x)
        return text(value);
    if (lower == "general number")
        return numbers::text(*x);
    if (lower == "currency")
        return *x < 0 ? "($" + formatNumber(-*x, "#,##0.00") + ")" : "$" + formatNumber(*x, "#,##0.00");
    if (lower == "fixed")
        return numberWithSections(*x, "0.00");
    if (lower == "standard")
        return numberWithSections(*x, "#,##0.00");
    if (lower == "percent")
        return numberWithSections(*x, "0.00%");
    if (lower == "scientific")
        return numberWithSections(*x, "0.00E+00");
    if (lower == "yes/no")
        return *x != 0 ? "Yes" : "No";
    if (lower == "true/false")
        return *x != 0 ? "True" : "False";
    if (lower == "on/off")
        return *x != 0 ? "On" : "Off";
    if (looksLikeDateFormat(lower) && lower != "@")
        return formatDate(automation::Date{*x}, namedDate(lower, automation::Date{*x}).empty() ? fmt : namedDate(lower, automation::Date{*x}));
    if (lower.find_first_of("0#") == std::string::npos)
        return text(value);
    return numberWithSections(*x, fmt);
}

} // namespace accesssql::fn
