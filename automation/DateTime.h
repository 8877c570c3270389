#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace automation {

// A date as automation carries it: days since 1899-12-30, the fraction being the time of day.
struct Date {
    double serial = 0.0;
    friend bool operator==(const Date &, const Date &) = default;
};

struct DateParts {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0;
};

Date makeDate(const DateParts &parts);
DateParts splitDate(Date date);

// "YYYY-MM-DD hh:mm:ss", or "YYYY-MM-DD" at midnight.
std::string formatDate(Date date);

// Accepts "YYYY-MM-DD", "YYYY-MM-DD hh:mm[:ss[.fff]]" and the same with 'T' between date and time.
std::optional<Date> parseDate(std::string_view text);

} // namespace automation
