// The user's settings: profile strings and registry values, one store for
// the process.
//
// The store is filled from the settings file (see docs/settings.md) the
// first time anything asks for a setting, and can then be changed by the
// calls of win32_testing.h. Section, key, key path and value names match
// without regard to case, as on Windows.
#pragma once

#include "win32.h"

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace win32_settings {

struct RegistryValue {
    DWORD type;
    std::vector<BYTE> data;
};

// Lower-cases, turns '/' into '\', drops empty parts and expands the root
// abbreviations HKLM, HKCU and HKCR, so that equal keys compare equal.
std::string NormalizeKeyPath(const std::string& path);
std::string Lower(std::string text);

class SettingsStore {
public:
    void Clear();
    void SetProfileString(const std::string& section, const std::string& key, const std::string& value);
    void RemoveProfileKey(const std::string& section, const std::string& key);
    std::optional<std::string> FindProfileString(const std::string& section, const std::string& key) const;

    // keyPath must be normalised.
    void SetRegistryValue(const std::string& keyPath, const std::string& name, RegistryValue value);
    void RemoveRegistryValue(const std::string& keyPath, const std::string& name);
    std::optional<RegistryValue> FindRegistryValue(const std::string& keyPath, const std::string& name) const;
    // A key exists when it, or a key below it, holds a value; the roots
    // always exist.
    bool KeyExists(const std::string& keyPath) const;

private:
    std::map<std::string, std::map<std::string, std::string>> profile;
    std::map<std::string, std::map<std::string, RegistryValue>> registry;
};

// Locks the process's store, loading the settings file first if this is the
// first use. Every reader and writer goes through it.
class SettingsAccess {
public:
    SettingsAccess();
    SettingsStore& operator*() { return store; }
    SettingsStore* operator->() { return &store; }

private:
    std::unique_lock<std::mutex> lock;
    SettingsStore& store;
};

// Parses settings text into `store`; returns the problems found, one line
// each ("line 3: ..."), having applied every line it understood.
std::vector<std::string> ParseSettings(const std::string& text, SettingsStore& store);

// Where the settings file is looked for: R3AZ_SETTINGS when set (empty: no
// file), else $XDG_CONFIG_HOME/r3az/settings.ini, else
// $HOME/.config/r3az/settings.ini. Empty when there is none.
std::string SettingsFileLocation(bool* explicitlyNamed);

// Reads and parses a file into `store`; false when it cannot be read or has
// lines that were not understood (which are reported on standard error).
bool LoadSettingsInto(const char* path, SettingsStore& store);

} // namespace win32_settings
