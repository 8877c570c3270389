#pragma once

#include <cstdint>
#include <ctime>
#include <exception>
#include <string>

namespace sysinfo {
struct SystemSummary;
}

namespace errors {

// What an error report says about one error.
struct ErrorRecord {
    std::time_t timestamp = 0;
    std::uintptr_t address = 0; // relative to the module's load base
    std::string module;         // file name of the module, without folder
    std::string className;
    std::string message;        // with the source of an automation error appended
    std::int32_t code = 0;
    std::string logFileName;
};

struct ModuleAddress {
    std::string module;
    std::uintptr_t address = 0;
};

// The file (name only) of the program or library holding `address` and the address relative
// to its load base; the program itself and 0 when there is no address or no such module.
ModuleAddress ModuleOf(const void *address);

// Fills class name, message, code, module and address from an exception: an automation error
// gives its code, address and (when it says more than the message) its source; a system error
// its error value; anything else code 0, the program and address 0.
ErrorRecord DescribeException(const std::exception_ptr &error);
// The message a report shows for an exception.
std::string ExceptionMessage(const std::exception_ptr &error);

// "Module: ...\r\nAddress: ...\r\nType: ...\r\nCode: ..." without surrounding blanks.
std::string DetailText(const ErrorRecord &record);
// "%p": eight upper-case hex digits (sixteen for an address beyond 32 bits).
std::string AddressText(std::uintptr_t address);

// COMPUTER_program__yymmddhhnnss.exc: the executable's name up to its first ".", and the local
// time of `when`.
std::string LogFileName(const std::string &computerName, const std::string &executablePath, std::time_t when);

// Writes (or updates) the log file: the sections "Exception" and "System". Line breaks in
// values are written as "\n" so each value stays on its line. False when the file cannot be
// written.
bool WriteErrorLog(const std::string &path, const ErrorRecord &record, const std::string &timestampText,
                   const sysinfo::SystemSummary &summary);

} // namespace errors
