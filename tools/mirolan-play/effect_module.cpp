#include "tools/mirolan-play/effect_module.h"

#include <dlfcn.h>

#include <filesystem>

EffectModule::~EffectModule()
{
    if (m_handle != nullptr)
        dlclose(m_handle);
}

bool EffectModule::Load(const std::string& path, std::string& error)
{
    // Bind everything now: a module missing a symbol fails here, clearly,
    // rather than in the middle of a frame.
    m_handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (m_handle == nullptr) {
        const char* reason = dlerror();
        error = "cannot load module '" + path + "': " + (reason ? reason : "unknown reason");
        return false;
    }
    m_createEffect = reinterpret_cast<CreateEffectFunction>(dlsym(m_handle, "CreateEffect"));
    if (m_createEffect == nullptr) {
        error = "module '" + path + "' has no CreateEffect export";
        dlclose(m_handle);
        m_handle = nullptr;
        return false;
    }
    return true;
}

std::string DefaultModulePath()
{
    std::error_code failure;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", failure);
    if (failure)
        return "libMirolan.so";
    // Beside the program in the build tree, in ../lib where it is installed.
    const std::filesystem::path beside = self.parent_path() / "libMirolan.so";
    const std::filesystem::path installed = self.parent_path().parent_path() / "lib" / "libMirolan.so";
    return (std::filesystem::exists(beside, failure) || !std::filesystem::exists(installed, failure) ? beside
                                                                                                      : installed)
        .string();
}
