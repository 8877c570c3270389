#include "Variant.h"

#include "CellStore.h"

#include "Error.h"
#include "Object.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace automation {

namespace {

[[noreturn]] void mismatch(const char *what)
{
    throw Error(std::string("Type mismatch: the value cannot be converted to ") + what + ".",
                codes::TypeMismatch, "Variant");
}

std::string doubleText(double d)
{
    if (std::isnan(d))
        return "NaN";
    if (std::isinf(d))
        return d > 0 ? "Infinity" : "-Infinity";
    // The same digits as "%.15g" (to_chars with a precision formats as printf does), without
    // the format string's parsing and the locale.
    char buf[40];
    const auto end = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::general, 15).ptr;
    return std::string(buf, end);
}

std::string currencyText(Currency c)
{
    const bool negative = c.scaled < 0;
    const std::uint64_t abs = negative ? 0 - std::uint64_t(c.scaled) : std::uint64_t(c.scaled);
    std::string text = std::to_string(abs / 10000);
    unsigned frac = unsigned(abs % 10000);
    if (frac) {
        char buf[8];
        std::snprintf(buf, sizeof buf, ".%04u", frac);
        std::string f = buf;
        while (f.back() == '0')
            f.pop_back();
        text += f;
    }
    return negative ? "-" + text : text;
}

bool parseNumber(const std::string &s, double &out)
{
    const char *begin = s.c_str();
    char *end = nullptr;
    out = std::strtod(begin, &end);
    while (end && (*end == ' ' || *end == '\t'))
        ++end;
    return end != begin && end && *end == '\0';
}

} // namespace

Variant::Variant(ObjectPtr o)
{
    if (o)
        v_ = std::move(o);
    else
        v_ = NullValue{};
}

bool Variant::isNumeric() const
{
    switch (type()) {
    case VarType::Boolean:
    case VarType::Long:
    case VarType::BigInt:
    case VarType::Double:
    case VarType::Currency:
        return true;
    default:
        return false;
    }
}

bool Variant::toBool() const
{
    switch (type()) {
    case VarType::Empty:
        return false;
    case VarType::Boolean:
        return std::get<bool>(v_);
    case VarType::String: {
        const std::string &s = std::get<std::string>(v_);
        if (s == "True" || s == "true" || s == "TRUE")
            return true;
        if (s == "False" || s == "false" || s == "FALSE")
            return false;
        double d;
        if (parseNumber(s, d))
            return d != 0;
        mismatch("Boolean");
    }
    default:
        if (isNumeric() || type() == VarType::Date)
            return toDouble() != 0;
        mismatch("Boolean");
    }
}

std::int64_t Variant::toInt64() const
{
    switch (type()) {
    case VarType::Empty:
        return 0;
    case VarType::Boolean:
        return std::get<bool>(v_) ? -1 : 0;
    case VarType::Long:
        return std::get<std::int32_t>(v_);
    case VarType::BigInt:
        return std::get<std::int64_t>(v_);
    default: {
        const double d = toDouble();
        if (!(d >= -9.2e18 && d <= 9.2e18))
            mismatch("an integer");
        return std::llround(d);
    }
    }
}

std::int32_t Variant::toInt() const
{
    const std::int64_t i = toInt64();
    if (i < std::numeric_limits<std::int32_t>::min() || i > std::numeric_limits<std::int32_t>::max())
        throw Error("Overflow: the value does not fit a 32-bit integer.", 6, "Variant");
    return std::int32_t(i);
}

double Variant::toDouble() const
{
    switch (type()) {
    case VarType::Empty:
        return 0;
    case VarType::Boolean:
        return std::get<bool>(v_) ? -1 : 0;
    case VarType::Long:
        return std::get<std::int32_t>(v_);
    case VarType::BigInt:
        return double(std::get<std::int64_t>(v_));
    case VarType::Double:
        return std::get<double>(v_);
    case VarType::Currency:
        return double(std::get<Currency>(v_).scaled) / 10000.0;
    case VarType::Date:
        return std::get<Date>(v_).serial;
    case VarType::String: {
        double d;
        if (parseNumber(std::get<std::string>(v_), d))
            return d;
        mismatch("a number");
    }
    default:
        mismatch("a number");
    }
}

