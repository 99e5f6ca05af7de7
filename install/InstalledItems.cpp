// Whether an item of an earlier installation's log is still there (see InstalledItems.h).
#include "InstalledItems.h"

#include "AfxHandle.h"
#include "AfxRegistry.h"
#include "AfxShell.h"

namespace {

bool PathExists(const CString& strPath) { return GetFileAttributesA(strPath) != INVALID_FILE_ATTRIBUTES; }

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
    // A key or value reached only through a registry link is not the earlier installation's: it is
    // not there for it.
    case LogItemKind::Key: return AfxRegKeyExists(RegistryRootKey(item.nRoot), item.strPath);
    case LogItemKind::Value: return AfxRegValueExists(RegistryRootKey(item.nRoot), item.strKey, item.strPath);
    }
    return false;
}
