// Whom a run installs for: everyone who uses the computer, or the user who runs the installer; and
// this program started again, once, with the rights that the choice needs.
#pragma once

#include "AfxString.h"
#include "SetupExtensions.h"

#include <functional>

class CWnd;
struct SetupOptions;

class CScopeChoice {
public:
    // strProduct and ext as Setup.ini names them; nMachineWideLine, the line of the registry
    // script's first key that an installation for one user does not write (0: none); pHide, a
    // window hidden while this program runs again (may be null).
    CScopeChoice(const CString& strProduct, const SetupExtensions& ext, int nMachineWideLine, CWnd* pHide)
        : m_strProduct(strProduct), m_scope(ext.scope), m_preferred(ext.preferred),
          m_nMachineWideLine(nMachineWideLine), m_pHide(pHide)
    {
    }

    // Decides: the medium's Scope, for either the switch, else the scope of the installed product,
    // else the author's preference, asked about when bAsk. The product installed in the other scope
    // (InstallationInOtherScope) refuses the run before anything is made or started again. Returns
    // -1 to go on, with ForOneUser() set; otherwise the run's exit code, having told why it ends
    // here (a refusal), or that of this program started again with the rights that the choice
    // needs. beforeAgain, when given, is called before it starts again.
    int Choose(const SetupOptions& options, bool bAsk, const std::function<void()>& beforeAgain = nullptr);
    bool ForOneUser() const { return m_bForOneUser; }
    // The target of an installation for one user: the user's own folder for programs with the
    // last part of the author's folder. strInstallDir unchanged for everyone, or when the user has
    // no such folder.
    void PlaceTarget(CString& strInstallDir) const;

private:
    int StartAgainWhereDue(const SetupOptions& options, const std::function<void()>& beforeAgain);

    CString m_strProduct;
    SetupScope m_scope;
    SetupScope m_preferred;
    int m_nMachineWideLine;
    CWnd* m_pHide;
    bool m_bForOneUser = false;
};
