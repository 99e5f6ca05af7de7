// A private temporary folder: the place where a program copies or unpacks something that it is
// about to run with its own rights.
//
// The folder did not exist before (it is created exclusively, under a name from the system's random
// source), and its access list, which inherits nothing from the parent, gives SYSTEM and
// Administrators full control and nobody else any right; unelevated, the current user too. What
// is created inside inherits that list. So no other user's program, nor the user's own
// unelevated ones while an elevated program runs from it, can plant a DLL beside what runs from
// it, or swap a file between its writing and its start.
#pragma once

#include "AfxString.h"

#ifdef _WIN32

// Creates the folder in the user's temporary folder (for SYSTEM, the system's own temporary
// folder where Windows has one) and returns its path, without a trailing backslash. False, with
// the error in GetLastError, when none could be created.
bool AfxCreatePrivateFolder(CString& strFolder);

// True when strFolder (no trailing backslash) has the form of a folder that AfxCreatePrivateFolder
// makes: a name of its kind directly in the temporary folder. Says nothing of who made it.
bool AfxIsPrivateFolder(const CString& strFolder);

// Deletes the folder and everything in it, through handles relative to the folder's, never
// following a link. What cannot be deleted now (a running program, a file held open) is marked
// for deletion at the next restart, with the folder itself.
void AfxRemovePrivateFolder(const CString& strFolder);

#endif
