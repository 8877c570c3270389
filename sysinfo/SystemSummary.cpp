#include "SystemSummary.h"

#include "TCPU.h"
#include "platform/Version.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <pwd.h>
#include <sstream>
#include <sys/utsname.h>
#include <unistd.h>

namespace sysinfo {

namespace {

std::string readFile(const std::string &path)
{
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A value of os-release: KEY=value, KEY="value" or KEY='value'.
std::string osReleaseValue(const std::string &text, const std::string &key)
{
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.compare(0, key.size() + 1, key + "=") != 0)
            continue;
        std::string value = line.substr(key.size() + 1);
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        std::string unescaped;
        for (std::size_t i = 0; i < value.size(); ++i) {
            if (value[i] == '\\' && i + 1 < value.size())
                ++i;
            unescaped += value[i];
        }
        return unescaped;
    }
    return {};
}

std::string upper(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return s;
}

std::string userName()
{
    if (const passwd *pw = getpwuid(geteuid()); pw && pw->pw_name)
        return pw->pw_name;
    const char *user = std::getenv("USER");
    return user ? user : "";
}

std::string trimmed(const std::string &s)
{
    const auto begin = s.find_first_not_of(" \t");
    return begin == std::string::npos ? std::string() : s.substr(begin, s.find_last_not_of(" \t") - begin + 1);
}

} // namespace

std::string OsDescription(const std::string &osReleaseText, const std::string &kernelRelease)
{
    std::string name = osReleaseValue(osReleaseText, "PRETTY_NAME");
    if (name.empty())
        name = osReleaseValue(osReleaseText, "NAME");
    const std::string kernel = kernelRelease.empty() ? std::string("Linux") : "Linux " + kernelRelease;
    return name.empty() ? kernel : name + ", " + kernel;
}

std::string ProcessorText(const TCPU &cpu)
{
    const std::string mhz = " - " + std::to_string(cpu.Frequency) + " Mhz";
    // Leading blanks stay as the processor reports them; the padding at the end goes.
    if (!trimmed(cpu.BrandText).empty())
        return cpu.BrandText.substr(0, cpu.BrandText.find_last_not_of(' ') + 1) + mhz;
    // An unknown vendor may leave either part empty; no blank is doubled then.
    const std::string vendor = cpu.VendorShortName();
    if (vendor.empty() || cpu.FriendlyName.empty())
        return vendor + cpu.FriendlyName + mhz;
    return vendor + " " + cpu.FriendlyName + mhz;
}

SystemSummary ComputeSystemSummary(const std::string &root)
{
    SystemSummary summary;
    const std::string base = root.empty() || root.back() != '/' ? root + "/" : root;
    std::string osRelease = readFile(base + "etc/os-release");
    if (osRelease.empty())
        osRelease = readFile(base + "usr/lib/os-release");
    utsname uts{};
    summary.os = OsDescription(osRelease, uname(&uts) == 0 ? uts.release : "");
    char host[256] = {};
    if (gethostname(host, sizeof host - 1) == 0)
        summary.computerName = upper(host);
    summary.userName = userName();
    const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0)
        summary.totalMemory = std::uint64_t(pages) * std::uint64_t(pageSize);
    summary.version = platform::kFullVersion;
    TCPU cpu;
    cpu.GetInfo();
    summary.cpu = ProcessorText(cpu);
    return summary;
}

std::string SystemInfoText(const SystemSummary &summary)
{
    return "OS: " + summary.os + "\nComputer: " + summary.computerName + "\nUser: " + summary.userName
           + "\nCPU: " + summary.cpu + "\nMemory: " + std::to_string(summary.totalMemory / 1024) + " KB\nVersion: "
           + summary.version + "\n";
}

int PrintSystemInfo()
{
    const std::string text = SystemInfoText(systemSummary());
    return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0 ? 0 : 1;
}

const SystemSummary &systemSummary()
{
    static const SystemSummary summary = ComputeSystemSummary();
    return summary;
}

} // namespace sysinfo
