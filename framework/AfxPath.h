// The running program's own file, and the folder and name parts of a path.
#pragma once

#include "AfxString.h"

#include <functional>

// The folder of a path, without the last separator ('\' or '/'): "C:\dir\a.exe" gives "C:\dir";
// empty when the path has no separator.
CString AfxFolderOf(const CString& strPath);
// The last component of a path: "C:\dir\a.exe" gives "a.exe"; the whole path when it has no
// separator.
CString AfxNameOf(const CString& strPath);

#ifdef _WIN32
// The text a system call writes into a buffer it is given, for the calls that answer with the
// length written (no NUL) or, when the buffer is too small, the size they need (NUL included), and
// 0 on failure: GetCurrentDirectoryA, GetTempPathA, GetFullPathNameA, GetLongPathNameA and the
// like. The buffer grows as asked: in UTF-8 a name of MAX_PATH characters takes up to three times
// as many bytes. Empty on failure.
CString AfxCallForText(const std::function<DWORD(char* pBuffer, DWORD nSize)>& call);
// The full path of the running program's file; empty when the system cannot tell it.
CString AfxGetProgramPath();
// strPath made full, its short (8.3) components long where they exist; empty when it does not fit
// MAX_PATH characters. Two spellings of one place give the same text, but for case.
CString AfxNormalisedPath(const CString& strPath);
#endif
