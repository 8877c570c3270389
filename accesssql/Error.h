#pragma once

#include <stdexcept>
#include <string>

namespace accesssql {

// A statement the translator cannot take: the message names the construct.
class Error : public std::runtime_error {
public:
    explicit Error(const std::string &message) : std::runtime_error("Access SQL: " + message) {}
};

} // namespace accesssql
