#include "Functions.h"

#include "Dates.h"
#include "FunctionSupport.h"
#include "Numbers.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace accesssql {

namespace fn {

bool isNull(sqlite3_value *v) { return sqlite3_value_type(v) == SQLITE_NULL; }

bool anyNull(int argc, sqlite3_value **argv)
{
    for (int i = 0; i < argc; ++i)
        if (isNull(argv[i]))
            return true;
    return false;
}

std::string text(sqlite3_value *v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_NULL:
        return {};
    case SQLITE_INTEGER:
        return std::to_string(sqlite3_value_int64(v));
    case SQLITE_FLOAT:
        return numbers::text(sqlite3_value_double(v));
    default:
        return std::string(reinterpret_cast<const char *>(sqlite3_value_text(v)), std::size_t(sqlite3_value_bytes(v)));
    }
}

std::optional<double> number(sqlite3_value *v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
        return double(sqlite3_value_int64(v));
    case SQLITE_FLOAT:
        return sqlite3_value_double(v);
    case SQLITE_TEXT:
        return numbers::parse(text(v));
    default:
        return std::nullopt;
    }
}

std::optional<automation::Date> dateText(sqlite3_value *v)
{
    if (sqlite3_value_type(v) != SQLITE_TEXT)
        return std::nullopt;
    const std::string t = text(v);
    if (t.find_first_of("-/:") == std::string::npos)
        return std::nullopt;
    return dates::parse(t);
}

std::optional<automation::Date> date(sqlite3_value *v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
        return automation::Date{sqlite3_value_double(v)};
    case SQLITE_TEXT:
        return dates::parse(text(v));
    default:
        return std::nullopt;
    }
}

void resultNumber(sqlite3_context *ctx, double value)
{
    if (std::isnan(value) || std::isinf(value))
        return error(ctx, "Overflow");
    if (value == std::trunc(value) && std::fabs(value) < 9.2e18)
        sqlite3_result_int64(ctx, sqlite3_int64(value));
    else
        sqlite3_result_double(ctx, value);
}

void resultText(sqlite3_context *ctx, const std::string &text)
{
    sqlite3_result_text(ctx, text.data(), int(text.size()), SQLITE_TRANSIENT);
}

void resultDate(sqlite3_context *ctx, automation::Date d) { resultText(ctx, dates::toText(d)); }

void resultBool(sqlite3_context *ctx, bool value) { sqlite3_result_int(ctx, value ? -1 : 0); }

void error(sqlite3_context *ctx, const std::string &message)
{
    const std::string m = "Access SQL: " + message;
    sqlite3_result_error(ctx, m.c_str(), int(m.size()));
}

void add(sqlite3 *db, const char *name, int args, Impl impl, bool deterministic)
{
    const int flags = SQLITE_UTF8 | (deterministic ? SQLITE_DETERMINISTIC : 0);
    if (sqlite3_create_function_v2(db, name, args, flags, nullptr, impl, nullptr, nullptr, nullptr) != SQLITE_OK)
        throw std::runtime_error(std::string("cannot register the function ") + name);
}

} // namespace fn

