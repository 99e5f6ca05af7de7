// The parts of an earlier installation's record that a run over it carries into its own log:
// the earlier record's lines at the start of the new record; the earlier log's items that are still
// there and that the run did not list itself at the end of each part of the new log. A run that
// ends early writes what it still owes, so that its log always lists the earlier installation too.
// Portable: what is still there is asked of a probe (InstalledItems.h on Windows).
#pragma once

#include "AfxDigest.h"
#include "AfxCodePage.h"
#include "CarriedRecord.h"

#include <functional>

// The log file of a run: its digest, and its text so far, to tell what it lists.
class CListedLog : public CDigestFile {
public:
    // Whether the log goes out in UTF-8 (with kUtf8Mark first) from its first line on; without it,
    // Windows-1252 until a line comes that the code page cannot hold (LogTextInCp1252, then SwitchToUtf8).
    void SetUtf8(bool bUtf8) { m_bUtf8 = bUtf8; }
    bool IsUtf8() const { return m_bUtf8; }
    // lpBuf holds whole lines of the program's UTF-8 text; they go out in the log's code page.
    // Throws as CDigestFile::Write does.
    void Write(const void* lpBuf, UINT nCount) override;
    // Hides CDigestFile's: the mark also knows where the text stood.
    Mark GetMark() const
    {
        Mark mark = CDigestFile::GetMark();
        mark.nText = m_strText.size();
        mark.nGeneration = m_nGeneration;
        return mark;
    }
    void Rewind(const Mark& mark) override;
    // The items of the lines written.
    std::set<std::string> Listed() const { return ListedItems(Stored()); }
    // What was written so far, in the program's UTF-8, without the mark.
    const std::string& Text() const { return m_strText; }
    // The same as a log text that the record's readers take (InstallLog.h).
    std::string Stored() const { return kUtf8Mark + m_strText; }

private:
    // A Windows-1252 log met a line the code page cannot hold: it is written again, whole, in
    // UTF-8 with the mark; marks taken before then are met again by their place in the text.
    void SwitchToUtf8(const std::string& strMore);
    void WriteOut(const std::string& strText);

    std::string m_strText;
    bool m_bUtf8 = false;
    unsigned m_nGeneration = 0;
};

class CCarriedParts {
public:
    // Finds what of earlier is still there, as probe tells; probe must outlive this object (a
    // retirement asks it again). bForOneUser: the installation is the running user's own.
    void Take(const EarlierInstallation& earlier, const CarriedItemProbe& probe, bool bForOneUser);

    // Whether there is an earlier installation to carry.
    bool Any() const { return m_bAny; }
    // What the run keeps of the earlier installation until it ends (CarriedLogText, CarriedPriorText).
    std::string LogText() const { return CarriedLogText(m_carried); }
    std::string PriorText(bool bTargetHeldFiles) const { return CarriedPriorText(m_carried, bTargetHeldFiles); }
    // The earlier record's lines, at the start of the new record.
    void WriteStart(PriorRecordWriter& record) const;
    // At the end of the payload part: its carried items.
    void EndPayloadPart(CListedLog& log);
    // After the registry script: the carried registry part (with its marker unless the script
    // wrote it).
    void EndRegistryPart(CListedLog& log, bool bScriptWroteMarker);
    // The shortcut part: its marker and what makeNew writes (the run's own shortcuts) when bNew,
    // then the carried ones.
    void WriteShortcutPart(CListedLog& log, bool bNew, const std::function<void()>& makeNew);
    // What a run that stops before the end still owes its log. False when a write failed (the
    // run's own error is the one told, and what is carried is still owed).
    bool Finish(CListedLog& log);

    // Once every part is written: the items of the earlier installation that this run did not list
    // itself, in the log's order, with the earlier installation's record of what was there before
    // it. An upgrade that succeeded retires them.
    InstallRecord Unlisted(const CListedLog& log) const;
    // After a retirement: writes the log again from the first carried part on, each carried part
    // with what of the earlier installation is still there, the run's own lines between them as
    // they were. Throws as the log's writes do.
    void Rewrite(CListedLog& log);

private:
    // Where a part's carried lines stand in the log: from the mark (offset nStart) to nEnd.
    struct Segment {
        CDigestFile::Mark mark;
        size_t nStart = 0, nEnd = 0;
    };
    static Segment Begin(const CListedLog& log) { return {log.GetMark(), log.Text().size(), log.Text().size()}; }

    CarriedRecord m_carried;
    const CarriedItemProbe* m_pProbe = nullptr;
    bool m_bForOneUser = false;
    Segment m_payload, m_registry, m_shortcuts;
    bool m_bScriptWroteMarker = false, m_bNewShortcuts = false;
    bool m_bAny = false;
    bool m_bPayloadDone = false;
    bool m_bRegistryDone = false;
    bool m_bShortcutsDone = false;
};
