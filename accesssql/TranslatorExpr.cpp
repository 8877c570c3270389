#include "TranslatorImpl.h"

#include "Dates.h"
#include "Error.h"
#include "automation/Text.h"

#include <cstdlib>

namespace accesssql::detail {

using automation::equalsNoCase;
using automation::lowerAscii;
using automation::upperAscii;

namespace {

enum class FnKind { Scalar, Aggregate, NativeAggregate };

struct Function {
    const char *name;
    int min, max;
    FnKind kind;
};

// The Access functions a statement may call; scalars are registered as acc_<name>.
const Function kFunctions[] = {
    {"IsNumeric", 1, 1, FnKind::Scalar},   {"IsDate", 1, 1, FnKind::Scalar},
    {"Left", 2, 2, FnKind::Scalar},        {"Right", 2, 2, FnKind::Scalar},
    {"Mid", 2, 3, FnKind::Scalar},         {"Len", 1, 1, FnKind::Scalar},
    {"InStr", 2, 4, FnKind::Scalar},       {"InStrRev", 2, 4, FnKind::Scalar},
    {"UCase", 1, 1, FnKind::Scalar},       {"LCase", 1, 1, FnKind::Scalar},
    {"Trim", 1, 1, FnKind::Scalar},        {"LTrim", 1, 1, FnKind::Scalar},
    {"RTrim", 1, 1, FnKind::Scalar},       {"Space", 1, 1, FnKind::Scalar},
    {"String", 2, 2, FnKind::Scalar},      {"Replace", 3, 6, FnKind::Scalar},
    {"StrComp", 2, 3, FnKind::Scalar},     {"StrReverse", 1, 1, FnKind::Scalar},
    {"Asc", 1, 1, FnKind::Scalar},         {"Chr", 1, 1, FnKind::Scalar},
    {"Format", 1, 4, FnKind::Scalar},      {"Val", 1, 1, FnKind::Scalar},
    {"Str", 1, 1, FnKind::Scalar},         {"CStr", 1, 1, FnKind::Scalar},
    {"CInt", 1, 1, FnKind::Scalar},        {"CLng", 1, 1, FnKind::Scalar},
    {"CSng", 1, 1, FnKind::Scalar},        {"CDbl", 1, 1, FnKind::Scalar},
    {"CCur", 1, 1, FnKind::Scalar},        {"CDate", 1, 1, FnKind::Scalar},
    {"CBool", 1, 1, FnKind::Scalar},       {"CVar", 1, 1, FnKind::Scalar},
    {"Int", 1, 1, FnKind::Scalar},         {"Fix", 1, 1, FnKind::Scalar},
    {"Round", 1, 2, FnKind::Scalar},       {"Abs", 1, 1, FnKind::Scalar},
    {"Sgn", 1, 1, FnKind::Scalar},         {"Sqr", 1, 1, FnKind::Scalar},
    {"Exp", 1, 1, FnKind::Scalar},         {"Log", 1, 1, FnKind::Scalar},
    {"Date", 0, 0, FnKind::Scalar},        {"Time", 0, 0, FnKind::Scalar},
    {"Now", 0, 0, FnKind::Scalar},         {"Year", 1, 1, FnKind::Scalar},
    {"Month", 1, 1, FnKind::Scalar},       {"Day", 1, 1, FnKind::Scalar},
    {"Weekday", 1, 2, FnKind::Scalar},     {"Hour", 1, 1, FnKind::Scalar},
    {"Minute", 1, 1, FnKind::Scalar},      {"Second", 1, 1, FnKind::Scalar},
    {"DatePart", 2, 4, FnKind::Scalar},    {"DateAdd", 3, 3, FnKind::Scalar},
    {"DateDiff", 3, 5, FnKind::Scalar},    {"DateSerial", 3, 3, FnKind::Scalar},
    {"TimeSerial", 3, 3, FnKind::Scalar},  {"DateValue", 1, 1, FnKind::Scalar},
    {"TimeValue", 1, 1, FnKind::Scalar},   {"MonthName", 1, 2, FnKind::Scalar},
    {"WeekdayName", 1, 3, FnKind::Scalar}, {"Sum", 1, 1, FnKind::NativeAggregate},
    {"Avg", 1, 1, FnKind::NativeAggregate}, {"Count", 1, 1, FnKind::NativeAggregate},
    {"Min", 1, 1, FnKind::NativeAggregate}, {"Max", 1, 1, FnKind::NativeAggregate},
    {"First", 1, 1, FnKind::Aggregate},    {"Last", 1, 1, FnKind::Aggregate},
    {"StDev", 1, 1, FnKind::Aggregate},    {"StDevP", 1, 1, FnKind::Aggregate},
    {"Var", 1, 1, FnKind::Aggregate},      {"VarP", 1, 1, FnKind::Aggregate},
};

const Function *findFunction(std::string_view name)
{
    // Left$, Mid$, ...: the text forms of the same functions
    if (!name.empty() && name.back() == '$')
        name.remove_suffix(1);
    for (const Function &f : kFunctions)
        if (equalsNoCase(f.name, name))
            return &f;
    return nullptr;
}

Expr make(Expr::Kind kind, std::string sql, bool aggregate = false)
{
    Expr e;
    e.kind = kind;
    e.sql = std::move(sql);
    e.aggregate = aggregate;
    return e;
}

Expr combine(std::string sql, const Expr &a, const Expr &b)
{
    return make(Expr::Other, std::move(sql), a.aggregate || b.aggregate);
}

bool isNumberText(const std::string &s)
{
    if (s.empty())
        return false;
    char *end = nullptr;
    std::strtod(s.c_str(), &end);
    return end && *end == '\0' && s.find_first_not_of(" \t") == 0;
}

// A constant pattern of ASCII with only * and ? as SQLite's LIKE, which ignores the case of
// ASCII letters as Access does: the same matches, without a function call per row. Empty when
// the pattern needs Access's own matching.
std::string sqliteLike(const std::string &pattern)
{
    std::string out;
    for (char c : pattern) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u >= 0x80 || c == '[' || c == '#')
            return {};
        if (c == '*')
            out += '%';
        else if (c == '?')
            out += '_';
        else if (c == '%' || c == '_' || c == '\\')
            out += std::string("\\") + c;
        else
            out += c;
    }
    return quoteText(out);
}

} // namespace

