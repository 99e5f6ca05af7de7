// Whom a run installs for: everyone who uses the computer, or the user who runs the installer.
#include "ScopeChoice.h"

#include "AfxElevation.h"
#include "AfxMessageBox.h"
#include "AfxPath.h"
#include "AfxRegistry.h"
#include "AfxShell.h"
#include "AfxText.h"
#include "AfxWnd.h"
#include "InstallRecordFormat.h"
#include "OneInstallation.h"
#include "RegistryAnchorStore.h"
#include "RunOutcome.h"
#include "ScopeDlg.h"
#include "SetupOptions.h"
#include "TargetFolder.h"

namespace {

// The record in strFolder, read through the folder held open (never through a link).
bool ReadRecordIn(const CString& strFolder, RecordFileRead& log, RecordFileRead& prior)
{
    CTargetFolder folder;
    bool bChangeable = false;
    if (folder.Open(strFolder, nullptr) != NO_ERROR || !folder.ReadRecordFile(kInstallLogName, log, &bChangeable))
        return false;
    folder.ReadRecordFile(kPriorRecordName, prior, &bChangeable);
    return true;
}

// Whether the product has an entry in the list of installed programs below hRoot that names a
// folder: an installation there. Only for the machine's entry, which only administrators write.
bool InstalledBelow(int nRoot, const CString& strProduct)
{
    if (!IsUsableProductName(strProduct)) return false;
    CString location;
    return AfxRegQueryString(RegistryRootKey(nRoot), EntryKeyPath(strProduct), kEntryInstallLocation, location, 1024) &&
           !location.IsEmpty();
}

// A value for the command line, quoted.
CString Quoted(const char* pszSwitch, const CString& strValue) { return CString(" \"") + pszSwitch + strValue + "\""; }

// The command line of this program started again for the scope chosen (pszScope: /ALLUSERS or
// /CURRENTUSER): what it was asked, with the choice made and the mark that it may not start itself
// again. /D= takes the rest of the line: it comes last.
CString ArgumentsAgain(const SetupOptions& options, const char* pszScope)
{
    CString text = CString(options.bSilent ? "/S " : "") + pszScope + " " + kAfxStartedAgainSwitch;
    // The program started again speaks the language this one speaks.
    if (!options.bSilent) return text + " /LANG=" + AfxGetLanguage();
    if (!options.strLogFile.IsEmpty()) text += Quoted("/LOG=", options.strLogFile);
    if (options.bAllowDowngrade) text += " /DOWNGRADE";
    if (options.bHasTarget) text += " /D=" + options.strTarget;
    return text;
}

}  // namespace

int CScopeChoice::Choose(const SetupOptions& options, bool bAsk, const std::function<void()>& beforeAgain)
{
    const CString& product = m_strProduct;
    if (options.bAllUsers && options.bCurrentUser) return Refuse(RunEnd::scopeRefused, AfxText("scope.exclusive"));
    if ((options.bAllUsers && m_scope == SetupScope::user) || (options.bCurrentUser && m_scope == SetupScope::machine)) {
        CString text = AfxTextFormat(m_scope == SetupScope::user ? "scope.only_user" : "scope.only_everyone",
                                     product.GetString(), options.bAllUsers ? "/ALLUSERS" : "/CURRENTUSER");
        return Refuse(RunEnd::scopeRefused, text);
    }
    bool bForOneUser = m_scope == SetupScope::user;
    if (m_scope == SetupScope::either) {
        if (options.bAllUsers || options.bCurrentUser) {
            bForOneUser = options.bCurrentUser != FALSE;
        } else {
            // A reinstallation goes where the installed product is.
            // The user's own entry counts only with the record it vouches for: a bare InstallLocation
            // there, which any of the user's programs can write, decides nothing.
            if (!InstallationForUser(CRegistryAnchorStore(), product, ReadRecordIn).IsEmpty()) bForOneUser = true;
            else if (InstalledBelow(kRootLocalMachine, product)) bForOneUser = false;
            else bForOneUser = m_preferred == SetupScope::user;
            if (bAsk) {
                CScopeDlg dlg(product, bForOneUser);
                if (dlg.DoModal() != IDOK) return Refuse(RunEnd::userLeft);
                bForOneUser = dlg.ForOneUser();
            }
        }
    }
    m_bForOneUser = bForOneUser;
    if (bForOneUser && m_nMachineWideLine)
        return Refuse(RunEnd::scopeRefused, AfxTextFormat("scope.machine_line", m_nMachineWideLine));
    // Before this program starts itself again with other rights and before anything is made; the
    // program started again looks once more, and finds the same. A product installed only for
    // everyone has no installation for one user to look for: entries of the user's own are not read.
    CString there;
    if (m_scope != SetupScope::machine)
        there = InstallationInOtherScope(CRegistryAnchorStore(), product, bForOneUser, RecordIsThere, ReadRecordIn);
    if (!there.IsEmpty() && bForOneUser)
        return Refuse(RunEnd::otherScopeInstalled, AfxTextFormat("scope.other_for_everyone", product.GetString(), there.GetString(),
                                     there.GetString(), kUninstallerName));
    // The user's installation is the user's to remove: no program of the user's folder is named.
    if (!there.IsEmpty())
        return Refuse(RunEnd::otherScopeInstalled,
                      AfxTextFormat("scope.other_for_user", product.GetString(), there.GetString()));
    return StartAgainWhereDue(options, beforeAgain);
}

void CScopeChoice::PlaceTarget(CString& strInstallDir) const
{
    CString base;
    if (m_bForOneUser && AfxGetUserProgramFilesFolder(base)) strInstallDir = base + "\\" + AfxNameOf(strInstallDir);
}

// An installation for everyone is made with the administrators' rights, one for a user with that
// user's own rights alone: everything it reads and writes the user's everyday programs may change.
// This program started with the wrong ones starts itself again with the right ones, once.
int CScopeChoice::StartAgainWhereDue(const SetupOptions& options, const std::function<void()>& beforeAgain)
{
    AfxRights rights = AfxGetRights();
    bool bAsUser = m_bForOneUser && rights == AfxRights::elevated;
    bool bForEveryone = !m_bForOneUser && (rights == AfxRights::limited || rights == AfxRights::noWay);
    if (!bAsUser && !bForEveryone) return -1;
    if (options.bStartedAgain)
        return Refuse(RunEnd::rightsUnavailable,
                      AfxText(bAsUser ? "rights.again_still_admin" : "rights.again_still_not_admin"));
    if (bForEveryone && rights == AfxRights::noWay) return Refuse(RunEnd::rightsUnavailable, AfxText("rights.no_way"));
    CString dir = AfxCallForText([](char* p, DWORD n) { return GetCurrentDirectoryA(n, p); });
    if (m_pHide) m_pHide->ShowWindow(SW_HIDE);
    if (beforeAgain) beforeAgain();
    int nCode = bAsUser ? AfxRunAsUser(AfxGetProgramPath(), ArgumentsAgain(options, "/CURRENTUSER"), dir)
                        : AfxRunElevated(AfxGetProgramPath(), ArgumentsAgain(options, "/ALLUSERS"), dir);
    if (nCode >= 0) return nCode;
    return Refuse(RunEnd::rightsUnavailable, AfxText(bAsUser ? "rights.as_user_failed" : "rights.not_given"));
}
