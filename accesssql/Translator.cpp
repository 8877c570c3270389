#include "TranslatorImpl.h"

#include "Error.h"
#include "automation/Text.h"

#include <algorithm>

namespace accesssql {

using namespace detail;
using automation::equalsNoCase;
using automation::lowerAscii;

// ---- names, literals, parameter values ---------------------------------------------------

std::string quoteName(std::string_view name)
{
    if (name.find(']') == std::string_view::npos)
        return "[" + std::string(name) + "]";
    std::string out = "`";
    for (char c : name) {
        out += c;
        if (c == '`')
            out += '`';
    }
    return out + "`";
}

std::string quoteText(std::string_view text)
{
    std::string out = "'";
    for (char c : text) {
        out += c;
        if (c == '\'')
            out += '\'';
    }
    return out + "'";
}

std::optional<std::string> unknownColumn(std::string_view message)
{
    constexpr std::string_view prefix = "no such column: ";
    const auto at = lowerAscii(message).find(prefix);
    if (at == std::string_view::npos)
        return std::nullopt;
    std::string name(message.substr(at + prefix.size()));
    while (!name.empty() && (name.back() == '.' || name.back() == ' '))
        name.pop_back();
    return name;
}

std::string ParameterValues::key(std::string_view name)
{
    std::string_view n = name;
    while (!n.empty() && n.front() == ' ')
        n.remove_prefix(1);
    while (!n.empty() && n.back() == ' ')
        n.remove_suffix(1);
    if (n.size() >= 2 && n.front() == '[' && n.back() == ']'
        && n.substr(1, n.size() - 2).find_first_of("[]") == std::string_view::npos)
        n = n.substr(1, n.size() - 2);
    return lowerAscii(n);
}

void ParameterValues::set(const std::string &name, const std::string &value) { values_[key(name)] = value; }

std::optional<std::string> ParameterValues::find(std::string_view name) const
{
    const auto it = values_.find(key(name));
    if (it == values_.end())
        return std::nullopt;
    return it->second;
}

std::string ParameterValues::get(const std::string &name)
{
    if (auto v = find(name))
        return *v;
    if (ask_) {
        if (auto v = ask_(name)) {
            set(name, *v);
            return *v;
        }
    }
    throw Error("no value was given for the parameter '" + name + "'");
}

void ParameterValues::noteUnresolved(const std::string &sqliteName, const std::string &text)
{
    unresolved_[lowerAscii(sqliteName)] = text;
}

std::optional<std::string> ParameterValues::unresolved(std::string_view sqliteName) const
{
    const auto it = unresolved_.find(lowerAscii(sqliteName));
    if (it == unresolved_.end())
        return std::nullopt;
    return it->second;
}

Translation translate(std::string_view sql, Catalog &catalog, ParameterValues &parameters)
{
    std::set<std::string> open;
    Parser p(sql, catalog, parameters, open);
    return p.statement();
}

namespace {

// Reading the PARAMETERS clause needs no database.
class NoCatalog : public Catalog {
public:
    bool isTable(std::string_view) override { return false; }
    std::optional<SavedQuery> savedQuery(std::string_view) override { return std::nullopt; }
    std::vector<Value> values(const std::string &) override { return {}; }
};

// A piece of the statement quoted in an error, on one line however the query was laid out.
std::string oneLine(const std::string &text)
{
    std::string out;
    for (const char c : text) {
        const bool blank = c == ' ' || c == '\t' || c == '\r' || c == '\n';
        if (!blank)
            out += c;
        else if (!out.empty() && out.back() != ' ')
            out += ' ';
    }
    return out;
}

} // namespace

std::vector<DeclaredParameter> declaredParameters(std::string_view sql)
{
    std::set<std::string> open;
    NoCatalog none;
    ParameterValues values;
    Parser p(sql, none, values, open);
    p.parametersClause();
    std::vector<DeclaredParameter> out;
    for (const Declared &d : p.declared_) {
        // [Beginning Date] is named Beginning Date, as DAO names it
        const bool simple = d.name.size() > 2 && d.name.front() == '[' && d.name.find(']') == d.name.size() - 1;
        out.push_back({simple ? d.name.substr(1, d.name.size() - 2) : d.name, d.type});
    }
    return out;
}

namespace detail {

Parser::Parser(std::string_view sql, Catalog &catalog, ParameterValues &parameters, std::set<std::string> &open)
    : sql_(sql), t_(tokenize(sql)), catalog_(catalog), parameters_(parameters), open_(open)
{
}

// ---- tokens ---------------------------------------------------------------------------------

const Token &Parser::peek(std::size_t ahead) const { return t_[std::min(i_ + ahead, t_.size() - 1)]; }

const Token &Parser::next()
{
    const Token &t = peek();
    if (i_ < t_.size() - 1)
        ++i_;
    return t;
}

bool Parser::atWord(std::string_view word, std::size_t ahead) const { return isWord(peek(ahead), word); }

bool Parser::atOp(std::string_view op, std::size_t ahead) const
{
    const Token &t = peek(ahead);
    return t.kind == Token::Op && t.text == op;
}

bool Parser::accept(std::string_view word)
{
    if (!atWord(word))
        return false;
    next();
    return true;
}

bool Parser::acceptOp(std::string_view op)
{
    if (!atOp(op))
        return false;
    next();
    return true;
}

void Parser::expect(std::string_view word)
{
    if (!accept(word))
        unexpected(("where " + std::string(word) + " was expected").c_str());
}

void Parser::expectOp(std::string_view op)
{
    if (!acceptOp(op))
        unexpected(("where \"" + std::string(op) + "\" was expected").c_str());
}

void Parser::unexpected(const char *where) const
{
    const Token &t = peek();
    if (t.kind == Token::End)
        throw Error(std::string("the statement ends ") + where);
    throw Error("syntax error at \"" + sql_.substr(t.pos, std::min<std::size_t>(t.end - t.pos, 40)) + "\" " + where);
}

std::string Parser::rawText(std::size_t from, std::size_t to) const
{
    if (from >= to)
        return {};
    return sql_.substr(t_[from].pos, t_[to - 1].end - t_[from].pos);
}

std::string Parser::nameToken(const char *what)
{
    const Token &t = peek();
    if (t.kind != Token::Word && t.kind != Token::Name)
        unexpected((std::string("where ") + what + " was expected").c_str());
    return next().text;
}

// ---- statements -------------------------------------------------------------------------------

void Parser::parametersClause()
{
    if (!accept("PARAMETERS"))
        return;
    for (;;) {
        const std::size_t start = i_;
        // A name may be qualified: [Forms]![Orders]![OrderID]
        nameToken("a parameter name");
        while (atOp("!") || atOp(".")) {
            next();
            nameToken("a parameter name");
        }
        Declared d;
        d.name = rawText(start, i_);
        d.key = ParameterValues::key(d.name);
        if (peek().kind != Token::Word)
            unexpected("where the parameter's type was expected");
        d.type = automation::upperAscii(next().text);
        if (acceptOp("(")) { // TEXT (255)
            while (!atOp(")") && peek().kind != Token::End)
                next();
            expectOp(")");
        }
        declared_.push_back(std::move(d));
        if (acceptOp(";"))
            return;
        expectOp(",");
    }
}

void Parser::trailer()
{
    if (accept("WITH")) { // WITH OWNERACCESS OPTION: the engine has no owner's rights to lend
        expect("OWNERACCESS");
        expect("OPTION");
    }
    acceptOp(";");
    if (peek().kind != Token::End)
        unexpected("after the end of the statement");
}

Translation Parser::statement()
{
    parametersClause();
    Translation out;
    if (atWord("TRANSFORM")) {
        out.kind = Translation::Crosstab;
        out.sql = crosstab();
    } else if (atWord("SELECT") || atOp("(") || atWord("TABLE")) {
        Translation::Kind kind = Translation::Select;
        out.sql = queryExpression(&kind);
        out.kind = kind;
        if (kind == Translation::MakeTable) {
            const auto at = out.sql.find('\x02');
            out.makeTable = out.sql.substr(0, at);
            out.sql.erase(0, at + 1);
        }
    } else if (atWord("INSERT")) {
        out.kind = Translation::Append;
        out.sql = insert();
    } else if (atWord("UPDATE")) {
        out.kind = Translation::Update;
        out.sql = update();
    } else if (atWord("DELETE")) {
        out.kind = Translation::Delete;
        out.sql = remove();
    } else if (atWord("CREATE") || atWord("DROP") || atWord("ALTER")) {
        out.kind = Translation::Definition;
        out.sql = definition();
        return out;
    } else if (peek().kind == Token::End) {
        throw Error("the statement is empty");
    } else {
        throw Error("statements beginning with \"" + peek().text + "\" are not supported");
    }
    trailer();
    return out;
}

std::vector<OrderTerm> Parser::orderBy()
{
    std::vector<OrderTerm> terms;
    if (!accept("ORDER"))
        return terms;
    expect("BY");
    do {
        OrderTerm term;
        term.sql = expression().sql;
        if (accept("DESC"))
            term.desc = true;
        else
            accept("ASC");
        terms.push_back(std::move(term));
    } while (acceptOp(","));
    return terms;
}

SelectParts Parser::selectCore()
{
    SelectParts p;
    if (accept("TABLE")) { // TABLE name, as a part of a union
        const std::string name = nameToken("a table name");
        p.items.push_back({"*", {}, true});
        p.sources.push_back({name, catalog_.isTable(name) ? name : std::string()});
        p.from = catalog_.isTable(name) ? quoteName(name) : savedQuery(name, name);
        p.unqualified = true;
        return p;
    }
    expect("SELECT");
    if (accept("DISTINCTROW"))
        p.distinctRow = true;
    else if (accept("DISTINCT"))
        p.distinct = true;
    else
        accept("ALL");
    if (accept("TOP")) {
        if (peek().kind != Token::Number)
            unexpected("where the number after TOP was expected");
        p.top = next().text;
        p.percent = accept("PERCENT");
    }
    currentItems_ = &p.items;
    do {
        SelectItem item;
        if (atOp("*")) {
            next();
            item = {"*", {}, true};
            p.unqualified = true;
        } else if ((peek().kind == Token::Word || peek().kind == Token::Name) && (atOp(".", 1) || atOp("!", 1))
                   && atOp("*", 2)) {
            const std::string q = next().text;
            next();
            next();
            item = {quoteName(q) + ".*", {}, true, q, {}};
            p.qualifiers.push_back(lowerAscii(q));
        } else {
            const std::size_t start = i_;
            const Expr e = expression();
            item.sql = e.sql;
            if (e.kind == Expr::Column) {
                auto plain = [&](std::size_t k) { return t_[k].kind == Token::Word || t_[k].kind == Token::Name; };
                if (i_ - start == 1 && plain(start)) {
                    item.column = t_[start].text;
                } else if (i_ - start == 3 && plain(start) && plain(start + 2)
                           && t_[start + 1].kind == Token::Op && (t_[start + 1].text == "." || t_[start + 1].text == "!")) {
                    item.qualifier = t_[start].text;
                    item.column = t_[start + 2].text;
                }
                const std::string raw = rawText(start, i_);
                const auto dot = raw.find_first_of(".!");
                if (dot == std::string::npos)
                    p.unqualified = true;
                else
                    p.qualifiers.push_back(ParameterValues::key(raw.substr(0, dot)));
            }
            if (accept("AS")) {
                item.alias = nameToken("a column name");
            } else if (peek().kind == Token::Name) {
                item.alias = next().text;
            }
            if (item.alias.empty() && e.kind != Expr::Column)
                item.alias = "Expr" + std::to_string(exprNumber_++);
        }
        p.items.push_back(std::move(item));
    } while (acceptOp(","));
    currentItems_ = nullptr;
    if (accept("INTO")) {
        p.into = nameToken("the name of the new table");
        if (atWord("IN"))
            throw Error("SELECT ... INTO another database (IN) is not supported");
    }
    if (accept("FROM"))
        p.from = fromList(p.sources);
    if (accept("WHERE")) {
        const std::size_t start = i_;
        const Expr where = expression();
        // Access refuses totals in WHERE; SQLite would only say "misuse of aggregate".
        if (where.aggregate)
            throw Error("an aggregate function in WHERE is not allowed (a condition on a total goes in HAVING): "
                        + oneLine(rawText(start, i_)));
        p.where = where.sql;
    }
    if (accept("GROUP")) {
        expect("BY");
        do {
            const std::size_t start = i_;
            const Expr group = expression();
            if (group.aggregate)
                throw Error("an aggregate function in GROUP BY is not allowed: " + oneLine(rawText(start, i_)));
            if (!p.groupBy.empty())
                p.groupBy += ", ";
            p.groupBy += group.sql;
        } while (acceptOp(","));
    }
    if (accept("HAVING"))
        p.having = expression().sql;
    return p;
}

namespace {

std::string selectList(const SelectParts &p, const std::string &extra = {})
{
    std::string out;
    for (const SelectItem &item : p.items) {
        if (!out.empty())
            out += ", ";
        out += item.sql;
        if (!item.alias.empty())
            out += " AS " + quoteName(item.alias);
    }
    return out + extra;
}

std::string body(const SelectParts &p, bool withGroups = true)
{
    std::string out;
    if (!p.from.empty())
        out += " FROM " + p.from;
    if (!p.where.empty())
        out += " WHERE " + p.where;
    if (withGroups && !p.groupBy.empty())
        out += " GROUP BY " + p.groupBy;
    if (withGroups && !p.having.empty())
        out += " HAVING " + p.having;
    return out;
}

std::string orderText(const std::vector<OrderTerm> &order)
{
    std::string out;
    for (const OrderTerm &o : order) {
        out += out.empty() ? " ORDER BY " : ", ";
        out += o.sql + (o.desc ? " DESC" : "");
    }
    return out;
}

} // namespace

// DISTINCTROW drops rows whose selected tables' rows repeat: it matters only when some tables of
// a join give no column, and then grouping by the rows of the others does it.
static std::string distinctRowGroups(const SelectParts &p)
{
    if (!p.distinctRow || p.unqualified || !p.groupBy.empty() || p.sources.size() < 2)
        return {};
    std::string groups;
    std::size_t used = 0;
    for (const Source &s : p.sources) {
        const bool selected = std::find(p.qualifiers.begin(), p.qualifiers.end(), lowerAscii(s.alias)) != p.qualifiers.end();
        if (!selected)
            continue;
        ++used;
        if (s.table.empty())
            return {}; // a query has no rows of its own to tell apart
        groups += (groups.empty() ? "" : ", ") + quoteName(s.alias) + ".rowid";
    }
    return used == p.sources.size() ? std::string() : groups;
}

std::string Parser::assemble(SelectParts &p, const std::vector<OrderTerm> &order)
{
    nameSameColumns(p);
    const std::string distinct = p.distinct ? "DISTINCT " : "";
    std::string groups = distinctRowGroups(p);
    std::string sql = "SELECT " + distinct + selectList(p) + body(p, groups.empty());
    if (!groups.empty())
        sql += " GROUP BY " + groups;
    sql += orderText(order);
    if (p.top.empty())
        return sql;
    // TOP n keeps the rows tied with the last one; without an order there are no ties.
    std::string count;
    if (p.percent) {
        const std::string total = "(SELECT count(*) FROM (SELECT " + distinct + selectList(p) + body(p) + "))";
        const std::string exact = "(" + total + " * " + p.top + " / 100.0)";
        count = "(CAST(" + exact + " AS INTEGER) + (" + exact + " > CAST(" + exact + " AS INTEGER)))";
    } else {
        count = p.top;
    }
    if (order.empty())
        return sql + " LIMIT " + count;
    std::string keys, rank;
    for (std::size_t k = 0; k < order.size(); ++k) {
        keys += ", " + order[k].sql + " AS [jw_key" + std::to_string(k) + "]";
        rank += std::string(k ? ", " : "") + "[jw_key" + std::to_string(k) + "]" + (order[k].desc ? " DESC" : "");
    }
    const std::string ranked = "SELECT rank() OVER (ORDER BY " + rank + ") AS [jw_rank] FROM (SELECT " + distinct
                               + selectList(p, keys) + body(p) + ")";
    return sql + " LIMIT (SELECT count(*) FROM (" + ranked + ") WHERE [jw_rank] <= " + count + ")";
}

std::string Parser::queryExpression(Translation::Kind *kind)
{
    std::vector<std::string> parts;
    std::vector<SelectParts> selects;
    std::vector<std::string> operators, partTexts;
    for (;;) {
        std::size_t parens = 0;
        while (atOp("(")) {
            next();
            ++parens;
        }
        const std::size_t start = i_;
        selects.push_back(selectCore());
        partTexts.push_back(oneLine(rawText(start, i_)));
        for (; parens > 0; --parens) {
            if (atWord("ORDER") || atWord("UNION"))
                throw Error("a parenthesised part of a UNION with its own ORDER BY or UNION is not supported");
            expectOp(")");
        }
        if (!accept("UNION"))
            break;
        operators.push_back(accept("ALL") ? " UNION ALL " : " UNION ");
        accept("DISTINCT");
    }
    std::vector<OrderTerm> order = orderBy();
    if (selects.size() == 1) {
        SelectParts &p = selects.front();
        if (!p.into.empty()) {
            if (kind)
                *kind = Translation::MakeTable;
            else
                throw Error("SELECT ... INTO inside another statement is not supported");
            return p.into + '\x02' + "CREATE TABLE " + quoteName(p.into) + " AS " + assemble(p, order);
        }
        return assemble(p, order);
    }
    if (kind)
        *kind = Translation::Union;
    std::string sql;
    for (std::size_t k = 0; k < selects.size(); ++k) {
        SelectParts &p = selects[k];
        if (!p.into.empty())
            throw Error("SELECT ... INTO in a UNION is not supported");
        // Access asks for a table or query in every part of a union; without one the names of
        // the part would only become parameters.
        if (p.from.empty())
            throw Error("a part of a UNION without FROM is not supported: " + partTexts[k]);
        std::string part = assemble(p, {});
        // A part with its own TOP or order keeps it inside a subquery.
        if (!p.top.empty())
            part = "SELECT * FROM (" + part + ")";
        sql += (k ? operators[k - 1] : "") + part;
    }
    return sql + orderText(order);
}

std::string Parser::crosstab()
{
    expect("TRANSFORM");
    inTransform_ = true;
    const Expr value = expression();
    inTransform_ = false;
    if (!value.aggregate)
        throw Error("the value of TRANSFORM must use an aggregate function such as Sum or Count");
    if (accept("AS"))
        nameToken("a name");
    SelectParts p = selectCore();
    if (p.groupBy.empty())
        throw Error("TRANSFORM without GROUP BY is not supported");
    std::vector<OrderTerm> order = orderBy();
    if (!accept("PIVOT"))
        throw Error("TRANSFORM without PIVOT is not supported");
    // Read below the comparisons, so that IN is the list of columns, not a test.
    const Expr pivot = concatenation();
    std::vector<Catalog::Value> columns;
    if (accept("IN")) {
        expectOp("(");
        do {
            const Token &t = peek();
            const Expr v = primary();
            if (v.kind == Expr::Other || v.kind == Expr::Column)
                throw Error("the values after PIVOT ... IN must be constants");
            columns.push_back({v.sql, t.kind == Token::String || t.kind == Token::Number || t.kind == Token::Date ? t.text : v.sql});
        } while (acceptOp(","));
        expectOp(")");
    } else {
        columns = catalog_.values("SELECT DISTINCT " + pivot.sql + body(p, false) + " ORDER BY 1");
    }
    std::string cells;
    for (const Catalog::Value &c : columns) {
        const std::string condition = "(" + pivot.sql + ") IS " + c.literal;
        std::string cell = value.sql;
        for (std::size_t at; (at = cell.find(kPivotMarker)) != std::string::npos;)
            cell.replace(at, 1, condition);
        cells += ", CASE WHEN max(" + condition + ") THEN " + cell + " END AS " + quoteName(c.text);
    }
    return "SELECT " + selectList(p, cells) + body(p) + orderText(order);
}

std::string Parser::insert()
{
    expect("INSERT");
    expect("INTO");
    const std::string target = nameToken("the table to append to");
    if (atWord("IN"))
        throw Error("INSERT INTO another database (IN) is not supported");
    if (!catalog_.isTable(target) && catalog_.savedQuery(target))
        throw Error("appending through the saved query '" + target + "' is not supported");
    std::string sql = "INSERT INTO " + quoteName(target);
    if (atOp("(") && !atWord("SELECT", 1)) {
        next();
        std::string columns;
        std::set<std::string> seen;
        do {
            nameToken("a column name");
            std::string name = t_[i_ - 1].text;
            while (acceptOp(".") || acceptOp("!")) // a qualified column: its last part
                name = nameToken("a column name");
            // Access refuses a column given twice; SQLite would take one of the two values.
            if (!seen.insert(lowerAscii(name)).second)
                throw Error("the column '" + name + "' is given twice in INSERT INTO (a duplicate output destination)");
            columns += (columns.empty() ? "" : ", ") + quoteName(name);
        } while (acceptOp(","));
        expectOp(")");
        sql += " (" + columns + ")";
    }
    if (accept("VALUES")) {
        expectOp("(");
        std::string values;
        do
            values += (values.empty() ? "" : ", ") + expression().sql;
        while (acceptOp(","));
        expectOp(")");
        return sql + " VALUES (" + values + ")";
    }
    return sql + " " + queryExpression();
}

namespace {

// The target of an UPDATE or DELETE over a join: the source named by `qualifier`, else the
// first plain table.
const Source *targetOf(const std::vector<Source> &sources, const std::string &qualifier)
{
    for (const Source &s : sources)
        if (qualifier.empty() ? !s.table.empty() : equalsNoCase(s.alias, qualifier))
            return &s;
    return nullptr;
}

} // namespace

std::string Parser::update()
{
    expect("UPDATE");
    accept("DISTINCTROW");
    std::vector<Source> sources;
    const std::string from = tableExpression(sources);
    expect("SET");
    struct Assignment {
        std::string column, value;
    };
    std::vector<Assignment> set;
    std::string qualifier;
    do {
        std::string first = nameToken("a column to set");
        std::string column = first;
        if (acceptOp(".") || acceptOp("!")) {
            column = nameToken("a column to set");
            if (!qualifier.empty() && !equalsNoCase(qualifier, first))
                throw Error("an UPDATE that sets columns of more than one table is not supported");
            qualifier = first;
        }
        expectOp("=");
        set.push_back({column, expression().sql});
    } while (acceptOp(","));
    std::string where;
    if (accept("WHERE"))
        where = expression().sql;
    const Source *target = targetOf(sources, qualifier);
    if (!target || target->table.empty())
        throw Error("updating through a saved query or a subquery is not supported");
    if (sources.size() == 1) {
        std::string sql = "UPDATE " + from + " SET ";
        for (std::size_t k = 0; k < set.size(); ++k)
            sql += (k ? ", " : "") + quoteName(set[k].column) + " = " + set[k].value;
        return sql + (where.empty() ? "" : " WHERE " + where);
    }
    // Over a join: the new values are computed by the join, one row of the target each.
    const std::string alias = quoteName(target->alias);
    std::string inner = "SELECT " + alias + ".rowid AS [jw_rowid]";
    std::string sql = "UPDATE " + quoteName(target->table) + " AS [jw_target] SET ";
    for (std::size_t k = 0; k < set.size(); ++k) {
        inner += ", " + set[k].value + " AS [jw_value" + std::to_string(k) + "]";
        sql += (k ? ", " : "") + quoteName(set[k].column) + " = [jw_source].[jw_value" + std::to_string(k) + "]";
    }
    inner += " FROM " + from + (where.empty() ? "" : " WHERE " + where);
    return sql + " FROM (" + inner + ") AS [jw_source] WHERE [jw_target].rowid = [jw_source].[jw_rowid]";
}

std::string Parser::remove()
{
    expect("DELETE");
    accept("DISTINCTROW");
    std::string qualifier;
    // DELETE [*|t.*|t.field, ...] FROM
    while (!atWord("FROM") && peek().kind != Token::End) {
        if (acceptOp("*") || acceptOp(","))
            continue;
        const std::string first = nameToken("the table to delete from");
        if (acceptOp(".") || acceptOp("!")) {
            if (!acceptOp("*"))
                nameToken("a column");
        }
        if (qualifier.empty())
            qualifier = first;
    }
    expect("FROM");
    std::vector<Source> sources;
    const std::string from = fromList(sources);
    std::string where;
    if (accept("WHERE"))
        where = expression().sql;
    const Source *target = targetOf(sources, qualifier);
    if (!target || target->table.empty())
        throw Error("deleting through a saved query or a subquery is not supported");
    if (sources.size() == 1)
        return "DELETE FROM " + from + (where.empty() ? "" : " WHERE " + where);
    return "DELETE FROM " + quoteName(target->table) + " WHERE rowid IN (SELECT " + quoteName(target->alias)
           + ".rowid FROM " + from + (where.empty() ? "" : " WHERE " + where) + ")";
}

// Data definition keeps its words; names, strings and dates are written as SQLite reads them.
std::string Parser::definition()
{
    std::string sql;
    const bool dropIndex = atWord("DROP") && atWord("INDEX", 1);
    while (peek().kind != Token::End && !atOp(";")) {
        const Token &t = next();
        if (dropIndex && isWord(t, "ON"))
            break; // DROP INDEX name ON table: SQLite's index names are unique in the file
        std::string piece;
        switch (t.kind) {
        case Token::Name:
            piece = quoteName(t.text);
            break;
        case Token::String:
        case Token::Date:
            piece = quoteText(t.text);
            break;
        default:
            piece = t.text;
        }
        if (!sql.empty() && !(t.kind == Token::Op && (t.text == ")" || t.text == "," || t.text == "."))
            && !(sql.back() == '(' || sql.back() == '.'))
            sql += ' ';
        sql += piece;
    }
    return sql;
}

} // namespace detail

} // namespace accesssql