Expr Parser::expression() { return binaryLogic(0); }

// Imp, Eqv, Xor, Or, And from the loosest; Not binds tighter than all of them.
Expr Parser::binaryLogic(int level)
{
    static const char *const ops[] = {"IMP", "EQV", "XOR", "OR", "AND"};
    if (level == 5)
        return notExpr();
    Expr left = binaryLogic(level + 1);
    while (atWord(ops[level])) {
        next();
        const Expr right = binaryLogic(level + 1);
        const std::string a = "(" + left.sql + ")", b = "(" + right.sql + ")";
        switch (level) {
        case 0:
            left = combine("(NOT " + a + " OR " + b + ")", left, right);
            break;
        case 1:
            left = combine("((" + a + " <> 0) = (" + b + " <> 0))", left, right);
            break;
        case 2:
            left = combine("((" + a + " <> 0) <> (" + b + " <> 0))", left, right);
            break;
        case 3:
            left = combine(a + " OR " + b, left, right);
            break;
        default:
            left = combine(a + " AND " + b, left, right);
        }
    }
    return left;
}

Expr Parser::notExpr()
{
    if (accept("NOT")) {
        const Expr e = notExpr();
        return make(Expr::Other, "NOT (" + e.sql + ")", e.aggregate);
    }
    return comparison();
}

