#include "Seal.h"

#include "Failure.h"
#include "FileHandle.h"
#include "SealKeys.h"
#include "SealedHeader.h"
#include "dbengine/ErrorCodes.h"

#include <sodium.h>
#include <algorithm>
#include <cstring>
#include <vector>

namespace dbengine::maintenance {

namespace {

using StreamState = crypto_secretstream_xchacha20poly1305_state;
constexpr std::size_t tagSize = crypto_secretstream_xchacha20poly1305_ABYTES;

// Plaintext buffers hold database pages; wipe them once done.
struct WipedBuffer {
    explicit WipedBuffer(std::size_t size) : bytes(size) {}
    ~WipedBuffer() { sodium_memzero(bytes.data(), bytes.size()); }
    std::vector<unsigned char> bytes;
};

SealedHeader newHeader()
{
    SealedHeader header;
    header.algorithm = crypto_pwhash_ALG_ARGON2ID13;
    // Moderate limits: a sealed file travels, so guessing its password must cost more than a
    // login does.
    header.opsLimit = crypto_pwhash_argon2id_OPSLIMIT_MODERATE;
    header.memLimit = crypto_pwhash_argon2id_MEMLIMIT_MODERATE;
    randombytes_buf(header.salt.data(), header.salt.size());
    return header;
}

SealedHeader readHeader(FileHandle &sealed, SealedHeader::Bytes &bytes)
{
    if (sealed.read(bytes.data(), bytes.size()) < bytes.size())
        fail(err::Damaged, quotedName(sealed.path())
                               + " is damaged: it is too short to be an encrypted database.");
    return SealedHeader::decode(bytes, sealed.path());
}

[[noreturn]] void failContents(const std::string &path, bool atEnd)
{
    // A short last piece that fails was cut off or altered; the tag cannot tell which.
    if (atEnd)
        fail(err::Damaged, quotedName(path) + " is damaged or incomplete: the end of its "
                                              "encrypted contents is missing or fails verification.");
    fail(err::Damaged,
         quotedName(path) + " is damaged: part of its encrypted contents fails verification.");
}

void requireEnd(FileHandle &sealed)
{
    unsigned char extra = 0;
    if (sealed.read(&extra, 1) != 0)
        fail(err::Damaged,
             quotedName(sealed.path()) + " is damaged: it has unexpected data after its end.");
}

} // namespace

void seal(FileHandle &plain, FileHandle &sealed, const std::string &password)
{
    sealFrom([&](unsigned char *buffer, std::size_t size) { return plain.read(buffer, size); }, sealed,
             password);
}

void seal(const unsigned char *plain, std::size_t size, FileHandle &sealed, const std::string &password)
{
    std::size_t offset = 0;
    sealFrom(
        [&](unsigned char *buffer, std::size_t wanted) {
            const std::size_t n = std::min(wanted, size - offset);
            std::memcpy(buffer, plain + offset, n);
            offset += n;
            return n;
        },
        sealed, password);
}

void sealFrom(const std::function<std::size_t(unsigned char *, std::size_t)> &read, FileHandle &sealed,
              const std::string &password)
{
    initSodium();
    SealedHeader header = newHeader();
    const SealKeys keys(password, header, sealed.path());
    StreamState state;
    crypto_secretstream_xchacha20poly1305_init_push(&state, header.streamHeader.data(),
                                                    keys.streamKey());
    header.keyCheck = keys.keyCheck();
    const SealedHeader::Bytes headerBytes = header.encode();
    sealed.write(headerBytes.data(), headerBytes.size());

    WipedBuffer chunk(header.chunkSize);
    std::vector<unsigned char> cipher(header.chunkSize + tagSize);
    for (bool first = true;; first = false) {
        const std::size_t size = read(chunk.bytes.data(), chunk.bytes.size());
        // A short read is the end; a file ending on a chunk boundary gets an empty last chunk.
        const bool last = size < chunk.bytes.size();
        unsigned long long cipherSize = 0;
        crypto_secretstream_xchacha20poly1305_push(
            &state, cipher.data(), &cipherSize, chunk.bytes.data(), size,
            first ? headerBytes.data() : nullptr, first ? headerBytes.size() : 0,
            last ? crypto_secretstream_xchacha20poly1305_TAG_FINAL : 0);
        sealed.write(cipher.data(), std::size_t(cipherSize));
        if (last)
            break;
    }
    sodium_memzero(&state, sizeof state);
}

void unseal(FileHandle &sealed, FileHandle &plain, const std::string &password)
{
    initSodium();
    SealedHeader::Bytes headerBytes{};
    const SealedHeader header = readHeader(sealed, headerBytes);
    const SealKeys keys(password, header, sealed.path());
    const auto check = keys.keyCheck();
    if (sodium_memcmp(check.data(), header.keyCheck.data(), check.size()) != 0)
        fail(err::InvalidPassword, "Wrong password: " + quotedName(sealed.path())
                                       + " cannot be decrypted with the password given.");
    StreamState state;
    if (crypto_secretstream_xchacha20poly1305_init_pull(&state, header.streamHeader.data(),
                                                        keys.streamKey())
        != 0)
        failContents(sealed.path(), false);

    WipedBuffer chunk(header.chunkSize);
    std::vector<unsigned char> cipher(header.chunkSize + tagSize);
    for (bool first = true;; first = false) {
        const std::size_t size = sealed.read(cipher.data(), cipher.size());
        const bool atEnd = size < cipher.size();
        unsigned long long plainSize = 0;
        unsigned char tag = 0;
        if (size < tagSize
            || crypto_secretstream_xchacha20poly1305_pull(
                   &state, chunk.bytes.data(), &plainSize, &tag, cipher.data(), size,
                   first ? headerBytes.data() : nullptr, first ? headerBytes.size() : 0)
                   != 0)
            failContents(sealed.path(), atEnd);
        plain.write(chunk.bytes.data(), std::size_t(plainSize));
        if (tag == crypto_secretstream_xchacha20poly1305_TAG_FINAL)
            break;
        if (atEnd)
            fail(err::Damaged, quotedName(sealed.path())
                                   + " is incomplete: the end of its encrypted contents is missing.");
    }
    requireEnd(sealed);
    sodium_memzero(&state, sizeof state);
}

} // namespace dbengine::maintenance
