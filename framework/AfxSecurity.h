// Who may change what the programs make and what they trust (Win32).
//
// An elevated installation writes where administrators will later run programs and trust records:
// what it makes gets the access list of the system's program folder, and what it reads back from a
// folder it did not make is believed only when nobody else could have written it.
#pragma once

#include "AfxString.h"

#ifdef _WIN32

#include <memory>

// True when this program runs with the administrators' full rights (an elevated token).
bool AfxIsElevated();

// The name of the user this program runs as; empty when the system does not tell.
CString AfxGetUserName();

// An access list for what an elevated program makes, ready to hand to the Create... calls.
// The list is protected (nothing inherited from the parent) and inherited by everything that is
// later created inside a folder made with it.
class CSecurityAttributes {
public:
    enum Kind {
        // SYSTEM and Administrators full control, Users read and execute: the program folder's.
        kInstallFolder,
        // SYSTEM and Administrators full control and nobody else any right, when elevated; SYSTEM,
        // Administrators and the user running the program otherwise.
        kPrivateFolder,
    };

    CSecurityAttributes() = default;
    CSecurityAttributes(const CSecurityAttributes&) = delete;
    CSecurityAttributes& operator=(const CSecurityAttributes&) = delete;

    // False, with the error in GetLastError, when the list cannot be made.
    bool Build(Kind kind);
    // The attributes to pass, not inheritable as handles; null before a successful Build.
    SECURITY_ATTRIBUTES* Get() { return m_bBuilt ? &m_sa : nullptr; }

private:
    bool AddSid(WELL_KNOWN_SID_TYPE type, DWORD dwAccess);
    bool AddUser(DWORD dwAccess);

    std::unique_ptr<BYTE[]> m_sids[4];
    DWORD m_dwAccess[4] = {};
    int m_nSids = 0;
    std::unique_ptr<BYTE[]> m_acl;
    SECURITY_DESCRIPTOR m_sd = {};
    SECURITY_ATTRIBUTES m_sa = {};
    bool m_bBuilt = false;
};

// The one rule for the access list of what an installation makes: elevated and for all users, the
// program folder's (kInstallFolder); for one user's own folder, or without the administrators'
// rights, none (what is made inherits its parent's, so that its user can update and remove it).
// False, with the error in GetLastError, only when the list is needed and cannot be made;
// security.Get() is null when no list is needed.
bool AfxBuildInstallSecurity(CSecurityAttributes& security, bool bForOneUser);

// What lets a holder change a file: write, append, delete it, change its attributes, its access
// list or its owner.
extern const DWORD kAfxChangeRights;

// True when nobody but SYSTEM, Administrators and (with bUserTrusted) the user running this program
// holds any of dwRights on the file or folder open as h (opened with READ_CONTROL): its owner is
// one of them (an owner may always rewrite the access list), it has an access list, and no entry of
// it gives anyone else one of those rights. False also when the access list cannot be read.
// Elevated, the user's own SID proves nothing: the same person's everyday programs carry it.
bool AfxOnlyTrustedCanWrite(HANDLE h, DWORD dwRights = kAfxChangeRights, bool bUserTrusted = true);
// The same rule for an owner and access list already read (a self-relative or absolute descriptor).
// The system's installer service counts as trusted as SYSTEM does: it owns the system's folders.
bool AfxOnlyTrustedIn(PSECURITY_DESCRIPTOR sd, DWORD dwRights = kAfxChangeRights, bool bUserTrusted = true);

// Gives the file or folder open as h (with WRITE_DAC and WRITE_OWNER) the access
// list of pSecurity in place of its own, and the administrators as its owner where the system
// allows it: what an elevated installation writes or takes over, administrators own. False with
// GetLastError when the list cannot be set, and with kErrorHardLinked, untouched, for a file that
// has more than one name (AfxNoLinks.h; h then needs FILE_READ_ATTRIBUTES too).
bool AfxProtect(HANDLE h, SECURITY_ATTRIBUTES* pSecurity);

// The access list of the object open as h in the system's text form, for messages and tests;
// empty when it cannot be read.
CString AfxSecurityText(HANDLE h);

#endif
