// The real registry, through ADVAPI32.
#include "RegistryBackend.h"

#include "AfxHandle.h"
#include "AfxRegistry.h"

namespace {

class Win32Registry : public RegistryBackend {
public:
    // Never through a registry link: a key line naming a key below one is refused (kErrorRegistryLink).
    LONG CreateKey(HKEY hRoot, const char* pszSubKey, HKEY* phKey, bool* pbExisted) override
    {
        CRegKey key;
        bool bCreated = false;
        LONG rc = AfxRegCreateKeyNoLinks(hRoot, pszSubKey, KEY_ALL_ACCESS, key, &bCreated);
        if (rc != ERROR_SUCCESS) return rc;
        if (pbExisted) *pbExisted = !bCreated;
        *phKey = key.Release();
        return ERROR_SUCCESS;
    }

    // A key reached only through a link is not there for the script.
    bool KeyExists(HKEY hRoot, const char* pszSubKey) override { return AfxRegKeyExists(hRoot, pszSubKey); }

    LONG QueryValue(HKEY hKey, const char* pszName, DWORD* pdwType, std::vector<BYTE>* pData) override
    {
        return AfxRegQueryValue(hKey, pszName, pdwType, *pData);
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