Expr Parser::comparison()
{
    Expr left = concatenation();
    for (;;) {
        const Token &t = peek();
        if (t.kind == Token::Op && (t.text == "=" || t.text == "<>" || t.text == "<" || t.text == ">"
                                    || t.text == "<=" || t.text == ">=" || t.text == "!=")) {
            const std::string op = next().text == "!=" ? "<>" : t_[i_ - 1].text;
            const Expr right = concatenation();
            // A comparison with True or False tests for any non-zero value, as a Yes/No field
            // may hold 1 or -1.
            const Expr *boolSide = right.kind == Expr::Boolean ? &right : left.kind == Expr::Boolean ? &left : nullptr;
            if (boolSide && (op == "=" || op == "<>")) {
                const Expr &other = boolSide == &right ? left : right;
                const bool wantTrue = boolSide->truth == (op == "=");
                left = combine("((" + other.sql + ")" + (wantTrue ? " <> 0)" : " = 0)"), left, right);
                continue;
            }
            // Text compares without regard to letter case.
            const bool text = left.kind == Expr::Text || right.kind == Expr::Text;
            left = combine(left.sql + " " + op + " " + right.sql + (text ? " COLLATE NOCASE" : ""), left, right);
            continue;
        }
        const bool negated = atWord("NOT") && (atWord("LIKE", 1) || atWord("BETWEEN", 1) || atWord("IN", 1));
        if (negated)
            next();
        if (accept("LIKE")) {
            const std::size_t patternToken = i_;
            const Expr pattern = concatenation();
            const std::string native = pattern.kind == Expr::Text && i_ == patternToken + 1
                                           ? sqliteLike(t_[patternToken].text) : std::string();
            if (!native.empty())
                left = combine("(" + left.sql + (negated ? " NOT" : "") + " LIKE " + native + " ESCAPE '\\')",
                               left, pattern);
            else
                left = combine(std::string(negated ? "NOT " : "") + "acc_like(" + left.sql + ", " + pattern.sql + ")",
                               left, pattern);
        } else if (accept("BETWEEN")) {
            const Expr low = concatenation();
            expect("AND");
            const Expr high = concatenation();
            const bool text = low.kind == Expr::Text || high.kind == Expr::Text;
            const std::string collate = text ? " COLLATE NOCASE" : "";
            left = make(Expr::Other,
                        "(" + left.sql + collate + (negated ? " NOT" : "") + " BETWEEN " + low.sql + " AND " + high.sql + ")",
                        left.aggregate || low.aggregate || high.aggregate);
        } else if (accept("IN")) {
            expectOp("(");
            std::string list;
            bool text = false;
            if (atWord("SELECT")) {
                list = queryExpression();
            } else {
                do {
                    const Expr item = expression();
                    text = text || item.kind == Expr::Text;
                    list += (list.empty() ? "" : ", ") + item.sql;
                } while (acceptOp(","));
            }
            expectOp(")");
            left = make(Expr::Other,
                        "(" + left.sql + (text ? " COLLATE NOCASE" : "") + (negated ? " NOT" : "") + " IN (" + list + "))",
                        left.aggregate);
        } else if (accept("IS")) {
            const bool isNot = accept("NOT");
            expect("NULL");
            left = make(Expr::Other, "(" + left.sql + (isNot ? " IS NOT NULL)" : " IS NULL)"), left.aggregate);
        } else {
            if (negated)
                unexpected("after NOT");
            return left;
        }
    }
}

// a & b & c: one call, Null only when every part is Null.
Expr Parser::concatenation()
{
    Expr first = additive();
    if (!atOp("&"))
        return first;
    std::string sql = "acc_concat(" + first.sql;
    bool aggregate = first.aggregate;
    while (acceptOp("&")) {
        const Expr e = additive();
        sql += ", " + e.sql;
        aggregate = aggregate || e.aggregate;
    }
    return make(Expr::Other, sql + ")", aggregate);
}

Expr Parser::additive()
{
    Expr left = modulo();
    while (atOp("+") || atOp("-")) {
        const bool plus = next().text == "+";
        const Expr right = modulo();
        // Numbers add natively; anything else may be text (+ joins it) or a date (days move it).
        if (left.kind == Expr::Number && right.kind == Expr::Number)
            left = make(Expr::Number, "(" + left.sql + (plus ? " + " : " - ") + right.sql + ")");
        else
            left = combine(std::string(plus ? "acc_add(" : "acc_sub(") + left.sql + ", " + right.sql + ")", left, right);
    }
    return left;
}

Expr Parser::modulo()
{
    Expr left = intDivision();
    while (accept("MOD")) {
        const Expr right = intDivision();
        left = combine("acc_mod(" + left.sql + ", " + right.sql + ")", left, right);
    }
    return left;
}

Expr Parser::intDivision()
{
    Expr left = multiplicative();
    while (acceptOp("\\")) {
        const Expr right = multiplicative();
        left = combine("acc_intdiv(" + left.sql + ", " + right.sql + ")", left, right);
    }
    return left;
}

Expr Parser::multiplicative()
{
    Expr left = unary();
    while (atOp("*") || atOp("/")) {
        const bool times = next().text == "*";
        const Expr right = unary();
        if (times)
            left = combine("(" + left.sql + " * " + right.sql + ")", left, right);
        else // Access divides as floating point; SQLite would divide integers as integers
            left = combine("(CAST(" + left.sql + " AS REAL) / " + right.sql + ")", left, right);
    }
    return left;
}

Expr Parser::unary()
{
    if (acceptOp("-")) {
        const Expr e = unary();
        return make(e.kind == Expr::Number ? Expr::Number : Expr::Other, "(-" + e.sql + ")", e.aggregate);
    }
    if (acceptOp("+"))
        return unary();
    return power();
}

