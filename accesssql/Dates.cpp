#include "Dates.h"

#include "automation/Text.h"

#include <cctype>
#include <cmath>
#include <vector>

namespace accesssql::dates {

namespace {

const char *const kMonths[] = {"january", "february", "march",     "april",   "may",      "june",
                               "july",    "august",   "september", "october", "november", "december"};

struct Piece {
    enum { Num, Word, Sep } kind;
    std::string text;
    int value = 0;
};

std::vector<Piece> pieces(std::string_view s)
{
    std::vector<Piece> out;
    std::size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (std::isspace(c) || c == ',') {
            ++i;
        } else if (std::isdigit(c)) {
            Piece p{Piece::Num, {}, 0};
            while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
                p.text += s[i];
                p.value = p.value * 10 + (s[i] - '0');
                ++i;
            }
            out.push_back(p);
        } else if (std::isalpha(c)) {
            Piece p{Piece::Word, {}, 0};
            while (i < s.size() && std::isalpha(static_cast<unsigned char>(s[i])))
                p.text += char(std::tolower(static_cast<unsigned char>(s[i++])));
            out.push_back(p);
        } else {
            out.push_back({Piece::Sep, std::string(1, s[i]), 0});
            ++i;
        }
    }
    return out;
}

int monthOf(const std::string &word)
{
    for (int m = 0; m < 12; ++m) {
        const std::string full = kMonths[m];
        if (word.size() >= 3 && full.compare(0, word.size(), word) == 0)
            return m + 1;
    }
    return 0;
}

int fullYear(const Piece &p)
{
    if (p.text.size() <= 2)
        return p.value < 30 ? 2000 + p.value : 1900 + p.value;
    return p.value;
}

bool validDate(int y, int m, int d)
{
    static const int days[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (y < 100 || y > 9999 || m < 1 || m > 12 || d < 1 || d > days[m - 1])
        return false;
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return m != 2 || d <= 28 || leap;
}

bool isSep(const Piece &p, char c) { return p.kind == Piece::Sep && p.text[0] == c; }

// Reads the date part at the front of `p`; returns how many pieces it used (0: none).
std::size_t readDate(const std::vector<Piece> &p, automation::DateParts &out)
{
    auto num = [&](std::size_t i) { return i < p.size() && p[i].kind == Piece::Num; };
    auto sep = [&](std::size_t i, char c) { return i < p.size() && isSep(p[i], c); };
    // ISO: yyyy-mm-dd or yyyy/mm/dd
    if (num(0) && p[0].text.size() == 4 && (sep(1, '-') || sep(1, '/')) && num(2) && sep(3, p[1].text[0]) && num(4)) {
        out.year = p[0].value, out.month = p[2].value, out.day = p[4].value;
        return 5;
    }
    // US: m/d/y or m-d-y
    if (num(0) && (sep(1, '/') || sep(1, '-')) && num(2) && sep(3, p[1].text[0]) && num(4)) {
        out.month = p[0].value, out.day = p[2].value, out.year = fullYear(p[4]);
        return 5;
    }
    // 31-Jan-1995, 31 Jan 1995
    if (num(0) && p.size() > 1) {
        std::size_t i = 1;
        if (sep(i, '-') || sep(i, '/'))
            ++i;
        if (i < p.size() && p[i].kind == Piece::Word && monthOf(p[i].text)) {
            const int month = monthOf(p[i].text);
            std::size_t j = i + 1;
            if (sep(j, '-') || sep(j, '/'))
                ++j;
            if (num(j)) {
                out.day = p[0].value, out.month = month, out.year = fullYear(p[j]);
                return j + 1;
            }
        }
    }
    // January 31, 1995
    if (!p.empty() && p[0].kind == Piece::Word && monthOf(p[0].text) && num(1) && num(2)) {
        out.month = monthOf(p[0].text), out.day = p[1].value, out.year = fullYear(p[2]);
        return 3;
    }
    return 0;
}

// Reads "h:nn[:ss] [AM|PM]" from `i` to the end; false when the rest is something else.
bool readTime(const std::vector<Piece> &p, std::size_t i, automation::DateParts &out)
{
    auto num = [&](std::size_t k) { return k < p.size() && p[k].kind == Piece::Num; };
    if (i == p.size())
        return true;
    if (!num(i) || i + 2 >= p.size() + 0 || !isSep(p[i + 1], ':') || !num(i + 2))
        return false;
    out.hour = p[i].value, out.minute = p[i + 2].value;
    i += 3;
    if (i + 1 < p.size() + 1 && i < p.size() && isSep(p[i], ':') && num(i + 1)) {
        out.second = p[i + 1].value;
        i += 2;
        // fractions of a second are dropped
        if (i < p.size() && isSep(p[i], '.') && num(i + 1))
            i += 2;
    }
    if (i < p.size() && p[i].kind == Piece::Word && (p[i].text == "am" || p[i].text == "pm")) {
        if (out.hour < 1 || out.hour > 12)
            return false;
        if (p[i].text == "pm" && out.hour != 12)
            out.hour += 12;
        if (p[i].text == "am" && out.hour == 12)
            out.hour = 0;
        ++i;
    }
    return i == p.size() && out.hour < 24 && out.minute < 60 && out.second < 60;
}

} // namespace

std::optional<automation::Date> parse(std::string_view text)
{
    const std::vector<Piece> p = pieces(text);
    if (p.empty())
        return std::nullopt;
    automation::DateParts parts;
    std::size_t used = readDate(p, parts);
    // "T" between an ISO date and its time
    std::size_t next = used;
    if (used && next < p.size() && p[next].kind == Piece::Word && p[next].text == "t")
        ++next;
    if (used && !validDate(parts.year, parts.month, parts.day))
        return std::nullopt;
    if (!readTime(p, next, parts))
        return std::nullopt;
    return automation::makeDate(parts);
}

std::string toText(automation::Date date) { return automation::formatDate(date); }

automation::Date fromParts(double year, double month, double day, double hour, double minute, double second)
{
    // Months beyond 12 or below 1 move the year; days and times are added as offsets.
    long y = long(std::floor(year));
    long m = long(std::floor(month)) - 1;
    y += m >= 0 ? m / 12 : -((11 - m) / 12);
    m = ((m % 12) + 12) % 12;
    if (y >= 0 && y < 30)
        y += 2000;
    else if (y >= 30 && y < 100)
        y += 1900;
    automation::DateParts first;
    first.year = int(y), first.month = int(m) + 1, first.day = 1;
    const double base = automation::makeDate(first).serial;
    double seconds = hour * 3600.0 + minute * 60.0 + second;
    const double extraDays = std::floor(seconds / 86400.0);
    seconds -= extraDays * 86400.0;
    const double days = base + (std::floor(day) - 1) + extraDays;
    // Automation dates before the epoch carry the time after the sign.
    const double serial = days >= 0 ? days + seconds / 86400.0 : days - seconds / 86400.0;
    return automation::Date{serial};
}

int weekday(automation::Date date)
{
    // 1899-12-30 was a Saturday (7).
    const long days = long(std::trunc(date.serial));
    return int(((days % 7) + 7 + 6) % 7) + 1;
}

} // namespace accesssql::dates
