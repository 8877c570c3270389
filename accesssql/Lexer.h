#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace accesssql {

struct Token {
    enum Kind { End, Word, Name, String, Number, Date, Op } kind = End;
    std::string text;   // words and numbers as written; names and strings without quotes;
                        // dates as "YYYY-MM-DD[ hh:mm:ss]"; operators as written
    std::size_t pos = 0; // offset in the statement
    std::size_t end = 0; // offset after the token
};

// Splits an Access SQL statement into tokens: [bracketed] and `quoted` names, "..." and '...'
// strings, #date# literals, numbers, words and operators. Throws accesssql::Error for an
// unterminated literal or a date literal it cannot read.
std::vector<Token> tokenize(std::string_view sql);

bool isWord(const Token &t, std::string_view word);

} // namespace accesssql
