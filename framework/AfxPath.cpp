#include "AfxPath.h"

#include <vector>

namespace {

int LastSeparator(const CString& strPath)
{
    int back = strPath.ReverseFind('\\'), slash = strPath.ReverseFind('/');
    return back > slash ? back : slash;
}

}  // namespace

CString AfxFolderOf(const CString& strPath)
{
    int cut = LastSeparator(strPath);
    return cut < 0 ? CString() : strPath.Left(cut);
}

CString AfxNameOf(const CString& strPath) { return strPath.Mid(LastSeparator(strPath) + 1); }

#ifdef _WIN32
CString AfxGetProgramPath()
{
    // A path longer than the buffer comes back cut short with the buffer's whole size: try larger.
    for (DWORD size = MAX_PATH + 1; size <= 32768; size *= 2) {
        std::vector<char> path(size);
        DWORD n = GetModuleFileNameA(nullptr, path.data(), size);
        if (n == 0) return CString();
        if (n < size) return CString(path.data(), int(n));
    }
    return CString();
}

CString AfxNormalisedPath(const CString& strPath)
{
    char full[MAX_PATH] = {}, longer[MAX_PATH] = {};
    DWORD n = GetFullPathNameA(strPath, MAX_PATH, full, nullptr);
    if (n == 0 || n >= MAX_PATH) return CString();
    DWORD m = GetLongPathNameA(full, longer, MAX_PATH);
    return m > 0 && m < MAX_PATH ? CString(longer) : CString(full);
}
#endif
