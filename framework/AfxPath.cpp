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
#include "AfxCodePageWin32.h"

#include <string>

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

CString AfxCallForText(const std::function<DWORD(char* pBuffer, DWORD nSize)>& call)
{
    std::vector<char> buffer(MAX_PATH + 1);
    // What the call answers may grow between two calls (another thread's current directory): a
    // few rounds, then nothing.
    for (int nRound = 0; nRound < 4; ++nRound) {
        DWORD n = call(buffer.data(), DWORD(buffer.size()));
        if (n == 0 || n > 0x100000) return CString();
        if (n < buffer.size()) return CString(buffer.data(), int(n));
        buffer.resize(size_t(n) + 1);
    }
    return CString();
}

CString AfxNormalisedPath(const CString& strPath)
{
    CString full = AfxCallForText([&](char* p, DWORD n) { return GetFullPathNameA(strPath, n, p, nullptr); });
    // MAX_PATH counts characters (UTF-16 units), not the bytes of their UTF-8.
    std::wstring wide;
    if (full.IsEmpty() || !AfxAnsiToWide(full.GetString(), wide) || wide.size() >= MAX_PATH) return CString();
    CString longer = AfxCallForText([&](char* p, DWORD n) { return GetLongPathNameA(full, p, n); });
    return longer.IsEmpty() ? full : longer;
}
#endif
