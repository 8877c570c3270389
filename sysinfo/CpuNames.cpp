#include "CpuNames.h"

#include <array>
#include <climits>
#include <span>

namespace sysinfo {

namespace {

const std::array<VendorEntry, kVendorCount> kVendors{{
    {"GenuineIntel", "Intel Corporation", "Intel"},
    {"AuthenticAMD", "Advanced Micro Devices", "AMD"},
    {"CyrixInstead", "Cyrix Corporation", "Cyrix"},
    {"CentaurHauls", "IDT/Centaur/VIA", "IDT"},
    {"NexGenDriven", "NexGen Inc.", "NexGen"},
    {"UMC UMC UMC ", "United Microelectronics Corp", "UMC"},
    {"RiseRiseRise", "Rise Technology", "Rise"},
    {"GenuineTMx86", "Transmeta", "Transmeta"},
}};

enum class Key { None, Level2, BrandIndex, Frequency, Stepping, NameContains };

// A row matches a family, a model range and an optional condition; the first matching row of
// a table decides. A null text keeps the field; "" clears it.
struct NameRow {
    int family;
    int modelLow, modelHigh;
    Key key;
    int low, high;          // the condition's inclusive range
    const char *contains;   // for Key::NameContains
    const char *friendlyName;
    const char *codeName;
};

constexpr int kAny = INT_MAX;
constexpr NameRow row(int family, int model, const char *friendly, const char *code)
{
    return {family, model, model, Key::None, 0, 0, nullptr, friendly, code};
}
constexpr NameRow rows(int family, int low, int high, const char *friendly, const char *code)
{
    return {family, low, high, Key::None, 0, 0, nullptr, friendly, code};
}
constexpr NameRow when(int family, int model, Key key, int low, int high, const char *friendly, const char *code)
{
    return {family, model, model, key, low, high, nullptr, friendly, code};
}
constexpr NameRow named(int family, int model, const char *contains, const char *friendly, const char *code)
{
    return {family, model, model, Key::NameContains, 0, 0, contains, friendly, code};
}

#define MU "\u00b5"

const NameRow kIntel[] = {
    rows(4, 0, 1, "i80486DX", "P4"),
    row(4, 2, "i80486SX", "P23"),
    row(4, 3, "i80486DX2", "P24"),
    row(4, 4, "i80486SL", "P23"),
    row(4, 5, "i80486SX2", "P23"),
    row(4, 7, "i80486DX2WB", "P24"),
    row(4, 8, "i80486DX4", "P24C"),
    row(4, 9, "i80486DX4WB", "P24C"),
    row(5, 0, "Pentium", "P5 (0,80" MU "m)"),
    rows(5, 1, 2, "Pentium", "P54C (0,50" MU "m)"),
    row(5, 3, "Pentium", "P24T"),
    row(5, 4, "Pentium MMX", "P55C (0,28" MU "m)"),
    row(5, 5, "DX4", ""),
    row(5, 6, "Pentium", "P5"),
    row(5, 7, "Pentium", "P54C (0,35" MU "m)"),
    row(5, 8, "Pentium MMX (mobile)", "Tillamook (0,25" MU "m)"),
    rows(5, 9, kAny, "Pentium", ""),
    row(6, 0, "Pentium Pro", "P6 (0.50 " MU "m)"),
    row(6, 1, "Pentium Pro", "P6 (0.35 " MU "m)"),
    row(6, 3, "Pentium II", "Klamath (0.35 " MU "m)"),
    row(6, 4, "Pentium II", "P55CT (P54 OverDrive)"),
    when(6, 5, Key::Level2, 0, 0, "Celeron", "Covington (0,25" MU "m)"),
    when(6, 5, Key::Level2, 1, 512, "Pentium II", "Deschutes (0,25" MU "m)"),
    when(6, 5, Key::Level2, 513, kAny, "Pentium II Xeon", "Deschutes (0.25 " MU "m)"),
    when(6, 6, Key::Level2, INT_MIN, 255, "Celeron A", "Mendocino (0.25 " MU "m)"),
    when(6, 6, Key::Level2, 256, kAny, "Pentium II PE (mobile)", "Dixon (0.25 " MU "m)"),
    when(6, 7, Key::Level2, INT_MIN, 512, "Pentium III", "Katmai (0.25 " MU "m)"),
    when(6, 7, Key::Level2, 513, kAny, "Pentium III Xeon", "Tanner (0.25 " MU "m)"),
    when(6, 8, Key::BrandIndex, 0, 0, "Pentium III E", "Coppermine (0.18 " MU "m)"),
    when(6, 8, Key::BrandIndex, 1, 1, "Celeron", "Coppermine (0.18 " MU "m)"),
    when(6, 8, Key::BrandIndex, 2, 2, "Pentium III", "Coppermine (0.18 " MU "m)"),
    when(6, 8, Key::BrandIndex, 3, 3, "Pentium III Xeon", "Coppermine (0.18 " MU "m)"),
    when(6, 8, Key::BrandIndex, 8, 8, "Pentium 4", "Coppermine (0.18 " MU "m)"),
    row(6, 8, nullptr, nullptr),
    row(6, 9, "Pentium III Xeon", "Cascades"),
    row(6, 11, "Pentium III-M", "Mobile Tualatin"),
    rows(6, 0, kAny, "Pentium III", ""),
    {15, 0, 2, Key::BrandIndex, 8, 8, nullptr, "Pentium 4", "Willamette"},
};

// Applied after the table above: the 512 KB level-2 cache marks the Northwood core.
const NameRow kIntelAfter[] = {
    {15, 0, kAny, Key::Level2, 512, 512, nullptr, nullptr, "Northwood"},
};

const NameRow kAmd[] = {
    row(4, 0, "Am486DX", "P4"),
    row(4, 3, "Am486DX2", "P24"),
    row(4, 7, "Am486DX2", "P24"),
    rows(4, 8, 9, "Am486DX4", "P24C"),
    rows(4, 14, 15, "Am5x86", "X5"),
    row(5, 0, "K5", "SSA5 (0.50-0.35 " MU "m)"),
    rows(5, 1, 3, "K5-5k86 (PR120, PR133)", "5k86 (0.35 " MU "m)"),
    row(5, 6, "K6", "K6 (0.30 " MU "m)"),
    row(5, 7, "K6", "Little Foot (0.25 " MU "m)"),
    row(5, 8, "K6-II", "Chomper (0.25 " MU "m)"),
    row(5, 9, "K6-III", "Sharptooth (0.25 " MU "m)"),
    row(5, 13, "K6-II+/K6-III+", ""),
    row(6, 1, "K7", "Thunderbird (0.25-0.18 " MU "m)"),
    row(6, 2, "Athlon", "Thunderbird (0.25-0.18 " MU "m)"),
    row(6, 3, "Duron", "Spitfire"),
    row(6, 4, "Athlon", "Thunderbird"),
    named(6, 6, "Duron", "Duron", "Morgan"),
    named(6, 6, "Athlon(tm) MP", "Athlon MP", "Palomino"),
    row(6, 6, "Athlon XP", "Palomino"),
    row(6, 7, "Duron", "Morgan"),
};

const NameRow kCyrix[] = {
    when(4, 0, Key::Frequency, 20, 20, "Cx486SLC/DLC", "M0.5"),
    when(4, 0, Key::Frequency, 66, 66, "Cx486SLC/DLC", "M0.5"),
    when(4, 0, Key::Frequency, 33, 33, "Cx486S", "M0.6"),
    when(4, 0, Key::Frequency, 50, 50, "Cx486S", "M0.6"),
    when(4, 0, Key::Frequency, 67, kAny, "Cx486DX/DX2/DX4", "M0.7"),
    row(4, 4, "Media GX", "Gx86"),
    row(4, 9, "5x86", "M0.9 or M1sc (0.65 " MU "m)"),
    row(5, 2, "6x86 and 6x86L", "M1 (0.65 " MU "m) and M1L (0.35 " MU "m)"),
    row(5, 4, "MediaGXm", "GXm"),
    when(6, 0, Key::Frequency, INT_MIN, 224, "6x86MX (PR166-266)", "M2 (0.35 " MU "m)"),
    when(6, 0, Key::Frequency, 225, kAny, "M-II (PR300-433)", "M2 (0.35-0.25 " MU "m)"),
    row(6, 5, "VIA Cyrix III", "Joshua"),
};

const NameRow kCentaur[] = {
    row(5, 4, "WinChip", "C6 (0.35 " MU "m)"),
    row(5, 8, "WinChip 2x", "W2x (0.35-0.25 " MU "m)"),
    row(5, 9, "WinChip 3", "W3 (0.25 " MU "m)"),
    row(6, 6, "VIA C3", "Samuel 1 (0.18" MU "m)"),
    when(6, 7, Key::Stepping, INT_MIN, 7, "VIA C3", "Samuel 2 (0.13" MU "m)"),
    when(6, 7, Key::Stepping, 8, kAny, "VIA C3", "Ezra (0.13" MU "m)"),
    row(6, 8, "VIA C3", "Ezra-T (0.13" MU "m)"),
};

const NameRow kNexGen[] = {
    row(5, 0, "Nx586", "Nx5x86 (0.50-0.44 " MU "m)"),
    row(5, 6, "Nx686", "HA (0,50" MU "m)"),
};

const NameRow kUmc[] = {
    row(4, 1, "U5D", ""),
    row(4, 2, "U5S", ""),
    row(4, 3, "U486DX2", ""),
    row(4, 4, "U486SX2", ""),
};

const NameRow kRise[] = {
    row(5, 0, "mP6", "iDragon"),
    row(5, 2, "mP6", "iDragon 0.18" MU "m"),
    row(5, 8, "mP6", "iDragon II 0.25" MU "m"),
    row(5, 9, "mP6", "iDragon II 0.18" MU "m"),
};

const NameRow kTransmeta[] = {
    rows(5, 0, 9, "Crusoe TM5x00", ""),
};

#undef MU

std::span<const NameRow> tableOf(int vendorIndex)
{
    switch (vendorIndex) {
    case 1: return kIntel;
    case 2: return kAmd;
    case 3: return kCyrix;
    case 4: return kCentaur;
    case 5: return kNexGen;
    case 6: return kUmc;
    case 7: return kRise;
    case 8: return kTransmeta;
    default: return {};
    }
}

bool matches(const NameRow &r, const NameKeys &k, const std::string &friendlyName)
{
    if (r.family != k.family || k.model < r.modelLow || k.model > r.modelHigh)
        return false;
    auto within = [&r](int value) { return value >= r.low && value <= r.high; };
    switch (r.key) {
    case Key::None: return true;
    case Key::Level2: return within(k.level2);
    case Key::BrandIndex: return within(k.brandIndex);
    case Key::Frequency: return within(k.frequency);
    case Key::Stepping: return within(k.stepping);
    case Key::NameContains: return friendlyName.find(r.contains) != std::string::npos;
    }
    return false;
}

void applyFirstMatch(std::span<const NameRow> table, const NameKeys &keys, std::string &friendlyName,
                     std::string &codeName)
{
    for (const NameRow &r : table) {
        if (!matches(r, keys, friendlyName))
            continue;
        if (r.friendlyName)
            friendlyName = r.friendlyName;
        if (r.codeName)
            codeName = r.codeName;
        return;
    }
}

} // namespace

const VendorEntry &VendorByIndex(int index)
{
    return kVendors.at(std::size_t(index - 1));
}

int VendorIndexOf(const std::string &identification)
{
    for (std::size_t i = 0; i < kVendors.size(); ++i)
        if (identification == kVendors[i].identification)
            return int(i) + 1;
    return 0;
}

void ApplyNameTables(const NameKeys &keys, std::string &friendlyName, std::string &codeName)
{
    applyFirstMatch(tableOf(keys.vendorIndex), keys, friendlyName, codeName);
    if (keys.vendorIndex == 1)
        applyFirstMatch(kIntelAfter, keys, friendlyName, codeName);
}

} // namespace sysinfo
