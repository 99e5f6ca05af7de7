#include "AfxSystemDll.h"

#include "AfxString.h"

namespace {

// LoadLibraryExA's flag exists exactly where SetDefaultDllDirectories does (both came with the
// same system update).
bool HasSearchFlags()
{
    return GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories") != nullptr;
}

}  // namespace

bool AfxRestrictDllSearch()
{
    typedef BOOL(WINAPI * SetDefaultDllDirectoriesProc)(DWORD);
    auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories")));
    if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return true;
    SetDllDirectoryA("");
    return false;
}

HMODULE AfxLoadSystemLibrary(const char* pszName)
{
    if (HasSearchFlags()) return LoadLibraryExA(pszName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    char dir[MAX_PATH] = {};
    UINT n = GetSystemDirectoryA(dir, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    CString path = CString(dir) + "\\" + pszName;
    // A full path is loaded from exactly there; the DLLs it imports come from the known list.
    return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
