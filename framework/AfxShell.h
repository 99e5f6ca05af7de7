// The shell's part of an installation: the Start menu's folders, shortcuts (shell links), the
// notice that file associations changed (Win32). The registry is read through AfxRegistry.h.
//
// SHELL32 and OLE32 are among the DLLs that Windows always takes from its system folder, so they
// are imported statically like KERNEL32.
#pragma once

#include "AfxString.h"

#ifdef _WIN32

// The all-users Start menu's "Programs" folder, without a trailing backslash. False when the
// system has none.
bool AfxGetCommonProgramsFolder(CString& strPath);
// The Start menu's "Programs" folder of the installation's scope: the all-users one, or with
// bForOneUser the running user's own. Without a trailing backslash; false when there is none.
// With bCreate the folder is made where the system keeps it when it is not there yet (a user who
// never signed in to a desktop has no Start menu of their own).
bool AfxGetProgramsFolder(bool bForOneUser, CString& strPath, bool bCreate = false);
// The folder under the running user's profile where programs installed for that user alone go
// (%LOCALAPPDATA%\Programs, as the shell knows it), without a trailing backslash; false when the
// shell knows none. The folder may not exist yet: this names it and makes nothing.
bool AfxGetUserProgramFilesFolder(CString& strPath);

// Writes the shortcut file pszLink (a .lnk path) that starts pszTarget in pszWorkingDir. Replaces
// a file of that name. Returns S_OK or the shell's error (an HRESULT). Initialises COM on the
// calling thread for the call when it is not yet.
HRESULT AfxCreateShellLink(const char* pszLink, const char* pszTarget, const char* pszWorkingDir);

// Reads back the target path of the shortcut file pszLink; S_OK or the shell's error.
HRESULT AfxReadShellLink(const char* pszLink, CString& strTarget);

// Starts strProgram with strArguments in strDirectory with the administrators' rights (the system
// asks the user for them: the "runas" verb), waits for it to end and returns its exit code; -1
// when it could not be started, the user's refusal included.
int AfxRunElevated(const CString& strProgram, const CString& strArguments, const CString& strDirectory);

// Tells the shell (Explorer) that file types or their programs changed, so it shows new icons
// and opens files with the new programs without a restart.
void AfxNotifyAssociationsChanged();

#endif
