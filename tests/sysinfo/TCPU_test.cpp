#include "RecordedCpu.h"
#include "support/TempDir.h"
#include "sysinfo/SystemSummary.h"
#include "sysinfo/TCPU.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

using namespace sysinfo;

namespace {

// Register values as the processors report them.

// Intel Core i7-8700K (family 6, extended model 9, model 14, stepping 10).
RecordedCpuid coreI7()
{
    RecordedCpuid r;
    r.vendor(0x16, "GenuineIntel");
    r.leaves[1] = {0x000906EA, 0x00100800, 0x7FFAFBFF, 0xBFEBFBFF};
    r.leaves[2] = {0x00FEFF01, 0x000000F0, 0, 0};
    r.leaves[0x80000000] = {0x80000008, 0, 0, 0};
    r.leaves[0x80000001] = {0, 0, 0x00000121, 0x2C100800};
    r.brand("Intel(R) Core(TM) i7-8700K CPU @ 3.70GHz");
    return r;
}

// AMD family 1Ah (extended family 0Bh) as a virtual machine reports it, the brand text padded
// with blanks.
RecordedCpuid modernAmd()
{
    RecordedCpuid r;
    r.leaves[0] = {0x0000000d, 0x68747541, 0x444d4163, 0x69746e65};
    r.leaves[1] = {0x00b00f21, 0x3efe0800, 0xfed83203, 0x178bfbff};
    r.leaves[0x80000000] = {0x80000021, 0x68747541, 0x444d4163, 0x69746e65};
    r.leaves[0x80000001] = {0x00b00f21, 0x40000000, 0x440001f1, 0x25d3fbff};
    r.leaves[0x80000002] = {0x6469784f, 0x69562065, 0x61757472, 0x7554206c};
    r.leaves[0x80000003] = {0x2d6e6972, 0x656b696c, 0x6f725020, 0x73736563};
    r.leaves[0x80000004] = {0x2020726f, 0x20202020, 0x20202020, 0x00202020};
    r.leaves[0x80000005] = {0xff60ff40, 0xff60ff40, 0x300c0140, 0x20080140};
    r.leaves[0x80000006] = {0x40802040, 0x60804040, 0x04006140, 0x0fe09140};
    return r;
}

// Pentium II family processors (family 6, model 5): the Celeron without a level-2 cache
// (descriptor 0x40) and the Pentium II with 512 KB (0x43). They have no extended leaves: leaf
// 0x80000000 answers with the highest standard leaf's values.
RecordedCpuid pentiumTwo(std::uint8_t level2Descriptor)
{
    RecordedCpuid r;
    r.vendor(2, "GenuineIntel");
    r.leaves[1] = {0x00000652, 0, 0, 0x0183FBFF};
    r.leaves[2] = {0x03020101, 0, 0, 0x0C040800u | level2Descriptor};
    r.leaves[0x80000000] = r.leaves[2];
    return r;
}

// Pentium 4 Northwood: family 15, model 2, brand index 8, 512 KB level 2 (0x7B); its brand
// text begins with blanks.
RecordedCpuid pentium4()
{
    RecordedCpuid r;
    r.vendor(2, "GenuineIntel");
    r.leaves[1] = {0x00000F27, 0x00010808, 0, 0x3FEBFBFF};
    r.leaves[2] = {0x665B5001, 0, 0, 0x007B7040};
    r.leaves[0x80000000] = {0x80000004, 0, 0, 0};
    r.brand("              Intel(R) Pentium(R) 4 CPU 2.40GHz");
    return r;
}

// AMD Athlon XP and Duron (family 6, model 6, Palomino and Morgan cores).
RecordedCpuid athlon(const char *brandText)
{
    RecordedCpuid r;
    r.vendor(1, "AuthenticAMD");
    r.leaves[1] = {0x00000662, 0, 0, 0x0383FBFF};
    r.leaves[0x80000000] = {0x80000008, 0, 0, 0};
    r.leaves[0x80000001] = {0x00000762, 0, 0, 0xC1C3FBFF};
    r.leaves[0x80000005] = {0x0408FF08, 0xFF20FF10, 0x40020140, 0x40020140};
    r.leaves[0x80000006] = {0, 0x41004100, 0x01004220, 0};
    r.brand(brandText);
    return r;
}

// DM&P Vortex86: a vendor outside the table, with an Intel-like signature (family 5, model 2)
// and no brand text.
RecordedCpuid vortex86()
{
    RecordedCpuid r;
    r.vendor(1, "Vortex86 SoC");
    r.leaves[1] = {0x00000522, 0, 0, 0x0000800B};
    return r;
}

struct Identified {
    std::string vendor, friendlyName, codeName, text;
    int family, model, level1, level2;
};

struct CpuCase {
    const char *name;
    std::function<RecordedCpuid()> registers;
    int mhz;
    Identified expected;
};

void PrintTo(const CpuCase &c, std::ostream *os)
{
    *os << c.name;
}

class TCPUTest : public testing::TestWithParam<CpuCase> {};

TEST_P(TCPUTest, IdentifiesTheRecordedProcessor)
{
    const CpuCase &c = GetParam();
    const RecordedCpuid cpuid = c.registers();
    SteppingClock clock({c.mhz});
    TempDir noLinuxFacts;
    TCPU cpu(cpuid, clock, noLinuxFacts.path());
    cpu.GetInfo();
    const Identified &e = c.expected;
    EXPECT_EQ(cpu.Vendor, e.vendor);
    EXPECT_EQ(cpu.FriendlyName, e.friendlyName);
    EXPECT_EQ(cpu.CodeName, e.codeName);
    EXPECT_EQ(cpu.Family, e.family);
    EXPECT_EQ(cpu.Model, e.model);
    EXPECT_EQ(cpu.Cache.Level1, e.level1);
    EXPECT_EQ(cpu.Cache.Level2, e.level2);
    EXPECT_EQ(ProcessorText(cpu), e.text);
}

const std::string kAmdBrand = std::string("Oxide Virtual Turin-like Processor") + std::string(13, ' ');

INSTANTIATE_TEST_SUITE_P(
    Recorded, TCPUTest,
    testing::Values(
        CpuCase{"CoreI7", coreI7, 3697,
                {"Intel Corporation", "Intel(R) Core(TM) i7-8700K CPU @ 3.70GHz", "",
                 "Intel(R) Core(TM) i7-8700K CPU @ 3.70GHz - 3700 Mhz", 6, 14, 0, 0}},
        CpuCase{"ModernAmd", modernAmd, 2096,
                {"Advanced Micro Devices", kAmdBrand, "", "Oxide Virtual Turin-like Processor - 2100 Mhz", 15, 2, 48 + 32, 0}},
        CpuCase{"CeleronWithoutLevel2", [] { return pentiumTwo(0x40); }, 266,
                {"Intel Corporation", "Celeron", "Covington (0,25\u00b5m)", "Intel Celeron - 266 Mhz", 6, 5, 32, 0}},
        CpuCase{"PentiumTwoWith512K", [] { return pentiumTwo(0x43); }, 449,
                {"Intel Corporation", "Pentium II", "Deschutes (0,25\u00b5m)", "Intel Pentium II - 450 Mhz", 6, 5, 32,
                 512}},
        CpuCase{"Pentium4Northwood", pentium4, 2397,
                {"Intel Corporation", "Pentium 4", "Northwood",
                 "              Intel(R) Pentium(R) 4 CPU 2.40GHz - 2400 Mhz", 15, 2, 8 + 12, 512}},
        CpuCase{"AthlonXP", [] { return athlon("AMD Athlon(tm) XP 1800+"); }, 1533,
                {"Advanced Micro Devices", "Athlon XP", "Palomino", "AMD Athlon(tm) XP 1800+ - 1533 Mhz", 6, 6, 128,
                 256}},
        CpuCase{"Duron", [] { return athlon("AMD Duron(tm) Processor"); }, 1201,
                {"Advanced Micro Devices", "Duron", "Morgan", "AMD Duron(tm) Processor - 1200 Mhz", 6, 6, 128, 64}},
        CpuCase{"UnknownVendor", vortex86, 334, {"", "", "", "Vortex86 SoC - 333 Mhz", 5, 2, 0, 0}}),
    [](const testing::TestParamInfo<CpuCase> &info) { return std::string(info.param.name); });

TEST(TCPU, SignatureFeaturesAndClassesOfTheModernIntel)
{
    const RecordedCpuid cpuid = coreI7();
    SteppingClock clock({3700});
    TempDir none;
    TCPU cpu(cpuid, clock, none.path());
    cpu.GetInfo();
    EXPECT_EQ(cpu.VendorIdText, "GenuineIntel");
    EXPECT_EQ(cpu.VendorIndex, 1);
    EXPECT_EQ(cpu.Stepping, 10);
    EXPECT_EQ(cpu.FamilyType, cfP6);
    EXPECT_EQ(cpu.CPUType, ctOriginal);
    EXPECT_EQ(cpu.BrandType, brUnsupported);
    EXPECT_TRUE(cpu.Features.SSE2);
    EXPECT_TRUE(cpu.Features.HTT);
    EXPECT_FALSE(cpu.Features.PSN);
    EXPECT_FALSE(cpu.Features._3DNOW);
    EXPECT_TRUE(cpu.SerialNumber.empty());
    EXPECT_FALSE(cpu.FDIVBug);
    EXPECT_EQ(cpu.Frequency, 3700);
}

TEST(TCPU, SerialNumberOfAProcessorWithTheFeature)
{
    // A Pentium III (family 6, model 7, Katmai) with the serial number enabled.
    RecordedCpuid cpuid;
    cpuid.vendor(3, "GenuineIntel");
    cpuid.leaves[1] = {0x00000672, 0, 0, 0x0387FBFF};
    cpuid.leaves[2] = {0x03020101, 0, 0, 0x0C040843};
    cpuid.leaves[3] = {0, 0, 0x2345ABCD, 0x0000EF01};
    SteppingClock clock({500});
    TempDir none;
    TCPU cpu(cpuid, clock, none.path());
    cpu.GetInfo();
    EXPECT_TRUE(cpu.Features.PSN);
    EXPECT_EQ(cpu.SerialNumber, "0000-0672-0000-EF01-2345-ABCD");
    EXPECT_EQ(cpu.FriendlyName, "Pentium III");
    EXPECT_EQ(cpu.CodeName, "Katmai (0.25 \u00b5m)");
}

TEST(TCPU, BrandIndexClassesNewerIntelProcessors)
{
    RecordedCpuid cpuid = pentium4();
    SteppingClock clock({2400});
    TempDir none;
    TCPU cpu(cpuid, clock, none.path());
    cpu.GetInfo();
    EXPECT_EQ(cpu.BrandType, brP4);
    EXPECT_EQ(cpu.FamilyType, cfPentium4);
}

TEST(TCPU, AmdCacheDescriptionsFollowTheRegisterLayout)
{
    const RecordedCpuid cpuid = athlon("AMD Athlon(tm) XP 1800+");
    SteppingClock clock({1533});
    TempDir none;
    TCPU cpu(cpuid, clock, none.path());
    cpu.GetInfo();
    const std::vector<std::string> expected{
        "Instruction TLB, 2M/4M pages, fully associative, 8 entries",
        "Instruction TLB, 4K pages, fully associative, 16 entries",
        "Instruction cache 64K, 2-way associative, 64 byte line size, 1 line per tag",
        "Data TLB, 2M/4M pages, 4-way associative, 8 entries",
        "Data TLB, 4K pages, fully associative, 32 entries",
        "Data cache 64K, 2-way associative, 64 byte line size, 1 line per tag",
        "L2 Instruction TLB, 4K pages, 4-way associative, 256 entries",
        "L2 Data TLB, 4K pages, 4-way associative, 256 entries",
        "Unified cache 256K, 16-way associative, 32 byte line size, 2 line per tag",
    };
    EXPECT_EQ(cpu.Cache.Descriptions, expected);
}

TEST(TCPU, WithoutCpuidLinuxReportsTheProcessor)
{
    RecordedCpuid none;
    none.present = false;
    SteppingClock clock({1});
    TempDir root;
    std::filesystem::create_directories(root.file("proc"));
    writeAll(root.file("proc/cpuinfo"), "processor\t: 0\nBogoMIPS\t: 50.00\nCPU implementer\t: 0x41\n"
                                        "CPU architecture: 8\nCPU variant\t: 0x3\nCPU part\t: 0xd0c\n"
                                        "CPU revision\t: 1\n\nprocessor\t: 1\nCPU part\t: 0xd40\n");
    std::filesystem::create_directories(root.file("sys/devices/system/cpu/cpu0/cpufreq"));
    writeAll(root.file("sys/devices/system/cpu/cpu0/cpufreq/cpuinfo_max_freq"), "2999000\n");
    TCPU cpu(none, clock, root.path());
    cpu.GetInfo();
    EXPECT_FALSE(cpu.HasCpuid);
    EXPECT_EQ(clock.raised(), 0);
    EXPECT_EQ(cpu.VendorShortName(), "ARM");
    EXPECT_EQ(cpu.FriendlyName, "Part 0xd0c Variant 0x3 Revision 1");
    EXPECT_EQ(cpu.Frequency, 3000);
    EXPECT_EQ(ProcessorText(cpu), "ARM Part 0xd0c Variant 0x3 Revision 1 - 3000 Mhz");
}

TEST(TCPU, ModelNameOfLinuxIsTheBrandWithoutCpuid)
{
    RecordedCpuid none;
    none.present = false;
    SteppingClock clock({1});
    TempDir root;
    std::filesystem::create_directories(root.file("proc"));
    writeAll(root.file("proc/cpuinfo"), "processor\t: 0\nvendor_id\t: GenuineIntel\ncpu family\t: 6\nmodel\t\t: 158\n"
                                        "model name\t: Intel(R) Core(TM) i7-8700K CPU @ 3.70GHz\nstepping\t: 10\n"
                                        "cpu MHz\t\t: 3696.817\n");
    TCPU cpu(none, clock, root.path());
    cpu.GetInfo();
    EXPECT_EQ(cpu.Vendor, "Intel Corporation");
    EXPECT_EQ(cpu.System.identifier, "Family 6 Model 158 Stepping 10");
    EXPECT_EQ(ProcessorText(cpu), "Intel(R) Core(TM) i7-8700K CPU @ 3.70GHz - 3700 Mhz");
}

TEST(TCPU, AFailingStepIsReportedByTheExceptionMode)
{
    class Throwing : public RecordedCpuid {
    public:
        sysinfo::CpuidRegs query(std::uint32_t leaf) const override
        {
            if (leaf == 2)
                throw std::runtime_error("leaf 2 refused");
            return RecordedCpuid::query(leaf);
        }
    };
    Throwing cpuid;
    cpuid.vendor(2, "GenuineIntel");
    cpuid.leaves[1] = {0x00000652, 0, 0, 0x0183FBFF};
    TempDir none;
    {
        SteppingClock clock({266});
        TCPU cpu(cpuid, clock, none.path());
        std::vector<std::string> messages;
        cpu.OnMessage = [&messages](const std::string &text) { messages.push_back(text); };
        cpu.GetInfo();
        EXPECT_EQ(messages, std::vector<std::string>{"TCPUCache.GetInfo: leaf 2 refused"});
        EXPECT_EQ(cpu.FriendlyName, "Celeron"); // the identification goes on
    }
    {
        SteppingClock clock({266});
        TCPU cpu(cpuid, clock, none.path());
        cpu.ExceptionMode = emRaise;
        try {
            cpu.GetInfo();
            FAIL() << "no exception";
        } catch (const std::runtime_error &e) {
            EXPECT_STREQ(e.what(), "TCPUCache.GetInfo: leaf 2 refused");
        }
    }
    {
        SteppingClock clock({266});
        TCPU cpu(cpuid, clock, none.path());
        cpu.ExceptionMode = emSilent;
        bool told = false;
        cpu.OnMessage = [&told](const std::string &) { told = true; };
        cpu.GetInfo();
        EXPECT_FALSE(told);
    }
}

TEST(SystemSummary, OperatingSystemFromOsReleaseAndTheKernel)
{
    EXPECT_EQ(OsDescription("NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nID=debian\n",
                            "6.1.0-18-amd64"),
              "Debian GNU/Linux 12 (bookworm), Linux 6.1.0-18-amd64");
    EXPECT_EQ(OsDescription("NAME=Alpine\n", "6.6.1"), "Alpine, Linux 6.6.1");
    EXPECT_EQ(OsDescription("", "6.6.1"), "Linux 6.6.1");
}

TEST(SystemSummary, ThisMachine)
{
    const SystemSummary s = ComputeSystemSummary();
    EXPECT_FALSE(s.os.empty());
    EXPECT_FALSE(s.computerName.empty());
    for (char c : s.computerName)
        EXPECT_FALSE(c >= 'a' && c <= 'z') << s.computerName;
    static_assert(sizeof(s.totalMemory) == 8, "memory beyond 4 GB needs a 64-bit count");
    EXPECT_GT(s.totalMemory, 0u);
    EXPECT_EQ(s.version.find_first_not_of("0123456789."), std::string::npos);
    EXPECT_EQ(std::count(s.version.begin(), s.version.end(), '.'), 3);
    EXPECT_NE(s.cpu.find(" Mhz"), std::string::npos);
}

} // namespace
