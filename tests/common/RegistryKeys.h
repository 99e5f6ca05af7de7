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