Expr Parser::power()
{
    Expr left = primary();
    while (acceptOp("^")) {
        const bool negative = acceptOp("-");
        Expr right = primary();
        if (negative)
            right.sql = "(-" + right.sql + ")";
        left = combine("acc_power(" + left.sql + ", " + right.sql + ")", left, right);
    }
    return left;
}

Expr Parser::primary()
{
    const Token &t = peek();
    switch (t.kind) {
    case Token::Number:
        next();
        return make(Expr::Number, t.text);
    case Token::String:
        next();
        return make(Expr::Text, quoteText(t.text));
    case Token::Date:
        next();
        return make(Expr::Date, quoteText(t.text));
    case Token::Name:
        return column();
    case Token::Word:
        break;
    case Token::Op:
        if (t.text == "(") {
            next();
            if (atWord("SELECT")) {
                const std::string q = queryExpression();
                expectOp(")");
                return make(Expr::Other, "(" + q + ")");
            }
            Expr e = expression();
            expectOp(")");
            e.sql = "(" + e.sql + ")";
            if (e.kind == Expr::Column)
                e.kind = Expr::Other;
            return e;
        }
        unexpected("where a value was expected");
    case Token::End:
        unexpected("where a value was expected");
    }
    // Before the functions: "Exists (" would read as a call.
    if (isWord(t, "EXISTS")) {
        next();
        expectOp("(");
        const std::string q = queryExpression();
        expectOp(")");
        return make(Expr::Other, "EXISTS (" + q + ")");
    }
    if (atOp("(", 1))
        return function(next().text);
    if (isWord(t, "NULL")) {
        next();
        return make(Expr::Null, "NULL");
    }
    for (const char *word : {"TRUE", "YES", "ON", "FALSE", "NO", "OFF"}) {
        if (isWord(t, word)) {
            next();
            Expr e = make(Expr::Boolean, word[0] == 'T' || word[0] == 'Y' || word[1] == 'N' ? "-1" : "0");
            e.truth = e.sql == "-1";
            return e;
        }
    }
    for (const char *keyword : {"SELECT", "FROM", "WHERE", "AND", "OR", "NOT", "AS", "ON", "BY"})
        if (isWord(t, keyword))
            unexpected("where a value was expected");
    return column();
}

// A column, or a name that resolves to nothing and so is a parameter: [t].[c], t!c, [Name].
Expr Parser::column()
{
    const std::size_t start = i_;
    std::vector<std::string> parts{next().text};
    while ((atOp(".") || atOp("!")) && (peek(1).kind == Token::Word || peek(1).kind == Token::Name)) {
        next();
        parts.push_back(next().text);
    }
    const std::string raw = rawText(start, i_);
    const std::string key = ParameterValues::key(raw);
    // A value given as text compares without regard to case, like a text literal.
    auto literal = [](std::string sql) {
        const Expr::Kind kind = sql.front() == '\'' ? Expr::Text : Expr::Other;
        return make(kind, std::move(sql));
    };
    for (const Declared &d : declared_)
        if (d.key == key)
            return literal(parameterLiteral(parameters_.get(d.name), d.type));
    if (auto value = parameters_.find(raw))
        return literal(parameterLiteral(*value, {}));
    // A column of the select list named earlier in it (a calculated field used again).
    if (currentItems_ && parts.size() == 1) {
        for (const SelectItem &item : *currentItems_)
            if (!item.alias.empty() && equalsNoCase(item.alias, parts[0]) && !item.sql.empty())
                return make(Expr::Other, "(" + item.sql + ")");
    }
    std::string sql, reported;
    for (const std::string &p : parts) {
        sql += (sql.empty() ? "" : ".") + quoteName(p);
        reported += (reported.empty() ? "" : ".") + p;
    }
    parameters_.noteUnresolved(reported, raw);
    return make(Expr::Column, sql);
}

