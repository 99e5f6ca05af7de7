#include "AfxCallerDir.h"

#include "AfxPath.h"

namespace {

bool IsSlash(char ch) { return ch == '\\' || ch == '/'; }

bool HasDrive(const CString& s)
{
    return s.GetLength() >= 2 && s[1] == ':' && ((s[0] >= 'A' && s[0] <= 'Z') || (s[0] >= 'a' && s[0] <= 'z'));
}

// "C:" of "C:\Dir", "\\server\share" of "\\server\share\dir".
CString RootOf(const CString& strDir)
{
    if (HasDrive(strDir)) return strDir.Left(2);
    if (strDir.GetLength() < 2 || !IsSlash(strDir[0]) || !IsSlash(strDir[1])) return CString();
    int nSlashes = 0;
    for (int i = 2; i < strDir.GetLength(); ++i)
        if (IsSlash(strDir[i]) && ++nSlashes == 2) return strDir.Left(i);
    return strDir;
}

CString Joined(const CString& strDir, const CString& strName)
{
    if (strName.IsEmpty()) return strDir;
    return IsSlash(strDir[strDir.GetLength() - 1]) ? strDir + strName : strDir + "\\" + strName;
}

}  // namespace

CString AfxPathAgainst(const CString& strDir, const CString& strPath)
{
    if (strDir.IsEmpty() || strPath.IsEmpty()) return strPath;
    if (IsSlash(strPath[0])) {
        if (strPath.GetLength() >= 2 && IsSlash(strPath[1])) return strPath;
        return RootOf(strDir) + strPath;
    }
    if (!HasDrive(strPath)) return Joined(strDir, strPath);
    if (strPath.GetLength() >= 3 && IsSlash(strPath[2])) return strPath;
    CString rest = strPath.Mid(2);
    if (HasDrive(strDir) && strDir.Left(1).CompareNoCase(strPath.Left(1)) == 0) return Joined(strDir, rest);
    return strPath.Left(2) + "\\" + rest;
}

const char kAfxCallerDirOption[] = "/CALLERDIR=";

#ifdef _WIN32

CString AfxCallerDirArgument()
{
    CString dir = AfxCallForText([](char* p, DWORD n) { return GetCurrentDirectoryA(n, p); });
    if (dir.IsEmpty()) return dir;
    return CString(kAfxCallerDirOption) + "\"" + dir + "\"";
}

#endif
