#pragma once

#include "CpuidSource.h"

#include <string>
#include <vector>

namespace sysinfo {

// Cache sizes (KB) and their description lines, read the way each vendor publishes them.
class TCPUCache {
public:
    int Level1 = 0, Level2 = 0, Level3 = 0;
    std::vector<std::string> Descriptions;

    // What this step read itself.
    int Family = 0, Model = 0, Stepping = 0;
    std::string BrandText;
    // The descriptor registers: leaf 2 (Intel), 0x80000005 and 0x80000006 (AMD, Cyrix).
    CpuidRegs Descriptors, Descriptors2;

    void GetInfo(const CpuidSource &cpuid, int vendorIndex);

private:
    void intel(const CpuidSource &cpuid);
    void amd(const CpuidSource &cpuid);
    void cyrix(const CpuidSource &cpuid);
};

// The brand text of leaves 0x80000002 to 0x80000004 up to its first zero byte, not trimmed;
// empty when the processor lacks those leaves.
std::string ReadBrandText(const CpuidSource &cpuid);

} // namespace sysinfo
