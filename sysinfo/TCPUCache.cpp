#include "TCPUCache.h"

#include <cstdio>
#include <cstring>

namespace sysinfo {

namespace {

// Leaf 2 descriptors: the level-2 size, the level-1 instruction and data parts, and the
// description line of the published descriptor table.
struct Descriptor {
    unsigned char code;
    int level2, instruction, data;
    const char *text;
};

constexpr Descriptor kDescriptors[] = {
    {0x01, 0, 0, 0, "Instruction TLB, 4K pages, 4-way set associative, 32 entries"},
    {0x02, 0, 0, 0, "Instruction TLB, 4M pages, fully associative, 2 entries"},
    {0x03, 0, 0, 0, "Data TLB, 4K pages, 4-way set associative, 64 entries"},
    {0x04, 0, 0, 0, "Data TLB, 4M pages, 4-way set associative, 8 entries"},
    {0x05, 0, 0, 0, "Data TLB, 4M pages, 4-way set associative, 32 entries"},
    {0x06, 0, 12, 0, "Instruction cache, 8K, 4-way set associative, 32 byte line size"},
    {0x08, 0, 16, 0, "Instruction cache, 16K, 4-way set associative, 32 byte line size"},
    {0x0A, 0, 0, 8, "Data cache, 8K, 2-way set associative, 32 byte line size"},
    {0x0C, 0, 0, 16, "Data cache, 16K, 4-way set associative, 32 byte line size"},
    {0x22, 512, 0, 0, "Unified L3 cache, 512K, 4-way set associative, 64 byte line size"},
    {0x23, 1024, 0, 0, "Unified L3 cache, 1M, 8-way set associative, 64 byte line size"},
    {0x25, 2048, 0, 0, "Unified L3 cache, 2M, 8-way set associative, 64 byte line size"},
    {0x29, 4096, 0, 0, "Unified L3 cache, 4M, 8-way set associative, 64 byte line size"},
    {0x2C, 0, 0, 0, "Data cache, 32K, 8-way set associative, 64 byte line size"},
    {0x30, 0, 0, 0, "Instruction cache, 32K, 8-way set associative, 64 byte line size"},
    {0x40, 0, 0, 0, "No L2 cache, or no L3 cache when an L2 cache is present"},
    {0x41, 128, 0, 0, "Unified L2 cache, 128K, 4-way set associative, 32 byte line size"},
    {0x42, 256, 0, 0, "Unified L2 cache, 256K, 4-way set associative, 32 byte line size"},
    {0x43, 512, 0, 0, "Unified L2 cache, 512K, 4-way set associative, 32 byte line size"},
    {0x44, 1024, 0, 0, "Unified L2 cache, 1M, 4-way set associative, 32 byte line size"},
    {0x45, 2048, 0, 0, "Unified L2 cache, 2M, 4-way set associative, 32 byte line size"},
    {0x50, 0, 0, 0, "Instruction TLB, 4K and 2M or 4M pages, 64 entries"},
    {0x51, 0, 0, 0, "Instruction TLB, 4K and 2M or 4M pages, 128 entries"},
    {0x52, 0, 0, 0, "Instruction TLB, 4K and 2M or 4M pages, 256 entries"},
    {0x5B, 0, 0, 0, "Data TLB, 4K and 4M pages, 64 entries"},
    {0x5C, 0, 0, 0, "Data TLB, 4K and 4M pages, 128 entries"},
    {0x5D, 0, 0, 0, "Data TLB, 4K and 4M pages, 256 entries"},
    {0x66, 0, 0, 8, "Data cache, 8K, 4-way set associative, 64 byte line size"},
    {0x67, 0, 0, 16, "Data cache, 16K, 4-way set associative, 64 byte line size"},
    {0x68, 0, 0, 32, "Data cache, 32K, 4-way set associative, 64 byte line size"},
    {0x70, 0, 12, 0, "Trace cache, 12K-uops, 8-way set associative"},
    {0x71, 0, 16, 0, "Trace cache, 16K-uops, 8-way set associative"},
    {0x72, 0, 32, 0, "Trace cache, 32K-uops, 8-way set associative"},
    {0x79, 128, 0, 0, "Unified L2 cache, 128K, 8-way set associative, 64 byte line size, 2 lines per sector"},
    {0x7A, 256, 0, 0, "Unified L2 cache, 256K, 8-way set associative, 64 byte line size, 2 lines per sector"},
    {0x7B, 512, 0, 0, "Unified L2 cache, 512K, 8-way set associative, 64 byte line size, 2 lines per sector"},
    {0x7C, 1024, 0, 0, "Unified L2 cache, 1M, 8-way set associative, 64 byte line size, 2 lines per sector"},
    {0x7D, 0, 0, 0, "Unified L2 cache, 2M, 8-way set associative, 64 byte line size"},
    {0x82, 256, 0, 0, "Unified L2 cache, 256K, 8-way set associative, 32 byte line size"},
    {0x83, 512, 0, 0, "Unified L2 cache, 512K, 8-way set associative, 32 byte line size"},
    {0x84, 1024, 0, 0, "Unified L2 cache, 1M, 8-way set associative, 32 byte line size"},
    {0x85, 2048, 0, 0, "Unified L2 cache, 2M, 8-way set associative, 32 byte line size"},
    {0x86, 0, 0, 0, "Unified L2 cache, 512K, 4-way set associative, 64 byte line size"},
    {0x87, 0, 0, 0, "Unified L2 cache, 1M, 8-way set associative, 64 byte line size"},
    {0xF0, 0, 0, 0, "64-byte prefetching"},
    {0xF1, 0, 0, 0, "128-byte prefetching"},
    {0xFF, 0, 0, 0, "No cache descriptors: the deterministic cache leaf describes the caches"},
};

const Descriptor *findDescriptor(unsigned char code)
{
    for (const Descriptor &d : kDescriptors)
        if (d.code == code)
            return &d;
    return nullptr;
}

std::string format(const char *pattern, auto... args)
{
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, pattern, args...);
    return buffer;
}

// The 4-bit associativity codes of the level-2 fields.
const char *associativity(unsigned code)
{
    switch (code) {
    case 0: return "Off";
    case 1: return "Direct mapped";
    case 2: return "2-way associative";
    case 4: return "4-way associative";
    case 6: return "8-way associative";
    case 8: return "16-way associative";
    default: return "fully associative";
    }
}

// The level-1 fields give the number of ways itself; 0xFF is fully associative.
std::string ways(unsigned n)
{
    if (n == 1)
        return "Direct mapped";
    if (n == 0xFF)
        return "fully associative";
    if (n == 0)
        return "Off";
    return std::to_string(n) + "-way associative";
}

void signature(const CpuidSource &cpuid, int &family, int &model, int &stepping)
{
    const std::uint32_t eax = cpuid.query(1).eax;
    family = int((eax >> 8) & 0xF);
    model = int((eax >> 4) & 0xF);
    stepping = int(eax & 0xF);
}

} // namespace

