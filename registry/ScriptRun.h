// One application of the registry script (ScriptRun): the log, the registry and the install path it
// works with, the key and value lines applied in order, and what the run finds already there
// recorded for the uninstaller (PriorRecord.h). Used by the interpreter (RegistryScript.cpp) and by
// the registration of the product's entry (ProductRegistration.cpp), which writes through the same
// run so that its key and values are logged and recorded like a script's. Not for other callers.
// The lines are applied in RegistryScript.cpp; the registry operations and what they record are
// in ScriptRun.cpp.
#pragma once

#include "InstallLog.h"
#include "PriorRecord.h"
#include "RegistryScript.h"

#include <string>
#include <vector>

namespace regscript {

// Closes the key it holds when it goes, also when writing the log throws.
class OpenKey {
public:
    OpenKey(RegistryBackend& registry, HKEY hKey) : m_registry(registry), m_hKey(hKey) {}
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    ~OpenKey() { Close(); }
    HKEY Get() const { return m_hKey; }
    void Close()
    {
        if (m_hKey) m_registry.CloseKey(m_hKey);  // its result is of no use to anyone
        m_hKey = nullptr;
    }

private:
    RegistryBackend& m_registry;
    HKEY m_hKey;
};

class ScriptRun {
public:
    ScriptRun(CFile& log, RegistryBackend& registry, const RegistryScript& script, RegistryScriptObserver* pObserver)
        : m_log(log), m_registry(registry), m_strInstallPath(script.m_strInstallPath), m_pObserver(pObserver),
          m_pRecord(script.m_pRecord), m_pEarlier(script.m_pEarlier), m_nPayloadBytes(script.m_nPayloadBytes),
          m_bForOneUser(script.m_bForOneUser), m_seenKeys(script.m_madeKeys)
    {
    }

    InstallLogWriter& Log() { return m_log; }
    RegistryBackend& Registry() { return m_registry; }
    const CString& InstallPath() const { return m_strInstallPath; }
    UINT PayloadBytes() const { return m_nPayloadBytes; }
    bool ForOneUser() const { return m_bForOneUser; }
    bool ClassesRootWritten() const { return m_bClassesRoot; }

    // Runs the key lines from pLine, the first line that is not skipped. Returns false when a key
    // line, a key or a value line failed. Ends without failure at the end of the text or at a line
    // where a key line may stand but that does not begin with "[".
    bool RunKeys(const char* pLine);
    // After RunKeys failed: the line that failed, and why (one clause).
    const char* FailedLine() const { return m_pLine; }
    std::string Failure() const { return m_strFailure.empty() ? "the line failed" : m_strFailure; }
    // Creates or opens a key (below the root nRoot of kRegistryRoots) that the log will list. With a
    // record, the keys on its path that do not exist yet are noted first (the registry makes them
    // along with the key), so that a later key line naming one of them does not take it for a key
    // that was there before. Returns the registry's result.
    LONG OpenListedKey(int nRoot, const std::string& strPath, HKEY* phKey);
    // Applies the value line "name"=value at pLine to the open key and logs the name once set.
    bool ApplyValueLine(HKEY hKey, const char* pLine);
    // Sets a value of the key in hand (the last one OpenListedKey opened), recording first what it
    // replaces.
    LONG SetValue(HKEY hKey, const std::string& strName, DWORD dwType, const BYTE* pData, DWORD cbData);

private:
    void NoteFoundKey(int nRoot, const std::string& strPath);
    void NoteReplacedValue(HKEY hKey, const std::string& strName, DWORD dwType, const BYTE* pData, DWORD cbData);
    bool ApplyKeyLine(const char* pLine, const char** ppNext);
    bool SetString(HKEY hKey, const std::string& strName, const char* p);
    bool SetBinary(HKEY hKey, const std::string& strName, const char* p);
    bool SetDword(HKEY hKey, const std::string& strName, const char* p);
    // The line at pLine is about to be applied.
    void At(const char* pLine)
    {
        m_pLine = pLine;
        if (m_pObserver) m_pObserver->OnLine(pLine);
    }
    // Records why the current line failed; returns false.
    bool Fail(const std::string& strWhy)
    {
        m_strFailure = strWhy;
        return false;
    }

    InstallLogWriter m_log;
    RegistryBackend& m_registry;
    const CString& m_strInstallPath;
    RegistryScriptObserver* m_pObserver;
    PriorRecordWriter* m_pRecord;
    const EarlierInstallation* m_pEarlier;
    UINT m_nPayloadBytes;
    bool m_bForOneUser;
    const char* m_pLine = nullptr;
    std::string m_strFailure;
    bool m_bClassesRoot = false;
    // The key in hand, and what this run has made or already looked at: a key it made may be
    // opened again by a later key line, and a value it set may be set again, without either
    // counting as found there.
    PriorKey m_key;
    std::vector<PriorKey> m_seenKeys;
    struct SeenValue {
        PriorValue value;   // with the type and data found, when bReplaced
        bool bReplaced;
    };
    std::vector<SeenValue> m_seenValues;
};

}  // namespace regscript
