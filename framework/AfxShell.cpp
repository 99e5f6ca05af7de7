#include "AfxShell.h"

#include "AfxHandle.h"

#include <shlobj.h>

#include <vector>

bool AfxGetCommonProgramsFolder(CString& strPath)
{
    char szPath[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, szPath)) || !szPath[0])
        return false;
    strPath = szPath;
    while (strPath.GetLength() > 3 && strPath[strPath.GetLength() - 1] == '\\') strPath = strPath.Left(strPath.GetLength() - 1);
    return true;
}

void AfxNotifyAssociationsChanged() { SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr); }

bool AfxRegQueryString(HKEY hRoot, const char* pszSubKey, const char* pszName, CString& strValue, DWORD nMaxLength)
{
    CRegKey key;
    if (RegOpenKeyExA(hRoot, pszSubKey, 0, KEY_QUERY_VALUE, key.Receive()) != ERROR_SUCCESS) return false;
    DWORD dwType = 0, cb = 0;
    if (RegQueryValueExA(key.Get(), pszName, nullptr, &dwType, nullptr, &cb) != ERROR_SUCCESS || dwType != REG_SZ ||
        cb > nMaxLength)
        return false;
    std::vector<char> data(size_t(cb) + 1, '\0');
    if (RegQueryValueExA(key.Get(), pszName, nullptr, &dwType, reinterpret_cast<BYTE*>(data.data()), &cb) != ERROR_SUCCESS ||
        dwType != REG_SZ)
        return false;
    // A value stored without its closing zero, or with one inside, ends at the first zero.
    strValue = data.data();
    return true;
}
