// Registry helpers for the Windows tests: whether a key is there, and a key removed with all it
// holds, so that each test starts from a known state.
#pragma once

#include "AfxHandle.h"

#include <string>
#include <vector>

inline bool KeyExists(HKEY hRoot, const std::string& sub)
{
    CRegKey h;
    return RegOpenKeyExA(hRoot, sub.c_str(), 0, KEY_READ, h.Receive()) == ERROR_SUCCESS;
}

inline void DeleteKeyTree(HKEY hRoot, const std::string& sub)
{
    std::vector<std::string> children;
    {
        CRegKey h;
        if (RegOpenKeyExA(hRoot, sub.c_str(), 0, KEY_ALL_ACCESS, h.Receive()) != ERROR_SUCCESS) return;
        char name[256];
        for (DWORD i = 0;; ++i) {
            DWORD cch = sizeof name;
            if (RegEnumKeyExA(h.Get(), i, name, &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            children.emplace_back(name, cch);
        }
    }
    for (const std::string& child : children) DeleteKeyTree(hRoot, sub + "\\" + child);
    RegDeleteKeyA(hRoot, sub.c_str());
}

// Makes sub under hRoot a registry link to target ("\REGISTRY\MACHINE\Software\X"), volatile, as a
// user without administrator rights can in any key they may write. The key above must exist.
inline bool MakeRegistryLink(HKEY hRoot, const std::string& sub, const std::string& target)
{
    CRegKey h;
    if (RegCreateKeyExA(hRoot, sub.c_str(), 0, nullptr, REG_OPTION_CREATE_LINK | REG_OPTION_VOLATILE,
                        KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr, h.Receive(), nullptr) != ERROR_SUCCESS)
        return false;
    const std::wstring wide(target.begin(), target.end());  // ASCII names only
    // The target's UTF-16 text without a closing zero.
    return RegSetValueExW(h.Get(), L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(wide.data()),
                          DWORD(wide.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
}

// Removes the link sub itself. DeleteKeyTree would follow it and remove its target's keys.
inline void DeleteRegistryLink(HKEY hRoot, const std::string& sub)
{
    typedef LONG(NTAPI * NtDeleteKeyProc)(HANDLE);
    CRegKey h;
    if (RegOpenKeyExA(hRoot, sub.c_str(), REG_OPTION_OPEN_LINK, DELETE, h.Receive()) != ERROR_SUCCESS) return;
    auto deleteKey = reinterpret_cast<NtDeleteKeyProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtDeleteKey")));
    if (deleteKey) deleteKey(h.Get());
}

// The link that sub under hRoot is (opened itself, not followed), or "" when it is none.
inline std::string RegistryLinkTarget(HKEY hRoot, const std::string& sub)
{
    CRegKey h;
    if (RegOpenKeyExA(hRoot, sub.c_str(), REG_OPTION_OPEN_LINK, KEY_QUERY_VALUE, h.Receive()) != ERROR_SUCCESS)
        return std::string();
    wchar_t buf[512] = {};
    DWORD cb = sizeof buf - sizeof(wchar_t), dwType = 0;
    if (RegQueryValueExW(h.Get(), L"SymbolicLinkValue", nullptr, &dwType, reinterpret_cast<BYTE*>(buf), &cb) !=
            ERROR_SUCCESS ||
        dwType != REG_LINK)
        return std::string();
    std::string narrow;
    for (DWORD i = 0; i < cb / sizeof(wchar_t); ++i) narrow += char(buf[i]);
    return narrow;
}