std::string ReadBrandText(const CpuidSource &cpuid)
{
    if (cpuid.query(0x80000000).eax < 0x80000004)
        return {};
    char text[49] = {};
    for (std::uint32_t i = 0; i < 3; ++i) {
        const CpuidRegs r = cpuid.query(0x80000002 + i);
        const std::uint32_t words[4] = {r.eax, r.ebx, r.ecx, r.edx};
        std::memcpy(text + 16 * i, words, 16);
    }
    return std::string(text);
}

void TCPUCache::GetInfo(const CpuidSource &cpuid, int vendorIndex)
{
    signature(cpuid, Family, Model, Stepping);
    BrandText = ReadBrandText(cpuid);
    Descriptions.clear();
    Level1 = Level2 = Level3 = 0;
    switch (vendorIndex) {
    case 1: intel(cpuid); break;
    case 2: amd(cpuid); break;
    case 3: cyrix(cpuid); break;
    default: break;
    }
}

// The first byte of leaf 2 says how often to call it; the descriptors of the last call count.
// A register with its top bit set holds no descriptors, and the first byte is the count.
void TCPUCache::intel(const CpuidSource &cpuid)
{
    if (cpuid.query(0).eax < 2)
        return;
    Descriptors = cpuid.query(2);
    for (unsigned calls = Descriptors.eax & 0xFF; calls > 1; --calls)
        Descriptors = cpuid.query(2);
    int instruction = 0, data = 0;
    const std::uint32_t registers[4] = {Descriptors.eax, Descriptors.ebx, Descriptors.ecx, Descriptors.edx};
    for (int r = 0; r < 4; ++r) {
        if (registers[r] & 0x80000000u)
            continue;
        for (int b = (r == 0 ? 1 : 0); b < 4; ++b) {
            const Descriptor *d = findDescriptor(static_cast<unsigned char>(registers[r] >> (8 * b)));
            if (!d)
                continue;
            if (d->level2)
                Level2 = d->level2;
            instruction += d->instruction;
            data += d->data;
            Descriptions.emplace_back(d->text);
        }
    }
    Level1 = data + instruction;
}

