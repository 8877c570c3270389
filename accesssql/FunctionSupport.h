#pragma once

#include "automation/DateTime.h"

#include <cstdint>
#include <optional>
#include <sqlite3.h>
#include <string>
#include <string_view>

// Shared by the files that implement the Access functions on SQLite values.
namespace accesssql::fn {

bool isNull(sqlite3_value *v);
bool anyNull(int argc, sqlite3_value **argv);
// The value as Access turns it into text: numbers without a needless fraction.
std::string text(sqlite3_value *v);
// The value as a number: integers, reals and numeric text; nullopt otherwise.
std::optional<double> number(sqlite3_value *v);
// The value as a date: date text (ISO or US), or a day number.
std::optional<automation::Date> date(sqlite3_value *v);
// Text that reads as a date and is written like one (with "-", "/" or ":").
std::optional<automation::Date> dateText(sqlite3_value *v);

void resultNumber(sqlite3_context *ctx, double value);
void resultText(sqlite3_context *ctx, const std::string &text);
void resultDate(sqlite3_context *ctx, automation::Date date);
void resultBool(sqlite3_context *ctx, bool value);
void error(sqlite3_context *ctx, const std::string &message);

// Code points of UTF-8 text and back.
std::u32string decode(std::string_view text);
std::string encode(std::u32string_view text);
char32_t fold(char32_t c);
bool equalFolded(std::u32string_view a, std::u32string_view b);

// Access's Like: * ? # [a-z] [!a-z], without regard to letter case.
bool like(std::u32string_view value, std::u32string_view pattern);

// Format(value, format) for numbers, dates and text, with the named formats.
std::string format(sqlite3_value *value, const std::string &fmt);

void registerTextFunctions(sqlite3 *db);
void registerDateFunctions(sqlite3 *db);

using Impl = void (*)(sqlite3_context *, int, sqlite3_value **);
void add(sqlite3 *db, const char *name, int args, Impl impl, bool deterministic = true);

} // namespace accesssql::fn
