#include "Dates.h"
#include "FunctionSupport.h"
#include "automation/Text.h"

#include <cmath>
#include <ctime>

namespace accesssql::fn {

namespace {

using automation::Date;
using automation::DateParts;

const char *const kMonthNames[] = {"January", "February", "March",     "April",   "May",      "June",
                                   "July",    "August",   "September", "October", "November", "December"};
const char *const kDayNames[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

std::optional<Date> dateArg(sqlite3_context *ctx, sqlite3_value *v, const char *fn)
{
    const auto d = date(v);
    if (!d)
        error(ctx, std::string("Type mismatch: '") + text(v) + "' is not a date (" + fn + ")");
    return d;
}

Date now()
{
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    DateParts p;
    p.year = tm.tm_year + 1900, p.month = tm.tm_mon + 1, p.day = tm.tm_mday;
    p.hour = tm.tm_hour, p.minute = tm.tm_min, p.second = tm.tm_sec;
    return automation::makeDate(p);
}

double dayNumber(Date d) { return std::trunc(d.serial); }
double timeOfDay(Date d) { return std::fabs(d.serial - std::trunc(d.serial)); }

void today(sqlite3_context *ctx, int, sqlite3_value **) { resultDate(ctx, Date{dayNumber(now())}); }
void timeNow(sqlite3_context *ctx, int, sqlite3_value **) { resultDate(ctx, Date{timeOfDay(now())}); }
void nowFn(sqlite3_context *ctx, int, sqlite3_value **) { resultDate(ctx, now()); }

enum Part { Year, Month, Day, Hour, Minute, Second };

template <Part P>
void part(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (isNull(argv[0]))
        return sqlite3_result_null(ctx);
    const auto d = dateArg(ctx, argv[0], "date part");
    if (!d)
        return;
    const DateParts p = automation::splitDate(*d);
    const int values[] = {p.year, p.month, p.day, p.hour, p.minute, p.second};
    sqlite3_result_int(ctx, values[P]);
}

int firstDay(int argc, sqlite3_value **argv, int at)
{
    if (argc <= at || isNull(argv[at]))
        return 1;
    const auto n = number(argv[at]);
    return n && *n >= 1 && *n <= 7 ? int(*n) : 1;
}

// 1 for the week's first day (Sunday unless told otherwise).
int weekdayFrom(Date d, int first) { return (dates::weekday(d) - first + 7) % 7 + 1; }

void weekday(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    if (isNull(argv[0]))
        return sqlite3_result_null(ctx);
    const auto d = dateArg(ctx, argv[0], "Weekday");
    if (d)
        sqlite3_result_int(ctx, weekdayFrom(*d, firstDay(argc, argv, 1)));
}

int dayOfYear(const DateParts &p)
{
    DateParts jan1;
    jan1.year = p.year, jan1.month = 1, jan1.day = 1;
    DateParts day = p;
    day.hour = day.minute = day.second = 0;
    return int(automation::makeDate(day).serial - automation::makeDate(jan1).serial) + 1;
}

// Weeks counted from the one holding January 1.
int weekOfYear(Date d, int first)
{
    const DateParts p = automation::splitDate(d);
    DateParts jan1;
    jan1.year = p.year, jan1.month = 1, jan1.day = 1;
    const Date j = automation::makeDate(jan1);
    const int offset = weekdayFrom(j, first) - 1;
    return (dayOfYear(p) - 1 + offset) / 7 + 1;
}

std::string interval(sqlite3_value *v) { return automation::lowerAscii(text(v)); }

void datepart(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    if (isNull(argv[1]))
        return sqlite3_result_null(ctx);
    const auto d = dateArg(ctx, argv[1], "DatePart");
    if (!d)
        return;
    const DateParts p = automation::splitDate(*d);
    const std::string i = interval(argv[0]);
    const int first = firstDay(argc, argv, 2);
    int r;
    if (i == "yyyy")
        r = p.year;
    else if (i == "q")
        r = (p.month - 1) / 3 + 1;
    else if (i == "m")
        r = p.month;
    else if (i == "y")
        r = dayOfYear(p);
    else if (i == "d")
        r = p.day;
    else if (i == "w")
        r = weekdayFrom(*d, first);
    else if (i == "ww")
        r = weekOfYear(*d, first);
    else if (i == "h")
        r = p.hour;
    else if (i == "n")
        r = p.minute;
    else if (i == "s")
        r = p.second;
    else
        return error(ctx, "DatePart does not know the interval '" + text(argv[0]) + "'");
    sqlite3_result_int(ctx, r);
}

Date addMonths(Date d, long months)
{
    DateParts p = automation::splitDate(d);
    long m = p.year * 12L + (p.month - 1) + months;
    p.year = int(m / 12);
    p.month = int(m % 12) + 1;
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int last = days[p.month - 1];
    if (p.month == 2 && ((p.year % 4 == 0 && p.year % 100 != 0) || p.year % 400 == 0))
        last = 29;
    if (p.day > last)
        p.day = last; // Jan 31 + 1 month is the last day of February
    return automation::makeDate(p);
}

Date addSeconds(Date d, double seconds)
{
    // Through whole seconds from the epoch, so that times before 1899-12-30 move correctly.
    const DateParts p = automation::splitDate(d);
    const double base = dayNumber(d) * 86400.0 + p.hour * 3600.0 + p.minute * 60.0 + p.second;
    const double total = base + seconds;
    const double days = std::floor(total / 86400.0);
    const double rest = total - days * 86400.0;
    return Date{days >= 0 ? days + rest / 86400.0 : days - rest / 86400.0};
}

void dateadd(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (isNull(argv[1]) || isNull(argv[2]))
        return sqlite3_result_null(ctx);
    const auto n = number(argv[1]);
    const auto d = dateArg(ctx, argv[2], "DateAdd");
    if (!d)
        return;
    if (!n)
        return error(ctx, "Type mismatch: DateAdd needs a number");
    const double k = std::trunc(*n);
    const std::string i = interval(argv[0]);
    if (i == "yyyy")
        return resultDate(ctx, addMonths(*d, long(k) * 12));
    if (i == "q")
        return resultDate(ctx, addMonths(*d, long(k) * 3));
    if (i == "m")
        return resultDate(ctx, addMonths(*d, long(k)));
    const double seconds = i == "y" || i == "d" || i == "w" ? 86400 : i == "ww" ? 7 * 86400
                           : i == "h" ? 3600 : i == "n" ? 60 : i == "s" ? 1 : 0;
    if (seconds == 0)
        return error(ctx, "DateAdd does not know the interval '" + text(argv[0]) + "'");
    resultDate(ctx, addSeconds(*d, k * seconds));
}

double secondsOf(Date d)
{
    const DateParts p = automation::splitDate(d);
    return dayNumber(d) * 86400.0 + p.hour * 3600.0 + p.minute * 60.0 + p.second;
}

// DateDiff counts the boundaries of the interval between the two dates.
void datediff(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    if (isNull(argv[1]) || isNull(argv[2]))
        return sqlite3_result_null(ctx);
    const auto a = dateArg(ctx, argv[1], "DateDiff");
    const auto b = a ? dateArg(ctx, argv[2], "DateDiff") : std::nullopt;
    if (!a || !b)
        return;
    const DateParts p = automation::splitDate(*a), q = automation::splitDate(*b);
    const std::string i = interval(argv[0]);
    const double sa = secondsOf(*a), sb = secondsOf(*b);
    double r;
    if (i == "yyyy")
        r = q.year - p.year;
    else if (i == "q")
        r = (q.year * 4 + (q.month - 1) / 3) - (p.year * 4 + (p.month - 1) / 3);
    else if (i == "m")
        r = (q.year * 12 + q.month) - (p.year * 12 + p.month);
    else if (i == "y" || i == "d")
        r = std::floor(sb / 86400) - std::floor(sa / 86400);
    else if (i == "w")
        r = std::trunc((std::floor(sb / 86400) - std::floor(sa / 86400)) / 7);
    else if (i == "ww") {
        const int first = firstDay(argc, argv, 3);
        const double da = std::floor(sa / 86400) - (weekdayFrom(*a, first) - 1);
        const double db = std::floor(sb / 86400) - (weekdayFrom(*b, first) - 1);
        r = (db - da) / 7;
    } else if (i == "h")
        r = std::floor(sb / 3600) - std::floor(sa / 3600);
    else if (i == "n")
        r = std::floor(sb / 60) - std::floor(sa / 60);
    else if (i == "s")
        r = sb - sa;
    else
        return error(ctx, "DateDiff does not know the interval '" + text(argv[0]) + "'");
    sqlite3_result_int64(ctx, sqlite3_int64(r));
}

void dateserial(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (anyNull(3, argv))
        return sqlite3_result_null(ctx);
    const auto y = number(argv[0]), m = number(argv[1]), d = number(argv[2]);
    if (!y || !m || !d)
        return error(ctx, "Type mismatch: DateSerial needs numbers");
    resultDate(ctx, dates::fromParts(*y, *m, *d));
}

void timeserial(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (anyNull(3, argv))
        return sqlite3_result_null(ctx);
    const auto h = number(argv[0]), m = number(argv[1]), s = number(argv[2]);
    if (!h || !m || !s)
        return error(ctx, "Type mismatch: TimeSerial needs numbers");
    resultDate(ctx, addSeconds(Date{0}, std::trunc(*h) * 3600 + std::trunc(*m) * 60 + std::trunc(*s)));
}

void datevalue(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (isNull(argv[0]))
        return sqlite3_result_null(ctx);
    const auto d = dateArg(ctx, argv[0], "DateValue");
    if (d)
        resultDate(ctx, Date{dayNumber(*d)});
}

void timevalue(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (isNull(argv[0]))
        return sqlite3_result_null(ctx);
    const auto d = dateArg(ctx, argv[0], "TimeValue");
    if (d)
        resultDate(ctx, Date{timeOfDay(*d)});
}

void cdate(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (isNull(argv[0]))
        return error(ctx, "Invalid use of Null");
    const auto d = dateArg(ctx, argv[0], "CDate");
    if (d)
        resultDate(ctx, *d);
}

bool flag(int argc, sqlite3_value **argv, int at)
{
    if (argc <= at || isNull(argv[at]))
        return false;
    const auto n = number(argv[at]);
    return n && *n != 0;
}

void monthname(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    const auto m = isNull(argv[0]) ? std::nullopt : number(argv[0]);
    if (!m || *m < 1 || *m >= 13)
        return error(ctx, "Invalid argument for MonthName");
    const std::string name = kMonthNames[int(*m) - 1];
    resultText(ctx, flag(argc, argv, 1) ? name.substr(0, 3) : name);
}

void weekdayname(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    const auto w = isNull(argv[0]) ? std::nullopt : number(argv[0]);
    if (!w || *w < 1 || *w >= 8)
        return error(ctx, "Invalid argument for WeekdayName");
    const int first = firstDay(argc, argv, 2);
    const std::string name = kDayNames[(int(*w) - 1 + first - 1) % 7];
    resultText(ctx, flag(argc, argv, 1) ? name.substr(0, 3) : name);
}

} // namespace

void registerDateFunctions(sqlite3 *db)
{
    add(db, "acc_date", 0, today, false);
    add(db, "acc_time", 0, timeNow, false);
    add(db, "acc_now", 0, nowFn, false);
    add(db, "acc_year", 1, part<Year>);
    add(db, "acc_month", 1, part<Month>);
    add(db, "acc_day", 1, part<Day>);
    add(db, "acc_hour", 1, part<Hour>);
    add(db, "acc_minute", 1, part<Minute>);
    add(db, "acc_second", 1, part<Second>);
    add(db, "acc_weekday", -1, weekday);
    add(db, "acc_datepart", -1, datepart);
    add(db, "acc_dateadd", 3, dateadd);
    add(db, "acc_datediff", -1, datediff);
    add(db, "acc_dateserial", 3, dateserial);
    add(db, "acc_timeserial", 3, timeserial);
    add(db, "acc_datevalue", 1, datevalue);
    add(db, "acc_timevalue", 1, timevalue);
    add(db, "acc_cdate", 1, cdate);
    add(db, "acc_monthname", -1, monthname);
    add(db, "acc_weekdayname", -1, weekdayname);
}

} // namespace accesssql::fn
