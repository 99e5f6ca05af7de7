// The four registry roots the installer writes, in one table: their index (as the records and the
// registry script number them), their names and, on Windows, their handles.
#pragma once

#include <cstddef>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#endif

// By index: the order is the records' and the registry script's. Names compare case-sensitively.
enum RegistryRoot { kRootClassesRoot, kRootCurrentUser, kRootLocalMachine, kRootUsers, kRegistryRootCount };
constexpr const char* kRegistryRoots[kRegistryRootCount] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",
                                                           "HKEY_LOCAL_MACHINE", "HKEY_USERS"};

#ifdef _WIN32
// The root's handle for an index, null for any other number.
inline HKEY RegistryRootKey(int nRoot)
{
    static const HKEY kKeys[kRegistryRootCount] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS};
    return nRoot >= 0 && nRoot < kRegistryRootCount ? kKeys[nRoot] : nullptr;
}
#endif

// The root's name for an index, "" for any other number.
inline const char* RegistryRootName(int nRoot)
{
    return nRoot >= 0 && nRoot < kRegistryRootCount ? kRegistryRoots[nRoot] : "";
}

// The index of the root named by the nLength bytes at pName (exactly, in this case), -1 for none.
inline int RegistryRootIndex(const char* pName, size_t nLength)
{
    for (int r = 0; r < kRegistryRootCount; ++r)
        if (std::strlen(kRegistryRoots[r]) == nLength && std::memcmp(kRegistryRoots[r], pName, nLength) == 0) return r;
    return -1;
}