void TCPUCache::amd(const CpuidSource &cpuid)
{
    const std::uint32_t highest = cpuid.query(0x80000000).eax;
    if (highest >= 0x80000005) {
        const CpuidRegs r = Descriptors = cpuid.query(0x80000005);
        auto tlb = [this](const char *pattern, unsigned assoc, unsigned entries) {
            if (assoc && entries)
                Descriptions.push_back(format(pattern, ways(assoc).c_str(), int(entries)));
        };
        tlb("Instruction TLB, 2M/4M pages, %s, %d entries", (r.eax >> 8) & 0xFF, r.eax & 0xFF);
        tlb("Instruction TLB, 4K pages, %s, %d entries", (r.ebx >> 8) & 0xFF, r.ebx & 0xFF);
        auto cache = [this](const char *pattern, std::uint32_t v) {
            if (v >> 24)
                Descriptions.push_back(format(pattern, int(v >> 24), ways((v >> 16) & 0xFF).c_str(), int(v & 0xFF),
                                              int((v >> 8) & 0xFF)));
        };
        cache("Instruction cache %dK, %s, %d byte line size, %d line per tag", r.edx);
        tlb("Data TLB, 2M/4M pages, %s, %d entries", (r.eax >> 24) & 0xFF, (r.eax >> 16) & 0xFF);
        tlb("Data TLB, 4K pages, %s, %d entries", (r.ebx >> 24) & 0xFF, (r.ebx >> 16) & 0xFF);
        cache("Data cache %dK, %s, %d byte line size, %d line per tag", r.ecx);
        Level1 = int(r.ecx >> 24) + int(r.edx >> 24);
    }
    if (highest >= 0x80000006) {
        const CpuidRegs r = Descriptors2 = cpuid.query(0x80000006);
        auto tlb = [this](const char *pattern, unsigned assoc, unsigned entries) {
            if (assoc && entries)
                Descriptions.push_back(format(pattern, associativity(assoc), int(entries)));
        };
        tlb("L2 Instruction TLB, 2M/4M pages, %s, %d entries", (r.eax >> 12) & 0xF, r.eax & 0xFFF);
        tlb("L2 Instruction TLB, 4K pages, %s, %d entries", (r.ebx >> 12) & 0xF, r.ebx & 0xFFF);
        tlb("L2 Data TLB, 2M/4M pages, %s, %d entries", r.eax >> 28, (r.eax >> 16) & 0xFFF);
        tlb("L2 Data TLB, 4K pages, %s, %d entries", r.ebx >> 28, (r.ebx >> 16) & 0xFFF);
        if (Family == 6 && (Model == 6 || Model == 7) && (r.ecx >> 24) != 0)
            Level2 = BrandText.find("Duron") != std::string::npos ? 64 : 256;
        if (Level2)
            Descriptions.push_back(format("Unified cache %dK, 16-way associative, %d byte line size, %d line per tag",
                                          Level2, int(r.ecx & 0xFF), int((r.ecx >> 8) & 0xF)));
    }
}

// Cyrix lists its caches as descriptor codes in leaf 0x80000005; 0x80 is the 16 KB level-1
// cache (4-way, 16 byte lines).
void TCPUCache::cyrix(const CpuidSource &cpuid)
{
    if (cpuid.query(0x80000000).eax < 0x80000005)
        return;
    Descriptors = cpuid.query(0x80000005);
    const std::uint32_t registers[4] = {Descriptors.eax, Descriptors.ebx, Descriptors.ecx, Descriptors.edx};
    for (std::uint32_t value : registers)
        for (int b = 0; b < 4; ++b)
            if (((value >> (8 * b)) & 0xFF) == 0x80)
                Level1 = 16;
}

} // namespace sysinfo
