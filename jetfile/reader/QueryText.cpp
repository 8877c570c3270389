#include "QueryText.h"

#include "JetReader.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>

namespace jetfile {

namespace {

// Attributes of MSysQueries rows.
enum Attribute { Type = 1, Parameter = 2, Flags = 3, RemoteDb = 4, Table = 5, Column = 6, Join = 7,
                 Where = 8, GroupBy = 9, Having = 10, OrderBy = 11 };
// The query kinds of the type row.
enum Kind { Select = 1, MakeTable = 2, Append = 3, Update = 4, Delete = 5, Crosstab = 6, DataDefinition = 7,
            PassThrough = 8, Union = 9 };
// Bits of the flags row.
constexpr int kSelectStar = 0x01, kDistinct = 0x02, kOwnerAccess = 0x04, kDistinctRow = 0x08, kTop = 0x10,
              kPercent = 0x20;
constexpr int kUnionAll = 0x02;
// Crosstab roles of a column or group row: the pivot and the row headings; neither is the value.
constexpr int kPivot = 0x01, kRowHeading = 0x02;
const char *const kUnionPart1 = "X7YZ_____1";
const char *const kUnionPart2 = "X7YZ_____2";

int daoType(int kind)
{
    switch (kind) {
    case Crosstab: return 16;
    case Delete: return 32;
    case Update: return 48;
    case Append: return 64;
    case MakeTable: return 80;
    case DataDefinition: return 96;
    case PassThrough: return 112;
    case Union: return 128;
    default: return 0;
    }
}

const char *parameterType(int type)
{
    switch (type) {
    case 1: return "Bit";
    case 2: return "Byte";
    case 3: return "Short";
    case 4: return "Long";
    case 5: return "Currency";
    case 6: return "IEEESingle";
    case 7: return "IEEEDouble";
    case 8: return "DateTime";
    case 9: return "Binary";
    case 10: return "Text";
    case 11: return "LongBinary";
    case 12: return "Memo";
    case 15: return "Guid";
    case 16: return "BigInt";
    case 20: return "Decimal";
    default: return "Value";
    }
}

// Names that are not plain identifiers go in brackets, as Access writes them.
std::string name(const std::string &n)
{
    if (n.empty())
        return n;
    if (n.front() == '[')
        return n;
    const bool plain = std::all_of(n.begin(), n.end(), [](unsigned char c) {
        return std::isalnum(c) || c == '_' || c >= 0x80;
    }) && !std::isdigit(static_cast<unsigned char>(n.front()));
    return plain ? n : "[" + n + "]";
}

std::string joined(const std::vector<std::string> &items, const char *separator)
{
    std::string out;
    for (const std::string &s : items) {
        if (!out.empty())
            out += separator;
        out += s;
    }
    return out;
}

// Stored texts carry Windows line ends; the rebuilt text uses one kind throughout.
std::string unixLines(std::string s)
{
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i)
        if (!(s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n'))
            out += s[i];
    return out;
}

struct Parts {
    std::vector<const QueryRow *> of[256];
    const QueryRow *type = nullptr, *flags = nullptr;

    explicit Parts(const std::vector<QueryRow> &rows)
    {
        std::vector<const QueryRow *> sorted;
        for (const QueryRow &r : rows)
            sorted.push_back(&r);
        // Rows of one attribute keep the order the file gives them.
        std::stable_sort(sorted.begin(), sorted.end(),
                         [](const QueryRow *a, const QueryRow *b) { return a->order < b->order; });
        for (const QueryRow *r : sorted)
            if (r->attribute >= 0 && r->attribute < 256)
                of[r->attribute].push_back(r);
        type = of[Type].empty() ? nullptr : of[Type].front();
        flags = of[Flags].empty() ? nullptr : of[Flags].front();
    }
    int flagBits() const { return flags ? flags->flag : 0; }
    int kind() const { return type ? type->flag : Select; }
    const std::vector<const QueryRow *> &rows(int attribute) const { return of[attribute]; }
};

std::string parametersClause(const Parts &p)
{
    std::vector<std::string> items;
    for (const QueryRow *r : p.rows(Parameter))
        items.push_back(name(r->name1) + " " + parameterType(r->flag));
    return items.empty() ? std::string() : "PARAMETERS " + joined(items, ", ") + ";\n";
}

std::string tableText(const QueryRow &r)
{
    std::string t = r.expression.empty() ? name(r.name1) : "(" + unixLines(r.expression) + ")";
    if (!r.name2.empty())
        t += " AS " + name(r.name2);
    return t;
}

// The FROM list: the tables, with each join folding its two sides into one piece. Joins between
// the same two tables are one join whose conditions are all required.
std::string fromClause(const Parts &p)
{
    struct Piece {
        std::vector<std::string> tables;
        std::string text;
        bool joined = false;
    };
    std::vector<Piece> pieces;
    for (const QueryRow *r : p.rows(Table)) {
        if (r->name2 == kUnionPart1 || r->name2 == kUnionPart2)
            continue;
        pieces.push_back({{r->name2.empty() ? r->name1 : r->name2}, tableText(*r), false});
    }
    std::vector<std::pair<const QueryRow *, std::vector<std::string>>> joins;
    for (const QueryRow *r : p.rows(Join)) {
        auto same = std::find_if(joins.begin(), joins.end(), [&](auto &j) {
            return j.first->name1 == r->name1 && j.first->name2 == r->name2 && j.first->flag == r->flag;
        });
        if (same != joins.end())
            same->second.push_back(r->expression);
        else
            joins.push_back({r, {r->expression}});
    }
    auto find = [&](const std::string &table) {
        for (std::size_t i = 0; i < pieces.size(); ++i)
            if (std::find(pieces[i].tables.begin(), pieces[i].tables.end(), table) != pieces[i].tables.end())
                return int(i);
        return -1;
    };
    for (auto &[r, conditions] : joins) {
        std::string on;
        if (conditions.size() == 1) {
            on = conditions.front();
        } else {
            std::vector<std::string> wrapped;
            for (const std::string &c : conditions)
                wrapped.push_back("(" + c + ")");
            on = joined(wrapped, " AND ");
        }
        const char *kind = r->flag == 2 ? " LEFT JOIN " : r->flag == 3 ? " RIGHT JOIN " : " INNER JOIN ";
        int left = find(r->name1), right = find(r->name2);
        if (left < 0) {
            pieces.push_back({{r->name1}, name(r->name1), false});
            left = int(pieces.size()) - 1;
        }
        if (right < 0) {
            pieces.push_back({{r->name2}, name(r->name2), false});
            right = int(pieces.size()) - 1;
        }
        if (left == right)
            continue;
        Piece &l = pieces[std::size_t(left)];
        const Piece &rt = pieces[std::size_t(right)];
        l.text = (l.joined ? "(" + l.text + ")" : l.text) + kind + (rt.joined ? "(" + rt.text + ")" : rt.text) + " ON " + on;
        l.tables.insert(l.tables.end(), rt.tables.begin(), rt.tables.end());
        l.joined = true;
        pieces.erase(pieces.begin() + right);
    }
    std::vector<std::string> items;
    for (const Piece &pc : pieces)
        items.push_back(pc.text);
    std::string from = joined(items, ", ");
    for (const QueryRow *r : p.rows(RemoteDb))
        from += " IN '" + r->name1 + "'" + (r->expression.empty() ? "" : " [" + r->expression + "]");
    return from;
}

std::string columnText(const QueryRow &r)
{
    return r.name1.empty() ? r.expression : r.expression + " AS " + name(r.name1);
}

std::string selectList(const Parts &p, bool crosstab)
{
    std::vector<std::string> items;
    if (p.flagBits() & kSelectStar)
        items.push_back("*");
    for (const QueryRow *r : p.rows(Column))
        if (!crosstab || (r->flag & kRowHeading))
            items.push_back(columnText(*r));
    return joined(items, ", ");
}

std::string predicate(const Parts &p)
{
    const int f = p.flagBits();
    std::string s;
    if (f & kDistinct)
        s += "DISTINCT ";
    else if (f & kDistinctRow)
        s += "DISTINCTROW ";
    if (f & kTop)
        s += "TOP " + (p.flags ? p.flags->name1 : std::string()) + ((f & kPercent) ? " PERCENT " : " ");
    return s;
}

// WHERE, GROUP BY, HAVING and ORDER BY, each on its own line.
std::string tail(const Parts &p, bool crosstab)
{
    std::string s;
    if (!p.rows(Where).empty())
        s += "\nWHERE " + p.rows(Where).front()->expression;
    std::vector<std::string> groups;
    for (const QueryRow *r : p.rows(GroupBy))
        if (!crosstab || !(r->flag & kPivot))
            groups.push_back(r->expression);
    if (!groups.empty())
        s += "\nGROUP BY " + joined(groups, ", ");
    if (!p.rows(Having).empty())
        s += "\nHAVING " + p.rows(Having).front()->expression;
    std::vector<std::string> order;
    for (const QueryRow *r : p.rows(OrderBy))
        order.push_back(r->expression + (r->name1 == "D" || r->name1 == "d" ? " DESC" : ""));
    if (!order.empty())
        s += "\nORDER BY " + joined(order, ", ");
    return s;
}

std::string ownerAccess(const Parts &p)
{
    return (p.flagBits() & kOwnerAccess) ? "\nWITH OWNERACCESS OPTION" : "";
}

std::string intoTarget(const Parts &p)
{
    if (!p.type)
        return {};
    std::string t = name(p.type->name1);
    if (!p.type->name2.empty())
        t += " IN '" + p.type->name2 + "'";
    return t;
}

std::string selectText(const Parts &p)
{
    std::string s = "SELECT " + predicate(p) + selectList(p, false);
    if (p.kind() == MakeTable)
        s += " INTO " + intoTarget(p);
    const std::string from = fromClause(p);
    if (!from.empty())
        s += "\nFROM " + from;
    return s + tail(p, false) + ownerAccess(p);
}

std::string crosstabText(const Parts &p)
{
    std::string value, pivot, headings;
    for (const QueryRow *r : p.rows(Column)) {
        if (r->flag & kPivot) {
            pivot = r->expression;
            headings = r->name1;
        } else if (!(r->flag & kRowHeading)) {
            value = columnText(*r);
        }
    }
    std::string s = "TRANSFORM " + value + "\nSELECT " + predicate(p) + selectList(p, true);
    const std::string from = fromClause(p);
    if (!from.empty())
        s += "\nFROM " + from;
    s += tail(p, true);
    s += "\nPIVOT " + pivot;
    // The fixed column headings, when the query has them, ride in the name of the pivot's
    // column row or of its group row; they keep the order of the query's columns.
    for (const QueryRow *r : p.rows(GroupBy))
        if ((r->flag & kPivot) && headings.empty())
            headings = r->name1;
    while (!headings.empty() && std::strchr(" \r\n\t", headings.back()))
        headings.pop_back();
    if (!headings.empty())
        s += headings.front() == '(' ? " IN " + headings : " IN (" + headings + ")";
    return s + ownerAccess(p);
}

std::string appendText(const Parts &p)
{
    std::vector<std::string> targets, values;
    for (const QueryRow *r : p.rows(Column)) {
        targets.push_back(r->name2);
        values.push_back(columnText(*r));
    }
    const bool named = std::any_of(targets.begin(), targets.end(), [](auto &t) { return !t.empty(); });
    std::string s = "INSERT INTO " + intoTarget(p);
    if (named) {
        std::vector<std::string> quoted;
        for (const std::string &t : targets)
            quoted.push_back(name(t));
        s += " ( " + joined(quoted, ", ") + " )";
    }
    const std::string from = fromClause(p);
    if (from.empty() && p.rows(Where).empty())
        return s + "\nVALUES (" + joined(values, ", ") + ")";
    std::string list = values.empty() ? "*" : joined(values, ", ");
    if (p.flagBits() & kSelectStar)
        list = values.empty() ? "*" : "*, " + list;
    s += "\nSELECT " + predicate(p) + list;
    if (!from.empty())
        s += "\nFROM " + from;
    return s + tail(p, false) + ownerAccess(p);
}

std::string updateText(const Parts &p)
{
    std::vector<std::string> sets;
    for (const QueryRow *r : p.rows(Column))
        sets.push_back(r->name2 + " = " + r->expression);
    std::string s = "UPDATE " + predicate(p) + fromClause(p) + " SET " + joined(sets, ", ");
    if (!p.rows(Where).empty())
        s += "\nWHERE " + p.rows(Where).front()->expression;
    return s + ownerAccess(p);
}

std::string deleteText(const Parts &p)
{
    std::string s = "DELETE " + predicate(p) + selectList(p, false);
    return s + "\nFROM " + fromClause(p) + tail(p, false) + ownerAccess(p);
}

std::string unionText(const Parts &p)
{
    std::string first, second;
    for (const QueryRow *r : p.rows(Table)) {
        if (r->name2 == kUnionPart1)
            first = unixLines(r->expression);
        else if (r->name2 == kUnionPart2)
            second = unixLines(r->expression);
    }
    while (!first.empty() && (first.back() == '\n' || first.back() == ' '))
        first.pop_back();
    std::string s = first + "\nUNION " + ((p.flagBits() & kUnionAll) ? "ALL " : "") + second;
    std::vector<std::string> order;
    for (const QueryRow *r : p.rows(OrderBy))
        order.push_back(r->expression + (r->name1 == "D" || r->name1 == "d" ? " DESC" : ""));
    if (!order.empty())
        s += "\nORDER BY " + joined(order, ", ");
    return s;
}

} // namespace

RebuiltQuery rebuildQuery(const std::vector<QueryRow> &rows)
{
    const Parts p(rows);
    RebuiltQuery q;
    q.daoType = daoType(p.kind());
    std::string body;
    switch (p.kind()) {
    case DataDefinition:
    case PassThrough:
        // Their text is kept whole, as written.
        q.sql = unixLines(p.type ? p.type->expression : std::string());
        while (!q.sql.empty() && (q.sql.back() == '\0' || std::strchr(";\r\n \t", q.sql.back())))
            q.sql.pop_back();
        return q;
    case Crosstab: body = crosstabText(p); break;
    case Append: body = appendText(p); break;
    case Update: body = updateText(p); break;
    case Delete: body = deleteText(p); break;
    case Union: body = unionText(p); break;
    default: body = selectText(p); break;
    }
    q.sql = parametersClause(p) + body;
    return q;
}

} // namespace jetfile
