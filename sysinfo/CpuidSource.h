#pragma once

#include <cstdint>

namespace sysinfo {

// The four registers one CPUID leaf answers with.
struct CpuidRegs {
    std::uint32_t eax = 0, ebx = 0, ecx = 0, edx = 0;
    bool operator==(const CpuidRegs &) const = default;
};

// Where the processor identification reads CPUID from: the instruction itself, or, in tests,
// register values recorded from real processors.
class CpuidSource {
public:
    virtual ~CpuidSource() = default;
    // False on a processor without the instruction (another architecture).
    virtual bool available() const = 0;
    virtual CpuidRegs query(std::uint32_t leaf) const = 0;
};

// The instruction of this machine (not available off x86).
class HardwareCpuid : public CpuidSource {
public:
    bool available() const override;
    CpuidRegs query(std::uint32_t leaf) const override;
};

} // namespace sysinfo
