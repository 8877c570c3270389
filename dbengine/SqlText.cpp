#include "SqlText.h"

#include "ErrorCodes.h"
#include "TypeMap.h"
#include "automation/Error.h"
#include "automation/Text.h"

#include <cctype>

namespace dbengine::sqltext {

namespace {

using automation::equalsNoCase;

bool wordChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$'
           || static_cast<unsigned char>(c) >= 0x80;
}

std::size_t skipQuoted(std::string_view s, std::size_t i, char close, std::string &value)
{
    ++i;
    while (i < s.size()) {
        if (s[i] == close) {
            if (close != ']' && i + 1 < s.size() && s[i + 1] == close) {
                value += close;
                i += 2;
                continue;
            }
            return i + 1;
        }
        value += s[i++];
    }
    return i;
}

// Index of the token that closes the parenthesis opened at `open`, or tokens.size().
std::size_t matching(const std::vector<Token> &t, std::size_t open)
{
    int depth = 0;
    for (std::size_t i = open; i < t.size(); ++i) {
        if (t[i].kind != Token::Punct)
            continue;
        if (t[i].value == "(")
            ++depth;
        else if (t[i].value == ")" && --depth == 0)
            return i;
    }
    return t.size();
}

std::size_t endOf(const Token &t) { return t.pos + t.length; }

bool isPunct(const std::vector<Token> &t, std::size_t i, std::string_view p)
{
    return i < t.size() && t[i].kind == Token::Punct && t[i].value == p;
}

// Where the PARAMETERS clause ends: the index of the first token after its ";" (0 without one).
std::size_t parametersEnd(const std::vector<Token> &t, std::vector<ParameterDecl> *decls)
{
    if (t.empty() || !isWord(t[0], "PARAMETERS"))
        return 0;
    std::size_t i = 1;
    for (;;) {
        if (i >= t.size() || !isName(t[i]))
            throw automation::Error("The PARAMETERS clause needs a name and a type for each parameter.",
                                    err::SqlError, "DAO.QueryDef");
        ParameterDecl decl{t[i].value, 0};
        std::string typeText;
        ++i;
        while (i < t.size() && !isPunct(t, i, ",") && !isPunct(t, i, ";")) {
            typeText += typeText.empty() ? "" : " ";
            typeText += t[i].kind == Token::Punct ? t[i].value : t[i].value;
            ++i;
        }
        if (typeText.empty() || i >= t.size())
            throw automation::Error("The PARAMETERS clause must end with a semicolon after the last type.",
                                    err::SqlError, "DAO.QueryDef");
        decl.type = mapDeclaredType(typeText).type;
        if (decls)
            decls->push_back(decl);
        if (isPunct(t, i, ";"))
            return i + 1;
        ++i;
    }
}

} // namespace

std::vector<Token> tokenize(std::string_view s)
{
    std::vector<Token> out;
    std::size_t i = 0;
    while (i < s.size()) {
        const char c = s[i];
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
        } else if (c == '-' && i + 1 < s.size() && s[i + 1] == '-') {
            while (i < s.size() && s[i] != '\n')
                ++i;
        } else if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
            const std::size_t end = s.find("*/", i + 2);
            i = end == std::string_view::npos ? s.size() : end + 2;
        } else if (c == '\'' || c == '"' || c == '`' || c == '[') {
            Token t{c == '\'' ? Token::String : Token::Identifier, i, 0, {}};
            const std::size_t end = skipQuoted(s, i, c == '[' ? ']' : c, t.value);
            t.length = end - i;
            out.push_back(std::move(t));
            i = end;
        } else if (wordChar(c)) {
            std::size_t j = i;
            while (j < s.size() && wordChar(s[j]))
                ++j;
            const bool number = std::isdigit(static_cast<unsigned char>(c));
            out.push_back({number ? Token::Number : Token::Word, i, j - i, std::string(s.substr(i, j - i))});
            i = j;
        } else if ((c == '?' || c == ':' || c == '@') && i + 1 <= s.size()) {
            std::size_t j = i + 1;
            while (j < s.size() && wordChar(s[j]))
                ++j;
            out.push_back({Token::Variable, i, j - i, std::string(s.substr(i, j - i))});
            i = j;
        } else {
            out.push_back({Token::Punct, i, 1, std::string(1, c)});
            ++i;
        }
    }
    return out;
}

