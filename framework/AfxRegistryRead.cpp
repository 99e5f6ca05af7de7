// The registry reader (AfxRegistry.h): values, names and "is it there", one way for every program.
#include "AfxRegistry.h"

#include <algorithm>
#include <cstring>

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

// Reads a whole value through query (RegQueryValueExA or RegQueryValueExW with the key and name
// bound): the size first, then the bytes, and again when the value grew in between, so that what
// comes back is one whole value. A value longer than nMaxBytes is not read: ERROR_MORE_DATA.
template <class Query>
LONG ReadWhole(Query query, DWORD* pdwType, std::vector<BYTE>& data, DWORD nMaxBytes)
{
    for (;;) {
        DWORD cb = 0;
        LONG rc = query(pdwType, nullptr, &cb);
        if (rc != ERROR_SUCCESS) return rc;
        if (cb > nMaxBytes) return ERROR_MORE_DATA;
        data.assign(cb, 0);
        rc = query(pdwType, cb ? data.data() : nullptr, &cb);
        if (rc == ERROR_MORE_DATA) continue;
        if (rc == ERROR_SUCCESS) data.resize(cb);
        return rc;
    }
}

// The strings of a REG_SZ (one, to its first zero) or REG_MULTI_SZ (each to its zero, up to the
// first empty one, which ends the list) value's bytes; an odd last byte is no character.
std::vector<std::wstring> WideStrings(const std::vector<BYTE>& data, DWORD dwType)
{
    std::wstring text(data.size() / sizeof(wchar_t), L'\0');
    if (!text.empty()) std::memcpy(&text[0], data.data(), text.size() * sizeof(wchar_t));
    if (dwType == REG_SZ) return {text.substr(0, text.find(L'\0'))};
    std::vector<std::wstring> strings;
    for (size_t at = 0; at < text.size();) {
        size_t end = std::min(text.find(L'\0', at), text.size());
        if (end == at) break;
        strings.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return strings;
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
    return ReadWhole([hKey, pszName](DWORD* pType, BYTE* pData, DWORD* pcb) {
        return RegQueryValueExA(hKey, pszName, nullptr, pType, pData, pcb);
    }, pdwType, data, MAXDWORD);
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

bool AfxRegQueryWideStrings(HKEY hRoot, const char* pszSubKey, const wchar_t* pszName, DWORD dwType,
                            std::vector<std::wstring>& strings, DWORD nMaxBytes)
{
    CRegKey key;
    if (!hRoot || (dwType != REG_SZ && dwType != REG_MULTI_SZ) ||
        AfxRegOpenKeyNoLinks(hRoot, pszSubKey, KEY_QUERY_VALUE, key) != ERROR_SUCCESS)
        return false;
    DWORD dwStored = 0;
    std::vector<BYTE> data;
    auto query = [&key, pszName](DWORD* pType, BYTE* pData, DWORD* pcb) {
        return RegQueryValueExW(key.Get(), pszName, nullptr, pType, pData, pcb);
    };
    if (ReadWhole(query, &dwStored, data, nMaxBytes) != ERROR_SUCCESS || dwStored != dwType) return false;
    strings = WideStrings(data, dwType);
    return true;
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
