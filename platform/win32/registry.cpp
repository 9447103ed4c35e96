// The registry: keys opened by path over the settings' registry sections.
//
// An opened key's handle is a record holding its normalised path; the
// predefined roots are handles too and need no opening or closing.
#include "platform/win32/settings.h"
#include "process_state.h"

#include <cstring>
#include <mutex>
#include <new>
#include <set>
#include <string>

namespace {

struct OpenKey {
    std::string path;
};

struct OpenKeys {
    std::mutex mutex;
    std::set<const OpenKey*> keys;
};

const char* RootName(HKEY key)
{
    if (key == HKEY_LOCAL_MACHINE)
        return "hkey_local_machine";
    if (key == HKEY_CURRENT_USER)
        return "hkey_current_user";
    if (key == HKEY_CLASSES_ROOT)
        return "hkey_classes_root";
    return nullptr;
}

// The normalised path behind a handle; false for an unknown handle.
bool PathOf(HKEY key, std::string& path)
{
    if (const char* root = RootName(key)) {
        path = root;
        return true;
    }
    auto record = reinterpret_cast<const OpenKey*>(key);
    if (Locked<OpenKeys>()->keys.count(record) == 0)
        return false;
    path = record->path;
    return true;
}

} // namespace

extern "C" {

WIN32_EXPORT LONG RegOpenKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult)
{
    if (phkResult == nullptr)
        return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    std::string path;
    if (!PathOf(hKey, path))
        return ERROR_INVALID_HANDLE;
    // An empty sub-key opens the same key again (a root stays a root).
    if (lpSubKey == nullptr || lpSubKey[0] == '\0') {
        if (RootName(hKey) != nullptr) {
            *phkResult = hKey;
            return ERROR_SUCCESS;
        }
    } else {
        path = win32_settings::NormalizeKeyPath(path + "\\" + lpSubKey);
    }
    {
        win32_settings::SettingsAccess settings;
        if (!settings->KeyExists(path))
            return ERROR_FILE_NOT_FOUND;
    }
    OpenKey* record = new (std::nothrow) OpenKey{path};
    if (record == nullptr)
        return ERROR_NOT_ENOUGH_MEMORY;
    Locked<OpenKeys>()->keys.insert(record);
    *phkResult = reinterpret_cast<HKEY>(record);
    return ERROR_SUCCESS;
}

WIN32_EXPORT LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                                   LPDWORD lpcbData)
{
    if (lpReserved != nullptr || (lpData != nullptr && lpcbData == nullptr))
        return ERROR_INVALID_PARAMETER;
    std::string path;
    if (!PathOf(hKey, path))
        return ERROR_INVALID_HANDLE;
    std::optional<win32_settings::RegistryValue> value;
    {
        win32_settings::SettingsAccess settings;
        value = settings->FindRegistryValue(path, lpValueName != nullptr ? lpValueName : "");
    }
    if (!value)
        return ERROR_FILE_NOT_FOUND;
    if (lpType != nullptr)
        *lpType = value->type;
    DWORD size = static_cast<DWORD>(value->data.size());
    if (lpData == nullptr) {
        // Asking for the size only.
        if (lpcbData != nullptr)
            *lpcbData = size;
        return ERROR_SUCCESS;
    }
    DWORD room = *lpcbData;
    *lpcbData = size;
    if (room < size)
        return ERROR_MORE_DATA;
    if (size != 0)
        std::memcpy(lpData, value->data.data(), size);
    return ERROR_SUCCESS;
}

WIN32_EXPORT LONG RegCloseKey(HKEY hKey)
{
    if (RootName(hKey) != nullptr)
        return ERROR_SUCCESS;
    auto record = reinterpret_cast<const OpenKey*>(hKey);
    if (Locked<OpenKeys>()->keys.erase(record) == 0)
        return ERROR_INVALID_HANDLE;
    delete record;
    return ERROR_SUCCESS;
}

} // extern "C"
