#pragma once

#include "CpuidSource.h"

namespace sysinfo {

// The processor's feature flags: EDX of CPUID leaf 1, and three of EDX of leaf 0x80000001.
class TCPUFeatures {
public:
    bool FPU = false, VME = false, DE = false, PSE = false, TSC = false, MSR = false, PAE = false,
         MCE = false, CX8 = false, APIC = false, SEP = false, MTRR = false, PGE = false, MCA = false,
         CMOV = false, PAT = false, PSE36 = false, PSN = false, CLFSH = false, DS = false, ACPI = false,
         MMX = false, FXSR = false, SSE = false, SSE2 = false, SS = false, HTT = false, TM = false;
    bool _3DNOW = false, EX_3DNOW = false, EX_MMX = false;

    // The registers of the last leaf read.
    CpuidRegs Registers;

    // Reads the flags; the extended leaf only when the processor has it.
    void GetInfo(const CpuidSource &cpuid);
};

} // namespace sysinfo