bool isWord(const Token &token, std::string_view keyword)
{
    return token.kind == Token::Word && equalsNoCase(token.value, keyword);
}

bool isName(const Token &token)
{
    return token.kind == Token::Word || token.kind == Token::Identifier;
}

ParsedQuery parseQuery(std::string_view sql)
{
    ParsedQuery q;
    const std::vector<Token> t = tokenize(sql);
    const std::size_t first = parametersEnd(t, &q.parameters);
    const std::size_t bodyStart = first == 0 ? 0 : (first < t.size() ? t[first].pos : sql.size());
    q.body = std::string(sql.substr(first == 0 ? 0 : bodyStart));
    if (q.parameters.empty()) {
        q.executable = q.body;
        return q;
    }
    // Replace references to declared parameters (not qualified names, not function calls).
    std::size_t copied = bodyStart;
    for (std::size_t i = first; i < t.size(); ++i) {
        if (!isName(t[i]) || isPunct(t, i - 1, ".") || isPunct(t, i + 1, ".") || isPunct(t, i + 1, "("))
            continue;
        for (std::size_t p = 0; p < q.parameters.size(); ++p) {
            if (equalsNoCase(t[i].value, q.parameters[p].name)) {
                q.executable.append(sql.substr(copied, t[i].pos - copied));
                q.executable += '?';
                q.placeholderParameter.push_back(p);
                copied = endOf(t[i]);
                break;
            }
        }
    }
    q.executable.append(sql.substr(copied));
    return q;
}

std::int16_t queryType(std::string_view sql)
{
    const std::vector<Token> t = tokenize(sql);
    std::size_t i = 0;
    try {
        i = parametersEnd(t, nullptr);
    } catch (const automation::Error &) {
        return 240;
    }
    if (i >= t.size())
        return 240;
    // A WITH clause: the kind is that of the statement after the common table expressions.
    if (isWord(t[i], "WITH")) {
        for (std::size_t j = i + 1; j < t.size(); ++j) {
            if (isPunct(t, j, "(")) {
                j = matching(t, j);
                continue;
            }
            if (isWord(t[j], "SELECT") || isWord(t[j], "INSERT") || isWord(t[j], "UPDATE")
                || isWord(t[j], "DELETE") || isWord(t[j], "REPLACE")) {
                i = j;
                break;
            }
        }
    }
    const Token &k = t[i];
    if (isWord(k, "SELECT") || isWord(k, "VALUES") || isPunct(t, i, "(")) {
        bool into = false, unionAll = false;
        for (std::size_t j = i; j < t.size(); ++j) {
            if (isPunct(t, j, "(")) {
                j = matching(t, j);
                continue;
            }
            into = into || isWord(t[j], "INTO");
            unionAll = unionAll || isWord(t[j], "UNION");
        }
        return into ? 80 : unionAll ? 128 : 0;
    }
    if (isWord(k, "TRANSFORM"))
        return 16;
    if (isWord(k, "DELETE"))
        return 32;
    if (isWord(k, "UPDATE"))
        return 48;
    if (isWord(k, "INSERT") || isWord(k, "REPLACE"))
        return 64;
    if (isWord(k, "CREATE") || isWord(k, "DROP") || isWord(k, "ALTER"))
        return 96;
    return 240;
}

std::optional<std::string> viewBody(std::string_view sql)
{
    const std::vector<Token> t = tokenize(sql);
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (isPunct(t, i, "(")) {
            i = matching(t, i);
            continue;
        }
        if (isWord(t[i], "AS") && i + 1 < t.size())
            return std::string(sql.substr(t[i + 1].pos));
    }
    return std::nullopt;
}

