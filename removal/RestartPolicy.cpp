// Which items a removal may leave to the restart, and their arrangement (RestartPolicy.h).
#include "RestartPolicy.h"

#include "AfxElevation.h"
#include "AfxRestartGate.h"
#include "AfxSecurity.h"

namespace {
CString g_strRestartFolder;  // empty: nothing may be arranged for the restart
}  // namespace

void AllowRestartBelow(const CFolderHandle& target, const CString& strTarget)
{
    g_strRestartFolder = CString();
    if (AfxIsElevated() && target.IsOpen() && AfxOnlyTrustedCanWrite(target.Get()) &&
        AfxClosedToUsers(strTarget))
        g_strRestartFolder = strTarget;
}

bool RestartAllowed() { return !g_strRestartFolder.IsEmpty(); }

bool DeleteAtRestart(const CString& strPath)
{
    const CString& folder = g_strRestartFolder;
    bool bInside = !folder.IsEmpty() && (strPath.CompareNoCase(folder) == 0 ||
                                          (strPath.GetLength() > folder.GetLength() + 1 &&
                                           strPath.Left(folder.GetLength() + 1).CompareNoCase(folder + "\\") == 0));
    if (!bInside || strPath.Find("\\..") >= 0) {
        SetLastError(AfxIsElevated() ? kErrorOpenToUsers : ERROR_ACCESS_DENIED);
        return false;
    }
    return AfxArrangeAtRestart(strPath);
}
