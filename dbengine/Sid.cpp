#include "Sid.h"

#include "automation/Text.h"

#include <sodium.h>
#include <stdexcept>

namespace dbengine::sid {

namespace {

constexpr std::size_t kBytes = 16;

Sid digest(std::string_view domain, std::initializer_list<std::string_view> parts)
{
    if (sodium_init() < 0)
        throw std::runtime_error("libsodium cannot be initialised.");
    crypto_generichash_state state;
    crypto_generichash_init(&state, nullptr, 0, kBytes);
    const auto add = [&](std::string_view text) {
        crypto_generichash_update(&state, reinterpret_cast<const unsigned char *>(text.data()), text.size());
        // A separator that UTF-8 text never holds keeps ("ab", "c") apart from ("a", "bc").
        const unsigned char end = 0xFF;
        crypto_generichash_update(&state, &end, 1);
    };
    add(domain);
    for (std::string_view part : parts)
        add(part);
    unsigned char out[kBytes];
    crypto_generichash_final(&state, out, kBytes);
    static const char digits[] = "0123456789abcdef";
    Sid text;
    for (unsigned char c : out) {
        text += digits[c >> 4];
        text += digits[c & 15];
    }
    return text;
}

} // namespace

Sid ofAccount(std::string_view name, std::string_view pid)
{
    return digest("jetwarden account", {automation::upperAscii(name), pid});
}

Sid ofAdmins(std::string_view workgroupName, std::string_view organisation, std::string_view workgroupId)
{
    return digest("jetwarden admins", {workgroupName, organisation, workgroupId});
}

const Sid &admin()
{
    static const Sid sid = ofAccount("Admin", "");
    return sid;
}

const Sid &users()
{
    static const Sid sid = ofAccount("Users", "");
    return sid;
}

} // namespace dbengine::sid
