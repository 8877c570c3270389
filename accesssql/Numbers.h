#pragma once

#include <optional>
#include <string>
#include <string_view>

// Numbers as Access shows and rounds them.
namespace accesssql::numbers {

// Rounds to `decimals` places, a half going to the even neighbour ("banker's rounding"), on the
// number as it is written (15 significant digits), so 2.675 rounds as the text 2.675 does.
double roundHalfEven(double value, int decimals);
// Rounds half away from zero, as Format does.
double roundHalfAway(double value, int decimals);
// Up to 15 significant digits, without exponent in the usual range: 1.5, 100, 0.001.
std::string text(double value);
// A number at the start of a text as Val reads it: blanks ignored, stops at the first other
// character; 0 for none.
double val(std::string_view text);
// The whole text as a number (blanks around allowed), or nullopt.
std::optional<double> parse(std::string_view text);

} // namespace accesssql::numbers
