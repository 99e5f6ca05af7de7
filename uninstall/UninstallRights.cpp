// The uninstaller started again with the rights that the installation's scope asks for: an
// installation for everyone is removed with the administrators' rights, one for one user with that
// user's own rights alone. Each start again happens once (kAfxStartedAgainSwitch); the log and the
// target are let go while the other process runs, and taken again when it could not be started.
#include "UninstallApp.h"

#include "AfxPath.h"
#include "AfxShell.h"
#include "InstallRecordFormat.h"

// This program again, once, with the administrators' rights.
int CUninstallApp::AgainElevated(AfxRights rights)
{
    const char* why = m_options.bStartedAgain ? "this uninstaller was started again for them and still runs without them"
                      : rights == AfxRights::noWay ? "this computer does not give them to this user"
                                                   : nullptr;
    int nCode = -1;
    if (!why) {
        m_log.Close();
        m_target.Close();
        nCode = AfxRunElevated(AfxGetProgramPath(), OptionsPassedOn(m_options) + " " + kAfxStartedAgainSwitch, m_strTarget);
        if (nCode >= 0) return nCode;
        OpenLog();
        why = "which were not given";
    }
    Tell(m_strProduct + " was installed for everyone who uses this computer: removing it needs administrator rights, " +
             why + ".\n\nNothing was removed.",
         MB_ICONHAND);
    return kExitRefused;
}

// This program again, once, as the signed-in user without the administrators' rights.
int CUninstallApp::AgainAsUser()
{
    SetProduct(AfxNameOf(m_strTarget));
    if (m_options.bStartedAgain) {
        Tell("This uninstaller was started again without administrator rights and still has them.\n\nNothing was "
             "removed.",
             MB_ICONHAND);
        return kExitRefused;
    }
    m_log.Close();
    m_target.Close();
    int nCode = AfxRunAsUser(AfxGetProgramPath(), OptionsPassedOn(m_options) + " " + kAfxStartedAgainSwitch, m_strTarget);
    if (nCode >= 0) return nCode;
    OpenLog();
    Tell("The product in '" + m_strTarget +
             "' was installed for one user, and is removed with that user's own rights: this uninstaller, started "
             "with administrator rights, could not start itself again without them.\n\nNothing was removed. Start it "
             "from an everyday window, not as an administrator.",
         MB_ICONHAND);
    return kExitRefused;
}

// Whether an entry below nRoot names this folder as its installation's (digests unchecked).
bool CUninstallApp::FolderNamedUnder(int nRoot) const
{
    CRegistryAnchorStore store;
    CString folder = AfxNormalisedPath(m_strTarget);
    for (const CString& product : store.Products(nRoot)) {
        RecordAnchor anchor = store.Read(product, nRoot);
        if (anchor.bFound && SameFolder(anchor.strLocation, folder)) return true;
    }
    return false;
}

