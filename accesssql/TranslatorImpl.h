#pragma once

#include "Lexer.h"
#include "Translator.h"

#include <set>
#include <string>
#include <vector>

namespace accesssql::detail {

// A translated expression and what the translation of the operators around it needs to know.
struct Expr {
    enum Kind { Other, Number, Text, Date, Boolean, Null, Column } kind = Other;
    std::string sql;
    bool aggregate = false;
    bool truth = false; // for Boolean: True
};

struct Source {
    std::string alias;  // the name the statement uses for it
    std::string table;  // the table's name when it is a plain table, else empty
};

struct SelectItem {
    std::string sql;
    std::string alias; // empty: none given
    bool star = false;
    // A plain column or a star as written: its qualifier (empty: none) and name (empty: star).
    std::string qualifier, column;
};

struct OrderTerm {
    std::string sql;
    bool desc = false;
};

struct SelectParts {
    bool distinct = false, distinctRow = false;
    std::string top; // the number after TOP, empty without
    bool percent = false;
    std::vector<SelectItem> items;
    std::vector<std::string> qualifiers; // the qualifiers of the selected columns, lower case
    bool unqualified = false;            // a selected column without qualifier
    std::string into;
    std::string from;
    std::vector<Source> sources;
    std::string where, groupBy, having;
};

struct Declared {
    std::string key;
    std::string name;
    std::string type; // upper case type name
};

// A recursive-descent reader of one statement that writes the SQLite text as it reads.
class Parser {
public:
    Parser(std::string_view sql, Catalog &catalog, ParameterValues &parameters, std::set<std::string> &open);
    Translation statement();

    // Statements (Translator.cpp)
    std::string queryExpression(Translation::Kind *kind = nullptr);
    SelectParts selectCore();
    std::string assemble(SelectParts &p, const std::vector<OrderTerm> &order);
    void nameSameColumns(SelectParts &p);
    std::vector<OrderTerm> orderBy();
    std::string crosstab();
    std::string insert();
    std::string update();
    std::string remove();
    std::string definition();
    void parametersClause();
    void trailer();

    // FROM (TranslatorFrom.cpp)
    std::string fromList(std::vector<Source> &sources);
    std::string tableExpression(std::vector<Source> &sources);
    std::string tablePrimary(std::vector<Source> &sources);
    std::string savedQuery(const std::string &name, const std::string &alias);

    // Expressions (TranslatorExpr.cpp)
    Expr expression();
    Expr binaryLogic(int level);
    Expr notExpr();
    Expr comparison();
    Expr concatenation();
    Expr additive();
    Expr modulo();
    Expr intDivision();
    Expr multiplicative();
    Expr unary();
    Expr power();
    Expr primary();
    Expr column();
    Expr function(const std::string &name);
    std::vector<Expr> arguments();
    std::string parameterLiteral(const std::string &text, const std::string &type);

    // Tokens
    const Token &peek(std::size_t ahead = 0) const;
    const Token &next();
    bool accept(std::string_view word);
    bool acceptOp(std::string_view op);
    void expect(std::string_view word);
    void expectOp(std::string_view op);
    bool atWord(std::string_view word, std::size_t ahead = 0) const;
    bool atOp(std::string_view op, std::size_t ahead = 0) const;
    std::string nameToken(const char *what);
    [[noreturn]] void unexpected(const char *where) const;
    std::string rawText(std::size_t fromToken, std::size_t toToken) const;

    std::string sql_;
    std::vector<Token> t_;
    std::size_t i_ = 0;
    Catalog &catalog_;
    ParameterValues &parameters_;
    std::set<std::string> &open_; // saved queries being translated, against cycles
    std::vector<Declared> declared_;
    int exprNumber_ = 1000;
    bool inTransform_ = false; // aggregates take the pivot marker
    std::vector<SelectItem> *currentItems_ = nullptr; // the select list being read, for aliases
};

// The marker an aggregate of a TRANSFORM carries in place of its pivot condition.
inline constexpr const char *kPivotMarker = "\x01";

} // namespace accesssql::detail
