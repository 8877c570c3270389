#include "SealKeys.h"

#include "Failure.h"
#include "SealedHeader.h"
#include "dbengine/ErrorCodes.h"

#include <mutex>
#include <sodium.h>

namespace dbengine::maintenance {

namespace {

constexpr char kdfContext[crypto_kdf_CONTEXTBYTES + 1] = "JWSEALED";
constexpr std::uint64_t streamKeyId = 1;
constexpr std::uint64_t checkKeyId = 2;
constexpr char keyCheckText[] = "Jetwarden sealed database key check";

static_assert(SealKeys::keySize == crypto_secretstream_xchacha20poly1305_KEYBYTES);
static_assert(SealKeys::keySize == crypto_kdf_KEYBYTES);

} // namespace

void initSodium()
{
    static std::once_flag once;
    static int result = 0;
    std::call_once(once, [] { result = sodium_init(); });
    if (result < 0)
        fail(err::General, "The encryption library could not be started.");
}

SealKeys::SealKeys(const std::string &password, const SealedHeader &header, const std::string &path)
{
    initSodium();
    std::array<unsigned char, keySize> master{};
    if (crypto_pwhash(master.data(), master.size(), password.data(), password.size(),
                      header.salt.data(), header.opsLimit, std::size_t(header.memLimit),
                      int(header.algorithm))
        != 0)
        fail(err::General, "There is not enough memory to derive the key for "
                               + quotedName(path) + ".");
    crypto_kdf_derive_from_key(streamKey_.data(), keySize, streamKeyId, kdfContext, master.data());
    crypto_kdf_derive_from_key(checkKey_.data(), keySize, checkKeyId, kdfContext, master.data());
    sodium_memzero(master.data(), master.size());
}

SealKeys::~SealKeys()
{
    sodium_memzero(streamKey_.data(), streamKey_.size());
    sodium_memzero(checkKey_.data(), checkKey_.size());
}

std::array<unsigned char, 32> SealKeys::keyCheck() const
{
    std::array<unsigned char, 32> check{};
    crypto_generichash(check.data(), check.size(),
                       reinterpret_cast<const unsigned char *>(keyCheckText), sizeof keyCheckText - 1,
                       checkKey_.data(), checkKey_.size());
    return check;
}

} // namespace dbengine::maintenance
