#include "DateTime.h"

#include <cmath>
#include <cstdio>

namespace automation {

namespace {

// Days between 1970-01-01 and the given civil date (proleptic Gregorian calendar).
long daysFromCivil(int y, int m, int d)
{
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = unsigned((153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1);
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + long(doe) - 719468;
}

void civilFromDays(long z, int &y, int &m, int &d)
{
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = int(doy - (153 * mp + 2) / 5 + 1);
    m = int(mp < 10 ? mp + 3 : mp - 9);
    y = int(long(yoe) + era * 400 + (m <= 2));
}

const long kEpochOffset = daysFromCivil(1899, 12, 30);

bool digits(std::string_view s, std::size_t pos, std::size_t count, int &out)
{
    if (pos + count > s.size())
        return false;
    int v = 0;
    for (std::size_t i = pos; i < pos + count; ++i) {
        if (s[i] < '0' || s[i] > '9')
            return false;
        v = v * 10 + (s[i] - '0');
    }
    out = v;
    return true;
}

} // namespace

Date makeDate(const DateParts &p)
{
    const long days = daysFromCivil(p.year, p.month, p.day) - kEpochOffset;
    const double time = (p.hour * 3600.0 + p.minute * 60.0 + p.second) / 86400.0;
    // Automation dates before the epoch keep the time as a positive fraction after the sign.
    return Date{days >= 0 ? days + time : days - time};
}

DateParts splitDate(Date date)
{
    DateParts p;
    double whole = std::trunc(date.serial);
    double frac = std::fabs(date.serial - whole);
    long seconds = std::lround(frac * 86400.0);
    if (seconds >= 86400) {
        seconds -= 86400;
        whole += date.serial < 0 ? -1 : 1;
    }
    civilFromDays(long(whole) + kEpochOffset, p.year, p.month, p.day);
    p.hour = int(seconds / 3600);
    p.minute = int(seconds / 60 % 60);
    p.second = int(seconds % 60);
    return p;
}

namespace {

void twoDigits(char *out, int value)
{
    out[0] = char('0' + value / 10);
    out[1] = char('0' + value % 10);
}

} // namespace

std::string formatDate(Date date)
{
    const DateParts p = splitDate(date);
    // Years of four digits, the usual case, are written by hand: this runs for every date of a
    // result. Other years keep printf's form.
    if (p.year >= 0 && p.year <= 9999) {
        char buf[19] = {};
        twoDigits(buf, p.year / 100);
        twoDigits(buf + 2, p.year % 100);
        buf[4] = '-';
        twoDigits(buf + 5, p.month);
        buf[7] = '-';
        twoDigits(buf + 8, p.day);
        if (p.hour == 0 && p.minute == 0 && p.second == 0)
            return std::string(buf, 10);
        buf[10] = ' ';
        twoDigits(buf + 11, p.hour);
        buf[13] = ':';
        twoDigits(buf + 14, p.minute);
        buf[16] = ':';
        twoDigits(buf + 17, p.second);
        return std::string(buf, 19);
    }
    char buf[48];
    if (p.hour == 0 && p.minute == 0 && p.second == 0)
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", p.year, p.month, p.day);
    else
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", p.year, p.month, p.day,
                      p.hour, p.minute, p.second);
    return buf;
}

std::optional<Date> parseDate(std::string_view s)
{
    DateParts p;
    if (!digits(s, 0, 4, p.year) || s.size() < 10 || s[4] != '-' || s[7] != '-'
        || !digits(s, 5, 2, p.month) || !digits(s, 8, 2, p.day))
        return std::nullopt;
    if (p.month < 1 || p.month > 12 || p.day < 1 || p.day > 31)
        return std::nullopt;
    if (s.size() > 10) {
        if ((s[10] != ' ' && s[10] != 'T') || s.size() < 16 || s[13] != ':'
            || !digits(s, 11, 2, p.hour) || !digits(s, 14, 2, p.minute))
            return std::nullopt;
        std::size_t end = 16;
        if (s.size() > 16) {
            if (s[16] != ':' || !digits(s, 17, 2, p.second))
                return std::nullopt;
            end = 19;
            if (s.size() > 19 && s[19] == '.') {
                end = 20;
                while (end < s.size() && s[end] >= '0' && s[end] <= '9')
                    ++end;
            }
        }
        if (end != s.size() || p.hour > 23 || p.minute > 59 || p.second > 59)
            return std::nullopt;
    }
    return makeDate(p);
}

} // namespace automation
