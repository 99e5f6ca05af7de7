// The checks on the target directory before the worker starts: free space, then existence.
#include "SetupApp.h"

#include "AfxMessageBox.h"
#include "AfxNoLinks.h"
#include "AfxSecurity.h"
#include "AfxCodePage.h"
#include "AfxPath.h"
#include "AfxText.h"
#include "InstallRecordFormat.h"
#include "OneInstallation.h"
#ifdef _WIN32
#include "AfxCodePageWin32.h"
#include "RegistryAnchorStore.h"
#endif

#include <climits>
#include <cstring>
#include <string>

long long FreeMegabytes(DWORD sectorsPerCluster, DWORD bytesPerSector, DWORD freeClusters)
{
    if (bytesPerSector == 0 || bytesPerSector > 1048576) return -1;
    unsigned long long sectorsPerMB = 1048576u / bytesPerSector;
    return static_cast<long long>((static_cast<unsigned long long>(freeClusters) * sectorsPerCluster) / sectorsPerMB);
}

#ifdef _WIN32

BOOL CSetupApp::CheckFreeSpace()
{
    const CString& dir = m_config.m_strInstallDir;
    CString root = dir.Left(3);
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    BOOL asked = m_queryFreeSpace
                     ? m_queryFreeSpace(root, &sectorsPerCluster, &bytesPerSector, &freeClusters)
                     : GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters);
    // A drive that cannot be asked (missing, not ready, no drive root at all, such as a relative
    // path) passes here; the directory check that follows reports the path itself.
    if (!asked) return TRUE;
    long long freeMB = FreeMegabytes(sectorsPerCluster, bytesPerSector, freeClusters);
    if (freeMB < 0) return TRUE;
    if (freeMB > m_config.m_nFreeSpaceMB) return TRUE;

    CString text = AfxTextFormat("target.free_space", dir.IsEmpty() ? ' ' : dir[0], m_config.m_nFreeSpaceMB, int(freeMB > INT_MAX ? INT_MAX : freeMB));
    AfxMessageBox(text, MB_OK);
    return FALSE;
}

namespace {

// The longest path the installer's file calls take: they are the system's ANSI calls, which turn a
// path into UTF-16 and refuse one of MAX_PATH UTF-16 characters or more (the program does not
// declare itself aware of long paths), however many bytes its code page spends on them.
const int kLongestPath = MAX_PATH - 1;

// The length of strText in UTF-16 characters, as the system's wide calls count it.
int WideLength(const CString& strText)
{
    std::wstring wide;
    return AfxAnsiToWide(strText.Str(), wide) ? int(wide.size()) : strText.GetLength();
}

// The installer's own files in the target, made there before any file of the payload.
const char* const kOwnFiles[] = {kInstallLogName, kPriorRecordName, kUninstallerName};

// The length of the path of the target's file strName as the installation names it: the target as
// given, a backslash, the name; for a relative target also as the system makes it full.
int OwnFilePathLength(const CString& strDir, const char* pszName)
{
    int n = WideLength(strDir);
    CString full = AfxCallForText([&strDir](char* p, DWORD nSize) { return GetFullPathNameA(strDir, nSize, p, nullptr); });
    if (WideLength(full) > n) n = WideLength(full);
    return n + 1 + int(std::strlen(pszName));
}

// TRUE when every file of the installer's own fits in the target; otherwise tells why.
BOOL CheckTargetLength(const CString& strDir)
{
    for (const char* pszName : kOwnFiles) {
        if (OwnFilePathLength(strDir, pszName) <= kLongestPath) continue;
        CString text = AfxTextFormat("target.too_long", strDir.GetString(), pszName, kLongestPath);
        AfxMessageBox(text, MB_OK);
        return FALSE;
    }
    return TRUE;
}

// TRUE when no folder on the way to the target, nor the target itself, is a link; otherwise tells
// why. An elevated installation would write wherever a link that a user made points.
BOOL CheckTargetNoLink(const CString& strDir)
{
    if (!AfxLinkInPath(strDir)) return TRUE;
    CString text = AfxTextFormat("target.link", strDir.GetString());
    AfxMessageBox(text, MB_OK);
    return FALSE;
}

}  // namespace

BOOL CSetupApp::CheckNotInstalledElsewhere()
{
    // The folder that the product's entry keeps its record for, while that record is still there:
    // a second folder would take over the entry, and nothing would list the first installation.
    CString there = InstallationElsewhere(CRegistryAnchorStore(), m_config.m_strProductName, m_bForOneUser,
                                          AfxNormalisedPath(m_config.m_strInstallDir), RecordIsThere);
    if (there.IsEmpty()) return TRUE;
    AfxMessageBox(AfxTextFormat("target.installed_elsewhere", m_config.m_strProductName.GetString(), there.GetString()),
                  MB_OK);
    return FALSE;
}

BOOL CSetupApp::CheckTargetDirectory()
{
    const CString& dir = m_config.m_strInstallDir;
    // Before anything is made: a target whose own files cannot be named would be left made and empty.
    if (!CheckTargetLength(dir) || !CheckTargetNoLink(dir)) return FALSE;
    CString text;
    DWORD attributes = GetFileAttributesA(dir);
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) return TRUE;
        text = AfxTextFormat("target.not_directory", dir.GetString());
        AfxMessageBox(text, MB_OK);
        return FALSE;
    }
    DWORD err = GetLastError();
    if (err != ERROR_FILE_NOT_FOUND && err != ERROR_PATH_NOT_FOUND) {
        text = AfxTextFormat("target.error", dir.GetString());
        AfxMessageBox(text, MB_OK);
        return FALSE;
    }
    text = AfxTextFormat("target.create", dir.GetString());
    if (AfxMessageBox(text, MB_OKCANCEL | MB_ICONQUESTION) == IDCANCEL) return FALSE;
    // Looked at again once made: a missing level that someone made a link meanwhile led the
    // creation elsewhere.
    if (CreateDirectoryTree(dir)) return CheckTargetNoLink(dir);
    AfxMessageBox(AfxText("target.create_failed"), MB_OK);
    return FALSE;
}

BOOL CSetupApp::CreateDirectoryTree(const CString& strPath)
{
    // "D:\Games\New\" is the directory "D:\Games\New": without this its parent would be that
    // same directory, created first, and the last creation would then fail as already existing.
    if (strPath.GetLength() > 3 && strPath[strPath.GetLength() - 1] == '\\')
        return CreateDirectoryTree(strPath.Left(strPath.GetLength() - 1));
    if (GetFileAttributesA(strPath) == INVALID_FILE_ATTRIBUTES && GetLastError() == ERROR_PATH_NOT_FOUND) {
        // Some parent is missing: make the outer levels first. A path without a backslash has no
        // parent, so the recursion always ends.
        int cut = strPath.ReverseFind('\\');
        if (cut >= 0 && !CreateDirectoryTree(strPath.Left(cut))) return FALSE;
    }
    // Elevated, each folder made gets the program folder's access list instead of its parent's
    // (a folder made under a drive's root would let every user change it), and passes it on to
    // everything the installation creates inside.
    // A folder of one user's own keeps what it inherits from the user's profile.
    CSecurityAttributes security;
    if (!AfxBuildInstallSecurity(security, m_bForOneUser)) return FALSE;
    SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, FALSE};
    if (!CreateDirectoryA(strPath, security.Get() ? security.Get() : &sa)) return FALSE;
    m_madeFolders.push_back(strPath);
    return TRUE;
}

#endif
