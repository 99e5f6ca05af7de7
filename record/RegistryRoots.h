// The four registry roots the installer writes, in one table: their index (as the records and the
// registry script number them), their names and their handles (the system's on Windows, stand-ins
// with the same values elsewhere).
#pragma once

#include <cstddef>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdint>
// The roots' handles with their Win32 values, for the registry's stand-in on other systems.
struct HKEY__;
typedef HKEY__* HKEY;
#define HKEY_CLASSES_ROOT (reinterpret_cast<HKEY>(uintptr_t(0x80000000u)))
#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(uintptr_t(0x80000001u)))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(uintptr_t(0x80000002u)))
#define HKEY_USERS (reinterpret_cast<HKEY>(uintptr_t(0x80000003u)))
#endif

// By index: the order is the records' and the registry script's. Names compare case-sensitively.
enum RegistryRoot { kRootClassesRoot, kRootCurrentUser, kRootLocalMachine, kRootUsers, kRegistryRootCount };
constexpr const char* kRegistryRoots[kRegistryRootCount] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",
                                                           "HKEY_LOCAL_MACHINE", "HKEY_USERS"};

// The root's handle for an index, null for any other number.
inline HKEY RegistryRootKey(int nRoot)
{
    static const HKEY kKeys[kRegistryRootCount] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS};
    return nRoot >= 0 && nRoot < kRegistryRootCount ? kKeys[nRoot] : nullptr;
}

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
