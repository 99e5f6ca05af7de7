// Loading DLLs only from the system folder.
//
// A program that runs with administrator rights must never load a DLL that someone could put in a
// folder it searches: its own folder (Downloads, a medium, an installed product's folder), the
// current folder, the PATH. The programs import statically only DLLs that Windows always takes
// from the system folder, restrict the search for everything loaded later, and load any other DLL
// they need by name from the system folder only.
#pragma once

#include "AfxPlatform.h"

#ifdef _WIN32

// The programs' safe start, called first thing (before any window, dialog or other DLL): DLLs
// loaded later, by the program or by the system's own DLLs, come from the system folder only.
// Uses SetDefaultDllDirectories where kernel32 has it; older systems at least lose the current
// folder from the search (SetDllDirectoryA("")). Returns false when only the second was possible.
bool AfxRestrictDllSearch();

// Loads a DLL of the system folder by file name ("comctl32.dll"), never from anywhere else.
// Null, with GetLastError's error, when it cannot be loaded.
HMODULE AfxLoadSystemLibrary(const char* pszName);

// The function pszName of a DLL loaded at run time, as the pointer type Proc; null when the DLL
// lacks it (an older system, or Wine, may implement less).
template <class Proc>
Proc AfxGetSystemProc(HMODULE hModule, const char* pszName)
{
    if (!hModule) return nullptr;
    return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(hModule, pszName)));
}

#endif
