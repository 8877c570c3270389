#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace timings {

// The measured opening times of one saved query during one run, and the rules by which the
// timings window lists queries and writes its figures.
class QueryTimes {
public:
    // Appends one measurement in milliseconds.
    void add(std::uint32_t ms) { times_.push_back(ms); }
    void clear() { times_.clear(); }
    const std::vector<std::uint32_t> &times() const { return times_; }
    bool empty() const { return times_.empty(); }

    // The mean of the measurements in whole milliseconds, rounded to nearest with halves to
    // even (12.5 gives 12, 13.5 gives 14); 0 without measurements.
    std::uint32_t averageMs() const;

    // Milliseconds as seconds with two decimals ("%1.2f" of ms / 1000), with `decimalPoint`
    // in place of the point: 50 gives "0.05", 1234 gives "1.23".
    static std::string secondsText(std::uint32_t ms, std::string_view decimalPoint = ".");

    // Whether a saved query of this type is timed: select, crosstab and union queries, each
    // also hidden (0, 8, 16, 24, 128, 136). Action, data-definition, pass-through and the
    // other kinds are never opened.
    static bool isTimedType(std::int32_t type);

    // What is opened to time a query: "select * from " and the name exactly as it is, so a
    // name that needs brackets fails to open.
    static std::string statementFor(const std::string &queryName);

    // Whether that statement reads the saved query itself: true when SQLite reads the name as
    // one identifier (letters, digits, "_", "$" and non-ASCII characters, not starting with a
    // digit or "$"). Any other name means something else to SQLite: "Orders Since" is the table
    // Orders under the alias Since, "A,B" a join of two tables, or a syntax error.
    static bool nameStandsAlone(const std::string &queryName);
    // The error shown when the statement opened although the name does not stand alone.
    static std::string notTheQueryMessage(const std::string &queryName);

private:
    std::vector<std::uint32_t> times_;
};

} // namespace timings
