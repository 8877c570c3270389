#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The rules a workgroup's account names, personal identifiers and passwords follow. Each check
// throws the engine's error for the rule that is broken.
namespace dbengine::rules {

constexpr std::size_t MaxNameLength = 20;
constexpr std::size_t MinPidLength = 4;
constexpr std::size_t MaxPidLength = 20;
constexpr std::size_t MaxPasswordLength = 14;
// Characters an account name may not hold, besides control characters.
constexpr std::string_view ForbiddenNameCharacters = "\"\\[]:|<>+=;,.?*";

// Characters (code points) of a UTF-8 text; nothing when the text is not valid UTF-8.
std::optional<std::size_t> characterCount(std::string_view text);
// True when the text holds a control character (U+0000 to U+001F, U+007F to U+009F).
bool hasControlCharacter(std::string_view text);

// 1 to 20 characters, none of the forbidden ones, no control character, no leading or trailing
// blank.
void checkAccountName(std::string_view name);
// 4 to 20 characters without control characters.
void checkPid(std::string_view pid);
// At most 14 characters; any character but NUL.
void checkPassword(std::string_view password);
// Like a PID: 4 to 20 characters without control characters.
void checkWorkgroupId(std::string_view id);
// Free text without control characters, at most 255 characters.
void checkWorkgroupText(std::string_view text, std::string_view what);

} // namespace dbengine::rules
