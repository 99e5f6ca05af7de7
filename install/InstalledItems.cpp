// Whether an item of an earlier installation's log is still there (see InstalledItems.h).
#include "InstalledItems.h"

#include "AfxHandle.h"
#include "AfxRegistry.h"
#include "AfxShell.h"

namespace {

bool PathExists(const CString& strPath) { return GetFileAttributesA(strPath) != INVALID_FILE_ATTRIBUTES; }

// A key or value reached only through a registry link is not the earlier installation's: it is
// not there for it.
bool KeyExists(int nRoot, const CString& strPath)
{
    CRegKey key;
    return RegistryRootKey(nRoot) && AfxRegOpenKeyNoLinks(RegistryRootKey(nRoot), strPath, KEY_QUERY_VALUE, key) == ERROR_SUCCESS;
}

bool ValueExists(int nRoot, const CString& strKey, const CString& strName)
{
    CRegKey key;
    if (!RegistryRootKey(nRoot) || AfxRegOpenKeyNoLinks(RegistryRootKey(nRoot), strKey, KEY_QUERY_VALUE, key) != ERROR_SUCCESS)
        return false;
    return RegQueryValueExA(key.Get(), strName, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

}  // namespace

CInstalledItems::CInstalledItems(const CString& strTargetDir, bool bForOneUser) : m_strTarget(strTargetDir)
{
    if (!AfxGetProgramsFolder(bForOneUser, m_strPrograms)) m_strPrograms.Empty();
}

bool CInstalledItems::Exists(const LogItem& item) const
{
    switch (item.kind) {
    case LogItemKind::Directory:
    case LogItemKind::File: return PathExists(m_strTarget + "\\" + item.strPath);
    case LogItemKind::ShortcutFolder:
    case LogItemKind::Shortcut: return !m_strPrograms.IsEmpty() && PathExists(m_strPrograms + "\\" + item.strPath);
    case LogItemKind::Key: return KeyExists(item.nRoot, item.strPath);
    case LogItemKind::Value: return ValueExists(item.nRoot, item.strKey, item.strPath);
    }
    return false;
}
