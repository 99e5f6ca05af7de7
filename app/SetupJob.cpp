// What a run works on, windowed or silent: the target an earlier installation proposes, the job
// handed to the worker, and what its end tells.
#include "SetupApp.h"

#include "AfxMessageBox.h"
#include "AfxRegistry.h"
#include "AfxRunEnd.h"
#include "AfxText.h"
#include "InstallRecordFormat.h"
#include "InstallWorker.h"

void CSetupApp::ProposeEarlierLocation()
{
    const CString& product = m_config.m_strProductName;
    // The same key as the registration writes; a name it would refuse has no entry to read.
    if (!IsUsableProductName(product)) return;
    CString location;
    if (AfxRegQueryString(RegistryRootKey(EntryRoot(m_bForOneUser)), EntryKeyPath(product), kEntryInstallLocation,
                          location, 1024) &&
        IsProposableLocation(location))
        m_config.m_strInstallDir = location;
}

InstallJob CSetupApp::MakeInstallJob(InstallFlag* pWritten, InstallFlag* pRestart) const
{
    InstallJob job;
    job.pDiskImage = &m_config.m_strDiskImage;
    job.pInstallDir = &m_config.m_strInstallDir;
    job.pProductName = &m_config.m_strProductName;
    job.pWritten = pWritten;
    job.pRestart = pRestart;
    job.bForOneUser = m_bForOneUser;
    job.pMadeFolders = &m_madeFolders;
    if (!m_strSetupText.empty()) {
        job.pSetupText = &m_strSetupText;
        job.pExtensions = &m_extensions;
    }
    return job;
}

int CSetupApp::FinishedRun(const InstallJob& job)
{
    if (GetInstallFlag(job.pDone) && !GetInstallFlag(job.pFailed)) {
        // The first line stays the same either way: scripts and users look for it.
        const RunEnd end = job.pRestart && GetInstallFlag(job.pRestart) ? RunEnd::installedAtRestart : RunEnd::installed;
        AfxMessageBox(AfxText(RunEndTextKey(end)), MB_OK | MB_ICONINFORMATION);
        return RunEndExitCode(end);
    }
    return StoppedRun(job);
}

int CSetupApp::StoppedRun(const InstallJob& job)
{
    // Once Install.log exists the target holds what the log lists, and the uninstaller removes it.
    return RunEndExitCode(job.pWritten && GetInstallFlag(job.pWritten) ? RunEnd::stoppedAfterChange
                                                                         : RunEnd::failedBeforeChange);
}
