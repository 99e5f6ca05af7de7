// RegistryScript: the REGEDIT4 part of Setup.ini, applied to the registry at the end of a run.
#pragma once

#include "AfxFile.h"
#include "EarlierInstallation.h"
#include "PriorRecord.h"
#include "RegistryBackend.h"

#include <string>

// Told where a run of the script is, so that a dry run can name the line of each thing it did.
// Each call comes before the registry operations and log lines it announces.
struct SetupExtensions;

class RegistryScriptObserver {
public:
    virtual ~RegistryScriptObserver() = default;
    // The marker was found at pMarker; the script starts on the line after it.
    virtual void OnStart(const char* pMarker) = 0;
    // The key line or value line that starts at pLine is about to be applied.
    virtual void OnLine(const char* pLine) = 0;
    // The key lines are over. pLine is the line where they ended (one that is not a key line
    // where a key line may stand, or the line that failed), nullptr when the text ended first;
    // pszFailure says why that line failed, nullptr when nothing failed.
    virtual void OnScriptEnd(const char* pLine, const char* pszFailure) = 0;
    // The uninstall registration begins.
    virtual void OnUninstall() = 0;
};

class RegistryScript {
public:
    // Loads the whole decoded text of pszFileName (always Setup.ini) and keeps the install path and
    // the product name. The file was read at start-up and is expected to be there still: when it
    // cannot be opened, the length query throws the framework's CFileException.
    RegistryScript(const char* pszFileName, const CString& strInstallPath, const CString& strProductName);
    RegistryScript(const RegistryScript&) = delete;
    RegistryScript& operator=(const RegistryScript&) = delete;
    // The same from a decoded text already in memory: keeps a zero-terminated copy of its
    // nLength bytes.
    RegistryScript(const char* pText, size_t nLength, const CString& strInstallPath, const CString& strProductName);
    ~RegistryScript();

    // Applies the script to the system registry (GetSystemRegistry) and appends its lines to log.
    // Returns nonzero when every key line, key, value line and the uninstall registration succeeded
    // (also when there is no script at all, or it ends before its first key line), zero otherwise;
    // a failure ends the script where it happened and shows no message. The text is only read.
    // Throws only what writing to the log throws; every key opened is closed first.
    int Apply(CFile& log);
    // The same against the given registry, telling pObserver (when given) where it is.
    int Apply(CFile& log, RegistryBackend& registry, RegistryScriptObserver* pObserver = nullptr);

    const char* GetText() const { return m_pText; }

    CString m_strProductName;
    CString m_strInstallPath;
    char* m_pText = nullptr;
    // Set by the installation before Apply. The unpacked payload's size in bytes, for the uninstall
    // entry's EstimatedSize. Where each key that existed and each value replaced is recorded (before
    // its log line is written); none: nothing is recorded and no value is read first. What an
    // earlier installation into the same folder made and found; none: no earlier one.
    UINT m_nPayloadBytes = 0;
    // Set by Apply when the script opened a key under HKEY_CLASSES_ROOT (file types and their
    // programs), so that the installation can tell the shell.
    bool m_bClassesRootWritten = false;
    PriorRecordWriter* m_pRecord = nullptr;
    const EarlierInstallation* m_pEarlier = nullptr;
    // Keys that the installation made itself before the script ran (the uninstall entry, made to
    // keep the record's digests in): never recorded as found there.
    std::vector<PriorKey> m_madeKeys;
    // Set by Apply once it has written the registry part's marker to the log.
    bool m_bMarkerWritten = false;
    // Set before Apply by an installation whose files are in place: a script that stops (a line
    // that fails, a key the registry refuses or that lies below a registry link, a script refused
    // whole) still registers the product, so that its uninstaller can remove what is there; Apply
    // returns zero all the same. Without it a stopped script registers nothing.
    bool m_bRegisterAfterStop = false;
    // Set by Apply when the script stopped: the line of the text that stopped it (1 for the first,
    // lines ended by CR LF; 0 when unknown) and why, one clause; empty when it did not stop.
    int m_nStoppedLine = 0;
    std::string m_strStopped;
    // Set by Apply when the product's entry was registered whole, its name and uninstall command
    // included.
    bool m_bRegistered = false;
    // Set before Apply when the product is installed for the user who runs the installer: the
    // uninstall entry goes below HKEY_CURRENT_USER, a key line under HKEY_CLASSES_ROOT writes
    // below HKEY_CURRENT_USER\Software\Classes (the user's own file types), and a script with a
    // key line under HKEY_LOCAL_MACHINE or HKEY_USERS is refused whole, before anything is
    // written (FindMachineWideLine; Apply returns zero and tells the observer that line).
    bool m_bForOneUser = false;
    // Set before Apply by an installation that has read the text's extension lines already (the
    // version and publisher the registration writes); null: Apply reads them from the text.
    const SetupExtensions* m_pExtensions = nullptr;

    // The first key line of the script in pszText (a whole Setup.ini) under HKEY_LOCAL_MACHINE or
    // HKEY_USERS: what a product installed for one user may not write. nullptr when there is none.
    static const char* FindMachineWideLine(const char* pszText);
    static const char* const kMachineWideReason;

private:
    // The script stopped at the line that starts at pLine (null: its line is unknown), for strWhy.
    void NoteStop(const char* pLine, const std::string& strWhy);
};