namespace {

using namespace fn;

// ---- operators ---------------------------------------------------------------------------------

void concat(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    std::string out;
    bool any = false;
    for (int i = 0; i < argc; ++i) {
        if (isNull(argv[i]))
            continue;
        any = true;
        out += text(argv[i]);
    }
    if (any)
        resultText(ctx, out);
    else
        sqlite3_result_null(ctx);
}

bool numeric(sqlite3_value *v)
{
    const int t = sqlite3_value_type(v);
    return t == SQLITE_INTEGER || t == SQLITE_FLOAT;
}

void addOrSubtract(sqlite3_context *ctx, sqlite3_value **argv, bool plus)
{
    sqlite3_value *a = argv[0], *b = argv[1];
    if (isNull(a) || isNull(b))
        return sqlite3_result_null(ctx);
    if (sqlite3_value_type(a) == SQLITE_INTEGER && sqlite3_value_type(b) == SQLITE_INTEGER) {
        const sqlite3_int64 x = sqlite3_value_int64(a), y = sqlite3_value_int64(b);
        sqlite3_int64 r;
        if (!(plus ? __builtin_add_overflow(x, y, &r) : __builtin_sub_overflow(x, y, &r)))
            return sqlite3_result_int64(ctx, r);
    }
    if (numeric(a) && numeric(b)) {
        const double r = plus ? sqlite3_value_double(a) + sqlite3_value_double(b)
                              : sqlite3_value_double(a) - sqlite3_value_double(b);
        return sqlite3_result_double(ctx, r);
    }
    // Text and dates
    if (plus && !numeric(a) && !numeric(b))
        return resultText(ctx, text(a) + text(b));
    const auto da = dateText(a), db = dateText(b);
    if (da && db && !plus)
        return sqlite3_result_double(ctx, da->serial - db->serial);
    if (da || db) {
        const auto n = number(da ? b : a);
        if (!n || (db && !plus))
            return error(ctx, "Type mismatch in date arithmetic");
        const double serial = (da ? da->serial : db->serial);
        return resultDate(ctx, automation::Date{plus ? serial + *n : serial - *n});
    }
    const auto x = number(a), y = number(b);
    if (!x || !y)
        return error(ctx, std::string("Type mismatch: '") + text(numeric(a) ? b : a) + "' is not a number");
    resultNumber(ctx, plus ? *x + *y : *x - *y);
}

void add2(sqlite3_context *ctx, int, sqlite3_value **argv) { addOrSubtract(ctx, argv, true); }
void subtract(sqlite3_context *ctx, int, sqlite3_value **argv) { addOrSubtract(ctx, argv, false); }

// Mod and \ round their operands to whole numbers first.
bool wholeOperands(sqlite3_context *ctx, sqlite3_value **argv, double &a, double &b)
{
    const auto x = number(argv[0]), y = number(argv[1]);
    if (!x || !y) {
        error(ctx, "Type mismatch: Mod and \\ take numbers");
        return false;
    }
    a = numbers::roundHalfEven(*x, 0);
    b = numbers::roundHalfEven(*y, 0);
    if (b == 0) {
        error(ctx, "Division by zero");
        return false;
    }
    return true;
}

void mod(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    double a, b;
    if (anyNull(2, argv))
        return sqlite3_result_null(ctx);
    if (wholeOperands(ctx, argv, a, b))
        resultNumber(ctx, std::fmod(a, b));
}

void intdiv(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    double a, b;
    if (anyNull(2, argv))
        return sqlite3_result_null(ctx);
    if (wholeOperands(ctx, argv, a, b))
        resultNumber(ctx, std::trunc(a / b));
}

void power(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (anyNull(2, argv))
        return sqlite3_result_null(ctx);
    const auto a = number(argv[0]), b = number(argv[1]);
    if (!a || !b)
        return error(ctx, "Type mismatch: ^ takes numbers");
    resultNumber(ctx, std::pow(*a, *b));
}

void likeFn(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (anyNull(2, argv))
        return sqlite3_result_null(ctx);
    sqlite3_result_int(ctx, like(decode(text(argv[0])), decode(text(argv[1]))) ? 1 : 0);
}

// ---- numbers and conversions ------------------------------------------------------------------

using Unary = double (*)(double);

template <Unary F>
void math(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (isNull(argv[0]))
        return sqlite3_result_null(ctx);
    const auto x = number(argv[0]);
    if (!x)
        return error(ctx, "Type mismatch: '" + text(argv[0]) + "' is not a number");
    resultNumber(ctx, F(*x));
}

double sgn(double x) { return x > 0 ? 1 : x < 0 ? -1 : 0; }
double fix(double x) { return std::trunc(x); }
double cdbl(double x) { return x; }
// A Single keeps the seven significant digits Access shows of it, so that CSng(1.1) is 1.1 rather
// than the float's exact 1.10000002384186.
double csng(double x)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.7g", double(float(x)));
    return std::strtod(buf, nullptr);
}
double ccur(double x) { return numbers::roundHalfEven(x, 4); }

void sqr(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (isNull(argv[0]))
        return sqlite3_result_null(ctx);
    const auto x = number(argv[0]);
    if (!x || *x < 0)
        return error(ctx, "Invalid argument for Sqr");
    resultNumber(ctx, std::sqrt(*x));
}

