#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace automation {

// The one exception type of everything below the windows: a message meant for the user,
// a stable numeric code and the name of the component that raised it.
class Error : public std::runtime_error {
public:
    // Always inlined, so the address it records lies in the function that raises the error.
    [[gnu::always_inline]] explicit Error(const std::string &message, std::int32_t code = 0, std::string source = {})
        : std::runtime_error(message), code_(code), source_(std::move(source)), address_(raiseAddress()) {}

    std::int32_t code() const noexcept { return code_; }
    const std::string &source() const noexcept { return source_; }
    // The code that raised the error (for error reports: its module and offset).
    const void *address() const noexcept { return address_; }

private:
    // The return address of this call: inside the code constructing the error.
    static const void *raiseAddress() noexcept;

    std::int32_t code_;
    std::string source_;
    const void *address_;
};

// Codes raised by the automation layer itself (the engine has its own range).
namespace codes {
constexpr std::int32_t Overflow = 6;
constexpr std::int32_t TypeMismatch = 13;
constexpr std::int32_t NoSuchMember = 438;
constexpr std::int32_t ArgumentNotOptional = 449;
constexpr std::int32_t ObjectRequired = 424;
constexpr std::int32_t InvalidClassString = static_cast<std::int32_t>(0x800401F3);
} // namespace codes

} // namespace automation
