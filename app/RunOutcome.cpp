// How a run of Setup.exe ends (see RunOutcome.h).
#include "RunOutcome.h"

#include "AfxMessageBox.h"
#include "AfxText.h"
#include "InstallWorker.h"

RunEnd FinishedRunEnd(const InstallJob& job)
{
    if (!GetInstallFlag(job.pDone) || GetInstallFlag(job.pFailed)) return StoppedRunEnd(job);
    return job.pRestart && GetInstallFlag(job.pRestart) ? RunEnd::installedAtRestart : RunEnd::installed;
}

RunEnd StoppedRunEnd(const InstallJob& job)
{
    return job.pWritten && GetInstallFlag(job.pWritten) ? RunEnd::stoppedAfterChange : RunEnd::failedBeforeChange;
}

int TellRunEnd(RunEnd end)
{
    // The first line of an installation's end stays the same either way: scripts and users look for it.
    const bool bInstalled = end == RunEnd::installed || end == RunEnd::installedAtRestart;
    if (const char* pszKey = RunEndTextKey(end))
        AfxMessageBox(AfxText(pszKey), bInstalled ? MB_OK | MB_ICONINFORMATION : MB_ICONHAND);
    return RunEndExitCode(end);
}

int Refuse(RunEnd cause, const CString& strText)
{
    if (!strText.IsEmpty()) AfxMessageBox(strText, MB_ICONHAND);
    return RunEndExitCode(cause);
}
