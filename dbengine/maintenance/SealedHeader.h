#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace dbengine::maintenance {

// The fixed header of a sealed (encrypted) database file. All numbers are little-endian.
//
//   offset size
//        0    8  magic "JWSEALED"
//        8    2  format version (1)
//       10    2  header size (128): where the first chunk starts
//       12    4  plaintext bytes per chunk (every chunk but the last is full)
//       16    4  key derivation algorithm (libsodium's Argon2id 1.3 number)
//       20    4  reserved, zero
//       24    8  Argon2id operations limit
//       32    8  Argon2id memory limit in bytes
//       40   16  Argon2id salt
//       56   24  secretstream (XChaCha20-Poly1305) header
//       80   32  key check: BLAKE2b of a fixed text, keyed with a subkey of the password's key
//      112   16  BLAKE2b checksum of bytes 0..111, telling a damaged header from a wrong password
//      128       chunks: ciphertext of each chunk plus its 17-byte tag, the last tagged final;
//                the whole header is the additional data of the first chunk.
struct SealedHeader {
    static constexpr std::size_t size = 128;
    static constexpr std::uint16_t currentVersion = 1;
    static constexpr std::uint32_t defaultChunkSize = 64 * 1024;

    using Bytes = std::array<unsigned char, size>;

    std::uint32_t chunkSize = defaultChunkSize;
    std::uint32_t algorithm = 0;
    std::uint64_t opsLimit = 0;
    std::uint64_t memLimit = 0;
    std::array<unsigned char, 16> salt{};
    std::array<unsigned char, 24> streamHeader{};
    std::array<unsigned char, 32> keyCheck{};

    Bytes encode() const;
    // Throws NotADatabase for an unknown format version and Damaged for a header that fails its
    // checksum or holds impossible settings; `path` names the file in the message.
    static SealedHeader decode(const Bytes &bytes, const std::string &path);
};

// True when `bytes` (of length `size`) start with the sealed-file magic.
bool hasSealMagic(const unsigned char *bytes, std::size_t size);

} // namespace dbengine::maintenance
