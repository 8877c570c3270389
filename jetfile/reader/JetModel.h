#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <variant>
#include <vector>

// What a Jet (Access) file holds, in plain values: the reader fills it, the engine writer and
// the tests read it.
namespace jetfile {

// Field types as DAO numbers them (1 Boolean ... 12 Memo, 15 GUID, 20 Decimal).
struct JetColumn {
    std::string name;
    int daoType = 0;
    int size = 0;       // characters for text, bytes otherwise
    int precision = 0, scale = 0;
    bool required = false;
    bool autoNumber = false;
    std::string defaultValue, validationRule, validationText, description;
};

struct JetIndexField {
    std::string name;
    bool descending = false;
};

struct JetIndex {
    std::string name;
    std::vector<JetIndexField> fields;
    bool primary = false, unique = false, ignoreNulls = false, required = false;
};

struct JetTable {
    std::string name;
    bool system = false, hidden = false;
    std::vector<JetColumn> columns;
    std::vector<JetIndex> indexes;
    std::string validationRule, validationText, description;
};

struct JetRelation {
    std::string name;
    std::string table;        // the one side (referenced)
    std::string foreignTable; // the many side
    std::vector<std::pair<std::string, std::string>> fields; // primary field, foreign field
    std::int32_t attributes = 0;
};

struct JetQuery {
    std::string name;
    int daoType = 0; // with the hidden bit 8 when the query is hidden
    std::string sql;
    double created = 0, updated = 0; // dates as days since 1899-12-30
};

struct JetDocument {
    std::string container; // "Forms", "Reports", "Scripts", "Modules", "Tables", ...
    std::string name;
    double created = 0, updated = 0;
};

// One cell. Currency is kept in ten-thousandths so that no binary rounding touches it; dates
// are days since 1899-12-30 as the file stores them.
struct Currency {
    std::int64_t units = 0;
};
struct Date {
    double serial = 0;
};
using Bytes = std::vector<unsigned char>;
using Value = std::variant<std::monostate, bool, std::int64_t, double, Currency, Date, std::string, Bytes>;

// Currency as exact decimal text: "-12.5", "3", "0.0001".
std::string currencyText(Currency c);

} // namespace jetfile
