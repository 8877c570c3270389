#pragma once

#include <cstdint>
#include <string>

namespace sysinfo {

class TCPU;

// The facts about the program and the machine that error reports and the about box show.
struct SystemSummary {
    std::string os;           // "Debian GNU/Linux 12 (bookworm), Linux 6.1.0-18-amd64"
    std::string computerName; // host name, upper case
    std::string userName;
    std::uint64_t totalMemory = 0; // bytes
    std::string version;      // major.minor.release.build
    std::string cpu;          // the processor text
};

// Computed once, on first use (the program asks for it at start-up).
const SystemSummary &systemSummary();

// The summary as lines of "Name: value" (OS, computer, user, CPU, memory, version), for
// `jetwarden --system-info`.
std::string SystemInfoText(const SystemSummary &summary);
// Prints SystemInfoText of this machine on standard output; returns the exit status.
int PrintSystemInfo();

// Reads the facts now; `root` is where /etc/os-release is looked for.
SystemSummary ComputeSystemSummary(const std::string &root = "/");

// "Brand - 2000 Mhz", or "Vendor Friendly - 2000 Mhz" when the brand text is blank.
std::string ProcessorText(const TCPU &cpu);

// The operating-system description from an os-release text and a kernel release.
std::string OsDescription(const std::string &osReleaseText, const std::string &kernelRelease);

} // namespace sysinfo
