#include "TCPUFeatures.h"

namespace sysinfo {

namespace {

struct Flag {
    bool TCPUFeatures::*member;
    int bit;
};

constexpr Flag kLeaf1Flags[] = {
    {&TCPUFeatures::FPU, 0},    {&TCPUFeatures::VME, 1},   {&TCPUFeatures::DE, 2},    {&TCPUFeatures::PSE, 3},
    {&TCPUFeatures::TSC, 4},    {&TCPUFeatures::MSR, 5},   {&TCPUFeatures::PAE, 6},   {&TCPUFeatures::MCE, 7},
    {&TCPUFeatures::CX8, 8},    {&TCPUFeatures::APIC, 9},  {&TCPUFeatures::SEP, 11},  {&TCPUFeatures::MTRR, 12},
    {&TCPUFeatures::PGE, 13},   {&TCPUFeatures::MCA, 14},  {&TCPUFeatures::CMOV, 15}, {&TCPUFeatures::PAT, 16},
    {&TCPUFeatures::PSE36, 17}, {&TCPUFeatures::PSN, 18},  {&TCPUFeatures::CLFSH, 19}, {&TCPUFeatures::DS, 21},
    {&TCPUFeatures::ACPI, 22},  {&TCPUFeatures::MMX, 23},  {&TCPUFeatures::FXSR, 24}, {&TCPUFeatures::SSE, 25},
    {&TCPUFeatures::SSE2, 26},  {&TCPUFeatures::SS, 27},   {&TCPUFeatures::HTT, 28},  {&TCPUFeatures::TM, 29},
};

bool bit(std::uint32_t value, int n)
{
    return (value >> n) & 1u;
}

} // namespace

void TCPUFeatures::GetInfo(const CpuidSource &cpuid)
{
    if (cpuid.query(0x80000000).eax >= 0x80000001) {
        Registers = cpuid.query(0x80000001);
        _3DNOW = bit(Registers.edx, 31);
        EX_3DNOW = bit(Registers.edx, 30);
        EX_MMX = bit(Registers.edx, 22) || bit(Registers.edx, 24);
    }
    Registers = cpuid.query(1);
    for (const Flag &flag : kLeaf1Flags)
        this->*flag.member = bit(Registers.edx, flag.bit);
}

} // namespace sysinfo
