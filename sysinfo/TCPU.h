#pragma once

#include "CpuFrequency.h"
#include "CpuidSource.h"
#include "LinuxCpuInfo.h"
#include "TCPUCache.h"
#include "TCPUFeatures.h"

#include <cstdint>
#include <functional>
#include <string>

namespace sysinfo {

class CycleClock;

enum TCPUType { ctOriginal, ctOverDrive, ctDualProcessor, ctUnknown };
enum TCPUFamily { cfUnknown, cf8086, cf286, cf386, cf486, cfPentium, cfP6, cfPentium4 };
enum TCPUBrand { brUnsupported, brCeleron, brP3, brP3Xeon, brP4 };
// What a failing features or cache step does: throw, report the text and go on, or go on.
enum TExceptionMode { emRaise, emMessage, emSilent };

// Identifies the processor: vendor, signature, brand text, friendly and code names, measured
// frequency, features, caches, serial number and the division flaw. Without CPUID (another
// architecture) the vendor, brand and frequency come from what Linux reports.
class TCPU {
public:
    // The sources default to this machine; tests pass recorded ones.
    TCPU();
    TCPU(const CpuidSource &cpuid, CycleClock &clock, std::string linuxRoot = "/");

    void GetInfo();

    int Count = 0;
    std::string Vendor;
    std::string FriendlyName;
    std::string CodeName;
    int Frequency = 0;
    int Family = 0, Model = 0, Stepping = 0;
    TCPUFeatures Features;
    TCPUCache Cache;
    std::string SerialNumber;
    bool FDIVBug = false;
    TCPUType CPUType = ctOriginal;
    TCPUFamily FamilyType = cfUnknown;
    TCPUBrand BrandType = brUnsupported;
    TExceptionMode ExceptionMode = emMessage;
    // Where emMessage reports a failed step; standard error unless set.
    std::function<void(const std::string &)> OnMessage;

    bool HasCpuid = false;
    std::string VendorIdText; // the 12 characters of leaf 0
    int VendorIndex = 0;      // 1 to 8, 0 when not in the vendor table
    std::string BrandText;    // not trimmed
    int BrandIndex = 0;
    // Extended signature fields of leaf 0x80000001 and of leaf 1 (bits 16 to 27).
    int ExtFamily = 0, ExtModel = 0, ExtStepping = 0;
    int ExtendedFamilyBits = 0, ExtendedModelBits = 0;
    CpuidRegs Leaf1, ExtLeaf1;
    std::uint32_t MaxStandardLeaf = 0, MaxExtendedLeaf = 0;
    FrequencyResult FrequencyInfo;
    LinuxCpuInfo System; // what Linux reports

    // The vendor's short name; for an unknown vendor its identification text.
    std::string VendorShortName() const;

private:
    void readSignature();
    void readFromLinux();
    void guarded(const char *step, const std::function<void()> &work);

    const CpuidSource &cpuid_;
    CycleClock &clock_;
    std::string root_;
};

// The Pentium division flaw: 4195835 / 3145727 * 3145727 - 4195835 is not 0 on the FPU.
bool HasFDIVBug();

} // namespace sysinfo
