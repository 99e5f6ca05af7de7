// The uninstaller started again with the rights that the installation's scope asks for: an
// installation for everyone is removed with the administrators' rights, one for one user with that
// user's own rights alone. Each start again happens once (kAfxStartedAgainSwitch); the log and the
// target are let go while the other process runs, and taken again when it could not be started.
#include "UninstallApp.h"

#include "AfxPath.h"
#include "AfxShell.h"
#include "AfxText.h"
#include "InstallRecordFormat.h"
#include "RegistryAnchorStore.h"
#include "SameName.h"

// This program again, once, with the administrators' rights.
int CUninstallApp::AgainElevated(AfxRights rights)
{
    const char* why = m_options.bStartedAgain ? AfxText("uninstall.why_started_again")
                      : rights == AfxRights::noWay ? AfxText("uninstall.why_no_way")
                                                   : nullptr;
    int nCode = -1;
    if (!why) {
        m_voice.CloseLog();
        m_target.Close();
        nCode = AfxRunElevated(AfxGetProgramPath(), OptionsPassedOn(m_options) + " " + kAfxStartedAgainSwitch, m_strTarget);
        if (nCode >= 0) return nCode;
        m_voice.OpenLog();
        why = AfxText("uninstall.why_not_given");
    }
    return m_voice.Refuse(RunEnd::rightsUnavailable,
                          AfxTextFormat("uninstall.needs_admin", m_voice.Product().GetString(), why));
}

// This program again, once, as the signed-in user without the administrators' rights.
int CUninstallApp::AgainAsUser()
{
    m_voice.SetProduct(AfxNameOf(m_strTarget));
    if (m_options.bStartedAgain) return m_voice.Refuse(RunEnd::rightsUnavailable, AfxText("uninstall.again_still_admin"));
    m_voice.CloseLog();
    m_target.Close();
    int nCode = AfxRunAsUser(AfxGetProgramPath(), OptionsPassedOn(m_options) + " " + kAfxStartedAgainSwitch, m_strTarget);
    if (nCode >= 0) return nCode;
    m_voice.OpenLog();
    return m_voice.Refuse(RunEnd::rightsUnavailable, AfxTextFormat("uninstall.as_user_failed", m_strTarget.GetString()));
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

