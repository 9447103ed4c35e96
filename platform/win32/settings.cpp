#include "platform/win32/settings.h"

#include "win32_testing.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace win32_settings {

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string NormalizeKeyPath(const std::string& path)
{
    std::string normalized;
    std::string part;
    auto flush = [&] {
        if (part.empty())
            return;
        if (normalized.empty()) {
            if (part == "hklm")
                part = "hkey_local_machine";
            else if (part == "hkcu")
                part = "hkey_current_user";
            else if (part == "hkcr")
                part = "hkey_classes_root";
        } else {
            normalized += '\\';
        }
        normalized += part;
        part.clear();
    };
    for (char c : Lower(path)) {
        if (c == '\\' || c == '/')
            flush();
        else
            part += c;
    }
    flush();
    return normalized;
}

// --- the store ---------------------------------------------------------------

namespace {

// Entry `name` of section `section` of a store's two-level map, or nothing.
template <class Sections>
std::optional<typename Sections::mapped_type::mapped_type> FindEntry(const Sections& sections,
                                                                      const std::string& section,
                                                                      const std::string& name)
{
    auto found = sections.find(section);
    if (found == sections.end())
        return std::nullopt;
    auto entry = found->second.find(name);
    if (entry == found->second.end())
        return std::nullopt;
    return entry->second;
}

} // namespace

void SettingsStore::Clear()
{
    profile.clear();
    registry.clear();
}

void SettingsStore::SetProfileString(const std::string& section, const std::string& key, const std::string& value)
{
    profile[Lower(section)][Lower(key)] = value;
}

void SettingsStore::RemoveProfileKey(const std::string& section, const std::string& key)
{
    auto found = profile.find(Lower(section));
    if (found != profile.end())
        found->second.erase(Lower(key));
}

std::optional<std::string> SettingsStore::FindProfileString(const std::string& section, const std::string& key) const
{
    return FindEntry(profile, Lower(section), Lower(key));
}

void SettingsStore::SetRegistryValue(const std::string& keyPath, const std::string& name, RegistryValue value)
{
    registry[keyPath][Lower(name)] = std::move(value);
}

void SettingsStore::RemoveRegistryValue(const std::string& keyPath, const std::string& name)
{
    auto found = registry.find(keyPath);
    if (found == registry.end())
        return;
    found->second.erase(Lower(name));
    if (found->second.empty())
        registry.erase(found);
}

std::optional<RegistryValue> SettingsStore::FindRegistryValue(const std::string& keyPath,
                                                              const std::string& name) const
{
    return FindEntry(registry, keyPath, Lower(name));
}

bool SettingsStore::KeyExists(const std::string& keyPath) const
{
    if (keyPath.find('\\') == std::string::npos)
        return true; // a root
    for (auto found = registry.lower_bound(keyPath); found != registry.end(); ++found) {
        const std::string& key = found->first;
        if (key.compare(0, keyPath.size(), keyPath) != 0)
            break;
        if (key.size() == keyPath.size() || key[keyPath.size()] == '\\')
            return true;
    }
    return false;
}

// --- the process's store ----------------------------------------------------------

namespace {

struct ProcessSettings {
    std::mutex mutex;
    SettingsStore store;
    bool loaded = false;
};

ProcessSettings& TheSettings()
{
    static ProcessSettings* settings = new ProcessSettings; // used by code running at exit
    return *settings;
}

} // namespace

SettingsAccess::SettingsAccess() : lock(TheSettings().mutex), store(TheSettings().store)
{
    ProcessSettings& settings = TheSettings();
    if (settings.loaded)
        return;
    settings.loaded = true;
    bool named = false;
    std::string path = SettingsFileLocation(&named);
    if (path.empty())
        return;
    std::ifstream probe(path);
    // A missing file in the default place simply means no settings; a file
    // the user named explicitly should exist.
    if (!probe && !named)
        return;
    LoadSettingsInto(path.c_str(), store);
}

std::string SettingsFileLocation(bool* explicitlyNamed)
{
    *explicitlyNamed = false;
    if (const char* named = std::getenv("R3AZ_SETTINGS")) {
        *explicitlyNamed = named[0] != '\0';
        return named;
    }
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] != '\0')
        return std::string(config) + "/r3az/settings.ini";
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0')
        return std::string(home) + "/.config/r3az/settings.ini";
    return {};
}

bool LoadSettingsInto(const char* path, SettingsStore& store)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "settings: cannot read %s\n", path);
        return false;
    }
    std::stringstream text;
    text << file.rdbuf();
    std::vector<std::string> problems = ParseSettings(text.str(), store);
    for (const std::string& problem : problems)
        std::fprintf(stderr, "settings: %s: %s\n", path, problem.c_str());
    return problems.empty();
}

} // namespace win32_settings

namespace win32 {

WIN32_EXPORT void ClearSettings()
{
    win32_settings::SettingsAccess settings;
    settings->Clear();
}

WIN32_EXPORT bool LoadSettingsFile(const char* path)
{
    if (path == nullptr)
        return false;
    win32_settings::SettingsAccess settings;
    return win32_settings::LoadSettingsInto(path, *settings);
}

WIN32_EXPORT void SetProfileString(const char* section, const char* key, const char* value)
{
    if (section == nullptr || key == nullptr || value == nullptr)
        return;
    win32_settings::SettingsAccess settings;
    settings->SetProfileString(section, key, value);
}

WIN32_EXPORT void RemoveProfileKey(const char* section, const char* key)
{
    if (section == nullptr || key == nullptr)
        return;
    win32_settings::SettingsAccess settings;
    settings->RemoveProfileKey(section, key);
}

WIN32_EXPORT void SetRegistryValue(const char* keyPath, const char* valueName, DWORD type, const void* data,
                                   DWORD size)
{
    if (keyPath == nullptr || (data == nullptr && size != 0))
        return;
    const BYTE* bytes = static_cast<const BYTE*>(data);
    win32_settings::RegistryValue value{type, std::vector<BYTE>(bytes, bytes + size)};
    win32_settings::SettingsAccess settings;
    settings->SetRegistryValue(win32_settings::NormalizeKeyPath(keyPath), valueName != nullptr ? valueName : "",
                               std::move(value));
}

WIN32_EXPORT void SetRegistryDword(const char* keyPath, const char* valueName, DWORD value)
{
    // Registry DWORDs are stored little-endian, whatever the host.
    const BYTE bytes[4] = {BYTE(value), BYTE(value >> 8), BYTE(value >> 16), BYTE(value >> 24)};
    SetRegistryValue(keyPath, valueName, REG_DWORD, bytes, 4);
}

WIN32_EXPORT void RemoveRegistryValue(const char* keyPath, const char* valueName)
{
    if (keyPath == nullptr)
        return;
    win32_settings::SettingsAccess settings;
    settings->RemoveRegistryValue(win32_settings::NormalizeKeyPath(keyPath), valueName != nullptr ? valueName : "");
}

} // namespace win32
