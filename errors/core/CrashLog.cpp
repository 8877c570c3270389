#include "CrashLog.h"

#include "sysinfo/SystemSummary.h"

#include <dlfcn.h>
#include <execinfo.h>
#include <fcntl.h>
#include <signal.h>
#include <ucontext.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <ctime>

namespace errors {

namespace {

// The prepared values: plain character arrays, filled at installation.
struct Prepared {
    char folder[1024];
    char computer[256];
    char program[256];      // the executable's name up to its first "."
    char programFile[256];  // the executable's file name, for code outside any named module
    char user[256];
    char version[64];
    char os[512];
    char cpu[256];
    char memory[32];
    long utcOffset;         // seconds east of UTC at installation
};
Prepared prepared;

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
alignas(16) char alternateStack[64 * 1024];

void copy(char *to, std::size_t size, const std::string &from)
{
    std::size_t n = from.size() < size - 1 ? from.size() : size - 1;
    std::memcpy(to, from.data(), n);
    to[n] = '\0';
    for (std::size_t i = 0; i < n; ++i)
        if (to[i] == '\n' || to[i] == '\r')
            to[i] = ' ';
}

// A fixed buffer that text is appended to; what does not fit is cut.
class Writer {
public:
    Writer &text(const char *s)
    {
        while (s && *s && used_ < sizeof buffer_ - 1)
            buffer_[used_++] = *s++;
        return *this;
    }
    Writer &ch(char c)
    {
        if (used_ < sizeof buffer_ - 1)
            buffer_[used_++] = c;
        return *this;
    }
    Writer &number(unsigned long long value, int digits = 1, unsigned base = 10)
    {
        char reversed[32];
        int n = 0;
        do {
            reversed[n++] = "0123456789ABCDEF"[value % base];
            value /= base;
        } while (value && n < 32);
        while (n < digits && n < 32)
            reversed[n++] = '0';
        while (n)
            ch(reversed[--n]);
        return *this;
    }
    Writer &line(const char *key, const char *value) { return text(key).text("=").text(value).text("\n"); }
    Writer &address(std::uintptr_t value) { return number(value, value > 0xFFFFFFFFu ? 16 : 8, 16); }
    const char *data() { buffer_[used_] = '\0'; return buffer_; }
    std::size_t size() const { return used_; }
    void clear() { used_ = 0; }

private:
    char buffer_[8192];
    std::size_t used_ = 0;
};

Writer writer, scratch;

const char *signalName(int sig)
{
    switch (sig) {
    case SIGSEGV: return "SIGSEGV";
    case SIGBUS: return "SIGBUS";
    case SIGFPE: return "SIGFPE";
    case SIGILL: return "SIGILL";
    case SIGABRT: return "SIGABRT";
    default: return "signal";
    }
}

const char *signalText(int sig)
{
    switch (sig) {
    case SIGSEGV: return "Segmentation fault: invalid memory access";
    case SIGBUS: return "Bus error: invalid memory access";
    case SIGFPE: return "Arithmetic exception";
    case SIGILL: return "Illegal instruction";
    case SIGABRT: return "The program aborted";
    default: return "Fatal signal";
    }
}

const void *faultingCode(const siginfo_t *info, void *context)
{
    const auto *uc = static_cast<const ucontext_t *>(context);
#if defined(__x86_64__)
    if (uc)
        return reinterpret_cast<const void *>(uc->uc_mcontext.gregs[REG_RIP]);
#elif defined(__i386__)
    if (uc)
        return reinterpret_cast<const void *>(uc->uc_mcontext.gregs[REG_EIP]);
#elif defined(__aarch64__)
    if (uc)
        return reinterpret_cast<const void *>(uc->uc_mcontext.pc);
#endif
    (void)uc;
    return info->si_addr;
}

const char *baseName(const char *path)
{
    const char *name = path;
    for (const char *p = path; *p; ++p)
        if (*p == '/')
            name = p + 1;
    return name;
}

// "file+OFFSET" of a code address, with the symbol when the module exports one.
void where(Writer &out, const void *address, bool withSymbol)
{
    Dl_info info{};
    if (address && dladdr(address, &info) && info.dli_fbase) {
        const char *file = info.dli_fname && *info.dli_fname ? baseName(info.dli_fname) : prepared.programFile;
        out.text(file).text("+").address(reinterpret_cast<std::uintptr_t>(address)
                                          - reinterpret_cast<std::uintptr_t>(info.dli_fbase));
        if (withSymbol && info.dli_sname)
            out.text(" (").text(info.dli_sname).text(")");
        return;
    }
    out.text(prepared.programFile).text("+").address(reinterpret_cast<std::uintptr_t>(address));
}

// Local time from the prepared offset, in whole days since 1970 (civil calendar arithmetic).
void localTime(long long seconds, int &year, int &month, int &day, int &hour, int &minute, int &second)
{
    long long days = seconds / 86400, rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    hour = int(rest / 3600);
    minute = int(rest % 3600 / 60);
    second = int(rest % 60);
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned doe = unsigned(days - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = int(doy - (153 * mp + 2) / 5 + 1);
    month = int(mp < 10 ? mp + 3 : mp - 9);
    year = int(yoe + era * 400 + (month <= 2));
}

void writeAll(int fd, const char *data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n <= 0)
            return;
        data += n;
        size -= std::size_t(n);
    }
}

void onFatalSignal(int sig, siginfo_t *info, void *context)
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    int year, month, day, hour, minute, second;
    localTime(now.tv_sec + prepared.utcOffset, year, month, day, hour, minute, second);

