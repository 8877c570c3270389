#pragma once

#include <string>

namespace sysinfo {
struct SystemSummary;
}

namespace errors {

// Makes a fatal signal (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT) leave an error log in
// `folder` before the program ends with that signal: the same sections as an error report,
// "Type" the signal's name, "Module" and "Address" the code that faulted, and a short
// backtrace. Everything the handler needs is prepared here, so the handler itself only
// formats into fixed buffers and writes. Calling it again replaces the prepared values.
void InstallCrashLog(const std::string &folder, const sysinfo::SystemSummary &summary,
                     const std::string &executablePath);

} // namespace errors
