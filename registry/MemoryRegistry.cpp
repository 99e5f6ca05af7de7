// The registry held in memory that stands in for the system's off Windows (MemoryRegistry.h).
#include "MemoryRegistry.h"

#include "InstallRecordFormat.h"

#include "AfxNameCase.h"
#include "AfxString.h"

const char* GetRootName(HKEY hRoot)
{
    if (hRoot == HKEY_CLASSES_ROOT) return RegistryRootName(kRootClassesRoot);
    if (hRoot == HKEY_CURRENT_USER) return RegistryRootName(kRootCurrentUser);
    if (hRoot == HKEY_LOCAL_MACHINE) return RegistryRootName(kRootLocalMachine);
    if (hRoot == HKEY_USERS) return RegistryRootName(kRootUsers);
    return "";
}

LONG MemoryRegistry::CreateKey(HKEY hRoot, const char* pszSubKey, HKEY* phKey, bool* pbExisted)
{
    ++m_nCalls;
    if (*GetRootName(hRoot) == '\0') return ERROR_INVALID_HANDLE;
    std::string strPath = pszSubKey ? pszSubKey : "";
    auto fail = m_failKeys.find(AfxFoldedName(strPath));
    if (fail != m_failKeys.end()) return fail->second;

    size_t index = m_keys.size();
    for (size_t i = 0; i < m_keys.size(); ++i) {
        if (m_keys[i].hRoot == hRoot && AfxFoldedName(m_keys[i].strPath) == AfxFoldedName(strPath)) index = i;
    }
    if (pbExisted) *pbExisted = index != m_keys.size();
    if (index == m_keys.size()) m_keys.push_back(Key{hRoot, strPath, {}});
    uintptr_t handle = m_nextHandle;
    m_nextHandle += 4;
    m_open[handle] = index;
    *phKey = reinterpret_cast<HKEY>(handle);
    return ERROR_SUCCESS;
}

LONG MemoryRegistry::SetValue(HKEY hKey, const char* pszName, DWORD dwType, const BYTE* pData, DWORD cbData)
{
    ++m_nCalls;
    auto open = m_open.find(reinterpret_cast<uintptr_t>(hKey));
    if (open == m_open.end()) return ERROR_INVALID_HANDLE;
    std::string strName = pszName ? pszName : "";
    auto fail = m_failValues.find(AfxFoldedName(strName));
    if (fail != m_failValues.end()) return fail->second;

    std::vector<BYTE> data(pData, pData + cbData);
    for (Value& value : m_keys[open->second].values) {
        if (AfxFoldedName(value.strName) == AfxFoldedName(strName)) {
            value.dwType = dwType;
            value.data = data;
            return ERROR_SUCCESS;
        }
    }
    m_keys[open->second].values.push_back(Value{strName, dwType, data});
    return ERROR_SUCCESS;
}

bool MemoryRegistry::KeyExists(HKEY hRoot, const char* pszSubKey)
{
    return FindKey(hRoot, pszSubKey ? pszSubKey : "") != nullptr;
}

LONG MemoryRegistry::QueryValue(HKEY hKey, const char* pszName, DWORD* pdwType, std::vector<BYTE>* pData)
{
    ++m_nCalls;
    auto open = m_open.find(reinterpret_cast<uintptr_t>(hKey));
    if (open == m_open.end()) return ERROR_INVALID_HANDLE;
    std::string strName = pszName ? pszName : "";
    for (const Value& value : m_keys[open->second].values) {
        if (AfxFoldedName(value.strName) == AfxFoldedName(strName)) {
            *pdwType = value.dwType;
            *pData = value.data;
            return ERROR_SUCCESS;
        }
    }
    return ERROR_FILE_NOT_FOUND;
}

LONG MemoryRegistry::CloseKey(HKEY hKey)
{
    ++m_nCalls;
    if (m_open.erase(reinterpret_cast<uintptr_t>(hKey)) == 0) {
        ++m_nBadCloses;
        return ERROR_INVALID_HANDLE;
    }
    return ERROR_SUCCESS;
}

void MemoryRegistry::FailCreateKey(const std::string& strPath, LONG lError) { m_failKeys[AfxFoldedName(strPath)] = lError; }

void MemoryRegistry::FailSetValue(const std::string& strName, LONG lError) { m_failValues[AfxFoldedName(strName)] = lError; }

const MemoryRegistry::Key* MemoryRegistry::FindKey(HKEY hRoot, const std::string& strPath) const
{
    for (const Key& key : m_keys) {
        if (key.hRoot == hRoot && AfxFoldedName(key.strPath) == AfxFoldedName(strPath)) return &key;
    }
    return nullptr;
}

const MemoryRegistry::Value* MemoryRegistry::FindValue(HKEY hRoot, const std::string& strPath,
                                                       const std::string& strName) const
{
    const Key* key = FindKey(hRoot, strPath);
    if (!key) return nullptr;
    for (const Value& value : key->values) {
        if (AfxFoldedName(value.strName) == AfxFoldedName(strName)) return &value;
    }
    return nullptr;
}