void logFn(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (isNull(argv[0]))
        return sqlite3_result_null(ctx);
    const auto x = number(argv[0]);
    if (!x || *x <= 0)
        return error(ctx, "Invalid argument for Log");
    sqlite3_result_double(ctx, std::log(*x));
}

void expFn(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (isNull(argv[0]))
        return sqlite3_result_null(ctx);
    const auto x = number(argv[0]);
    if (!x)
        return error(ctx, "Type mismatch: '" + text(argv[0]) + "' is not a number");
    sqlite3_result_double(ctx, std::exp(*x));
}

void roundFn(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(ctx);
    const auto x = number(argv[0]);
    const auto n = argc > 1 ? number(argv[1]) : std::optional<double>(0);
    if (!x || !n || *n < 0)
        return error(ctx, "Invalid argument for Round");
    const double r = numbers::roundHalfEven(*x, int(*n));
    if (*n == 0 || sqlite3_value_type(argv[0]) == SQLITE_INTEGER)
        return resultNumber(ctx, r);
    sqlite3_result_double(ctx, r);
}

// CInt and CLng round half to even and check the range.
template <int Bits>
void cwhole(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (isNull(argv[0]))
        return error(ctx, "Invalid use of Null");
    auto x = number(argv[0]);
    if (!x && sqlite3_value_type(argv[0]) == SQLITE_TEXT) {
        const std::string t = text(argv[0]);
        if (t == "True" || t == "true")
            x = -1;
        else if (t == "False" || t == "false")
            x = 0;
    }
    if (!x)
        return error(ctx, "Type mismatch: '" + text(argv[0]) + "' is not a number");
    const double r = numbers::roundHalfEven(*x, 0);
    const double limit = Bits == 16 ? 32768.0 : 2147483648.0;
    if (r < -limit || r > limit - 1)
        return error(ctx, "Overflow");
    sqlite3_result_int64(ctx, sqlite3_int64(r));
}

template <Unary F>
void convert(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (isNull(argv[0]))
        return error(ctx, "Invalid use of Null");
    const auto x = number(argv[0]);
    if (!x)
        return error(ctx, "Type mismatch: '" + text(argv[0]) + "' is not a number");
    sqlite3_result_double(ctx, F(*x));
}

void cbool(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (isNull(argv[0]))
        return error(ctx, "Invalid use of Null");
    const std::string t = text(argv[0]);
    if (t == "True" || t == "true" || t == "Yes" || t == "yes")
        return resultBool(ctx, true);
    if (t == "False" || t == "false" || t == "No" || t == "no")
        return resultBool(ctx, false);
    const auto x = number(argv[0]);
    if (!x)
        return error(ctx, "Type mismatch: '" + t + "' is not Yes or No");
    resultBool(ctx, *x != 0);
}

void cstr(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (isNull(argv[0]))
        return error(ctx, "Invalid use of Null");
    resultText(ctx, text(argv[0]));
}

void cvar(sqlite3_context *ctx, int, sqlite3_value **argv) { sqlite3_result_value(ctx, argv[0]); }

void val(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (isNull(argv[0]))
        return error(ctx, "Invalid use of Null");
    if (numeric(argv[0]))
        return sqlite3_result_value(ctx, argv[0]);
    sqlite3_result_double(ctx, numbers::val(text(argv[0])));
}

void str(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (isNull(argv[0]))
        return sqlite3_result_null(ctx);
    const auto x = number(argv[0]);
    if (!x)
        return error(ctx, "Type mismatch: '" + text(argv[0]) + "' is not a number");
    resultText(ctx, (*x >= 0 ? " " : "") + numbers::text(*x));
}

void isNumeric(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    resultBool(ctx, !isNull(argv[0]) && number(argv[0]).has_value());
}

void isDate(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    resultBool(ctx, sqlite3_value_type(argv[0]) == SQLITE_TEXT && dates::parse(text(argv[0])).has_value());
}

void formatFn(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    if (isNull(argv[0]) && (argc < 2 || text(argv[1]).find(';') == std::string::npos))
        return sqlite3_result_null(ctx);
    resultText(ctx, argc < 2 || isNull(argv[1]) ? text(argv[0]) : format(argv[0], text(argv[1])));
}

// ---- aggregates --------------------------------------------------------------------------------

struct Kept {
    sqlite3_value *value;
};