    scratch.clear();
    scratch.text(prepared.folder).text("/").text(prepared.computer).text("_").text(prepared.program).text("__");
    scratch.number(year % 100, 2).number(month, 2).number(day, 2).number(hour, 2).number(minute, 2).number(second, 2);
    scratch.text(".exc");
    const int fd = open(scratch.data(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);

    if (fd >= 0) {
        const void *code = faultingCode(info, context);
        writer.clear();
        writer.text("[Exception]\nTimestamp=").number(year, 4).text("-").number(month, 2).text("-").number(day, 2);
        writer.text(" ").number(hour, 2).text(":").number(minute, 2).text(":").number(second, 2).text("\n");
        writer.line("Workstation", prepared.computer).line("User", prepared.user);
        scratch.clear();
        where(scratch, code, false);
        // "file+OFFSET": the module is the part before the last "+".
        const char *module = scratch.data();
        const char *plus = std::strrchr(module, '+');
        writer.text("Module=");
        for (const char *p = module; p < plus; ++p)
            writer.ch(*p);
        writer.text("\n").line("Version", prepared.version).text("Address=").text(plus + 1).text("\n");
        writer.line("Type", signalName(sig)).text("Error Code=").number(unsigned(sig)).text("\n");
        writer.line("IB Code", "0").line("SQL Code", "0");
        writer.text("Message=").text(signalText(sig));
        // A signal sent by another process (kill) carries its sender, not a faulting address.
        if (info->si_code <= 0 && info->si_pid != getpid())
            writer.text(" (sent by process ").number(unsigned(info->si_pid)).text(")");
        else if (sig == SIGSEGV || sig == SIGBUS)
            writer.text(" at ").address(reinterpret_cast<std::uintptr_t>(info->si_addr));
        writer.text("\n\n[System]\n").line("OS", prepared.os).line("CPU", prepared.cpu).line("Memory", prepared.memory);
        writer.text("\n[Backtrace]\n");
        void *frames[24];
        const int count = backtrace(frames, 24);
        for (int i = 0; i < count; ++i) {
            writer.text("Frame").number(unsigned(i), 2).text("=");
            // Return addresses point after the call; one byte back lies inside it.
            where(writer, static_cast<char *>(frames[i]) - (i > 0 ? 1 : 0), true);
            writer.text("\n");
        }
        writeAll(fd, writer.data(), writer.size());
        close(fd);
    }

    // End the way the signal would have ended the program.
    struct sigaction standard{};
    standard.sa_handler = SIG_DFL;
    sigemptyset(&standard.sa_mask);
    sigaction(sig, &standard, nullptr);
    raise(sig);
}

} // namespace

void InstallCrashLog(const std::string &folder, const sysinfo::SystemSummary &summary,
                     const std::string &executablePath)
{
    copy(prepared.folder, sizeof prepared.folder, folder);
    copy(prepared.computer, sizeof prepared.computer, summary.computerName);
    std::string file = executablePath.substr(executablePath.find_last_of('/') + 1);
    copy(prepared.programFile, sizeof prepared.programFile, file);
    copy(prepared.program, sizeof prepared.program, file.substr(0, file.find('.')));
    copy(prepared.user, sizeof prepared.user, summary.userName);
    copy(prepared.version, sizeof prepared.version, summary.version);
    copy(prepared.os, sizeof prepared.os, summary.os);
    copy(prepared.cpu, sizeof prepared.cpu, summary.cpu);
    copy(prepared.memory, sizeof prepared.memory, std::to_string(summary.totalMemory / 1024) + "K");
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    prepared.utcOffset = local.tm_gmtoff;

    // backtrace() loads its unwinder on first use; that must not happen in the handler.
    void *frames[2];
    backtrace(frames, 2);

    stack_t stack{};
    stack.ss_sp = alternateStack;
    stack.ss_size = sizeof alternateStack;
    sigaltstack(&stack, nullptr);

    struct sigaction action{};
    action.sa_sigaction = onFatalSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int sig : kSignals)
        sigaction(sig, &action, nullptr);
}

} // namespace errors
