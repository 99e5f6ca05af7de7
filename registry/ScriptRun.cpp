// The registry operations of a script's run and what they record (ScriptRun.h): each key opened or
// made and each value set goes to the registry after what it finds there (a key that existed, the
// data that a value held) is noted in the installation's record, so that the uninstaller leaves
// what was there before and puts back what was replaced.
#include "ScriptRun.h"

namespace {

bool Seen(const std::vector<PriorKey>& keys, int nRoot, const std::string& strPath)
{
    for (const PriorKey& k : keys)
        if (k.nRoot == nRoot && SameKeyPath(k.strPath, strPath)) return true;
    return false;
}

}  // namespace

namespace regscript {

LONG ScriptRun::OpenListedKey(int nRoot, const std::string& strPath, HKEY* phKey)
{
    HKEY hRoot = RegistryRootKey(nRoot);
    std::vector<PriorKey> made;
    if (m_pRecord) {
        for (size_t sep = strPath.find('\\'); sep != std::string::npos; sep = strPath.find('\\', sep + 1)) {
            std::string parent = strPath.substr(0, sep);
            if (!parent.empty() && !Seen(m_seenKeys, nRoot, parent) && !m_registry.KeyExists(hRoot, parent.c_str()))
                made.push_back({nRoot, parent});
        }
    }
    // Recorded before the registry makes them: gone again with the key, when nothing else is left.
    for (const PriorKey& key : made) m_pRecord->MadeKey(key.nRoot, key.strPath);
    bool bExisted = false;
    LONG rc = m_registry.CreateKey(hRoot, strPath.c_str(), phKey, &bExisted);
    if (rc != ERROR_SUCCESS) return rc;
    if (nRoot == kRootClassesRoot) m_bClassesRoot = true;
    m_key = {nRoot, strPath};
    if (!m_pRecord) return ERROR_SUCCESS;
    if (bExisted) NoteFoundKey(nRoot, strPath);
    m_seenKeys.insert(m_seenKeys.end(), made.begin(), made.end());
    if (!Seen(m_seenKeys, nRoot, strPath)) m_seenKeys.push_back(m_key);
    return ERROR_SUCCESS;
}

// A key that existed when this run opened it. One that an earlier installation into this folder
// listed counts as found only if that installation had found it too.
void ScriptRun::NoteFoundKey(int nRoot, const std::string& strPath)
{
    if (Seen(m_seenKeys, nRoot, strPath)) return;
    if (m_pEarlier && m_pEarlier->ListsKey(nRoot, strPath) && !m_pEarlier->Found().HasKey(nRoot, strPath)) return;
    m_pRecord->Key(nRoot, strPath);
}

// Before this run sets a value: the first time, when the value exists, its type and data are
// recorded beside what is about to be written; each later time, the same earlier data beside the
// new data (the last line for a value holds what the run left). One that an earlier installation
// into this folder set counts as replaced only if that installation had replaced it, with the
// data that one had found.
void ScriptRun::NoteReplacedValue(HKEY hKey, const std::string& strName, DWORD dwType, const BYTE* pData, DWORD cbData)
{
    SeenValue* pSeen = nullptr;
    for (SeenValue& s : m_seenValues)
        if (s.value.nRoot == m_key.nRoot && SameKeyPath(s.value.strKey, m_key.strPath) &&
            SameValueName(s.value.strName, strName))
            pSeen = &s;
    if (!pSeen) {
        PriorValue value;
        value.nRoot = m_key.nRoot;
        value.strKey = m_key.strPath;
        value.strName = strName;
        bool bReplaced = m_registry.QueryValue(hKey, strName.c_str(), &value.dwOldType, &value.oldData) == ERROR_SUCCESS;
        if (bReplaced && m_pEarlier && m_pEarlier->ListsValue(value.nRoot, value.strKey, strName)) {
            const PriorValue* found = m_pEarlier->Found().FindValue(value.nRoot, value.strKey, strName);
            bReplaced = found != nullptr;
            if (found) {
                value.dwOldType = found->dwOldType;
                value.oldData = found->oldData;
            }
        }
        m_seenValues.push_back({value, bReplaced});
        pSeen = &m_seenValues.back();
    }
    if (!pSeen->bReplaced) return;
    pSeen->value.dwNewType = dwType;
    pSeen->value.newData.assign(pData, pData + cbData);
    m_pRecord->Value(pSeen->value);
}

LONG ScriptRun::SetValue(HKEY hKey, const std::string& strName, DWORD dwType, const BYTE* pData, DWORD cbData)
{
    if (m_pRecord) NoteReplacedValue(hKey, strName, dwType, pData, cbData);
    return m_registry.SetValue(hKey, strName.c_str(), dwType, pData, cbData);
}

}  // namespace regscript
