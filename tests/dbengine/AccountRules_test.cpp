#include "dbengine/AccountRules.h"

#include "automation/Error.h"
#include "dbengine/ErrorCodes.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using dbengine::rules::checkAccountName;
using dbengine::rules::checkPassword;
using dbengine::rules::checkPid;

std::string repeat(const std::string &text, int n)
{
    std::string out;
    while (n-- > 0)
        out += text;
    return out;
}

int codeOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const automation::Error &e) {
        return e.code();
    }
    return 0;
}

TEST(AccountRules, EachTextIsCheckedByItsRule)
{
    using namespace dbengine::err;
    const struct {
        const char *label;
        std::function<void()> check;
        int code;
    } cases[] = {
        {"plain name", [] { checkAccountName("Ann Smith"); }, 0},
        {"twenty characters", [] { checkAccountName("abcdefghijklmnopqrst"); }, 0},
        {"twenty accented characters", [] { checkAccountName(repeat("é", 20)); }, 0},
        {"twenty-one accented characters", [] { checkAccountName(repeat("é", 21)); }, InvalidAccountName},
        {"twenty-one characters", [] { checkAccountName("abcdefghijklmnopqrstu"); }, InvalidAccountName},
        {"empty name", [] { checkAccountName(""); }, InvalidAccountName},
        {"tab", [] { checkAccountName("ann\tsmith"); }, InvalidAccountName},
        {"line feed", [] { checkAccountName("ann\n"); }, InvalidAccountName},
        {"NUL", [] { checkAccountName(std::string("an\0n", 4)); }, InvalidAccountName},
        {"C1 control", [] { checkAccountName("ann\xC2\x85"); }, InvalidAccountName},
        {"bracket", [] { checkAccountName("[ann]"); }, InvalidAccountName},
        {"dot", [] { checkAccountName("ann.smith"); }, InvalidAccountName},
        {"semicolon", [] { checkAccountName("ann;x"); }, InvalidAccountName},
        {"leading blank", [] { checkAccountName(" ann"); }, InvalidAccountName},
        {"trailing blank", [] { checkAccountName("ann "); }, InvalidAccountName},
        {"broken UTF-8", [] { checkAccountName("ann\xC3"); }, InvalidAccountName},
        {"four-character PID", [] { checkPid("abcd"); }, 0},
        {"twenty-character PID", [] { checkPid("abcdefghijklmnopqrst"); }, 0},
        {"three-character PID", [] { checkPid("abc"); }, InvalidPid},
        {"twenty-one-character PID", [] { checkPid("abcdefghijklmnopqrstu"); }, InvalidPid},
        {"PID with a line break", [] { checkPid("abcd\nefg"); }, InvalidPid},
        {"empty password", [] { checkPassword(""); }, 0},
        {"fourteen-character password", [] { checkPassword("abcdefghijklmn"); }, 0},
        {"fourteen characters, more bytes", [] { checkPassword(repeat("ä", 14)); }, 0},
        {"fifteen accented characters", [] { checkPassword(repeat("ä", 15)); }, InvalidPassword},
        {"fifteen-character password", [] { checkPassword("abcdefghijklmno"); }, InvalidPassword},
        {"password with NUL", [] { checkPassword(std::string("ab\0c", 4)); }, InvalidPassword},
    };
    for (const auto &c : cases)
        EXPECT_EQ(codeOf(c.check), c.code) << c.label;
}

} // namespace