template <bool First>
void keepStep(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    auto *k = static_cast<Kept *>(sqlite3_aggregate_context(ctx, sizeof(Kept)));
    if (!k)
        return sqlite3_result_error_nomem(ctx);
    if (First && k->value)
        return;
    sqlite3_value_free(k->value);
    k->value = sqlite3_value_dup(argv[0]);
}

void keepFinal(sqlite3_context *ctx)
{
    auto *k = static_cast<Kept *>(sqlite3_aggregate_context(ctx, 0));
    if (!k || !k->value)
        return sqlite3_result_null(ctx);
    sqlite3_result_value(ctx, k->value);
    sqlite3_value_free(k->value);
    k->value = nullptr;
}

struct Moments {
    std::int64_t n;
    double mean, m2;
};

void momentStep(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (isNull(argv[0]))
        return;
    const auto x = number(argv[0]);
    if (!x)
        return error(ctx, "Type mismatch: '" + text(argv[0]) + "' is not a number");
    auto *m = static_cast<Moments *>(sqlite3_aggregate_context(ctx, sizeof(Moments)));
    if (!m)
        return sqlite3_result_error_nomem(ctx);
    ++m->n;
    const double d = *x - m->mean;
    m->mean += d / double(m->n);
    m->m2 += d * (*x - m->mean);
}

// Sample forms need two values, population forms one; fewer give Null.
template <bool Sample, bool Root>
void momentFinal(sqlite3_context *ctx)
{
    auto *m = static_cast<Moments *>(sqlite3_aggregate_context(ctx, 0));
    if (!m || m->n < (Sample ? 2 : 1))
        return sqlite3_result_null(ctx);
    const double v = m->m2 / double(Sample ? m->n - 1 : m->n);
    sqlite3_result_double(ctx, Root ? std::sqrt(v) : v);
}

void aggregate(sqlite3 *db, const char *name, Impl step, void (*final)(sqlite3_context *))
{
    if (sqlite3_create_function_v2(db, name, 1, SQLITE_UTF8, nullptr, nullptr, step, final, nullptr) != SQLITE_OK)
        throw std::runtime_error(std::string("cannot register the function ") + name);
}

} // namespace

void registerFunctions(sqlite3 *db)
{
    add(db, "acc_concat", -1, concat);
    add(db, "acc_add", 2, add2);
    add(db, "acc_sub", 2, subtract);
    add(db, "acc_mod", 2, mod);
    add(db, "acc_intdiv", 2, intdiv);
    add(db, "acc_power", 2, power);
    add(db, "acc_like", 2, likeFn);
    add(db, "acc_int", 1, math<std::floor>);
    add(db, "acc_fix", 1, math<fix>);
    add(db, "acc_abs", 1, math<std::fabs>);
    add(db, "acc_sgn", 1, math<sgn>);
    add(db, "acc_sqr", 1, sqr);
    add(db, "acc_exp", 1, expFn);
    add(db, "acc_log", 1, logFn);
    add(db, "acc_round", -1, roundFn);
    add(db, "acc_cint", 1, cwhole<16>);
    add(db, "acc_clng", 1, cwhole<32>);
    add(db, "acc_csng", 1, convert<csng>);
    add(db, "acc_cdbl", 1, convert<cdbl>);
    add(db, "acc_ccur", 1, convert<ccur>);
    add(db, "acc_cbool", 1, cbool);
    add(db, "acc_cstr", 1, cstr);
    add(db, "acc_cvar", 1, cvar);
    add(db, "acc_val", 1, val);
    add(db, "acc_str", 1, str);
    add(db, "acc_isnumeric", 1, isNumeric);
    add(db, "acc_isdate", 1, isDate);
    add(db, "acc_format", -1, formatFn);
    aggregate(db, "acc_first", keepStep<true>, keepFinal);
    aggregate(db, "acc_last", keepStep<false>, keepFinal);
    aggregate(db, "acc_stdev", momentStep, momentFinal<true, true>);
    aggregate(db, "acc_stdevp", momentStep, momentFinal<false, true>);
    aggregate(db, "acc_var", momentStep, momentFinal<true, false>);
    aggregate(db, "acc_varp", momentStep, momentFinal<false, false>);
    registerTextFunctions(db);
    registerDateFunctions(db);
}

} // namespace accesssql
