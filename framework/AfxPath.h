// The running program's own file, and the folder and name parts of a path.
#pragma once

#include "AfxString.h"

// The folder of a path, without the last separator ('\' or '/'): "C:\dir\a.exe" gives "C:\dir";
// empty when the path has no separator.
CString AfxFolderOf(const CString& strPath);
// The last component of a path: "C:\dir\a.exe" gives "a.exe"; the whole path when it has no
// separator.
CString AfxNameOf(const CString& strPath);

#ifdef _WIN32
// The full path of the running program's file; empty when the system cannot tell it.
CString AfxGetProgramPath();
// strPath made full, its short (8.3) components long where they exist; empty when it does not fit
// MAX_PATH. Two spellings of one place give the same text, but for case.
CString AfxNormalisedPath(const CString& strPath);
#endif
