// MemoryRegistry: a registry held in memory. It stands in for the system registry where there is
// none, and it lets tests see exactly which keys and values were written, make chosen calls fail,
// and check that every key that was opened has been closed.
#pragma once

#include "RegistryBackend.h"

#include <map>
#include <string>
#include <vector>

class MemoryRegistry : public RegistryBackend {
public:
    struct Value {
        std::string strName;
        DWORD dwType;
        std::vector<BYTE> data;
    };
    struct Key {
        HKEY hRoot;
        std::string strPath;        // as written by the first CreateKey that made it
        std::vector<Value> values;  // in the order first set; setting again replaces the data
    };

    // Key paths and value names compare without regard to ASCII case, as in the system registry.
    // Only the four predefined roots are accepted; other roots give ERROR_INVALID_HANDLE.
    LONG CreateKey(HKEY hRoot, const char* pszSubKey, HKEY* phKey, bool* pbExisted) override;
    bool KeyExists(HKEY hRoot, const char* pszSubKey) override;
    LONG QueryValue(HKEY hKey, const char* pszName, DWORD* pdwType, std::vector<BYTE>* pData) override;
    LONG SetValue(HKEY hKey, const char* pszName, DWORD dwType, const BYTE* pData, DWORD cbData) override;
    // Closing a handle that is not open gives ERROR_INVALID_HANDLE and is counted.
    LONG CloseKey(HKEY hKey) override;

    // From now on CreateKey of strPath, or SetValue of strName in any key, returns lError.
    void FailCreateKey(const std::string& strPath, LONG lError = ERROR_ACCESS_DENIED);
    void FailSetValue(const std::string& strName, LONG lError = ERROR_ACCESS_DENIED);

    const std::vector<Key>& GetKeys() const { return m_keys; }
    const Key* FindKey(HKEY hRoot, const std::string& strPath) const;
    const Value* FindValue(HKEY hRoot, const std::string& strPath, const std::string& strName) const;
    size_t GetOpenKeyCount() const { return m_open.size(); }
    int GetBadCloseCount() const { return m_nBadCloses; }
    int GetCallCount() const { return m_nCalls; }

private:
    std::vector<Key> m_keys;
    std::map<uintptr_t, size_t> m_open;  // handle -> index into m_keys
    uintptr_t m_nextHandle = 0x1000;
    std::map<std::string, LONG> m_failKeys;    // folded path -> error
    std::map<std::string, LONG> m_failValues;  // folded name -> error
    int m_nBadCloses = 0;
    int m_nCalls = 0;
};

// The name of a predefined root as a script writes it ("HKEY_LOCAL_MACHINE"), or "" for another key.
const char* GetRootName(HKEY hRoot);
