#include "kxtapi/rtl/system.h"

#include <climits>
#include <cstdlib>
#include <dlfcn.h>

namespace kxtapi {

std::string GetModuleFileName(const void* Address)
{
    Dl_info Info{};
    if (!Address || dladdr(Address, &Info) == 0 || !Info.dli_fname || !*Info.dli_fname) return "";
    char Resolved[PATH_MAX];
    if (::realpath(Info.dli_fname, Resolved)) return Resolved;
    return Info.dli_fname;
}

std::string GetModuleFileName()
{
    // Any function of the library names the module it lives in.
    return GetModuleFileName(reinterpret_cast<const void*>(
        static_cast<std::string (*)(const void*)>(&GetModuleFileName)));
}

} // namespace kxtapi
