// Files that a running program holds (Win32): which errors say so, and who holds them.
#pragma once

#include "AfxString.h"

// True for the errors that a delete meets when a program holds the file open: a sharing or lock
// violation, or "access denied" (Windows says that for a running program's file, and Wine for a
// file open without delete sharing). A read-only file meets "access denied" too; the caller tells
// the two apart by its attributes.
bool AfxIsInUseError(DWORD dwError);

// The programs that hold strPath open, as the Restart Manager names them ("Notepad, Reader"),
// looked up in rstrtmgr.dll of the system folder, loaded for the call. Empty when the system
// cannot tell: no Restart Manager (an older system, or Wine's, which knows nobody), or none named.
CString AfxProgramsHolding(const CString& strPath);
