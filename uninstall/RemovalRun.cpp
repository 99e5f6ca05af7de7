// The removal run: the record's items, then the entry last, then the record's files, this program
// and the target (RemovalRun.h).
#include "RemovalRun.h"

#include "AfxPath.h"
#include "AfxRestartGate.h"
#include "InstallRecordFormat.h"
#include "RemovalWithProgress.h"
#include "RestartPolicy.h"
#include "SameName.h"
#include "SignInFinish.h"
#include "UninstallOutcome.h"

InstallRecord TakeEntryItems(InstallRecord& record, int nEntryRoot, const CString& strEntryKey)
{
    InstallRecord entry;
    entry.prior = record.prior;
    std::vector<LogItem> rest;
    for (const LogItem& item : record.items) {
        bool inEntry = item.nRoot == nEntryRoot && !strEntryKey.IsEmpty() &&
                       ((item.kind == LogItemKind::Value && SameKeyPath(item.strKey.Str(), strEntryKey.Str())) ||
                        (item.kind == LogItemKind::Key && SameKeyPath(item.strPath.Str(), strEntryKey.Str())));
        (inEntry ? entry.items : rest).push_back(item);
    }
    record.items = rest;
    return entry;
}

int CRemovalRun::Run(HandoverArgs* pHandover)
{
    InstallRecord& record = m_record.Record();
    InstallRecord entry = TakeEntryItems(record, m_record.EntryRoot(), m_record.EntryKey());
    RemovalReport report = RemoveWithProgress(record, m_target, m_strTarget,
                                              {m_strProgramName, kInstallLogName, kPriorRecordName},
                                              m_voice.Silent(), m_voice.Caption());
    // The entry goes only when no item is left that a later run could remove: then it would list a
    // product that is still partly there. Items that go at the restart need no entry (Windows
    // removes them), and items left by rule (files of the user's, changed values) would be left by
    // every later run too.
    if (!report.Unfinished()) {
        RemovalReport more = RemoveInstalledItems(entry, m_target, m_strTarget, {}, nullptr);
        report.nRemoved += more.nRemoved;
        report.left.insert(report.left.end(), more.left.begin(), more.left.end());
    }
    // The record and this program stay with the entry, for the later run: without the
    // administrators' rights, the one that the user's next sign-in starts when files were in use.
    bool keepRecord = report.Unfinished();
    CString atSignIn = m_voice.Product() + kFinishCommandSuffix;
    if (report.nAtSignIn && !AfxArrangeAtSignIn(atSignIn, m_strTarget + "\\" + m_strProgramName, "/S"))
        report.nAtSignIn = 0;
    if (!keepRecord) AfxCancelAtSignIn(atSignIn);
    if (!keepRecord) FinishRecordFiles(report);
    FinishTarget(report, pHandover, keepRecord);
    ShowOutcome(report, keepRecord);
    if (pHandover) RemoveOwnFolder();
    return RemovalVerdict(report);
}

// Install.log and Install.prior: gone now when nothing waits for the restart, else arranged to go
// with the rest then (until the restart they say what the leftovers are).
void CRemovalRun::FinishRecordFiles(RemovalReport& report)
{
    for (const char* name : {kInstallLogName, kPriorRecordName}) {
        CString path = m_strTarget + "\\" + name;
        if (report.scheduled.empty()) RemoveChildOf(m_target, name, path, report, 2000);
        else if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES && DeleteAtRestart(path))
            report.scheduled.push_back({path, LeftReason::atRestart, false});
    }
}

// The first program's file and the target, as what the target still holds decides. The copy tells
// its verdict, and writes the log, before the first process ends: a caller who waits for it finds
// both complete. What goes only after that (this program's file, the then empty folder) is counted
// in advance.
void CRemovalRun::FinishTarget(RemovalReport& report, HandoverArgs* pHandover, bool bKeepRecord)
{
    CString program = m_strTarget + "\\" + m_strProgramName;
    std::vector<CString> except = {m_strProgramName};
    if (bKeepRecord) except.insert(except.end(), {kInstallLogName, kPriorRecordName});
    FolderContents contents = ClassifyFolder(m_strTarget, except, report);
    // What is kept for a later run is the installation's own, left in place.
    if (bKeepRecord && contents != FolderContents::foreign) contents = FolderContents::leftItems;
    bool goes = contents == FolderContents::nothing || contents == FolderContents::onlyScheduled;
    // A folder that held things before the installation was not the installation's to remove.
    if (!goes && !m_record.Record().prior.bTargetHeldFiles) SettleFolder(m_strTarget, contents, report);
    if (!pHandover) {
        if (!bKeepRecord && DeleteAtRestart(program)) report.scheduled.push_back({program, LeftReason::atRestart, false});
        if (goes && !bKeepRecord && DeleteAtRestart(m_strTarget))
            report.scheduled.push_back({m_strTarget, LeftReason::atRestart, false});
        WriteRemovalOutcome(m_voice.Log(), report, 0, bKeepRecord, m_strProgramName);
        return;
    }
    bool scheduleTarget = goes && !bKeepRecord && contents == FolderContents::onlyScheduled;
    if (scheduleTarget) report.scheduled.push_back({m_strTarget, LeftReason::atRestart, false});
    WriteRemovalOutcome(m_voice.Log(), report, bKeepRecord ? 0 : contents == FolderContents::nothing ? 2 : 1, bKeepRecord,
                        m_strProgramName);
    SendVerdict(*pHandover, RemovalVerdict(report));
    WaitForFirstProcess(*pHandover, 30000);
    if (bKeepRecord) return;
    RemoveChildOf(m_target, m_strProgramName, program, report, 10000);
    m_target.Close();
    // Arranged after this program's file, which may itself have had to wait for the restart (and
    // then stands after the target in the report).
    if (scheduleTarget && !DeleteAtRestart(m_strTarget))
        WithdrawFromRestart(report, m_strTarget, LeftReason::restartRefused);
    if (contents == FolderContents::nothing) RemoveDirectoryIfEmpty(m_strTarget, report);
    // Then the folders that the installation made on the way to the target, when nothing else came
    // into them meanwhile (a profile's folder for programs that it was the first to use).
    if (GetFileAttributesA(m_strTarget) == INVALID_FILE_ATTRIBUTES)
        RemoveMadeFolders(m_record.Record().prior, AfxNormalisedPath(AfxFolderOf(m_strTarget)) + "\\" + AfxNameOf(m_strTarget));
}

void CRemovalRun::ShowOutcome(const RemovalReport& report, bool bKeepRecord)
{
    if (m_voice.Silent()) return;
    OutcomeMessage message = RemovalOutcomeMessage(report, m_voice.Product(), bKeepRecord);
    m_voice.Show(message.strText, message.nIcon);
}
