// Files that a running program holds (Win32): which errors say so, and who holds them.
#pragma once

#include "AfxString.h"

// The one test of "a program holds this file", in two steps:
//
// AfxIsInUseError: the error itself says so, whatever the operation: a sharing or lock violation.
// That is all an open (for writing, say) can tell; "access denied" there is the file's own rights.
bool AfxIsInUseError(DWORD dwError);

// AfxIsHeldByProgram: the error that a delete of strPath, or a move over it, met says so: an in-use
// error, or "access denied" (Windows says that for a running program's file, and Wine for a file
// open without delete sharing) unless strPath is a read-only file, which meets it too.
bool AfxIsHeldByProgram(DWORD dwError, const CString& strPath);

// The programs that hold strPath open, as the Restart Manager names them ("Notepad, Reader"),
// looked up in rstrtmgr.dll of the system folder, loaded for the call. Empty when the system
// cannot tell: no Restart Manager (an older system, or Wine's, which knows nobody), or none named.
CString AfxProgramsHolding(const CString& strPath);
