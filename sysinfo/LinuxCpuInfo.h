#pragma once

#include <string>

namespace sysinfo {

// What Linux reports about the first processor (/proc/cpuinfo and
// /sys/devices/system/cpu/cpu0/cpufreq): the source on processors without CPUID, and the
// counterpart of the processor's registry entry on every machine.
struct LinuxCpuInfo {
    std::string vendorIdentifier; // "vendor_id", or the ARM implementer's name
    std::string identifier;       // "Family 6 Model 158 Stepping 10", or the ARM part number
    std::string nameString;       // "model name" (or what the architecture calls it)
    int mhz = 0;                  // "cpu MHz", else the highest cpufreq frequency
};

LinuxCpuInfo ParseCpuInfo(const std::string &cpuinfoText, int maxFrequencyKHz = 0);
// Reads the files under `root` ("/" on a running system); missing files give empty values.
LinuxCpuInfo ReadLinuxCpuInfo(const std::string &root = "/");

} // namespace sysinfo
