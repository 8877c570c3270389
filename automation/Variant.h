#pragma once

#include "DateTime.h"

#include <concepts>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace automation {

class Object;
class Array;
class CellStore;
class Variant;
using ObjectPtr = std::shared_ptr<Object>;
using Args = std::vector<Variant>;
using Bytes = std::vector<std::uint8_t>;

struct NullValue {
    friend bool operator==(NullValue, NullValue) { return true; }
};

// Money as automation carries it: a 64-bit integer scaled by 10,000.
struct Currency {
    std::int64_t scaled = 0;
    friend bool operator==(const Currency &, const Currency &) = default;
};

enum class VarType { Empty, Null, Boolean, Long, BigInt, Double, Currency, Date, String, Bytes, Array, Object };

// A late-bound value. Empty (never assigned) and Null (no data) are distinct. Copying a variant
// that holds an object copies the reference, so both copies reach the same object; release()
// sets the variant to Null.
class Variant {
public:
    Variant() = default;
    Variant(NullValue) : v_(NullValue{}) {}
    Variant(bool b) : v_(b) {}
    template <std::integral I>
        requires(!std::same_as<I, bool> && !std::same_as<I, char>)
    Variant(I i)
    {
        if (std::cmp_greater_equal(i, std::numeric_limits<std::int32_t>::min())
            && std::cmp_less_equal(i, std::numeric_limits<std::int32_t>::max()))
            v_ = std::int32_t(i);
        else
            v_ = std::int64_t(i);
    }
    Variant(double d) : v_(d) {}
    Variant(Currency c) : v_(c) {}
    Variant(Date d) : v_(d) {}
    Variant(std::string s) : v_(std::move(s)) {}
    Variant(std::string_view s) : v_(std::string(s)) {}
    Variant(const char *s) : v_(std::string(s)) {}
    Variant(Bytes b) : v_(std::move(b)) {}
    Variant(std::shared_ptr<const Array> a) : v_(std::move(a)) {}
    Variant(ObjectPtr o);
    template <class T>
        requires std::derived_from<T, Object>
    Variant(std::shared_ptr<T> o) : Variant(ObjectPtr(std::move(o))) {}

    static Variant null() { return Variant(NullValue{}); }

    VarType type() const { return VarType(v_.index()); }
    bool isEmpty() const { return type() == VarType::Empty; }
    bool isNull() const { return type() == VarType::Null; }
    // True when the variant holds an automation object reference.
    bool isObject() const { return type() == VarType::Object; }
    bool isNumeric() const;
    void release() { v_ = NullValue{}; }

    // Conversions; each throws Error (type mismatch) where no sensible value exists.
    bool toBool() const;
    std::int32_t toInt() const;
    std::int64_t toInt64() const;
    double toDouble() const;
    // The text rule of the whole program; see docs/engine.md. Byte arrays, arrays, objects and
    // Null do not convert.
    std::string toText() const;
    const std::string *stringIf() const { return std::get_if<std::string>(&v_); }
    const Bytes *bytesIf() const { return std::get_if<Bytes>(&v_); }
    Date toDate() const;
    Currency toCurrency() const;
    const ObjectPtr &object() const;
    const Array &array() const;

    // Late-bound access to the held object by member name, in any letter case.
    Variant get(std::string_view member, const Args &args = {}) const;
    void put(std::string_view member, const Variant &value) const;
    Variant call(std::string_view member, const Args &args = {}) const;
    // Collection item by 0-based index or by name.
    Variant item(const Variant &key) const;

    friend bool operator==(const Variant &, const Variant &);

private:
    std::variant<std::monostate, NullValue, bool, std::int32_t, std::int64_t, double, Currency,
                 Date, std::string, Bytes, std::shared_ptr<const Array>, ObjectPtr>
        v_;
};

// A two-dimensional array of variants indexed [column, row] as GetRows gives it. The cells
// may be shared with the recordset they came from, so taking all rows copies nothing.
class Array {
public:
    Array(std::size_t columns, std::size_t rows);
    Array(std::shared_ptr<const std::vector<Variant>> cells, std::size_t offset, std::size_t columns,
          std::size_t rows);
    // Rows firstRow to firstRow + rows - 1 of a packed store.
    Array(std::shared_ptr<const CellStore> store, std::size_t firstRow, std::size_t rows);

    std::size_t columns() const { return columns_; }
    std::size_t rows() const { return rows_; }
    Variant at(std::size_t column, std::size_t row) const;
    VarType type(std::size_t column, std::size_t row) const;
    // The text of a String cell without copying it; empty for other cells.
    std::string_view text(std::size_t column, std::size_t row) const;
    // Only for arrays built with the first constructor.
    void set(std::size_t column, std::size_t row, Variant value);

private:
    void check(std::size_t column, std::size_t row) const;

    std::shared_ptr<const std::vector<Variant>> cells_;
    std::shared_ptr<const CellStore> store_;
    std::vector<Variant> *own_ = nullptr;
    std::size_t offset_ = 0;
    std::size_t columns_;
    std::size_t rows_;
};

} // namespace automation
