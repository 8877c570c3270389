#include "SealedHeader.h"

#include "Failure.h"
#include "dbengine/ErrorCodes.h"

#include <cstring>
#include <sodium.h>

namespace dbengine::maintenance {

namespace {

constexpr char magic[8] = {'J', 'W', 'S', 'E', 'A', 'L', 'E', 'D'};
constexpr std::size_t checksumOffset = 112;
constexpr std::size_t checksumSize = SealedHeader::size - checksumOffset;

// The key settings this program writes (moderate) or wrote (interactive). Any other pair is
// damage, refused before a key is derived: a crafted header must not cost minutes or
// gigabytes, and a changed setting must not pass for a wrong password.
struct KeySettings {
    std::uint64_t ops, mem;
};
constexpr KeySettings knownSettings[] = {
    {crypto_pwhash_argon2id_OPSLIMIT_INTERACTIVE, crypto_pwhash_argon2id_MEMLIMIT_INTERACTIVE},
    {crypto_pwhash_argon2id_OPSLIMIT_MODERATE, crypto_pwhash_argon2id_MEMLIMIT_MODERATE},
};
constexpr std::uint32_t minChunkSize = 1024;
constexpr std::uint32_t maxChunkSize = 16 * 1024 * 1024;

static_assert(sizeof(SealedHeader{}.salt) == crypto_pwhash_SALTBYTES);
static_assert(sizeof(SealedHeader{}.streamHeader)
              == crypto_secretstream_xchacha20poly1305_HEADERBYTES);

template <typename T> void put(SealedHeader::Bytes &bytes, std::size_t offset, T value)
{
    for (std::size_t i = 0; i < sizeof(T); ++i)
        bytes[offset + i] = static_cast<unsigned char>(value >> (8 * i));
}

template <typename T> T get(const SealedHeader::Bytes &bytes, std::size_t offset)
{
    T value = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i)
        value |= static_cast<T>(static_cast<T>(bytes[offset + i]) << (8 * i));
    return value;
}

template <std::size_t N>
void putBytes(SealedHeader::Bytes &bytes, std::size_t offset, const std::array<unsigned char, N> &from)
{
    std::memcpy(bytes.data() + offset, from.data(), N);
}

template <std::size_t N>
void getBytes(const SealedHeader::Bytes &bytes, std::size_t offset, std::array<unsigned char, N> &to)
{
    std::memcpy(to.data(), bytes.data() + offset, N);
}

std::array<unsigned char, checksumSize> checksumOf(const SealedHeader::Bytes &bytes)
{
    std::array<unsigned char, checksumSize> sum{};
    crypto_generichash(sum.data(), sum.size(), bytes.data(), checksumOffset, nullptr, 0);
    return sum;
}

bool settingsArePlausible(const SealedHeader &header)
{
    bool known = false;
    for (const KeySettings &k : knownSettings)
        known = known || (header.opsLimit == k.ops && header.memLimit == k.mem);
    return header.algorithm == crypto_pwhash_ALG_ARGON2ID13 && known && header.chunkSize >= minChunkSize
           && header.chunkSize <= maxChunkSize;
}

} // namespace

SealedHeader::Bytes SealedHeader::encode() const
{
    Bytes bytes{};
    std::memcpy(bytes.data(), magic, sizeof magic);
    put<std::uint16_t>(bytes, 8, currentVersion);
    put<std::uint16_t>(bytes, 10, std::uint16_t(size));
    put<std::uint32_t>(bytes, 12, chunkSize);
    put<std::uint32_t>(bytes, 16, algorithm);
    put<std::uint64_t>(bytes, 24, opsLimit);
    put<std::uint64_t>(bytes, 32, memLimit);
    putBytes(bytes, 40, salt);
    putBytes(bytes, 56, streamHeader);
    putBytes(bytes, 80, keyCheck);
    putBytes(bytes, checksumOffset, checksumOf(bytes));
    return bytes;
}

SealedHeader SealedHeader::decode(const Bytes &bytes, const std::string &path)
{
    const std::string name = quotedName(path);
    if (get<std::uint16_t>(bytes, 8) != currentVersion)
        fail(err::NotADatabase, name + " was encrypted by a newer version of Jetwarden and "
                                       "cannot be read by this one.");
    const auto sum = checksumOf(bytes);
    if (get<std::uint16_t>(bytes, 10) != size
        || sodium_memcmp(sum.data(), bytes.data() + checksumOffset, sum.size()) != 0)
        fail(err::Damaged, name + " is damaged: its encryption header is corrupt.");
    SealedHeader header;
    header.chunkSize = get<std::uint32_t>(bytes, 12);
    header.algorithm = get<std::uint32_t>(bytes, 16);
    header.opsLimit = get<std::uint64_t>(bytes, 24);
    header.memLimit = get<std::uint64_t>(bytes, 32);
    getBytes(bytes, 40, header.salt);
    getBytes(bytes, 56, header.streamHeader);
    getBytes(bytes, 80, header.keyCheck);
    if (!settingsArePlausible(header))
        fail(err::Damaged, name + " is damaged: its encryption settings are invalid.");
    return header;
}

bool hasSealMagic(const unsigned char *bytes, std::size_t size)
{
    return size >= sizeof magic && std::memcmp(bytes, magic, sizeof magic) == 0;
}

} // namespace dbengine::maintenance
