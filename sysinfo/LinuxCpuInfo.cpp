#include "LinuxCpuInfo.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

namespace sysinfo {

namespace {

std::string trim(const std::string &s)
{
    const auto begin = s.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos)
        return {};
    return s.substr(begin, s.find_last_not_of(" \t\r\n") - begin + 1);
}

// The fields of the first processor block (up to the first blank line after a field).
std::map<std::string, std::string> firstBlock(const std::string &text)
{
    std::map<std::string, std::string> fields;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (trim(line).empty()) {
            if (!fields.empty())
                break;
            continue;
        }
        const auto colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        fields.emplace(trim(line.substr(0, colon)), trim(line.substr(colon + 1)));
    }
    return fields;
}

std::string implementerName(const std::string &code)
{
    static const std::map<long, const char *> names{
        {0x41, "ARM"},      {0x42, "Broadcom"}, {0x43, "Cavium"},  {0x46, "Fujitsu"}, {0x48, "HiSilicon"},
        {0x4e, "NVIDIA"},   {0x50, "APM"},      {0x51, "Qualcomm"}, {0x53, "Samsung"}, {0x56, "Marvell"},
        {0x61, "Apple"},    {0x69, "Intel"},    {0xc0, "Ampere"},
    };
    const auto it = names.find(std::strtol(code.c_str(), nullptr, 0));
    return it != names.end() ? it->second : code;
}

std::string readFile(const std::string &path)
{
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

LinuxCpuInfo ParseCpuInfo(const std::string &cpuinfoText, int maxFrequencyKHz)
{
    const auto fields = firstBlock(cpuinfoText);
    auto field = [&fields](const char *name) {
        const auto it = fields.find(name);
        return it != fields.end() ? it->second : std::string();
    };
    LinuxCpuInfo info;
    info.vendorIdentifier = field("vendor_id");
    if (info.vendorIdentifier.empty() && !field("CPU implementer").empty())
        info.vendorIdentifier = implementerName(field("CPU implementer"));
    if (!field("cpu family").empty())
        info.identifier = "Family " + field("cpu family") + " Model " + field("model") + " Stepping " + field("stepping");
    else if (!field("CPU part").empty())
        info.identifier = "Part " + field("CPU part") + " Variant " + field("CPU variant") + " Revision " + field("CPU revision");
    for (const char *name : {"model name", "Model", "cpu model", "Hardware", "cpu", "uarch"}) {
        info.nameString = field(name);
        if (!info.nameString.empty())
            break;
    }
    const std::string mhz = field("cpu MHz");
    if (!mhz.empty())
        info.mhz = int(std::lround(std::strtod(mhz.c_str(), nullptr)));
    if (info.mhz == 0 && maxFrequencyKHz > 0)
        info.mhz = (maxFrequencyKHz + 500) / 1000;
    return info;
}

LinuxCpuInfo ReadLinuxCpuInfo(const std::string &root)
{
    const std::string base = root.empty() || root.back() != '/' ? root + "/" : root;
    const std::string maxFreq = readFile(base + "sys/devices/system/cpu/cpu0/cpufreq/cpuinfo_max_freq");
    return ParseCpuInfo(readFile(base + "proc/cpuinfo"), std::atoi(maxFreq.c_str()));
}

} // namespace sysinfo
