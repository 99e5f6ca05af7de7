#include "CarriedParts.h"

#include "AfxHandle.h"
#include "AfxRegistry.h"
#include "AfxShell.h"

namespace {

// Looks at the machine as it is now.
class CInstalledItems : public CarriedItemProbe {
public:
    CInstalledItems(const CString& strTargetDir, bool bForOneUser) : m_strTarget(strTargetDir)
    {
        if (!AfxGetProgramsFolder(bForOneUser, m_strPrograms)) m_strPrograms.Empty();
    }

    bool Exists(const LogItem& item) const override
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

private:
    static bool PathExists(const CString& strPath) { return GetFileAttributesA(strPath) != INVALID_FILE_ATTRIBUTES; }

    // A key or value reached only through a registry link is not the earlier installation's: it is
    // not there for it.
    static bool KeyExists(int nRoot, const CString& strPath)
    {
        CRegKey key;
        return RegistryRootKey(nRoot) && AfxRegOpenKeyNoLinks(RegistryRootKey(nRoot), strPath, KEY_QUERY_VALUE, key) == ERROR_SUCCESS;
    }

    static bool ValueExists(int nRoot, const CString& strKey, const CString& strName)
    {
        CRegKey key;
        if (!RegistryRootKey(nRoot) || AfxRegOpenKeyNoLinks(RegistryRootKey(nRoot), strKey, KEY_QUERY_VALUE, key) != ERROR_SUCCESS)
            return false;
        return RegQueryValueExA(key.Get(), strName, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    }

    CString m_strTarget;
    CString m_strPrograms;
};

}  // namespace

void CCarriedParts::Take(const EarlierInstallation& earlier, const CString& strTargetDir, bool bForOneUser)
{
    m_carried = CarryForward(earlier, CInstalledItems(strTargetDir, bForOneUser));
    m_bAny = !earlier.WholeLog().empty();
    m_bPayloadDone = m_bRegistryDone = m_bShortcutsDone = false;
}

void CCarriedParts::WriteStart(PriorRecordWriter& record) const { WriteCarriedPrior(m_carried, record); }

void CCarriedParts::EndPayloadPart(CListedLog& log)
{
    if (m_bPayloadDone) return;
    m_bPayloadDone = true;
    InstallLogWriter writer(log);
    if (!m_carried.payload.empty()) WriteCarriedPayload(m_carried, writer, log.Listed());
}

void CCarriedParts::EndRegistryPart(CListedLog& log, bool bScriptWroteMarker)
{
    EndPayloadPart(log);
    if (m_bRegistryDone) return;
    m_bRegistryDone = true;
    InstallLogWriter writer(log);
    if (m_carried.HasRegistry()) WriteCarriedRegistry(m_carried, writer, log.Listed(), bScriptWroteMarker);
}

void CCarriedParts::WriteShortcutPart(CListedLog& log, bool bNew, const std::function<void()>& makeNew)
{
    EndRegistryPart(log, false);
    if (m_bShortcutsDone) return;
    m_bShortcutsDone = true;
    InstallLogWriter writer(log);
    if (bNew) {
        writer.ShortcutMarker();
        makeNew();
    }
    if (m_carried.HasShortcuts()) WriteCarriedShortcuts(m_carried, writer, log.Listed(), bNew);
}

bool CCarriedParts::Finish(CListedLog& log)
{
    try {
        WriteShortcutPart(log, false, nullptr);
        return true;
    } catch (CFileException* e) {
        e->Delete();
        return false;
    }
}
