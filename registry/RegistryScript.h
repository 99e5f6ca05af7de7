// RegistryScript: the REGEDIT4 part of Setup.ini, applied to the registry at the end of a run.
#pragma once

#include "AfxFile.h"
#include "RegistryBackend.h"

class RegistryScript {
public:
    // Loads the whole decoded text of pszFileName (always Setup.ini) and keeps the install path and
    // the product name. The file was read at start-up and is expected to be there still: when it
    // cannot be opened, the length query throws the framework's CFileException.
    RegistryScript(const char* pszFileName, const CString& strInstallPath, const CString& strProductName);
    RegistryScript(const RegistryScript&) = delete;
    RegistryScript& operator=(const RegistryScript&) = delete;
    ~RegistryScript();

    // Applies the script to the system registry (GetSystemRegistry) and appends its lines to log.
    // Returns nonzero when every key line, key, value line and the uninstall registration succeeded
    // (also when there is no script at all, or it ends before its first key line), zero otherwise;
    // a failure ends the script where it happened and shows no message. The text is only read.
    // Throws only what writing to the log throws; every key opened is closed first.
    int Apply(CFile& log);
    // The same against the given registry.
    int Apply(CFile& log, RegistryBackend& registry);

    const char* GetText() const { return m_pText; }

    CString m_strProductName;
    CString m_strInstallPath;
    char* m_pText = nullptr;
};
