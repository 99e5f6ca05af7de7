// RegistryBackend: the three registry operations that the script interpreter needs of the platform.
// On Win32 they are the ADVAPI32 calls; elsewhere an in-memory stand-in (MemoryRegistry) takes their
// place, so the script's grammar, its order of operations and its log lines are the same everywhere.
#pragma once

#include "AfxPlatform.h"
#include "InstallRecordFormat.h"

#include <vector>

#ifndef _WIN32
// The registry types and constants the interpreter uses, with their Win32 values.
// (HKEY and the roots' handles are RegistryRoots.h's.)
enum : DWORD { REG_SZ = 1, REG_BINARY = 3, REG_DWORD = 4 };
enum : DWORD { REG_CREATED_NEW_KEY = 1, REG_OPENED_EXISTING_KEY = 2 };
enum : LONG {
    ERROR_SUCCESS = 0,
    ERROR_FILE_NOT_FOUND = 2,
    ERROR_ACCESS_DENIED = 5,
    ERROR_INVALID_HANDLE = 6,
    ERROR_BAD_PATHNAME = 161,
};
#endif

class RegistryBackend {
public:
    virtual ~RegistryBackend() = default;

    // Creates the key pszSubKey under hRoot, or opens it when it exists, for all access, as a
    // non-volatile key without class string or security attributes. On ERROR_SUCCESS *phKey is the
    // open key, which the caller passes to CloseKey, and *pbExisted (when given) tells whether the
    // key was opened rather than created; on any other result nothing is open. The system registry
    // never goes through a registry link: kErrorRegistryLink (AfxRegistry.h) when the key or one
    // above it is a link.
    virtual LONG CreateKey(HKEY hRoot, const char* pszSubKey, HKEY* phKey, bool* pbExisted) = 0;
    // True when the key pszSubKey exists under hRoot (false when it is reached only through a link).
    virtual bool KeyExists(HKEY hRoot, const char* pszSubKey) = 0;
    // Reads the value pszName of an open key: ERROR_SUCCESS with its type and data,
    // ERROR_FILE_NOT_FOUND when there is no such value, or the platform's error.
    virtual LONG QueryValue(HKEY hKey, const char* pszName, DWORD* pdwType, std::vector<BYTE>* pData) = 0;
    // Sets the value pszName ("" is the key's default value) of an open key to cbData bytes of
    // type dwType. Returns ERROR_SUCCESS or the platform's error.
    virtual LONG SetValue(HKEY hKey, const char* pszName, DWORD dwType, const BYTE* pData, DWORD cbData) = 0;
    // Closes a key that CreateKey opened.
    virtual LONG CloseKey(HKEY hKey) = 0;
};

// The registry of the machine the program runs on: the real registry on Win32, a process-wide
// MemoryRegistry elsewhere.
RegistryBackend& GetSystemRegistry();
