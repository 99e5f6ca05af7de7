// Whom a run installs for: everyone who uses the computer, or the user who runs the installer.
#include "SetupApp.h"

#include "AfxMessageBox.h"
#include "AfxPath.h"
#include "AfxSecurity.h"
#include "AfxShell.h"
#include "InstallRecordFormat.h"
#include "BackdropWnd.h"
#include "ScopeDlg.h"

namespace {

// Whether the product has an entry in the list of installed programs below hRoot that names a
// folder: an installation there.
bool InstalledBelow(HKEY hRoot, const CString& strProduct)
{
    if (strProduct.IsEmpty() || strProduct.Str().find_first_of("\r\n") != std::string::npos) return false;
    CString location;
    return AfxRegQueryString(hRoot, kUninstallKeyPath + strProduct, "InstallLocation", location, 1024) &&
           !location.IsEmpty();
}

// A value for the command line, quoted.
CString Quoted(const char* pszSwitch, const CString& strValue) { return CString(" \"") + pszSwitch + strValue + "\""; }

// The command line of this program started again for everyone: what it was asked, with the
// choice made. /D= takes the rest of the line: it comes last.
CString ArgumentsForEveryone(const SetupOptions& options)
{
    CString text = options.bSilent ? "/S /ALLUSERS" : "/ALLUSERS";
    if (!options.bSilent) return text;
    if (!options.strLogFile.IsEmpty()) text += Quoted("/LOG=", options.strLogFile);
    if (options.bAllowDowngrade) text += " /DOWNGRADE";
    if (options.bHasTarget) text += " /D=" + options.strTarget;
    return text;
}

}  // namespace

int CSetupApp::ChooseScope(const SetupOptions& options, bool bAsk, const std::function<void()>& beforeAgain)
{
    const CString& product = m_config.m_strProductName;
    if (options.bAllUsers && options.bCurrentUser) {
        AfxMessageBox("FATAL: the options /ALLUSERS and /CURRENTUSER exclude each other", MB_ICONHAND);
        return kExitRefused;
    }
    if ((options.bAllUsers && m_scope == SetupScope::user) || (options.bCurrentUser && m_scope == SetupScope::machine)) {
        CString text;
        text.Format("FATAL: %s is installed only %s: the option %s does not apply", product.GetString(),
                    m_scope == SetupScope::user ? "for the user who installs it" : "for everyone",
                    options.bAllUsers ? "/ALLUSERS" : "/CURRENTUSER");
        AfxMessageBox(text, MB_ICONHAND);
        return kExitRefused;
    }
    bool bForOneUser = m_scope == SetupScope::user;
    if (m_scope == SetupScope::either) {
        if (options.bAllUsers || options.bCurrentUser) {
            bForOneUser = options.bCurrentUser != FALSE;
        } else {
            // A reinstallation goes where the installed product is.
            if (InstalledBelow(HKEY_CURRENT_USER, product)) bForOneUser = true;
            else if (InstalledBelow(HKEY_LOCAL_MACHINE, product)) bForOneUser = false;
            else bForOneUser = m_preferredScope == SetupScope::user;
            if (bAsk) {
                CScopeDlg dlg(product, bForOneUser);
                if (dlg.DoModal() != IDOK) return kExitRefused;
                bForOneUser = dlg.ForOneUser();
            }
        }
    }
    m_bForOneUser = bForOneUser;
    if (bForOneUser && m_nMachineWideLine) {
        CString text;
        text.Format("FATAL: line %d of Setup.ini writes below HKEY_LOCAL_MACHINE or HKEY_USERS, which an installation "
                    "for one user does not do: nothing was installed",
                    m_nMachineWideLine);
        AfxMessageBox(text, MB_ICONHAND);
        return kExitRefused;
    }
    if (!bForOneUser && !AfxIsElevated()) {
        // For everyone: this program again, with the administrators' rights, the choice handed on.
        char szDir[MAX_PATH] = {};
        GetCurrentDirectoryA(sizeof szDir, szDir);
        if (m_pBackdropWnd) m_pBackdropWnd->ShowWindow(SW_HIDE);
        if (beforeAgain) beforeAgain();
        int nCode = AfxRunElevated(AfxGetProgramPath(), ArgumentsForEveryone(options), szDir);
        if (nCode >= 0) return nCode;
        AfxMessageBox("FATAL: an installation for everyone who uses this computer needs administrator rights, which "
                      "were not given: nothing was installed",
                      MB_ICONHAND);
        return kExitRefused;
    }
    // The user's own folder for programs, with the last part of the author's folder.
    CString base;
    if (bForOneUser && AfxGetUserProgramFilesFolder(base))
        m_config.m_strInstallDir = base + "\\" + AfxNameOf(m_config.m_strInstallDir);
    return -1;
}
