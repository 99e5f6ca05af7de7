// Where the private folders of a test program go, with a trailing backslash: the user's temporary
// folder, or, elevated (as every program under Wine starts), the Windows folder's, in which the
// user's everyday programs cannot rename what an administrator made.
#pragma once

#include "AfxSecurity.h"
#include "AfxString.h"

inline CString PrivateFolderBase()
{
    char dir[MAX_PATH] = {};
    if (!AfxIsElevated()) {
        GetTempPathA(MAX_PATH, dir);
        return dir;
    }
    GetSystemWindowsDirectoryA(dir, MAX_PATH);
    return CString(dir) + "\\Temp\\";
}
