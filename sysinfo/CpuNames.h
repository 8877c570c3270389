#pragma once

#include <string>

namespace sysinfo {

// One row of the vendor table: index 1 to 8; index 0 is an unrecognised vendor.
struct VendorEntry {
    const char *identification; // the 12 characters of CPUID leaf 0
    const char *name;           // full name
    const char *shortName;      // in the processor text
};

constexpr int kVendorCount = 8;
// Row i - 1 holds vendor index i.
const VendorEntry &VendorByIndex(int index);
// 1 to 8, or 0 when the identification text is not in the table.
int VendorIndexOf(const std::string &identification);

// What the name tables look at.
struct NameKeys {
    int vendorIndex = 0;
    int family = 0, model = 0, stepping = 0;
    int level2 = 0;     // KB
    int brandIndex = 0;
    int frequency = 0;  // MHz
};

// The friendly name and code name after the vendor's name table: a matching row sets either,
// clears it (empty text) or keeps it. `friendlyName` comes in as the brand text.
void ApplyNameTables(const NameKeys &keys, std::string &friendlyName, std::string &codeName);

} // namespace sysinfo
