#include "Lexer.h"

#include "Dates.h"
#include "Error.h"
#include "automation/Text.h"

#include <cctype>

namespace accesssql {

namespace {

bool wordStart(char c)
{
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || static_cast<unsigned char>(c) >= 0x80;
}

bool wordChar(char c)
{
    return wordStart(c) || std::isdigit(static_cast<unsigned char>(c)) || c == '$';
}

bool digit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// A quoted string or name; a doubled closing quote stands for itself (not in brackets).
std::size_t quoted(std::string_view s, std::size_t i, char close, std::string &value, const char *what)
{
    for (++i; i < s.size(); ++i) {
        if (s[i] == close) {
            if (close != ']' && i + 1 < s.size() && s[i + 1] == close) {
                value += close;
                ++i;
                continue;
            }
            return i + 1;
        }
        value += s[i];
    }
    throw Error(std::string("unterminated ") + what);
}

std::size_t number(std::string_view s, std::size_t i)
{
    while (i < s.size() && digit(s[i]))
        ++i;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && digit(s[i]))
            ++i;
    }
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-'))
            ++j;
        if (j < s.size() && digit(s[j])) {
            i = j;
            while (i < s.size() && digit(s[i]))
                ++i;
        }
    }
    return i;
}

} // namespace

bool isWord(const Token &t, std::string_view word)
{
    return t.kind == Token::Word && automation::equalsNoCase(t.text, word);
}

std::vector<Token> tokenize(std::string_view s)
{
    std::vector<Token> out;
    std::size_t i = 0;
    while (i < s.size()) {
        const char c = s[i];
        Token t;
        t.pos = i;
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
            continue;
        }
        if (c == '-' && i + 1 < s.size() && s[i + 1] == '-') {
            while (i < s.size() && s[i] != '\n')
                ++i;
            continue;
        }
        if (c == '"' || c == '\'') {
            t.kind = Token::String;
            i = quoted(s, i, c, t.text, "string literal");
        } else if (c == '[' || c == '`') {
            t.kind = Token::Name;
            i = quoted(s, i, c == '[' ? ']' : '`', t.text, "name in brackets");
        } else if (c == '#') {
            const std::size_t close = s.find('#', i + 1);
            if (close == std::string_view::npos)
                throw Error("unterminated date literal");
            const std::string_view inner = s.substr(i + 1, close - i - 1);
            const auto d = dates::parse(inner);
            if (!d)
                throw Error("the date literal #" + std::string(inner) + "# cannot be read");
            t.kind = Token::Date;
            t.text = dates::toText(*d);
            i = close + 1;
        } else if (digit(c) || (c == '.' && i + 1 < s.size() && digit(s[i + 1]))) {
            t.kind = Token::Number;
            const std::size_t e = number(s, i);
            t.text = std::string(s.substr(i, e - i));
            i = e;
        } else if (wordStart(c)) {
            std::size_t j = i;
            while (j < s.size() && wordChar(s[j]))
                ++j;
            t.kind = Token::Word;
            t.text = std::string(s.substr(i, j - i));
            i = j;
        } else {
            t.kind = Token::Op;
            const std::string_view two = s.substr(i, 2);
            if (two == "<>" || two == "<=" || two == ">=" || two == "!=") {
                t.text = std::string(two);
                i += 2;
            } else {
                t.text = std::string(1, c);
                ++i;
            }
        }
        t.end = i;
        out.push_back(std::move(t));
    }
    Token end;
    end.pos = end.end = s.size();
    out.push_back(end);
    return out;
}

} // namespace accesssql
