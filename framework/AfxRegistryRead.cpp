// The registry reader (AfxRegistry.h): values, names and "is it there", one way for every program.
#include "AfxRegistry.h"

namespace {

// The names that enumerate returns one index at a time; a name too long for the buffer is skipped.
template <class Enumerate>
std::vector<CString> Names(DWORD nMaxChars, Enumerate enumerate)
{
    std::vector<CString> names;
    std::vector<char> name(nMaxChars ? nMaxChars : 1, '\0');
    for (DWORD i = 0;; ++i) {
        DWORD cch = DWORD(name.size());
        LONG rc = enumerate(i, name.data(), &cch);
        if (rc == ERROR_MORE_DATA) continue;
        if (rc != ERROR_SUCCESS) break;
        names.push_back(CString(name.data()));
    }
    return names;
}

}  // namespace

bool AfxRegKeyExists(HKEY hRoot, const char* pszPath)
{
    CRegKey key;
    return hRoot && AfxRegOpenKeyNoLinks(hRoot, pszPath, KEY_QUERY_VALUE, key) == ERROR_SUCCESS;
}

bool AfxRegValueExists(HKEY hKey, const char* pszName)
{
    return RegQueryValueExA(hKey, pszName, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

bool AfxRegValueExists(HKEY hRoot, const char* pszPath, const char* pszName)
{
    CRegKey key;
    return hRoot && AfxRegOpenKeyNoLinks(hRoot, pszPath, KEY_QUERY_VALUE, key) == ERROR_SUCCESS &&
           AfxRegValueExists(key.Get(), pszName);
}

LONG AfxRegQueryValue(HKEY hKey, const char* pszName, DWORD* pdwType, std::vector<BYTE>& data)
{
    for (;;) {
        DWORD cb = 0;
        LONG rc = RegQueryValueExA(hKey, pszName, nullptr, pdwType, nullptr, &cb);
        if (rc != ERROR_SUCCESS) return rc;
        data.assign(cb, 0);
        rc = RegQueryValueExA(hKey, pszName, nullptr, pdwType, cb ? data.data() : nullptr, &cb);
        if (rc == ERROR_MORE_DATA) continue;
        if (rc == ERROR_SUCCESS) data.resize(cb);
        return rc;
    }
}

bool AfxRegQueryStringValue(HKEY hKey, const char* pszName, CString& strValue, DWORD nMaxBytes)
{
    DWORD dwType = 0, cb = 0;
    // The size first: a value longer than the caller takes is not read at all.
    if (RegQueryValueExA(hKey, pszName, nullptr, &dwType, nullptr, &cb) != ERROR_SUCCESS || dwType != REG_SZ ||
        cb > nMaxBytes)
        return false;
    std::vector<char> data(size_t(cb) + 1, '\0');
    if (RegQueryValueExA(hKey, pszName, nullptr, &dwType, reinterpret_cast<BYTE*>(data.data()), &cb) != ERROR_SUCCESS ||
        dwType != REG_SZ)
        return false;
    strValue = data.data();
    return true;
}

bool AfxRegQueryString(HKEY hRoot, const char* pszSubKey, const char* pszName, CString& strValue, DWORD nMaxBytes)
{
    CRegKey key;
    return hRoot && AfxRegOpenKeyNoLinks(hRoot, pszSubKey, KEY_QUERY_VALUE, key) == ERROR_SUCCESS &&
           AfxRegQueryStringValue(key.Get(), pszName, strValue, nMaxBytes);
}

bool AfxRegQueryDword(HKEY hKey, const char* pszName, DWORD& dwValue)
{
    DWORD value = 0, dwType = 0, cb = sizeof value;
    if (RegQueryValueExA(hKey, pszName, nullptr, &dwType, reinterpret_cast<BYTE*>(&value), &cb) != ERROR_SUCCESS ||
        dwType != REG_DWORD || cb != sizeof value)
        return false;
    dwValue = value;
    return true;
}

std::vector<CString> AfxRegSubKeyNames(HKEY hKey, DWORD nMaxChars)
{
    return Names(nMaxChars, [hKey](DWORD i, char* name, DWORD* pcch) {
        return RegEnumKeyExA(hKey, i, name, pcch, nullptr, nullptr, nullptr, nullptr);
    });
}

std::vector<CString> AfxRegValueNames(HKEY hKey, DWORD nMaxChars)
{
    return Names(nMaxChars, [hKey](DWORD i, char* name, DWORD* pcch) {
        return RegEnumValueA(hKey, i, name, pcch, nullptr, nullptr, nullptr, nullptr);
    });
}
