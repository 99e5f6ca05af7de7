// The parts of an earlier installation's record that a run carries into its own log (see
// CarriedParts.h).
#include "CarriedParts.h"

#include <algorithm>

void CListedLog::WriteOut(const std::string& strText)
{
    // The mark goes before the first byte of a UTF-8 log, and again after a rewind to the start.
    std::string out = m_bUtf8 && Written() == 0 && !strText.empty() ? kUtf8Mark + strText : strText;
    if (!out.empty()) CDigestFile::Write(out.data(), UINT(out.size()));
}

void CListedLog::Write(const void* lpBuf, UINT nCount)
{
    std::string text(static_cast<const char*>(lpBuf), nCount);
    std::string cp1252;
    if (m_bUtf8) {
        WriteOut(text);
    } else if (LogTextInCp1252(text, cp1252)) {
        CDigestFile::Write(cp1252.data(), UINT(cp1252.size()));
    } else {
        SwitchToUtf8(text);
    }
    m_strText += text;
}

void CListedLog::SwitchToUtf8(const std::string& strMore)
{
    m_bUtf8 = true;
    ++m_nGeneration;
    CDigestFile::Rewind(Mark());
    WriteOut(m_strText + strMore);
}

void CListedLog::Rewind(const Mark& mark)
{
    m_strText.resize(std::min(mark.nText, m_strText.size()));
    if (mark.nGeneration == m_nGeneration) {
        CDigestFile::Rewind(mark);
        return;
    }
    // Taken before the log became UTF-8: the file is written again up to that place.
    CDigestFile::Rewind(Mark());
    WriteOut(m_strText);
}

void CCarriedParts::Take(const EarlierInstallation& earlier, const CarriedItemProbe& probe, bool bForOneUser)
{
    m_carried = CarryForward(earlier, probe);
    m_pProbe = &probe;
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
    unlisted.items = RetiredItems(m_carried, kUtf8Mark + own);
    return unlisted;
}

void CCarriedParts::Rewrite(CListedLog& log)
{
    if (!m_bShortcutsDone) return;
    const std::string text = log.Text();
    InstallRecord carried;
    for (const std::vector<LogItem>* part : {&m_carried.payload, &m_carried.registry, &m_carried.shortcuts})
        carried.items.insert(carried.items.end(), part->begin(), part->end());
    m_carried = CarryForward(carried, m_carried.found, *m_pProbe);
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
