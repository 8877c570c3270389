#pragma once

#include "automation/DateTime.h"

#include <optional>
#include <string>
#include <string_view>

// Dates as Access SQL writes and reads them. Values are kept as the engine keeps them: text
// "YYYY-MM-DD hh:mm:ss", or "YYYY-MM-DD" at midnight, compared as text.
namespace accesssql::dates {

// Reads the text of a #...# literal or of a date typed by a user: ISO "1995-01-31", US
// "1/31/1995" or "1/31/95" (month first), "31-Jan-1995", "January 31, 1995", each with an
// optional time "10:30[:15] [AM|PM]", or a time alone (on 1899-12-30).
std::optional<automation::Date> parse(std::string_view text);

std::string toText(automation::Date date);
// A date from serial parts with Access's overflow rules (month 13 is January of the next year).
automation::Date fromParts(double year, double month, double day, double hour = 0,
                           double minute = 0, double second = 0);
// 1 Sunday ... 7 Saturday.
int weekday(automation::Date date);

} // namespace accesssql::dates
