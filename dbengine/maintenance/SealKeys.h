#pragma once

#include <array>
#include <string>

namespace dbengine::maintenance {

struct SealedHeader;

// Prepares libsodium once per process; throws if it cannot start.
void initSodium();

// The keys of one sealed file, derived from the password with Argon2id under the header's salt
// and limits, and wiped from memory when dropped.
class SealKeys {
public:
    static constexpr std::size_t keySize = 32;

    // `path` names the file in the message should deriving fail (for lack of memory).
    SealKeys(const std::string &password, const SealedHeader &header, const std::string &path);
    SealKeys(const SealKeys &) = delete;
    SealKeys &operator=(const SealKeys &) = delete;
    ~SealKeys();

    const unsigned char *streamKey() const { return streamKey_.data(); }
    // The value stored in the header that tells whether a password is the right one.
    std::array<unsigned char, 32> keyCheck() const;

private:
    std::array<unsigned char, keySize> streamKey_{};
    std::array<unsigned char, keySize> checkKey_{};
};

} // namespace dbengine::maintenance