// A parameter's value as a literal of its declared type; without a type, a number stays a
// number and a date written as one becomes a date.
std::string Parser::parameterLiteral(const std::string &value, const std::string &type)
{
    static const char *const numeric[] = {"BYTE", "SHORT", "INTEGER", "INT", "LONG", "SINGLE", "DOUBLE",
                                          "IEEESINGLE", "IEEEDOUBLE", "CURRENCY", "MONEY", "DECIMAL", "NUMERIC",
                                          "FLOAT", "REAL", "COUNTER", "AUTOINCREMENT", "BIGINT", "INTEGER1",
                                          "INTEGER2", "INTEGER4", "SMALLINT", "TINYINT", "NUMBER"};
    const std::string t = upperAscii(type);
    if (t == "DATETIME" || t == "DATE" || t == "TIME" || t == "TIMESTAMP") {
        const auto d = dates::parse(value);
        if (!d)
            throw Error("the value '" + value + "' is not a date");
        return quoteText(dates::toText(*d));
    }
    for (const char *n : numeric) {
        if (t == n) {
            if (!isNumberText(value))
                throw Error("the value '" + value + "' is not a number");
            return value;
        }
    }
    if (t == "BIT" || t == "YESNO" || t == "BOOLEAN" || t == "LOGICAL") {
        const std::string v = upperAscii(value);
        if (v == "TRUE" || v == "YES" || v == "ON" || v == "-1" || v == "1")
            return "-1";
        if (v == "FALSE" || v == "NO" || v == "OFF" || v == "0")
            return "0";
        throw Error("the value '" + value + "' is not Yes or No");
    }
    if (!t.empty())
        return quoteText(value);
    if (isNumberText(value))
        return value;
    if (value.find_first_of("/-") != std::string::npos)
        if (const auto d = dates::parse(value))
            return quoteText(dates::toText(*d));
    return quoteText(value);
}

std::vector<Expr> Parser::arguments()
{
    std::vector<Expr> args;
    expectOp("(");
    if (acceptOp(")"))
        return args;
    do
        args.push_back(expression());
    while (acceptOp(","));
    expectOp(")");
    return args;
}

Expr Parser::function(const std::string &name)
{
    const std::string upper = upperAscii(name);
    // Count(*) and the aggregates of a crosstab's value
    if (upper == "COUNT" && atOp("*", 1) && atOp(")", 2)) {
        next(), next(), next();
        return make(Expr::Other, inTransform_ ? std::string("count(CASE WHEN ") + kPivotMarker + " THEN 1 END)" : "count(*)",
                    true);
    }
    const bool distinct = atWord("DISTINCT", 1);
    if (distinct)
        throw Error("DISTINCT inside an aggregate function is not supported");
    std::vector<Expr> args = arguments();
    bool aggregate = false;
    std::string list;
    for (const Expr &a : args) {
        aggregate = aggregate || a.aggregate;
        list += (list.empty() ? "" : ", ") + a.sql;
    }
    auto arity = [&](std::size_t min, std::size_t max) {
        if (args.size() < min || args.size() > max)
            throw Error("wrong number of arguments for " + name);
    };
    if (upper == "IIF") {
        arity(3, 3);
        return make(Expr::Other, "CASE WHEN " + args[0].sql + " THEN " + args[1].sql + " ELSE " + args[2].sql + " END",
                    aggregate);
    }
    if (upper == "NZ") {
        arity(1, 2);
        return make(Expr::Other, "coalesce(" + args[0].sql + ", " + (args.size() > 1 ? args[1].sql : "''") + ")",
                    aggregate);
    }
    if (upper == "ISNULL") {
        arity(1, 1);
        return make(Expr::Other, "-(" + args[0].sql + " IS NULL)", aggregate);
    }
    if (upper == "SWITCH") {
        if (args.empty() || args.size() % 2)
            throw Error("Switch needs pairs of a condition and a value");
        std::string sql = "CASE";
        for (std::size_t k = 0; k < args.size(); k += 2)
            sql += " WHEN " + args[k].sql + " THEN " + args[k + 1].sql;
        return make(Expr::Other, sql + " END", aggregate);
    }
    if (upper == "CHOOSE") {
        if (args.size() < 2)
            throw Error("Choose needs an index and at least one value");
        std::string sql = "CASE CAST(" + args[0].sql + " AS INTEGER)";
        for (std::size_t k = 1; k < args.size(); ++k)
            sql += " WHEN " + std::to_string(k) + " THEN " + args[k].sql;
        return make(Expr::Other, sql + " END", aggregate);
    }
    const Function *f = findFunction(name);
    if (!f)
        throw Error("the function '" + name + "' is not supported");
    arity(std::size_t(f->min), std::size_t(f->max));
    if (f->kind == FnKind::Scalar)
        return make(Expr::Other, "acc_" + lowerAscii(f->name) + "(" + list + ")", aggregate);
    if (aggregate)
        throw Error("an aggregate function inside another (" + name + ") is not supported");
    const std::string sqlName = f->kind == FnKind::NativeAggregate ? lowerAscii(f->name) : "acc_" + lowerAscii(f->name);
    if (inTransform_)
        list = std::string("CASE WHEN ") + kPivotMarker + " THEN " + list + " END";
    return make(Expr::Other, sqlName + "(" + list + ")", true);
}

} // namespace accesssql::detail
