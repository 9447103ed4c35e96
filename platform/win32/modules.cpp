// Run-time module look-up over the dynamic loader.
//
// A Windows module name maps onto a shared library: "name.dll" (or a bare
// "name") becomes "libname.so". The library is looked for first in the
// folder this kernel library was loaded from, where the build puts every
// library of the project, and then along the loader's usual search path.
// Module names are not case-sensitive on Windows, so the lower-cased name
// is tried after the name as written. A name with a '/' is a path and is
// used as it is.
#include "win32.h"

#include <dlfcn.h>

#include <cctype>
#include <string>
#include <vector>

namespace {

std::string OwnFolder()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<const void*>(&GetModuleHandleA), &info) == 0 || info.dli_fname == nullptr)
        return {};
    std::string path = info.dli_fname;
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool EndsWithNoCase(const std::string& text, const std::string& suffix)
{
    if (text.size() < suffix.size())
        return false;
    for (size_t i = 0; i < suffix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[text.size() - suffix.size() + i])) != suffix[i])
            return false;
    return true;
}

std::string SharedLibraryName(std::string name)
{
    if (EndsWithNoCase(name, ".so"))
        return name;
    if (EndsWithNoCase(name, ".dll"))
        name.resize(name.size() - 4);
    if (name.compare(0, 3, "lib") != 0)
        name = "lib" + name;
    return name + ".so";
}

// The file names to try, in order.
std::vector<std::string> Candidates(const char* moduleName)
{
    std::string name = moduleName;
    if (name.find('/') != std::string::npos)
        return {name};
    std::vector<std::string> names = {SharedLibraryName(name)};
    std::string lower = names[0];
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower != names[0])
        names.push_back(lower);
    std::string folder = OwnFolder();
    std::vector<std::string> candidates;
    if (!folder.empty())
        for (const std::string& file : names)
            candidates.push_back(folder + file);
    for (const std::string& file : names)
        candidates.push_back(file);
    return candidates;
}

void* Open(const char* moduleName, int mode)
{
    if (moduleName == nullptr || moduleName[0] == '\0')
        return nullptr;
    for (const std::string& candidate : Candidates(moduleName))
        if (void* handle = dlopen(candidate.c_str(), mode))
            return handle;
    return nullptr;
}

} // namespace

extern "C" {

// Only modules already loaded are found, and, as on Windows, no reference
// is added: the loader's count taken by the look-up is given back at once.
WIN32_EXPORT HMODULE GetModuleHandleA(LPCSTR lpModuleName)
{
    void* handle = lpModuleName == nullptr ? dlopen(nullptr, RTLD_LAZY | RTLD_NOLOAD)
                                           : Open(lpModuleName, RTLD_LAZY | RTLD_NOLOAD);
    if (handle == nullptr)
        return nullptr;
    dlclose(handle);
    return static_cast<HMODULE>(handle);
}

WIN32_EXPORT HMODULE LoadLibraryA(LPCSTR lpLibFileName)
{
    return static_cast<HMODULE>(Open(lpLibFileName, RTLD_NOW | RTLD_LOCAL));
}

WIN32_EXPORT BOOL FreeLibrary(HMODULE hLibModule)
{
    if (hLibModule == nullptr)
        return FALSE;
    return dlclose(hLibModule) == 0 ? TRUE : FALSE;
}

WIN32_EXPORT FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName)
{
    // Look-ups by ordinal (a number below 0x10000 in place of the name)
    // have no counterpart in a shared library.
    if (hModule == nullptr || reinterpret_cast<uintptr_t>(lpProcName) < 0x10000)
        return nullptr;
    return reinterpret_cast<FARPROC>(dlsym(hModule, lpProcName));
}

} // extern "C"
