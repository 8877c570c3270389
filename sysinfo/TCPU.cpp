#include "TCPU.h"

#include "CpuNames.h"
#include "CycleClock.h"

#include <cstdio>
#include <stdexcept>
#include <unistd.h>

namespace sysinfo {

namespace {

const CpuidSource &hardwareCpuid()
{
    static HardwareCpuid cpuid;
    return cpuid;
}

CycleClock &hardwareClock()
{
    static HardwareClock clock;
    return clock;
}

std::string hex4(std::uint32_t value)
{
    char text[5];
    std::snprintf(text, sizeof text, "%04X", unsigned(value & 0xFFFF));
    return text;
}

std::string serialGroups(std::uint32_t value)
{
    return hex4(value >> 16) + "-" + hex4(value);
}

std::string trimmed(const std::string &s)
{
    const auto begin = s.find_first_not_of(" \t");
    return begin == std::string::npos ? std::string() : s.substr(begin, s.find_last_not_of(" \t") - begin + 1);
}

} // namespace

bool HasFDIVBug()
{
    volatile double dividend = 4195835.0, divisor = 3145727.0;
    const long double x = dividend, y = divisor;
    return (x / y) * y - x != 0;
}

TCPU::TCPU() : TCPU(hardwareCpuid(), hardwareClock()) {}

TCPU::TCPU(const CpuidSource &cpuid, CycleClock &clock, std::string linuxRoot)
    : cpuid_(cpuid), clock_(clock), root_(std::move(linuxRoot))
{
}

std::string TCPU::VendorShortName() const
{
    if (VendorIndex > 0)
        return VendorByIndex(VendorIndex).shortName;
    return trimmed(VendorIdText.empty() ? System.vendorIdentifier : VendorIdText);
}

void TCPU::GetInfo()
{
    Count = int(sysconf(_SC_NPROCESSORS_ONLN));
    System = ReadLinuxCpuInfo(root_);
    HasCpuid = cpuid_.available();
    if (!HasCpuid) {
        readFromLinux();
        return;
    }
    FrequencyInfo = MeasureFrequency(clock_);
    Frequency = FrequencyInfo.snappedMHz;
    readSignature();
    guarded("TCPUFeatures.GetInfo", [this] { Features.GetInfo(cpuid_); });
    if (Features.PSN && MaxStandardLeaf >= 3) {
        const CpuidRegs serial = cpuid_.query(3);
        SerialNumber = serialGroups(Leaf1.eax) + "-" + serialGroups(serial.edx) + "-" + serialGroups(serial.ecx);
    }
    BrandText = ReadBrandText(cpuid_);
    FDIVBug = HasFDIVBug();
    guarded("TCPUCache.GetInfo", [this] { Cache.GetInfo(cpuid_, VendorIndex); });
    FriendlyName = BrandText;
    // The name tables know processors by their base family and model; one with extended
    // signature bits is a later design the tables would misname, so its brand text stays.
    if (ExtendedFamilyBits == 0 && ExtendedModelBits == 0) {
        NameKeys keys;
        keys.vendorIndex = VendorIndex;
        keys.family = Family;
        keys.model = Model;
        keys.stepping = Stepping;
        keys.level2 = Cache.Level2;
        keys.brandIndex = BrandIndex;
        keys.frequency = Frequency;
        ApplyNameTables(keys, FriendlyName, CodeName);
    }
}

void TCPU::readSignature()
{
    MaxExtendedLeaf = cpuid_.query(0x80000000).eax;
    const CpuidRegs leaf0 = cpuid_.query(0);
    MaxStandardLeaf = leaf0.eax;
    Leaf1 = cpuid_.query(1);
    Family = int((Leaf1.eax >> 8) & 0xF);
    Model = int((Leaf1.eax >> 4) & 0xF);
    Stepping = int(Leaf1.eax & 0xF);
    ExtendedModelBits = int((Leaf1.eax >> 16) & 0xF);
    ExtendedFamilyBits = int((Leaf1.eax >> 20) & 0xFF);
    BrandIndex = int(Leaf1.ebx & 0xFF);
    if (MaxExtendedLeaf >= 0x80000001) {
        ExtLeaf1 = cpuid_.query(0x80000001);
        ExtFamily = int((ExtLeaf1.eax >> 8) & 0xF);
        ExtModel = int((ExtLeaf1.eax >> 4) & 0xF);
        ExtStepping = int(ExtLeaf1.eax & 0xF);
    }
    static constexpr TCPUBrand kBrands[9] = {brUnsupported, brCeleron, brP3, brP3Xeon, brUnsupported,
                                             brUnsupported, brUnsupported, brUnsupported, brP4};
    const bool brandedProcessor = Family > 6 || (Family == 6 && Model > 7);
    BrandType = brandedProcessor && BrandIndex < 9 ? kBrands[BrandIndex] : brUnsupported;
    CPUType = TCPUType((Leaf1.eax >> 12) & 0x3);
    switch (Family) {
    case 0: FamilyType = cf8086; break;
    case 2: FamilyType = cf286; break;
    case 3: FamilyType = cf386; break;
    case 4: FamilyType = cf486; break;
    case 5: FamilyType = cfPentium; break;
    case 6: FamilyType = cfP6; break;
    case 15: FamilyType = ExtFamily == 0 ? cfPentium4 : cfUnknown; break;
    default: FamilyType = cfUnknown; break;
    }
    char id[13] = {};
    const std::uint32_t words[3] = {leaf0.ebx, leaf0.edx, leaf0.ecx};
    for (int i = 0; i < 3; ++i)
        for (int b = 0; b < 4; ++b)
            id[4 * i + b] = char((words[i] >> (8 * b)) & 0xFF);
    VendorIdText.assign(id, 12);
    VendorIndex = VendorIndexOf(VendorIdText);
    Vendor = VendorIndex ? VendorByIndex(VendorIndex).name : "";
}

// Another architecture: Linux's report stands in for the registers.
void TCPU::readFromLinux()
{
    VendorIdText = System.vendorIdentifier;
    VendorIndex = VendorIndexOf(VendorIdText);
    Vendor = VendorIndex ? VendorByIndex(VendorIndex).name : System.vendorIdentifier;
    BrandText = System.nameString;
    FriendlyName = BrandText.empty() ? System.identifier : BrandText;
    Frequency = System.mhz > 0 ? SnapFrequency(System.mhz) : 0;
    FDIVBug = HasFDIVBug();
}

void TCPU::guarded(const char *step, const std::function<void()> &work)
{
    try {
        work();
    } catch (const std::exception &e) {
        const std::string text = std::string(step) + ": " + e.what();
        if (ExceptionMode == emRaise)
            throw std::runtime_error(text);
        if (ExceptionMode == emMessage) {
            if (OnMessage)
                OnMessage(text);
            else
                std::fprintf(stderr, "%s\n", text.c_str());
        }
    }
}

} // namespace sysinfo
