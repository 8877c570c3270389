#include "CpuidSource.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#define JW_HAVE_CPUID 1
#endif

namespace sysinfo {

bool HardwareCpuid::available() const
{
#ifdef JW_HAVE_CPUID
    return __get_cpuid_max(0, nullptr) != 0;
#else
    return false;
#endif
}

CpuidRegs HardwareCpuid::query(std::uint32_t leaf) const
{
    CpuidRegs r;
#ifdef JW_HAVE_CPUID
    __cpuid(leaf, r.eax, r.ebx, r.ecx, r.edx);
#else
    (void)leaf;
#endif
    return r;
}

} // namespace sysinfo
