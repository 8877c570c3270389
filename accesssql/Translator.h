#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace accesssql {

// What the translator asks of the database it translates for.
class Catalog {
public:
    struct SavedQuery {
        std::string sql;
        bool access = true; // written in Access SQL; otherwise SQLite's own
        bool view = false;  // SQLite knows it by name as a view
    };
    virtual ~Catalog() = default;
    virtual bool isTable(std::string_view name) = 0;
    virtual std::optional<SavedQuery> savedQuery(std::string_view name) = 0;
    struct Value {
        std::string literal; // as a SQLite literal; NULL for Null
        std::string text;    // as a column heading
    };
    // Runs a SQLite SELECT and gives the first column of its rows. Crosstabs read their column
    // values with it.
    virtual std::vector<Value> values(const std::string &sqliteSelect) = 0;
    // The names of the columns a SQLite SELECT gives, or none when it cannot be prepared yet.
    // Columns of the same name from two tables are named after their tables with it.
    virtual std::vector<std::string> columnNames(const std::string &sqliteSelect)
    {
        (void)sqliteSelect;
        return {};
    }
};

// Values of parameters, keyed by the parameter's text as the query writes it (brackets around a
// whole simple name left out, letter case ignored). `ask` is called for a value not known yet;
// nullopt means none is given.
class ParameterValues {
public:
    using Ask = std::function<std::optional<std::string>(const std::string &name)>;
    explicit ParameterValues(Ask ask = {}) : ask_(std::move(ask)) {}
    void set(const std::string &name, const std::string &value);
    std::optional<std::string> find(std::string_view name) const;
    // The known value, else the one `ask` gives (kept), else an error naming the parameter.
    std::string get(const std::string &name);
    // The key of a parameter text: brackets around a simple name dropped, lower case.
    static std::string key(std::string_view name);

    // A name the translation left for SQLite to resolve, as SQLite would report it unknown
    // ("t.c"), and the text the query writes for it.
    void noteUnresolved(const std::string &sqliteName, const std::string &text);
    std::optional<std::string> unresolved(std::string_view sqliteName) const;

private:
    Ask ask_;
    std::map<std::string, std::string> values_;
    std::map<std::string, std::string> unresolved_;
};

struct Translation {
    enum Kind { Select, Crosstab, Union, Delete, Update, Append, MakeTable, Definition };
    Kind kind = Select;
    std::string sql;          // one SQLite statement
    std::string makeTable;    // the table a make-table query creates
    bool returnsRows() const { return kind == Select || kind == Crosstab || kind == Union; }
};

// Translates one Access SQL statement (a trailing ";" allowed) into SQLite. Saved queries it
// reaches are translated in turn and inlined. Throws accesssql::Error naming what is refused.
Translation translate(std::string_view sql, Catalog &catalog, ParameterValues &parameters);

// The parameters a leading PARAMETERS clause declares: the name as written and the type's name
// in upper case ("DATETIME", "TEXT", ...).
struct DeclaredParameter {
    std::string name, type;
};
std::vector<DeclaredParameter> declaredParameters(std::string_view sql);

// The name SQLite reports in "no such column: NAME", or nullopt for another message.
std::optional<std::string> unknownColumn(std::string_view sqliteMessage);

// A SQLite identifier in brackets (backquotes when the name holds a closing bracket).
std::string quoteName(std::string_view name);
// A SQLite string literal.
std::string quoteText(std::string_view text);

} // namespace accesssql
