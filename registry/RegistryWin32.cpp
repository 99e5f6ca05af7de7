// The real registry, through ADVAPI32.
#include "RegistryBackend.h"

#include "AfxHandle.h"

namespace {

class Win32Registry : public RegistryBackend {
public:
    LONG CreateKey(HKEY hRoot, const char* pszSubKey, HKEY* phKey, bool* pbExisted) override
    {
        DWORD dwDisposition = 0;
        LONG rc = RegCreateKeyExA(hRoot, pszSubKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                                  phKey, &dwDisposition);
        if (rc == ERROR_SUCCESS && pbExisted) *pbExisted = dwDisposition == REG_OPENED_EXISTING_KEY;
        return rc;
    }

    bool KeyExists(HKEY hRoot, const char* pszSubKey) override
    {
        CRegKey key;
        return RegOpenKeyExA(hRoot, pszSubKey, 0, KEY_QUERY_VALUE, key.Receive()) == ERROR_SUCCESS;
    }

    LONG QueryValue(HKEY hKey, const char* pszName, DWORD* pdwType, std::vector<BYTE>* pData) override
    {
        // The value may grow between the size query and the read: ask again with the new size.
        for (;;) {
            DWORD cb = 0;
            LONG rc = RegQueryValueExA(hKey, pszName, nullptr, pdwType, nullptr, &cb);
            if (rc != ERROR_SUCCESS) return rc;
            pData->assign(cb, 0);
            rc = RegQueryValueExA(hKey, pszName, nullptr, pdwType, cb ? pData->data() : nullptr, &cb);
            if (rc == ERROR_MORE_DATA) continue;
            if (rc == ERROR_SUCCESS) pData->resize(cb);
            return rc;
        }
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
