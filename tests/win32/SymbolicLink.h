// Symbolic links made by tests, on Windows and under Wine alike (Win32).
#pragma once

#include "AfxString.h"

#include <windows.h>

#include <string>

// A path as Wine's Unix side names it; empty on Windows.
inline CString UnixPath(const CString& strPath)
{
    typedef char*(CDECL * UnixNameProc)(const WCHAR*);
    auto unixName = reinterpret_cast<UnixNameProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!unixName) return CString();
    WCHAR wide[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, strPath, -1, wide, MAX_PATH);
    char* p = unixName(wide);
    CString path(p ? p : "");
    HeapFree(GetProcessHeap(), 0, p);
    return path;
}

// Runs a Unix program under Wine, which starts one as it starts any program, and waits up to ten
// seconds for done() to hold (Wine tells no exit code of such a program). Returns done().
template <class Done>
inline bool RunUnix(const char* pszProgram, const CString& strArguments, Done done)
{
    std::string line = std::string(pszProgram) + " " + strArguments.Str();
    std::string application = std::string("Z:") + pszProgram;
    for (char& ch : application)
        if (ch == '/') ch = '\\';
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(application.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    for (int i = 0; i < 100 && !done(); ++i) Sleep(100);
    return done();
}

// Makes strLink a symbolic link to strTarget. Windows makes one itself (given the right to);
// Wine answers that call without making anything, and keeps a link as a Unix symbolic link,
// which its own ln makes.
inline bool MakeSymbolicLink(const CString& strLink, const CString& strTarget, bool bFolder)
{
    if (CreateSymbolicLinkA(strLink, strTarget, bFolder ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0) &&
        GetFileAttributesA(strLink) != INVALID_FILE_ATTRIBUTES)
        return true;
    CString target = UnixPath(strTarget), link = UnixPath(strLink);
    return !target.IsEmpty() && !link.IsEmpty() &&
           RunUnix("/bin/ln", "-s \"" + target + "\" \"" + link + "\"",
                   [&] { return GetFileAttributesA(strLink) != INVALID_FILE_ATTRIBUTES; });
}
