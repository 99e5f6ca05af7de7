// The finishing run at the user's sign-in: replacements put in place (SignInFinish.h).
#include "SignInFinish.h"

#include "AfxElevation.h"
#include "AfxExitCodes.h"
#include "AfxInUse.h"
#include "AfxRestartGate.h"
#include "InstallRecordFormat.h"
#include "SameName.h"

int FinishReplacements(const InstallRecord& record, const CFolderHandle& target, const CString& strTarget,
                       const CString& strProgramName, const CString& strProduct, CLogFile& log)
{
    const int nSuffix = int(sizeof kReplacementSuffix) - 1;
    bool bWaiting = false, bFailed = false;
    for (const LogItem& item : record.items) {
        const CString& path = item.strPath;
        if (item.kind != LogItemKind::File || path.GetLength() <= nSuffix ||
            !SameEntryPath(path.Right(nSuffix).Str(), kReplacementSuffix))
            continue;
        int cut = path.ReverseFind('\\');
        CFolderHandle parent;
        if (cut > 0 && !parent.OpenChild(target, path.Left(cut))) continue;
        CString from = strTarget + "\\" + path, to = from.Left(from.GetLength() - nSuffix);
        if (GetFileAttributesA(from) == INVALID_FILE_ATTRIBUTES) continue;  // put in place already
        if (MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING)) continue;
        // The file replaced is the one a program may hold; a read-only one will not let go later either.
        const bool bHeld = AfxIsHeldByProgram(GetLastError(), to);
        (bHeld ? bWaiting : bFailed) = true;
        log.WriteLine("Left: " + from + " (" + (bHeld ? "in use" : "the system refused") + ")");
    }
    if (bWaiting &&
        !AfxArrangeAtSignIn(strProduct + kFinishCommandSuffix, strTarget + "\\" + strProgramName, kFinishSwitch))
        bFailed = true;
    log.Close();
    return bFailed ? kExitFailed : bWaiting ? kExitRestartNeeded : kExitDone;
}
