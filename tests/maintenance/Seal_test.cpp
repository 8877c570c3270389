#include "SampleFiles.h"

#include "dbengine/ErrorCodes.h"
#include "dbengine/maintenance/Maintenance.h"
#include "dbengine/maintenance/SealedHeader.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sodium.h>
#include <sys/stat.h>

namespace maintenance = dbengine::maintenance;
namespace err = dbengine::err;

namespace {

constexpr std::size_t headerSize = 128;
constexpr std::size_t fullChunk = 64 * 1024 + 17;
const std::string password = "Se;cret \xc3\xbcn\xc3\xaf"; // a semicolon, spaces, non-ASCII

// One sample database, its sealed copy, and a folder to decrypt into.
class Seal : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        shared = new sample::Folder;
        sample::makeDatabase(shared->file("orders.db"));
        maintenance::encrypt(shared->file("orders.db"), shared->file("orders.sealed"), password);
    }
    static void TearDownTestSuite()
    {
        delete shared;
        shared = nullptr;
    }

    static std::string plain() { return shared->file("orders.db"); }
    static std::string sealed() { return shared->file("orders.sealed"); }

    static sample::Folder *shared;
    sample::Folder folder;
    const std::string output = folder.file("orders.db");
};

sample::Folder *Seal::shared = nullptr;

TEST_F(Seal, RoundTripGivesBackTheSameDatabase)
{
    maintenance::decrypt(sealed(), output, password);

    EXPECT_EQ(sample::contents(output), sample::contents(plain()));
    EXPECT_EQ(sample::integrity(output), "ok");
    EXPECT_EQ(folder.entries(), std::set<std::string>{"orders.db"});
}

TEST_F(Seal, SealedFileHidesTheDataAndIsRecognised)
{
    const std::string marker = "Zanzibar";
    ASSERT_NE(sample::readBytes(plain()).find(marker), std::string::npos);
    EXPECT_EQ(sample::readBytes(sealed()).find(marker), std::string::npos);
    EXPECT_TRUE(maintenance::isSealed(sealed()));
    EXPECT_FALSE(maintenance::isSealed(plain()));
    EXPECT_EQ(shared->entries(), (std::set<std::string>{"orders.db", "orders.sealed"}));
}

TEST_F(Seal, TheSameDatabaseSealsDifferentlyEachTime)
{
    maintenance::encrypt(plain(), folder.file("again.sealed"), password);
    EXPECT_NE(sample::readBytes(folder.file("again.sealed")), sample::readBytes(sealed()));
}

TEST_F(Seal, IsSealedOnlyForTheSealHeader)
{
    sample::writeBytes(folder.file("short"), "JWSEAL");
    sample::writeBytes(folder.file("text"), "JWSEALING is not a header");
    EXPECT_FALSE(maintenance::isSealed(folder.file("short")));
    EXPECT_FALSE(maintenance::isSealed(folder.file("text")));
    EXPECT_FALSE(maintenance::isSealed(folder.file("missing")));
    EXPECT_FALSE(maintenance::isSealed(folder.file("")));
    ASSERT_EQ(::mkfifo(folder.file("pipe").c_str(), 0600), 0);
    EXPECT_FALSE(maintenance::isSealed(folder.file("pipe")));
}

TEST_F(Seal, PasswordsAreTakenExactlyAsTyped)
{
    for (const std::string wrong : {"se;cret \xc3\xbcn\xc3\xaf", "Se;cret \xc3\xbcn\xc3\xaf ",
                                    " Se;cret \xc3\xbcn\xc3\xaf", "Se;cret", "Se;cret un\xc3\xaf"}) {
        const sample::Failure failure =
            sample::failureOf([&] { maintenance::decrypt(sealed(), output, wrong); });
        EXPECT_EQ(failure.code, err::InvalidPassword) << wrong;
        EXPECT_NE(failure.message.find("Wrong password"), std::string::npos) << failure.message;
    }
    EXPECT_TRUE(folder.entries().empty());
}

TEST_F(Seal, AnEmptyPasswordIsRefusedBeforeAnythingIsWritten)
{
    const sample::Failure sealing =
        sample::failureOf([&] { maintenance::encrypt(plain(), output, ""); });
    const sample::Failure unsealing =
        sample::failureOf([&] { maintenance::decrypt(sealed(), output, ""); });

    EXPECT_EQ(sealing.code, err::InvalidPassword);
    EXPECT_NE(sealing.message.find("password is required"), std::string::npos) << sealing.message;
    EXPECT_EQ(unsealing.code, err::InvalidPassword);
    EXPECT_TRUE(folder.entries().empty());
}

