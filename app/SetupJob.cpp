// What a run works on, windowed or silent: the target an earlier installation proposes and the job
// handed to the worker.
#include "SetupApp.h"

#include "AfxShell.h"
#include "InstallRecordFormat.h"
#include "InstallWorker.h"

void CSetupApp::ProposeEarlierLocation()
{
    const CString& product = m_config.m_strProductName;
    // The same key as the registration writes; a name it would refuse has no entry to read.
    if (product.IsEmpty() || product.Str().find_first_of("\r\n") != std::string::npos) return;
    CString key = kUninstallKeyPath + product;
    CString location;
    if (AfxRegQueryString(HKEY_LOCAL_MACHINE, key, "InstallLocation", location, 1024) && IsProposableLocation(location))
        m_config.m_strInstallDir = location;
}

InstallJob CSetupApp::MakeInstallJob(InstallFlag* pWritten) const
{
    InstallJob job;
    job.pDiskImage = &m_config.m_strDiskImage;
    job.pInstallDir = &m_config.m_strInstallDir;
    job.pProductName = &m_config.m_strProductName;
    job.pWritten = pWritten;
    return job;
}
