#include "TranslatorImpl.h"

#include "Error.h"
#include "automation/Text.h"

#include <algorithm>
#include <map>

namespace accesssql::detail {

using automation::equalsNoCase;
using automation::lowerAscii;

std::string Parser::fromList(std::vector<Source> &sources)
{
    std::string out = tableExpression(sources);
    while (acceptOp(","))
        out += ", " + tableExpression(sources);
    return out;
}

std::string Parser::tableExpression(std::vector<Source> &sources)
{
    std::string out = tablePrimary(sources);
    for (;;) {
        std::string join;
        if (accept("INNER")) {
            join = " INNER JOIN ";
        } else if (accept("LEFT")) {
            accept("OUTER");
            join = " LEFT JOIN ";
        } else if (accept("RIGHT")) {
            accept("OUTER");
            join = " RIGHT JOIN ";
        } else if (atWord("JOIN")) {
            throw Error("JOIN needs INNER, LEFT or RIGHT");
        } else if (atWord("FULL") || atWord("CROSS")) {
            throw Error(peek().text + " JOIN is not supported");
        } else {
            return out;
        }
        expect("JOIN");
        const std::string right = tablePrimary(sources);
        expect("ON");
        out += join + right + " ON " + expression().sql;
    }
}

namespace {

bool isAlias(const Token &t)
{
    static const char *const keywords[] = {"INNER", "LEFT",  "RIGHT", "ON",    "WHERE", "GROUP", "HAVING", "ORDER",
                                           "UNION", "PIVOT", "SET",   "IN",    "JOIN",  "WITH",  "FULL",   "CROSS"};
    if (t.kind == Token::Name)
        return true;
    if (t.kind != Token::Word)
        return false;
    for (const char *k : keywords)
        if (isWord(t, k))
            return false;
    return true;
}

} // namespace

std::string Parser::tablePrimary(std::vector<Source> &sources)
{
    std::string alias;
    auto readAlias = [&] {
        if (accept("AS"))
            alias = nameToken("a name after AS");
        else if (isAlias(peek()))
            alias = next().text;
    };
    if (atOp("(")) {
        next();
        if (atWord("SELECT") || atWord("TRANSFORM")) {
            if (atWord("TRANSFORM"))
                throw Error("a crosstab inside another statement is not supported; save it as a query");
            const std::string query = queryExpression();
            expectOp(")");
            readAlias();
            if (alias.empty())
                alias = "jw_subquery" + std::to_string(sources.size());
            sources.push_back({alias, {}});
            return "(" + query + ") AS " + quoteName(alias);
        }
        const std::string inner = tableExpression(sources);
        expectOp(")");
        return "(" + inner + ")";
    }
    // A derived table as older versions save it: [SELECT ...]. AS alias
    if (peek().kind == Token::Name && atOp(".", 1) && lowerAscii(peek().text).rfind("select", 0) == 0) {
        const std::string text = next().text;
        next();
        std::set<std::string> open = open_;
        Parser inner(text, catalog_, parameters_, open);
        inner.exprNumber_ = exprNumber_;
        const std::string query = inner.queryExpression();
        readAlias();
        if (alias.empty())
            alias = "jw_subquery" + std::to_string(sources.size());
        sources.push_back({alias, {}});
        return "(" + query + ") AS " + quoteName(alias);
    }
    const std::string name = nameToken("a table or query name");
    if (atOp(".") || atOp("!"))
        throw Error("a table of another database ('" + name + "." + peek(1).text + "') is not supported");
    if (atWord("IN"))
        throw Error("a table of another database (IN '...') is not supported");
    readAlias();
    const std::string used = alias.empty() ? name : alias;
    if (catalog_.isTable(name)) {
        sources.push_back({used, name});
        return quoteName(name) + (alias.empty() ? "" : " AS " + quoteName(alias));
    }
    sources.push_back({used, {}});
    return savedQuery(name, used);
}

// A saved query used as a table: its translation inlined under its name, so that qualified
// columns still find it. SQLite's own views stay views.
std::string Parser::savedQuery(const std::string &name, const std::string &alias)
{
    const auto q = catalog_.savedQuery(name);
    if (!q) // SQLite reports the unknown table
        return quoteName(name) + (alias == name ? "" : " AS " + quoteName(alias));
    if (!q->access) {
        if (q->view)
            return quoteName(name) + (alias == name ? "" : " AS " + quoteName(alias));
        return "(" + q->sql + ") AS " + quoteName(alias);
    }
    const std::string key = lowerAscii(name);
    if (open_.count(key))
        throw Error("the saved query '" + name + "' uses itself");
    open_.insert(key);
    Parser inner(q->sql, catalog_, parameters_, open_);
    Translation t = inner.statement();
    open_.erase(key);
    if (!t.returnsRows())
        throw Error("the saved query '" + name + "' is an action query and cannot be used as a table");
    return "(" + t.sql + ") AS " + quoteName(alias);
}

// Access names columns that two tables give under one name after their tables ("Table1.col1",
// "Table2.col1"); SQLite would repeat the bare name, or number it ("col1:1") in a subquery.
void Parser::nameSameColumns(SelectParts &p)
{
    if (p.sources.size() < 2 || p.from.empty())
        return;
    struct Output {
        std::size_t item;
        std::string qualifier, name;
    };
    std::vector<Output> outputs;
    std::map<std::string, std::vector<std::string>> starColumns; // by source alias, lower case
    for (std::size_t k = 0; k < p.items.size(); ++k) {
        const SelectItem &item = p.items[k];
        if (!item.alias.empty()) {
            outputs.push_back({k, {}, item.alias});
        } else if (item.star) {
            for (const Source &s : p.sources) {
                if (!item.qualifier.empty() && !equalsNoCase(item.qualifier, s.alias))
                    continue;
                auto &names = starColumns[lowerAscii(s.alias)];
                if (names.empty())
                    names = catalog_.columnNames("SELECT " + quoteName(s.alias) + ".* FROM " + p.from);
                if (names.empty())
                    return; // not known yet (a parameter still to resolve): leave the names alone
                for (const std::string &n : names)
                    outputs.push_back({k, s.alias, n});
            }
        } else if (!item.column.empty()) {
            outputs.push_back({k, item.qualifier, item.column});
        }
    }
    std::map<std::string, int> uses;
    for (const Output &o : outputs)
        ++uses[lowerAscii(o.name)];
    auto repeated = [&](const Output &o) { return uses[lowerAscii(o.name)] > 1 && !o.qualifier.empty(); };
    if (std::none_of(outputs.begin(), outputs.end(), repeated))
        return;
    std::vector<SelectItem> items;
    for (std::size_t k = 0; k < p.items.size(); ++k) {
        const SelectItem &item = p.items[k];
        if (!item.star) {
            items.push_back(item);
            for (const Output &o : outputs)
                if (o.item == k && item.alias.empty() && repeated(o))
                    items.back().alias = o.qualifier + "." + o.name;
            continue;
        }
        // A star with a repeated name is written out column by column.
        for (const Output &o : outputs)
            if (o.item == k)
                items.push_back({quoteName(o.qualifier) + "." + quoteName(o.name),
                                 repeated(o) ? o.qualifier + "." + o.name : std::string(), false, o.qualifier, o.name});
    }
    p.items = std::move(items);
}

} // namespace accesssql::detail
