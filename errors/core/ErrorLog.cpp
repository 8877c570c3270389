#include "ErrorLog.h"

#include "IniFile.h"
#include "automation/Error.h"
#include "platform/Folders.h"
#include "sysinfo/SystemSummary.h"

#include <cxxabi.h>
#include <dlfcn.h>
#include <strings.h>
#include <system_error>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace errors {

namespace {

std::string baseName(const std::string &path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string trim(const std::string &s)
{
    const auto begin = s.find_first_not_of(" \t\r\n");
    return begin == std::string::npos ? std::string() : s.substr(begin, s.find_last_not_of(" \t\r\n") - begin + 1);
}

std::string demangle(const char *name)
{
    int status = 0;
    std::unique_ptr<char, void (*)(void *)> readable(abi::__cxa_demangle(name, nullptr, nullptr, &status), std::free);
    return status == 0 && readable ? std::string(readable.get()) : std::string(name);
}

// The type of the exception being handled, also for one that is not a std::exception.
std::string currentClassName()
{
    const std::type_info *type = abi::__cxa_current_exception_type();
    return type ? demangle(type->name()) : std::string("unknown");
}

std::string oneLine(const std::string &value)
{
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\r' && i + 1 < value.size() && value[i + 1] == '\n')
            continue;
        if (value[i] == '\r' || value[i] == '\n')
            out += "\\n";
        else
            out += value[i];
    }
    return out;
}

} // namespace

ModuleAddress ModuleOf(const void *address)
{
    const std::string program = baseName(platform::executablePath());
    Dl_info info{};
    if (!address || dladdr(address, &info) == 0 || !info.dli_fbase)
        return {program, 0};
    const std::string file = info.dli_fname && *info.dli_fname ? baseName(info.dli_fname) : program;
    return {file, reinterpret_cast<std::uintptr_t>(address) - reinterpret_cast<std::uintptr_t>(info.dli_fbase)};
}

std::string ExceptionMessage(const std::exception_ptr &error)
{
    try {
        if (error)
            std::rethrow_exception(error);
    } catch (const std::exception &e) {
        return e.what();
    } catch (...) {
    }
    return "An unknown error occurred.";
}

ErrorRecord DescribeException(const std::exception_ptr &error)
{
    ErrorRecord record;
    const void *address = nullptr;
    record.message = ExceptionMessage(error);
    try {
        if (error)
            std::rethrow_exception(error);
    } catch (const automation::Error &e) {
        record.className = currentClassName();
        record.code = e.code();
        address = e.address();
        const std::string source = trim(e.source());
        if (!source.empty() && strcasecmp(source.c_str(), record.message.c_str()) != 0)
            record.message += "\r\n" + source;
    } catch (const std::system_error &e) {
        record.className = currentClassName();
        record.code = e.code().value();
    } catch (...) {
        record.className = currentClassName();
    }
    const ModuleAddress where = ModuleOf(address);
    record.module = where.module;
    record.address = where.address;
    return record;
}

std::string AddressText(std::uintptr_t address)
{
    char text[24];
    if (address > 0xFFFFFFFFu)
        std::snprintf(text, sizeof text, "%016llX", static_cast<unsigned long long>(address));
    else
        std::snprintf(text, sizeof text, "%08llX", static_cast<unsigned long long>(address));
    return text;
}

std::string DetailText(const ErrorRecord &record)
{
    char code[48];
    std::snprintf(code, sizeof code, "%.8X (%d)", static_cast<unsigned>(record.code), record.code);
    return trim("Module: " + record.module + ".\r\nAddress: " + AddressText(record.address) + "\r\nType: "
                + record.className + "\r\nCode: " + code + "\r\n");
}

std::string LogFileName(const std::string &computerName, const std::string &executablePath, std::time_t when)
{
    std::string program = baseName(executablePath);
    program = program.substr(0, program.find('.'));
    std::tm local{};
    localtime_r(&when, &local);
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%02d%02d%02d%02d%02d%02d", local.tm_year % 100, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return computerName + "_" + program + "__" + stamp + ".exc";
}

bool WriteErrorLog(const std::string &path, const ErrorRecord &record, const std::string &timestampText,
                   const sysinfo::SystemSummary &summary)
{
    IniFile log(path);
    const std::string exception = "Exception";
    log.setValue(exception, "Timestamp", timestampText);
    log.setValue(exception, "Workstation", summary.computerName);
    log.setValue(exception, "User", summary.userName);
    log.setValue(exception, "Module", record.module);
    log.setValue(exception, "Version", summary.version);
    log.setValue(exception, "Address", AddressText(record.address));
    log.setValue(exception, "Type", record.className);
    log.setValue(exception, "Error Code", std::to_string(record.code));
    log.setValue(exception, "IB Code", "0");
    log.setValue(exception, "SQL Code", "0");
    log.setValue(exception, "Message", oneLine(record.message));
    log.setValue("System", "OS", summary.os);
    log.setValue("System", "CPU", summary.cpu);
    log.setValue("System", "Memory", std::to_string(summary.totalMemory / 1024) + "K");
    return log.save();
}

} // namespace errors
