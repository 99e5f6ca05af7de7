// Which paths an elevated program may hand to the restart of the system, and the one arrangement
// for the restart and the one for the next sign-in (Win32).
//
// A delete or a rename that waits for the restart is carried out by name, long after the program
// has let its folders go. Whoever can by then rename a folder on the way, or make a new one (a
// link) where one stood, decides what that name reaches: the restart would delete or overwrite
// there with the system's rights. So a path is handed to the restart only when, from the volume's
// root down to the folder that holds the item, every folder is one that nobody but SYSTEM, the
// administrators, the system's installer service and the user running the program can change:
//
// - its owner is one of them (an owner may always rewrite the access list);
// - it is no link (no reparse point: a symbolic link, a junction, a mount point);
// - no entry of its access list that applies to the folder itself (inherit-only entries do not)
//   gives anyone else a right to delete or rename it or its entries, or to change its access list
//   or owner (kAfxRedirectRights), and below the root nor a right to write into it either: to add
//   a file or a folder, to change its attributes (kAfxChangeRights). A drive's root lets every
//   signed-in user make folders of their own, and cannot be helped; but none of them may rename
//   or remove what is there, so a name that leads into a closed folder at the root stays put.
//
// A folder that users may add to below the root fails: nobody could redirect what is in it today,
// but a folder of the chain that someone later removes could come back as a user's link. What is
// refused is left where it is and named, never handed to the restart by name.
#pragma once

#include "AfxString.h"

#ifdef _WIN32

// The error for a path whose folders users could change (ERROR_UNTRUSTED_MOUNT_POINT: "the path
// cannot be traversed because it contains an untrusted mount point").
const DWORD kErrorOpenToUsers = 448;

// What lets a holder rename, replace or re-permission a folder or its entries.
extern const DWORD kAfxRedirectRights;

// True when this program has the administrators' rights and every folder from strFolder's volume
// root ("C:\") down to strFolder itself is closed as described above. With bLastMayAdd, others may
// add to strFolder itself (but not rename, remove or re-permission anything in it): enough for a
// folder in which the program only makes new items of its own, exclusively, and holds them.
// strFolder is a full path with a drive letter, without "." or ".." components (else false).
// False with GetLastError kErrorOpenToUsers when a folder fails, or the system's error when one
// cannot be looked at.
bool AfxClosedToUsers(const CString& strFolder, bool bLastMayAdd = false);

// The rule for one folder's owner and access list: bRoot for a volume's root (others may add to
// it), bMayAdd for a folder that others may add to as well.
bool AfxFolderSecurityClosed(PSECURITY_DESCRIPTOR sd, bool bRoot, bool bMayAdd);

// True when strPath (a file or a folder) may be deleted or replaced at the restart: the folder
// that holds it passes AfxClosedToUsers.
bool AfxMayLeaveToRestart(const CString& strPath);

// The one arrangement for the restart: strPath (a file or an empty folder) is deleted at the next
// restart of the system, or, with strNewPath, replaced then with the file at strPath. False,
// arranging nothing, when the system would not take it (GetLastError). Only programs with the
// administrators' rights may arrange anything for the restart: without them this is refused
// (ERROR_ACCESS_DENIED) without asking the system, whose answer some versions give wrongly; nor is
// anything arranged for a path whose folders users could change (AfxMayLeaveToRestart: both paths
// of a replacement), with kErrorOpenToUsers. Folders must be arranged after what they hold: the
// restart works in the order arranged.
bool AfxArrangeAtRestart(const CString& strPath, const CString& strNewPath = CString());

// The one arrangement for the next sign-in, what a program without those rights arranges instead:
// the program strProgram (a full path) with strArguments, run once when the user next signs in (the
// user's own RunOnce list, under strName, which replaces an earlier command of that name). False
// when the registry refuses. AfxCancelAtSignIn takes such a command back.
bool AfxArrangeAtSignIn(const CString& strName, const CString& strProgram, const CString& strArguments);
void AfxCancelAtSignIn(const CString& strName);

#endif
