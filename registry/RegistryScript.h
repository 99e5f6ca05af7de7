// RegistryScript: the REGEDIT4 part of Setup.ini, applied to the registry at the end of a run.
#pragma once

#include "AfxFile.h"

class RegistryScript {
public:
    // Loads the whole decoded text of pszFileName (always Setup.ini) and keeps the install path and
    // the product name. The file was read at start-up and is expected to be there still: when it
    // cannot be opened, the length query throws the framework's CFileException.
    RegistryScript(const char* pszFileName, const CString& strInstallPath, const CString& strProductName);
    RegistryScript(const RegistryScript&) = delete;
    RegistryScript& operator=(const RegistryScript&) = delete;
    ~RegistryScript();

    // Applies the script to the registry and appends its lines to log. Returns nonzero when every
    // key line, key, value line and the uninstall registration succeeded (also when there is no
    // script at all), zero otherwise. Throws only what writing to the log throws.
    int Apply(CFile& log);

    const char* GetText() const { return m_pText; }

    CString m_strProductName;
    CString m_strInstallPath;
    char* m_pText = nullptr;
};