Date Variant::toDate() const
{
    if (type() == VarType::Date)
        return std::get<Date>(v_);
    if (const std::string *s = stringIf()) {
        if (auto d = parseDate(*s))
            return *d;
        mismatch("a date");
    }
    return Date{toDouble()};
}

Currency Variant::toCurrency() const
{
    if (type() == VarType::Currency)
        return std::get<Currency>(v_);
    return Currency{std::llround(toDouble() * 10000.0)};
}

std::string Variant::toText() const
{
    switch (type()) {
    case VarType::Empty:
        return {};
    case VarType::Boolean:
        return std::get<bool>(v_) ? "True" : "False";
    case VarType::Long:
        return std::to_string(std::get<std::int32_t>(v_));
    case VarType::BigInt:
        return std::to_string(std::get<std::int64_t>(v_));
    case VarType::Double:
        return doubleText(std::get<double>(v_));
    case VarType::Currency:
        return currencyText(std::get<Currency>(v_));
    case VarType::Date:
        return formatDate(std::get<Date>(v_));
    case VarType::String:
        return std::get<std::string>(v_);
    default:
        mismatch("text");
    }
}

const ObjectPtr &Variant::object() const
{
    if (!isObject())
        throw Error("Object required.", codes::ObjectRequired, "Variant");
    return std::get<ObjectPtr>(v_);
}

const Array &Variant::array() const
{
    if (type() != VarType::Array)
        mismatch("an array");
    return *std::get<std::shared_ptr<const Array>>(v_);
}

Variant Variant::get(std::string_view member, const Args &args) const
{
    return object()->get(member, args);
}

void Variant::put(std::string_view member, const Variant &value) const
{
    object()->put(member, value);
}

Variant Variant::call(std::string_view member, const Args &args) const
{
    return object()->call(member, args);
}

Variant Variant::item(const Variant &key) const
{
    return object()->call("Item", Args{key});
}

bool operator==(const Variant &a, const Variant &b)
{
    return a.v_ == b.v_;
}

Array::Array(std::size_t columns, std::size_t rows) : columns_(columns), rows_(rows)
{
    auto cells = std::make_shared<std::vector<Variant>>(columns * rows);
    own_ = cells.get();
    cells_ = std::move(cells);
}

Array::Array(std::shared_ptr<const std::vector<Variant>> cells, std::size_t offset,
             std::size_t columns, std::size_t rows)
    : cells_(std::move(cells)), offset_(offset), columns_(columns), rows_(rows)
{
}

Array::Array(std::shared_ptr<const CellStore> store, std::size_t firstRow, std::size_t rows)
    : store_(std::move(store)), offset_(firstRow), columns_(store_->columns()), rows_(rows)
{
}

void Array::check(std::size_t column, std::size_t row) const
{
    if (column >= columns_ || row >= rows_)
        throw Error("Subscript out of range.", 9, "Array");
}

Variant Array::at(std::size_t column, std::size_t row) const
{
    check(column, row);
    if (store_)
        return store_->at(offset_ + row, column);
    return (*cells_)[offset_ + row * columns_ + column];
}

VarType Array::type(std::size_t column, std::size_t row) const
{
    check(column, row);
    if (store_)
        return store_->type(offset_ + row, column);
    return (*cells_)[offset_ + row * columns_ + column].type();
}

std::string_view Array::text(std::size_t column, std::size_t row) const
{
    check(column, row);
    if (store_)
        return store_->type(offset_ + row, column) == VarType::String ? store_->text(offset_ + row, column)
                                                                       : std::string_view();
    const std::string *s = (*cells_)[offset_ + row * columns_ + column].stringIf();
    return s ? std::string_view(*s) : std::string_view();
}

void Array::set(std::size_t column, std::size_t row, Variant value)
{
    if (!own_ || column >= columns_ || row >= rows_)
        throw Error("Subscript out of range.", 9, "Array");
    (*own_)[row * columns_ + column] = std::move(value);
}

} // namespace automation
