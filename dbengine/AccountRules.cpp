#include "AccountRules.h"

#include "ErrorCodes.h"
#include "automation/Error.h"

namespace dbengine::rules {

using automation::Error;

namespace {

// Decodes one UTF-8 sequence at `i`; false for a malformed, overlong or surrogate sequence.
bool decode(std::string_view s, std::size_t &i, char32_t &cp)
{
    const auto b = static_cast<unsigned char>(s[i]);
    std::size_t n = 0;
    if (b < 0x80) {
        cp = b;
        ++i;
        return true;
    }
    if ((b & 0xE0) == 0xC0) {
        n = 1;
        cp = b & 0x1F;
    } else if ((b & 0xF0) == 0xE0) {
        n = 2;
        cp = b & 0x0F;
    } else if ((b & 0xF8) == 0xF0) {
        n = 3;
        cp = b & 0x07;
    } else {
        return false;
    }
    if (i + n >= s.size())
        return false;
    for (std::size_t k = 1; k <= n; ++k) {
        const auto c = static_cast<unsigned char>(s[i + k]);
        if ((c & 0xC0) != 0x80)
            return false;
        cp = (cp << 6) | (c & 0x3F);
    }
    static constexpr char32_t minimum[] = {0, 0x80, 0x800, 0x10000};
    if (cp < minimum[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return false;
    i += n + 1;
    return true;
}

bool isControl(char32_t cp)
{
    return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F);
}

std::size_t checkedCount(std::string_view text, std::string_view what, std::int32_t code)
{
    const auto n = characterCount(text);
    if (!n)
        throw Error("The " + std::string(what) + " is not valid UTF-8 text.", code, "DAO.Workspace");
    return *n;
}

} // namespace

std::optional<std::size_t> characterCount(std::string_view text)
{
    std::size_t count = 0;
    char32_t cp = 0;
    for (std::size_t i = 0; i < text.size(); ++count)
        if (!decode(text, i, cp))
            return std::nullopt;
    return count;
}

bool hasControlCharacter(std::string_view text)
{
    char32_t cp = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (!decode(text, i, cp)) {
            ++i; // not UTF-8: the byte alone decides
            cp = static_cast<unsigned char>(text[i - 1]);
        }
        if (isControl(cp))
            return true;
    }
    return false;
}

void checkAccountName(std::string_view name)
{
    const std::size_t n = checkedCount(name, "account name", err::InvalidAccountName);
    const auto refuse = [&](const std::string &why) {
        throw Error("'" + std::string(name) + "' is not a valid account name: " + why, err::InvalidAccountName,
                    "DAO.Workspace");
    };
    if (n == 0)
        throw Error("An account name cannot be empty.", err::InvalidAccountName, "DAO.Workspace");
    if (n > MaxNameLength)
        refuse("use at most 20 characters.");
    if (hasControlCharacter(name))
        throw Error("An account name cannot hold control characters such as tabs or line breaks.",
                    err::InvalidAccountName, "DAO.Workspace");
    if (name.find_first_of(ForbiddenNameCharacters) != std::string_view::npos)
        refuse("it cannot hold any of \" \\ [ ] : | < > + = ; , . ? *");
    if (name.front() == ' ' || name.back() == ' ')
        refuse("it cannot begin or end with a blank.");
}

void checkPid(std::string_view pid)
{
    const std::size_t n = checkedCount(pid, "personal identifier (PID)", err::InvalidPid);
    if (n < MinPidLength || n > MaxPidLength || hasControlCharacter(pid))
        throw Error("A personal identifier (PID) has 4 to 20 characters and no control characters.",
                    err::InvalidPid, "DAO.Workspace");
}

void checkPassword(std::string_view password)
{
    const std::size_t n = checkedCount(password, "password", err::InvalidPassword);
    if (n > MaxPasswordLength)
        throw Error("A password has at most 14 characters.", err::InvalidPassword, "DAO.Workspace");
    if (password.find('\0') != std::string_view::npos)
        throw Error("A password cannot hold the character NUL.", err::InvalidPassword, "DAO.Workspace");
}

void checkWorkgroupId(std::string_view id)
{
    const std::size_t n = checkedCount(id, "workgroup ID", err::InvalidArgument);
    if (n < 4 || n > 20 || hasControlCharacter(id))
        throw Error("A workgroup ID has 4 to 20 characters and no control characters.", err::InvalidArgument,
                    "DAO.DBEngine");
}

void checkWorkgroupText(std::string_view text, std::string_view what)
{
    const std::size_t n = checkedCount(text, what, err::InvalidArgument);
    if (n > 255 || hasControlCharacter(text))
        throw Error("The workgroup's " + std::string(what)
                        + " has at most 255 characters and no control characters.",
                    err::InvalidArgument, "DAO.DBEngine");
}

} // namespace dbengine::rules
