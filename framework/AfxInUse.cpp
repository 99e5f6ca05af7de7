#include "AfxInUse.h"

#include "AfxCodePageWin32.h"
#include "AfxHandle.h"
#include "AfxSystemDll.h"

#include <restartmanager.h>

#include <vector>

namespace {

typedef DWORD(WINAPI* RmStartSessionProc)(DWORD*, DWORD, WCHAR[]);
typedef DWORD(WINAPI* RmRegisterResourcesProc)(DWORD, UINT, LPCWSTR[], UINT, RM_UNIQUE_PROCESS[], UINT, LPCWSTR[]);
typedef DWORD(WINAPI* RmGetListProc)(DWORD, UINT*, UINT*, RM_PROCESS_INFO[], LPDWORD);
typedef DWORD(WINAPI* RmEndSessionProc)(DWORD);

// A program's name as the system gives it; empty when the code page cannot hold it (never a
// look-alike of it).
CString Narrow(const WCHAR* w)
{
    std::string s;
    return AfxWideToAnsi(w, -1, s) ? CString(s.c_str()) : CString();
}

// The processes of the session's one file, or none when the manager fails.
std::vector<RM_PROCESS_INFO> ListHolders(HMODULE hModule, DWORD session, const std::wstring& path)
{
    auto registerFiles = AfxGetSystemProc<RmRegisterResourcesProc>(hModule, "RmRegisterResources");
    auto getList = AfxGetSystemProc<RmGetListProc>(hModule, "RmGetList");
    std::vector<RM_PROCESS_INFO> found;
    LPCWSTR files[] = {path.c_str()};
    if (!registerFiles || !getList || registerFiles(session, 1, files, 0, nullptr, 0, nullptr) != ERROR_SUCCESS)
        return found;
    // The list may grow between the two calls: asked again, a few times at most.
    for (int attempt = 0; attempt < 3; ++attempt) {
        UINT needed = 0, count = UINT(found.size());
        DWORD reasons = 0;
        DWORD rc = getList(session, &needed, &count, found.empty() ? nullptr : found.data(), &reasons);
        if (rc == ERROR_SUCCESS) {
            found.resize(count);
            return found;
        }
        if (rc != ERROR_MORE_DATA) break;
        found.resize(needed);
    }
    found.clear();
    return found;
}

}  // namespace

bool AfxIsInUseError(DWORD dwError) { return dwError == ERROR_SHARING_VIOLATION || dwError == ERROR_LOCK_VIOLATION; }

bool AfxIsHeldByProgram(DWORD dwError, const CString& strPath)
{
    if (AfxIsInUseError(dwError)) return true;
    if (dwError != ERROR_ACCESS_DENIED) return false;
    DWORD attributes = GetFileAttributesA(strPath);
    return attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY);
}

CString AfxProgramsHolding(const CString& strPath)
{
    // Never imported: a system without it (or a planted copy beside the program) must not matter.
    CModule rstrtmgr(AfxLoadSystemLibrary("rstrtmgr.dll"));
    auto start = AfxGetSystemProc<RmStartSessionProc>(rstrtmgr.Get(), "RmStartSession");
    auto end = AfxGetSystemProc<RmEndSessionProc>(rstrtmgr.Get(), "RmEndSession");
    std::wstring path;
    if (!start || !end || !AfxAnsiToWide(strPath.GetString(), path) || path.empty()) return CString();
    DWORD session = 0;
    WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
    if (start(&session, 0, key) != ERROR_SUCCESS) return CString();
    std::vector<CString> names;
    for (const RM_PROCESS_INFO& info : ListHolders(rstrtmgr.Get(), session, path)) {
        CString name = Narrow(info.strAppName);
        bool known = false;
        for (const CString& n : names) known = known || n == name;
        if (!name.IsEmpty() && !known) names.push_back(name);
    }
    end(session);
    CString text;
    for (const CString& n : names) text += (text.IsEmpty() ? CString() : CString(", ")) + n;
    return text;
}
