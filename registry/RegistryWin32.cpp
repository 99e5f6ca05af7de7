// The real registry, through ADVAPI32.
#include "RegistryBackend.h"

namespace {

class Win32Registry : public RegistryBackend {
public:
    LONG CreateKey(HKEY hRoot, const char* pszSubKey, HKEY* phKey) override
    {
        DWORD dwDisposition = 0;  // created or opened: the interpreter treats both alike
        return RegCreateKeyExA(hRoot, pszSubKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                               phKey, &dwDisposition);
    }

    LONG SetValue(HKEY hKey, const char* pszName, DWORD dwType, const BYTE* pData, DWORD cbData) override
    {
        return RegSetValueExA(hKey, pszName, 0, dwType, pData, cbData);
    }

    LONG CloseKey(HKEY hKey) override { return RegCloseKey(hKey); }
};

}  // namespace

RegistryBackend& GetSystemRegistry()
{
    static Win32Registry s_registry;
    return s_registry;
}
