// Win32 kernel, registry and user-interface stand-ins.
//
// Declarations of the Windows API subset the module and the texture
// library call, implemented for Linux by libkernel32.so (platform/win32).
// Types keep their Windows widths: DWORD/UINT/ULONG/LONG are 32-bit, so
// stored records match their Windows layouts.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__GNUC__)
#define WIN32_EXPORT __attribute__((visibility("default")))
#else
#define WIN32_EXPORT
#endif

typedef int32_t BOOL;
typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef uint32_t UINT;
typedef uint32_t ULONG;
typedef int32_t LONG;
typedef int32_t INT;
typedef int32_t HRESULT;
typedef uintptr_t SIZE_T;
typedef char CHAR;
typedef const char* LPCSTR;
typedef char* LPSTR;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef BYTE* LPBYTE;
typedef DWORD* LPDWORD;

typedef void* HANDLE;
typedef void* HGLOBAL;
typedef void* HWND;
typedef struct HINSTANCE__* HMODULE;
typedef struct HKEY__* HKEY;
typedef HKEY* PHKEY;
typedef void (*FARPROC)();

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

// Result codes (HRESULT convention: negative is failure).
#define S_OK ((HRESULT)0)
#define S_FALSE ((HRESULT)1)
#define E_FAIL ((HRESULT)0x80004005u)
#define E_OUTOFMEMORY ((HRESULT)0x8007000Eu)
#define E_INVALIDARG ((HRESULT)0x80070057u)
#define E_NOINTERFACE ((HRESULT)0x80004002u)
#define E_NOTIMPL ((HRESULT)0x80004001u)
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};

struct POINT {
    LONG x;
    LONG y;
};

struct PALETTEENTRY {
    BYTE peRed;
    BYTE peGreen;
    BYTE peBlue;
    BYTE peFlags;
};

struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
};
typedef GUID IID;
typedef const IID& REFIID;
inline bool operator==(const GUID& a, const GUID& b)
{
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3)
        return false;
    for (int i = 0; i < 8; ++i)
        if (a.Data4[i] != b.Data4[i])
            return false;
    return true;
}
inline bool operator!=(const GUID& a, const GUID& b) { return !(a == b); }

// Global heap.
#define GMEM_FIXED 0x0000u
#define GMEM_MOVEABLE 0x0002u
#define GMEM_ZEROINIT 0x0040u
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)

// Registry.
#define HKEY_CLASSES_ROOT ((HKEY)(uintptr_t)0x80000000u)
#define HKEY_CURRENT_USER ((HKEY)(uintptr_t)0x80000001u)
#define HKEY_LOCAL_MACHINE ((HKEY)(uintptr_t)0x80000002u)
#define REG_NONE 0u
#define REG_SZ 1u
#define REG_EXPAND_SZ 2u
#define REG_BINARY 3u
#define REG_DWORD 4u
#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_NOT_ENOUGH_MEMORY 8L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_MORE_DATA 234L

// Message box.
#define MB_OK 0x0u
#define MB_YESNOCANCEL 0x3u
#define MB_SYSTEMMODAL 0x1000u
#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7

extern "C" {

// Global heap: handle-based blocks with lock counts, as on Windows.
WIN32_EXPORT HGLOBAL GlobalAlloc(UINT uFlags, SIZE_T dwBytes);
WIN32_EXPORT LPVOID GlobalLock(HGLOBAL hMem);
WIN32_EXPORT BOOL GlobalUnlock(HGLOBAL hMem);
WIN32_EXPORT HGLOBAL GlobalHandle(LPCVOID pMem);
WIN32_EXPORT HGLOBAL GlobalFree(HGLOBAL hMem);
WIN32_EXPORT SIZE_T GlobalSize(HGLOBAL hMem);

// Debug output, profile, modules, process.
WIN32_EXPORT void OutputDebugStringA(LPCSTR lpOutputString);
WIN32_EXPORT UINT GetProfileIntA(LPCSTR lpAppName, LPCSTR lpKeyName, INT nDefault);
WIN32_EXPORT HMODULE GetModuleHandleA(LPCSTR lpModuleName);
WIN32_EXPORT HMODULE LoadLibraryA(LPCSTR lpLibFileName);
WIN32_EXPORT BOOL FreeLibrary(HMODULE hLibModule);
WIN32_EXPORT FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName);
WIN32_EXPORT void FatalAppExitA(UINT uAction, LPCSTR lpMessageText);
WIN32_EXPORT void DebugBreak(void);
WIN32_EXPORT BOOL IsDebuggerPresent(void);

// Registry.
WIN32_EXPORT LONG RegOpenKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult);
WIN32_EXPORT LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                                   LPBYTE lpData, LPDWORD lpcbData);
WIN32_EXPORT LONG RegCloseKey(HKEY hKey);

// User interface.
WIN32_EXPORT int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType);

} // extern "C"