struct WrongSource {
    const char *name;
    bool encrypting;
    std::function<std::string(sample::Folder &folder, const std::string &plain, const std::string &sealed)> source;
    std::int32_t code;
};

const WrongSource wrongSources[] = {
    {"EncryptingASealedFile", true,
     [](sample::Folder &, const std::string &, const std::string &sealed) { return sealed; }, err::Encrypted},
    {"EncryptingAMissingFile", true,
     [](sample::Folder &folder, const std::string &, const std::string &) { return folder.file("none.db"); },
     err::FileNotFound},
    {"EncryptingATextFile", true,
     [](sample::Folder &folder, const std::string &, const std::string &) {
         sample::writeBytes(folder.file("notes.txt"), "not a database");
         return folder.file("notes.txt");
     },
     err::NotADatabase},
    {"DecryptingAPlainDatabase", false,
     [](sample::Folder &, const std::string &plain, const std::string &) { return plain; }, err::NotEncrypted},
    {"DecryptingAMissingFile", false,
     [](sample::Folder &folder, const std::string &, const std::string &) { return folder.file("none.db"); },
     err::FileNotFound},
    {"DecryptingATextFile", false,
     [](sample::Folder &folder, const std::string &, const std::string &) {
         sample::writeBytes(folder.file("notes.txt"), "not a database");
         return folder.file("notes.txt");
     },
     err::NotADatabase},
};

void PrintTo(const WrongSource &kind, std::ostream *out)
{
    *out << kind.name;
}

class SealWrongSource : public Seal, public ::testing::WithParamInterface<WrongSource> {};

TEST_P(SealWrongSource, IsRefusedWithoutWritingAnything)
{
    const std::string source = GetParam().source(folder, plain(), sealed());
    const auto entries = folder.entries();
    const sample::Failure failure = sample::failureOf([&] {
        if (GetParam().encrypting)
            maintenance::encrypt(source, output, password);
        else
            maintenance::decrypt(source, output, password);
    });

    EXPECT_EQ(failure.code, GetParam().code) << failure.message;
    EXPECT_NE(failure.message.find(std::filesystem::path(source).filename().string()), std::string::npos)
        << failure.message;
    EXPECT_EQ(folder.entries(), entries);
}

