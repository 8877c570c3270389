#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The little SQL reading the engine needs beyond SQLite: the PARAMETERS clause, the kind of a
// saved query, the body of a view, and the column checks and foreign keys of CREATE TABLE.
namespace dbengine::sqltext {

struct Token {
    enum Kind { Word, Identifier, String, Number, Punct, Variable } kind;
    std::size_t pos;    // offset in the text
    std::size_t length; // length in the text, quotes included
    std::string value;  // words and quoted identifiers without their quotes
};

// Skips blanks and comments. Never throws: an unterminated quote runs to the end of the text.
std::vector<Token> tokenize(std::string_view sql);
bool isWord(const Token &token, std::string_view keyword);
// A name: a word or a quoted identifier.
bool isName(const Token &token);

struct ParameterDecl {
    std::string name;
    std::int16_t type = 0;
};

struct ParsedQuery {
    std::vector<ParameterDecl> parameters;
    std::string body;       // the text after the PARAMETERS clause
    std::string executable; // the body with parameter references as "?" placeholders
    std::vector<std::size_t> placeholderParameter; // for each "?", the parameter index
};

// Throws automation::Error for a PARAMETERS clause it cannot read.
ParsedQuery parseQuery(std::string_view sql);

// The saved-query type code of a text (select 0, crosstab 16, delete 32, update 48, append 64,
// make-table 80, data-definition 96, union 128, anything else 240), hidden bit not included.
std::int16_t queryType(std::string_view sql);

// The SELECT of "CREATE VIEW name [(columns)] AS SELECT ...".
std::optional<std::string> viewBody(std::string_view createViewSql);

struct ForeignKeyClause {
    std::size_t begin = 0, end = 0; // the text to remove to drop the constraint
    std::vector<std::string> childColumns;
    std::string parentTable;
};

struct CreateTable {
    struct Column {
        std::string name;
        std::string check; // the column's CHECK expression, without its parentheses
    };
    std::vector<Column> columns;
    std::vector<ForeignKeyClause> foreignKeys;
};

std::optional<CreateTable> parseCreateTable(std::string_view sql);

} // namespace dbengine::sqltext
