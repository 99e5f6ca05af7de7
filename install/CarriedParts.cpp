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
    m_strTarget = strTargetDir;
    m_bForOneUser = bForOneUser;
    m_bAny = !earlier.WholeLog().empty();
    m_bPayloadDone = m_bRegistryDone = m_bShortcutsDone = false;
}

void CCarriedParts::WriteStart(PriorRecordWriter& record) const { WriteCarriedPrior(m_carried, record); }

void CCarriedParts::EndPayloadPart(CListedLog& log)
{
    if (m_bPayloadDone) return;
    m_bPayloadDone = true;
    InstallLogWriter writer(log);
    m_payload = Begin(log);
    if (!m_carried.payload.empty()) WriteCarriedPayload(m_carried, writer, log.Listed());
    m_payload.nEnd = log.Text().size();
}

void CCarriedParts::EndRegistryPart(CListedLog& log, bool bScriptWroteMarker)
{
    EndPayloadPart(log);
    if (m_bRegistryDone) return;
    m_bRegistryDone = true;
    InstallLogWriter writer(log);
    m_registry = Begin(log);
    m_bScriptWroteMarker = bScriptWroteMarker;
    if (m_carried.HasRegistry()) WriteCarriedRegistry(m_carried, writer, log.Listed(), bScriptWroteMarker);
    m_registry.nEnd = log.Text().size();
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
    m_shortcuts = Begin(log);
    m_bNewShortcuts = bNew;
    if (m_carried.HasShortcuts()) WriteCarriedShortcuts(m_carried, writer, log.Listed(), bNew);
    m_shortcuts.nEnd = log.Text().size();
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

InstallRecord CCarriedParts::Unlisted(const CListedLog& log) const
{
    InstallRecord unlisted;
    unlisted.bForOneUser = m_bForOneUser;
    unlisted.prior = m_carried.found;
    if (!m_bShortcutsDone) return unlisted;
    // The run's own lines: the log without its carried parts.
    const std::string& text = log.Text();
    std::string own = text.substr(0, m_payload.nStart) + text.substr(m_payload.nEnd, m_registry.nStart - m_payload.nEnd) +
                      text.substr(m_registry.nEnd, m_shortcuts.nStart - m_registry.nEnd) + text.substr(m_shortcuts.nEnd);
    unlisted.items = RetiredItems(m_carried, own);
    return unlisted;
}

void CCarriedParts::Rewrite(CListedLog& log)
{
    if (!m_bShortcutsDone) return;
    const std::string text = log.Text();
    InstallRecord carried;
    for (const std::vector<LogItem>* part : {&m_carried.payload, &m_carried.registry, &m_carried.shortcuts})
        carried.items.insert(carried.items.end(), part->begin(), part->end());
    m_carried = CarryForward(carried, m_carried.found, CInstalledItems(m_strTarget, m_bForOneUser));
    auto raw = [&log, &text](size_t nFrom, size_t nTo) {
        if (nTo > nFrom) log.Write(text.data() + nFrom, UINT(nTo - nFrom));
    };
    log.Rewind(m_payload.mark);
    InstallLogWriter writer(log);
    if (!m_carried.payload.empty()) WriteCarriedPayload(m_carried, writer, log.Listed());
    raw(m_payload.nEnd, m_registry.nStart);
    if (m_carried.HasRegistry()) WriteCarriedRegistry(m_carried, writer, log.Listed(), m_bScriptWroteMarker);
    raw(m_registry.nEnd, m_shortcuts.nStart);
    if (m_carried.HasShortcuts()) WriteCarriedShortcuts(m_carried, writer, log.Listed(), m_bNewShortcuts);
    raw(m_shortcuts.nEnd, text.size());
}
