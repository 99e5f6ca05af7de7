// What a run works on, windowed or silent: whom it installs for, the target an earlier
// installation proposes, and the job handed to the worker.
#include "SetupApp.h"

#include "BackdropWnd.h"
#include "InstallWorker.h"
#include "ScopeChoice.h"

int CSetupApp::ChooseScope(const SetupOptions& options, bool bAsk, const std::function<void()>& beforeAgain)
{
    CScopeChoice choice(m_config.m_strProductName, m_extensions, m_nMachineWideLine, m_pBackdropWnd);
    const int nEnd = choice.Choose(options, bAsk, beforeAgain);
    if (nEnd >= 0) return nEnd;
    m_bForOneUser = choice.ForOneUser();
    choice.PlaceTarget(m_config.m_strInstallDir);
    return -1;
}

void CSetupApp::ProposeEarlierLocation()
{
    CString location = InstalledEntry().ProposedLocation();
    if (!location.IsEmpty()) m_config.m_strInstallDir = location;
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