namespace {

// The span of a column-level REFERENCES clause starting at `i`; returns the index after it.
std::size_t referencesEnd(const std::vector<Token> &t, std::size_t i, std::size_t limit)
{
    i += 2; // REFERENCES parent
    if (isPunct(t, i, "("))
        i = matching(t, i) + 1;
    while (i < limit) {
        if (isWord(t[i], "ON") && i + 2 < limit) {
            i += 2; // ON DELETE|UPDATE
            if (isWord(t[i], "SET") || isWord(t[i], "NO"))
                i += 2;
            else
                i += 1;
        } else if (isWord(t[i], "MATCH")) {
            i += 2;
        } else if (isWord(t[i], "NOT") && i + 1 < limit && isWord(t[i + 1], "DEFERRABLE")) {
            i += 2;
        } else if (isWord(t[i], "DEFERRABLE")) {
            i += 1;
        } else if (isWord(t[i], "INITIALLY")) {
            i += 2;
        } else {
            break;
        }
    }
    return std::min(i, limit);
}

void readColumn(std::string_view sql, const std::vector<Token> &t, std::size_t b, std::size_t e,
                CreateTable &out)
{
    CreateTable::Column column{t[b].value, {}};
    for (std::size_t i = b + 1; i < e; ++i) {
        if (isPunct(t, i, "(")) {
            i = matching(t, i);
            continue;
        }
        if (isWord(t[i], "CHECK") && isPunct(t, i + 1, "(")) {
            const std::size_t close = matching(t, i + 1);
            if (close < t.size() && i + 2 <= close)
                column.check = std::string(sql.substr(endOf(t[i + 1]), t[close].pos - endOf(t[i + 1])));
            i = close;
        } else if (isWord(t[i], "REFERENCES") && i + 1 < e) {
            ForeignKeyClause fk;
            std::size_t start = i;
            if (i >= 2 && isWord(t[i - 2], "CONSTRAINT"))
                start = i - 2;
            const std::size_t end = referencesEnd(t, i, e);
            fk.begin = t[start].pos;
            fk.end = end < t.size() ? t[end - 1].pos + t[end - 1].length : sql.size();
            fk.childColumns = {column.name};
            fk.parentTable = t[i + 1].value;
            out.foreignKeys.push_back(std::move(fk));
            i = end - 1;
        }
    }
    out.columns.push_back(std::move(column));
}

void readTableForeignKey(const std::vector<Token> &t, std::size_t b, std::size_t e,
                         std::size_t removeFrom, std::size_t removeTo, CreateTable &out)
{
    std::size_t i = b;
    if (isWord(t[i], "CONSTRAINT"))
        i += 2;
    if (!isWord(t[i], "FOREIGN") || !isPunct(t, i + 2, "("))
        return;
    ForeignKeyClause fk;
    const std::size_t close = matching(t, i + 2);
    for (std::size_t j = i + 3; j < close; ++j)
        if (isName(t[j]))
            fk.childColumns.push_back(t[j].value);
    if (close + 2 < e && isWord(t[close + 1], "REFERENCES"))
        fk.parentTable = t[close + 2].value;
    fk.begin = removeFrom;
    fk.end = removeTo;
    out.foreignKeys.push_back(std::move(fk));
}

} // namespace

std::optional<CreateTable> parseCreateTable(std::string_view sql)
{
    const std::vector<Token> t = tokenize(sql);
    std::size_t open = 0;
    while (open < t.size() && !isPunct(t, open, "("))
        ++open;
    const std::size_t close = matching(t, open);
    if (open >= t.size() || close >= t.size())
        return std::nullopt;
    CreateTable out;
    std::size_t itemStart = open + 1;
    for (std::size_t i = open + 1; i <= close; ++i) {
        if (isPunct(t, i, "(") && i < close) {
            i = matching(t, i);
            continue;
        }
        if (!(isPunct(t, i, ",") || i == close) || itemStart >= i)
            continue;
        const Token &head = t[itemStart];
        const bool constraint = isWord(head, "CONSTRAINT") || isWord(head, "PRIMARY")
                                || isWord(head, "UNIQUE") || isWord(head, "CHECK")
                                || isWord(head, "FOREIGN");
        if (!constraint) {
            readColumn(sql, t, itemStart, i, out);
        } else {
            // Removing a table constraint takes the comma before it with it.
            const std::size_t from = endOf(t[itemStart - 1]) - (isPunct(t, itemStart - 1, ",") ? 1 : 0);
            readTableForeignKey(t, itemStart, i, from, t[i - 1].pos + t[i - 1].length, out);
        }
        itemStart = i + 1;
    }
    return out;
}

} // namespace dbengine::sqltext
