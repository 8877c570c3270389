#include "platform/FileFacts.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

using platform::FileFacts;
using platform::readFileFacts;
using platform::utcFromEpoch;
using platform::UtcTime;

namespace fs = std::filesystem;

namespace {

class FileFactsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "jw-filefacts-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string file(const std::string &name, std::size_t bytes = 0) const
    {
        const std::string path = (dir_ / name).string();
        std::ofstream(path, std::ios::binary) << std::string(bytes, 'x');
        return path;
    }
    std::string path(const std::string &name) const { return (dir_ / name).string(); }

private:
    fs::path dir_;
};

// Sets the process time zone for one test and restores it after.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char *tz)
    {
        if (const char *old = std::getenv("TZ"))
            old_ = old;
        ::setenv("TZ", tz, 1);
        ::tzset();
    }
    ~ScopedTimeZone()
    {
        if (old_)
            ::setenv("TZ", old_->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

private:
    std::optional<std::string> old_;
};

} // namespace

// --- calendar conversion ---------------------------------------------------------------------

struct EpochCase {
    const char *name;
    std::int64_t seconds;
    std::uint32_t nanoseconds;
    UtcTime expected;
};

class UtcFromEpoch : public ::testing::TestWithParam<EpochCase> {};

TEST_P(UtcFromEpoch, GivesTheCalendarValueOfUniversalTime)
{
    const EpochCase &c = GetParam();
    const ScopedTimeZone farEast("JWT-14"); // UTC+14: a local conversion would show the next day
    EXPECT_EQ(utcFromEpoch(c.seconds, c.nanoseconds), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UtcFromEpoch,
    ::testing::Values(EpochCase{"Epoch", 0, 0, {1970, 1, 1, 0, 0, 0, 0}},
                      EpochCase{"SecondBeforeEpoch", -1, 0, {1969, 12, 31, 23, 59, 59, 0}},
                      EpochCase{"LeapDayMidnight", 951782400, 0, {2000, 2, 29, 0, 0, 0, 0}},
                      EpochCase{"WithNanoseconds", 1700000000, 500000000, {2023, 11, 14, 22, 13, 20, 500000000}},
                      EpochCase{"LastSecondOfYear9999", 253402300799, 0, {9999, 12, 31, 23, 59, 59, 0}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(UtcFromEpochLimits, IsEmptyWhenTheYearDoesNotFit)
{
    EXPECT_FALSE(utcFromEpoch(std::numeric_limits<std::int64_t>::max()).has_value());
}

// --- size -------------------------------------------------------------------------------------

class FileFactsSize : public FileFactsTest, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(FileFactsSize, IsTheNumberOfBytes)
{
    const auto facts = readFileFacts(file("data.mdb", GetParam()));
    ASSERT_TRUE(facts);
    EXPECT_EQ(facts->size, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Sizes, FileFactsSize, ::testing::Values(0u, 1u, 4096u, 70001u));

TEST_F(FileFactsTest, SizeBeyondFourGigabytesKeepsTheHighBits)
{
    const std::string p = file("big.mdb");
    const std::uint64_t big = (std::uint64_t{5} << 30) + 7; // sparse: takes no disk space
    ASSERT_EQ(::truncate(p.c_str(), static_cast<off_t>(big)), 0);
    const auto facts = readFileFacts(p);
    ASSERT_TRUE(facts);
    EXPECT_EQ(facts->size, big);
}

// --- times ------------------------------------------------------------------------------------

TEST_F(FileFactsTest, WriteAndAccessTimesAreUniversalTime)
{
    const ScopedTimeZone farEast("JWT-14");
    const std::string p = file("times.mdb", 10);
    const timespec times[2] = {{1709629205, 0},           // accessed 2024-03-05 09:00:05 UTC
                               {1709625600, 250000000}};  // modified 2024-03-05 08:00:00.25 UTC
    ASSERT_EQ(::utimensat(AT_FDCWD, p.c_str(), times, 0), 0);

    const auto facts = readFileFacts(p);
    ASSERT_TRUE(facts);
    EXPECT_EQ(facts->accessed, (UtcTime{2024, 3, 5, 9, 0, 5, 0}));
    EXPECT_EQ(facts->modified, (UtcTime{2024, 3, 5, 8, 0, 0, 250000000}));
}

TEST_F(FileFactsTest, BirthTimeIsWhenTheFileWasMadeNotItsLastWrite)
{
    const std::time_t before = std::time(nullptr);
    const std::string p = file("born.mdb", 10);
    const std::time_t after = std::time(nullptr);
    const timespec old[2] = {{0, UTIME_OMIT}, {86400, 0}}; // modified 1970-01-02
    ASSERT_EQ(::utimensat(AT_FDCWD, p.c_str(), old, 0), 0);

    const auto facts = readFileFacts(p);
    ASSERT_TRUE(facts);
    if (!facts->created)
        GTEST_SKIP() << "the file system of the temporary folder keeps no birth time";
    const auto lo = utcFromEpoch(before);
    const auto hi = utcFromEpoch(after + 1);
    const auto key = [](const UtcTime &t) {
        return std::tuple(t.year, t.month, t.day, t.hour, t.minute, t.second);
    };
    EXPECT_LE(key(*lo), key(*facts->created));
    EXPECT_GE(key(*hi), key(*facts->created));
    EXPECT_EQ(facts->modified, (UtcTime{1970, 1, 2, 0, 0, 0, 0}));
}

// --- attributes -------------------------------------------------------------------------------

struct AttributeCase {
    const char *test;
    const char *file;
    mode_t mode;
    bool readOnly;
    bool hidden;
};

class FileFactsAttributes : public FileFactsTest, public ::testing::WithParamInterface<AttributeCase> {};

TEST_P(FileFactsAttributes, FollowOwnerWriteBitAndLeadingDot)
{
    const AttributeCase &c = GetParam();
    const std::string p = file(c.file, 3);
    ASSERT_EQ(::chmod(p.c_str(), c.mode), 0);

    const auto facts = readFileFacts(p);
    ASSERT_TRUE(facts);
    EXPECT_EQ(facts->readOnly, c.readOnly);
    EXPECT_EQ(facts->hidden, c.hidden);
    EXPECT_FALSE(facts->archive);
    EXPECT_FALSE(facts->compressed);
    EXPECT_FALSE(facts->system);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FileFactsAttributes,
    ::testing::Values(AttributeCase{"Writable", "a.mdb", 0644, false, false},
                      AttributeCase{"NoWriteForAnyone", "a.mdb", 0444, true, false},
                      AttributeCase{"OthersMayWriteButNotTheOwner", "a.mdb", 0466, true, false},
                      AttributeCase{"OnlyTheOwnerMayWrite", "a.mdb", 0200, false, false},
                      AttributeCase{"LeadingDot", ".secret.mdb", 0644, false, true},
                      AttributeCase{"LeadingDotReadOnly", ".secret.mdb", 0444, true, true},
                      AttributeCase{"DotInsideTheName", "a.b.mdb", 0644, false, false},
                      AttributeCase{"TrailingDot", "name.", 0644, false, false}),
    [](const auto &info) { return std::string(info.param.test); });

// --- files that cannot be read ----------------------------------------------------------------

TEST_F(FileFactsTest, NothingForWhatIsNotAReadableRegularFile)
{
    fs::create_directory(path("folder"));
    ASSERT_EQ(::mkfifo(path("pipe").c_str(), 0644), 0);

    EXPECT_FALSE(readFileFacts(path("missing.mdb")));
    EXPECT_FALSE(readFileFacts(""));
    EXPECT_FALSE(readFileFacts(path("folder")));
    EXPECT_FALSE(readFileFacts(path("pipe"))); // and does not wait for a writer
    EXPECT_FALSE(readFileFacts(path("missing-folder/a.mdb")));
}

TEST_F(FileFactsTest, NothingForAFileWithoutReadPermission)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root may read any file";
    const std::string p = file("locked.mdb", 3);
    ASSERT_EQ(::chmod(p.c_str(), 0200), 0);
    EXPECT_FALSE(readFileFacts(p));
}