INSTANTIATE_TEST_SUITE_P(Kinds, SealWrongSource, ::testing::ValuesIn(wrongSources),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(Seal, ADestinationThatExistsIsLeftAlone)
{
    sample::writeBytes(output, "keep me");
    EXPECT_EQ(sample::failureOf([&] { maintenance::encrypt(plain(), output, password); }).code,
              err::DestinationExists);
    EXPECT_EQ(sample::failureOf([&] { maintenance::decrypt(sealed(), output, password); }).code,
              err::DestinationExists);
    EXPECT_EQ(sample::readBytes(output), "keep me");
    EXPECT_EQ(folder.entries(), std::set<std::string>{"orders.db"});
}

struct Damage {
    const char *name;
    std::function<void(std::string &bytes)> apply;
    std::int32_t code;
};

void flip(std::string &bytes, std::size_t offset)
{
    bytes[offset] = char(bytes[offset] ^ 0x01);
}

// Key settings written into the header with its checksum made right again, as a crafted file
// would have them.
void setKeySettings(std::string &bytes, std::uint64_t ops, std::uint64_t mem)
{
    for (int i = 0; i < 8; ++i) {
        bytes[24 + i] = char(ops >> (8 * i));
        bytes[32 + i] = char(mem >> (8 * i));
    }
    crypto_generichash(reinterpret_cast<unsigned char *>(bytes.data()) + 112, 16,
                       reinterpret_cast<const unsigned char *>(bytes.data()), 112, nullptr, 0);
}

const Damage damages[] = {
    {"GigabytesOfMemoryAsked", [](std::string &b) { setKeySettings(b, 4, std::uint64_t(4) << 30); }, err::Damaged},
    {"HoursOfWorkAsked", [](std::string &b) { setKeySettings(b, 1u << 30, 256u << 20); }, err::Damaged},
    {"SettingsChangedWithinReason", [](std::string &b) { setKeySettings(b, 4, 256u << 20); }, err::Damaged},
    {"FlippedSaltByte", [](std::string &b) { flip(b, 45); }, err::Damaged},
    {"FlippedKeyCheckByte", [](std::string &b) { flip(b, 90); }, err::Damaged},
    {"FlippedByteInFirstChunk", [](std::string &b) { flip(b, headerSize + 300); }, err::Damaged},
    {"FlippedByteInLastChunk", [](std::string &b) { flip(b, b.size() - 5); }, err::Damaged},
    {"CutInsideHeader", [](std::string &b) { b.resize(60); }, err::Damaged},
    {"CutInsideAChunk", [](std::string &b) { b.resize(headerSize + 1000); }, err::Damaged},
    {"LastChunkMissing", [](std::string &b) { b.resize(headerSize + fullChunk); }, err::Damaged},
    {"DataAfterTheEnd", [](std::string &b) { b += "more"; }, err::Damaged},
    {"ChunksSwapped",
     [](std::string &b) {
         const std::string first = b.substr(headerSize, fullChunk);
         b.replace(headerSize, fullChunk, b.substr(headerSize + fullChunk, fullChunk));
         b.replace(headerSize + fullChunk, fullChunk, first);
     },
     err::Damaged},
    {"UnknownFormatVersion", [](std::string &b) { b[8] = 2; }, err::NotADatabase},
};

void PrintTo(const Damage &kind, std::ostream *out)
{
    *out << kind.name;
}

class SealDamage : public Seal, public ::testing::WithParamInterface<Damage> {};

TEST_P(SealDamage, IsReportedAndLeavesNothingBehind)
{
    std::string bytes = sample::readBytes(sealed());
    // The cases need a file of more than two chunks.
    ASSERT_GT(bytes.size(), headerSize + 2 * fullChunk);
    GetParam().apply(bytes);
    const std::string damaged = folder.file("damaged.sealed");
    sample::writeBytes(damaged, bytes);

    const sample::Failure failure =
        sample::failureOf([&] { maintenance::decrypt(damaged, output, password); });

    EXPECT_EQ(failure.code, GetParam().code) << failure.message;
    EXPECT_NE(failure.message.find("'damaged.sealed'"), std::string::npos) << failure.message;
    EXPECT_EQ(folder.entries(), std::set<std::string>{"damaged.sealed"});
}

// Files sealed with the interactive limits of earlier versions still open; new ones use the
// moderate limits; the sensitive limits were never written and are refused.
TEST_F(Seal, OnlyTheKeySettingsThisProgramWritesAreAccepted)
{
    namespace m = dbengine::maintenance;
    const std::string bytes = sample::readBytes(sealed());
    m::SealedHeader::Bytes raw{};
    std::copy_n(bytes.begin(), raw.size(), raw.begin());
    const m::SealedHeader written = m::SealedHeader::decode(raw, "x");
    EXPECT_EQ(written.opsLimit, crypto_pwhash_argon2id_OPSLIMIT_MODERATE);
    EXPECT_EQ(written.memLimit, crypto_pwhash_argon2id_MEMLIMIT_MODERATE);
    struct Case {
        std::uint64_t ops, mem;
        bool accepted;
    };
    const Case cases[] = {
        {crypto_pwhash_argon2id_OPSLIMIT_INTERACTIVE, crypto_pwhash_argon2id_MEMLIMIT_INTERACTIVE, true},
        {crypto_pwhash_argon2id_OPSLIMIT_MODERATE, crypto_pwhash_argon2id_MEMLIMIT_MODERATE, true},
        {crypto_pwhash_argon2id_OPSLIMIT_SENSITIVE, crypto_pwhash_argon2id_MEMLIMIT_SENSITIVE, false},
        {crypto_pwhash_argon2id_OPSLIMIT_INTERACTIVE, crypto_pwhash_argon2id_MEMLIMIT_MODERATE, false},
    };
    for (const Case &c : cases) {
        m::SealedHeader h = written;
        h.opsLimit = c.ops;
        h.memLimit = c.mem;
        const auto failure = sample::failureOf([&] { m::SealedHeader::decode(h.encode(), "x"); });
        EXPECT_EQ(failure.code, c.accepted ? 0 : err::Damaged) << c.ops << " " << c.mem << " " << failure.message;
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, SealDamage, ::testing::ValuesIn(damages),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
