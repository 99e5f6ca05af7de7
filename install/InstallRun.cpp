// One installation run: its steps in order, and its outcome (see InstallRun.h).
#include "InstallRun.h"

#include "AfxElevation.h"
#include "AfxMessageBox.h"
#include "AfxNoLinks.h"
#include "AfxPath.h"
#include "AfxShell.h"
#include "AfxText.h"
#include "InstallMessages.h"
#include "InstalledItems.h"
#include "PayloadCopy.h"
#include "OneInstallation.h"
#include "RecordTrust.h"
#include "RegistryScript.h"
#include "Removal.h"
#include "RestartPolicy.h"
#include "SetupConfig.h"
#include "SetupExtensions.h"
#include "Shortcuts.h"

#include <new>

namespace {

const UINT kCopyChunk = 4096;
// modeCreate | modeWrite | shareExclusive | typeBinary: create or empty, write only, no sharing.
// Files are opened relative to their held folder: never through a link.
const UINT kCreateMode = 36881;

}  // namespace

CInstallRun::CInstallRun(const InstallJob& job)
    : m_job(job), m_medium(*job.pDiskImage), m_sink(job.pProgressDlg)
{
}

// Said only where there is a log to say it in: the silent run's.
void CInstallRun::Note(const CString& strText) const
{
    if (m_job.note) m_job.note(strText);
}

UINT CInstallRun::Execute()
{
    // Let go without a dialog ever having shown it: nothing is touched, and the run ends as a
    // normal one (the flow has told the user already). A stop request alone does not end the run
    // here: the run still leaves its (empty) Install.log.
    if (m_job.bAbandoned) return End(RunEnd::installed);
    m_strPrefix = *m_job.pInstallDir + "\\";
    m_strAnchorFolder = AfxNormalisedPath(*m_job.pInstallDir);
    UINT nTotal = 0;
    try {
        Prepare();
        nTotal = OpenAndCopy();
    } catch (const InstallStop& stop) {
        return Stop(stop);
    } catch (CFileException* e) {
        // A write of the log, the record or an entry's file that failed.
        InstallStop stop = FileErrorStop(*e, RunFile::unknown);
        e->Delete();
        return Stop(stop);
    }
    m_buffer.reset();
    if (!Cancelled()) RegistryStep(nTotal);
    // Everything is in place and recorded, but a step stopped on the way: no run that stopped a
    // step ends as complete.
    if (!m_strStepStopped.IsEmpty()) return Stop(InstallStop::Failure(m_strStepStopped));
    Cleanup();
    return End(RunEnd::installed);
}

// What the run needs before it touches anything: the copy buffer, the access list of what it
// makes, the reader and the output.
void CInstallRun::Prepare()
{
    m_buffer.reset(new (std::nothrow) BYTE[kCopyChunk]);
    if (!m_buffer) throw InstallStop{InstallStop::Kind::nothingTouched, AfxText("install.no_memory")};
    // A folder of one user's own keeps the list it inherits: its user updates and removes it.
    if (!AfxBuildInstallSecurity(m_security, m_job.bForOneUser))
        throw InstallStop{InstallStop::Kind::nothingTouched, AfxText("install.no_access_list")};
    m_stream = std::make_unique<CPayloadStream>();
    CEntryOutput::Setup setup;
    setup.pTarget = &m_target;
    setup.pMedium = &m_medium;
    setup.strInstallDir = *m_job.pInstallDir;
    setup.strProduct = *m_job.pProductName;
    // Nobody to ask: a file in use is replaced later, without a question.
    setup.pQuestion = m_job.bSilent ? nullptr : &m_inUseBox;
    setup.pRestart = m_job.pRestart;
    setup.note = [this](const CString& strText) { Note(strText); };
    setup.pSecurity = m_security.Get();
    m_output = std::make_unique<CEntryOutput>(std::move(setup));
    m_sink.NotifyStatus(AfxText("status.initializing"));
}

// The image, the target, the record's two files, then the payload; returns the payload's total.
UINT CInstallRun::OpenAndCopy()
{
    // A UTF-8 medium's names are UTF-8, and so is its log from the first line on; a Windows-1252
    // one's are converted as they are read, and its log stays in that code page while it can.
    const bool bUtf8 = m_job.pExtensions && m_job.pExtensions->IsUtf8();
    m_stream->SetUtf8Names(bUtf8);
    m_record.Log().SetUtf8(bUtf8);
    m_stream->Open(*m_job.pDiskImage);
    LookAtTarget();
    m_record.OpenLog([this](CFile& file, const char* pszName, CFileException* pError) {
        file.SetCreateSecurity(m_security.Get());
        return file.OpenIn(m_target.Root(), pszName, kCreateMode, pError, m_strPrefix + pszName);
    });
    if (m_job.pWritten) SetInstallFlag(m_job.pWritten, 1);
    OpenRecord();
    UINT nTotal = m_stream->ReadTotal();
    m_sink.Notify(WM_INSTALL_TOTAL_SIZE, LPARAM(nTotal));
    m_sink.Notify(WM_INSTALL_TOTAL_RESET, 0);
    CPayloadCopy::Parts parts;
    parts.pStream = m_stream.get();
    parts.pOutput = m_output.get();
    parts.pRecord = &m_record;
    parts.pTarget = &m_target;
    parts.pSink = &m_sink;
    parts.pEarlier = &m_earlier;
    parts.pCancel = m_job.pCancel;
    parts.strPrefix = m_strPrefix;
    parts.bTargetHadAnything = m_bTargetHadAnything;
    CPayloadCopy(parts).Run(nTotal, m_buffer.get(), kCopyChunk);
    return nTotal;
}

// What the target held before this run: an earlier installation's log and record (read before the
// new log replaces them) and whether anything at all was there. The target is held from here on.
void CInstallRun::LookAtTarget()
{
    // The target itself, refused when it is a link; a link further down stops the entry that would
    // go through it.
    DWORD err = m_target.Open(*m_job.pInstallDir, m_security.Get());
    if (err == kErrorLinkOnPath) {
        throw InstallStop::Failure(AfxTextFormat("install.target_link", m_job.pInstallDir->GetString()));
    }
    if (err != NO_ERROR) {
        // No folder to put the log in: the run ends as an open of the log that failed.
        CFileException error(CFileException::OsErrorToException(LONG(err)), LONG(err), m_strPrefix + kInstallLogName);
        throw FileErrorStop(error, RunFile::log);
    }
    RefuseSecondFolder();
    ReadEarlierRecord();
    StartAnchor();
    // What the installation owns, administrators own: a folder that was there gets their list.
    if (!m_job.bForOneUser && m_target.Protect() == CTargetFolder::Protection::widened) {
        CString text;
        text.Format("'%s' could be changed by users other than the administrators: it now has the access list of "
                    "the installation (SYSTEM and Administrators full control, Users read and run).",
                    m_job.pInstallDir->GetString());
        Note(text);
    }
}

// The product installed in another folder, whose record is still there: a second installation would
// take over its entry, and nothing would list the first one any more.
void CInstallRun::RefuseSecondFolder()
{
    CString there = InstallationElsewhere(CRegistryAnchorStore(), *m_job.pProductName, m_job.bForOneUser,
                                          m_strAnchorFolder, RecordIsThere);
    if (!there.IsEmpty())
        throw InstallStop::Failure(AfxTextFormat("install.installed_elsewhere", m_job.pProductName->GetString(), there.GetString()));
}

// An earlier installation's log and record are believed only when the product's entry, which only
// administrators can write, keeps their digests and names this folder: anyone may have put the
// files there, the administrator's own everyday programs included, and what they say decides what
// a later uninstallation removes and puts back.
void CInstallRun::ReadEarlierRecord()
{
    RecordFileRead log, record;
    bool bLogOpen = false, bRecordOpen = false;
    if (m_target.ReadRecordFile(kInstallLogName, log, &bLogOpen))
        m_target.ReadRecordFile(kPriorRecordName, record, &bRecordOpen);
    RecordQuestion question;
    question.reader = RecordReader::setup;
    // Elevated beside an everyday twin: the user's own entry is what that twin's programs write.
    question.bElevated = AfxGetRights() == AfxRights::elevated;
    question.strFolder = m_strAnchorFolder;
    question.strProduct = *m_job.pProductName;
    question.nScopeRoot = EntryRoot();
    RecordTrust trust = JudgeRecord(CRegistryAnchorStore(), question, log, record);
    std::string why = trust.strReason;
    if (trust.IsTrusted() && (bLogOpen || bRecordOpen)) why = "they can be changed by users other than the administrators";
    if (!why.empty()) {
        trust.strLog.clear();
        trust.strPrior.clear();
        CString text;
        text.Format("The earlier installation that %s and %s in '%s' describe is not trusted: %s. The folder is "
                    "taken as it is now.",
                    kInstallLogName, kPriorRecordName, m_job.pInstallDir->GetString(), why.c_str());
        // A pair that no entry keeps is what a run that registered nothing leaves, and one that only
        // the user's own entry keeps is what an installation for one user leaves: told only in the
        // log. One put in place of the kept pair, copied in or made too large, is worth a box.
        if (trust.verdict == RecordVerdict::noEntry || trust.verdict == RecordVerdict::usersOwnEntry) Note(text);
        else AfxMessageBox(text, MB_ICONEXCLAMATION);
    }
    const std::string& strLog = trust.strLog;
    m_earlier.Load(strLog, trust.strPrior);
    m_installed = std::make_unique<CInstalledItems>(*m_job.pInstallDir, m_job.bForOneUser);
    m_carried.Take(m_earlier, *m_installed, m_job.bForOneUser);
    // The target's folder as it was: anything in it at all (the removal's look, with no name spared).
    m_bTargetHeldFiles = strLog.empty() ? FolderHoldsMoreThan(*m_job.pInstallDir, "") : m_earlier.Found().bTargetHeldFiles;
    m_bTargetHadAnything = !strLog.empty() || m_bTargetHeldFiles;
}

// Before the earlier installation's log and record are replaced (RunRecord.h).
void CInstallRun::StartAnchor()
{
    bool bMadeKey = false;
    if (!m_anchor.keeper.Open(*m_job.pProductName, m_strAnchorFolder, EntryRoot(), &bMadeKey, &m_entryParentsMade))
        return;
    // The entry made here is this run's, not something the registration finds there.
    if (bMadeKey) m_madeKeys.push_back({EntryRoot(), EntryKeyPath(*m_job.pProductName).Str()});
    m_record.StartAnchor(m_carried, m_bTargetHeldFiles);
}

// Made with the log, so that every log has its record.
void CInstallRun::OpenRecord()
{
    CRunRecord::PriorStart start;
    start.bTargetHeldFiles = m_bTargetHeldFiles;
    start.nEntryRoot = EntryRoot();
    start.entryParents = m_entryParentsMade;
    if (m_job.pMadeFolders)
        for (const CString& folder : *m_job.pMadeFolders)
            if (IsFolderAbove(folder.Str(), m_job.pInstallDir->Str())) start.foldersAbove.push_back(folder.Str());
    m_record.OpenPrior(
        [this](CFile& file, const char* pszName, CFileException* pError) {
            file.SetCreateSecurity(m_security.Get());
            return file.OpenIn(m_target.Root(), pszName, kCreateMode, pError, m_strPrefix + pszName);
        },
        start, m_carried);
}

void CInstallRun::RegistryStep(UINT nTotal)
{
    CListedLog& log = m_record.Log();
    m_carried.EndPayloadPart(log);
    m_sink.NotifyStatus(AfxText("status.registry"));
    // The text the flow read at start-up; a job without one reads the file now.
    std::unique_ptr<RegistryScript> pScript =
        m_job.pSetupText ? std::make_unique<RegistryScript>(m_job.pSetupText->data(), m_job.pSetupText->size(),
                                                             *m_job.pInstallDir, *m_job.pProductName)
                         : std::make_unique<RegistryScript>("Setup.ini", *m_job.pInstallDir, *m_job.pProductName);
    RegistryScript& script = *pScript;
    script.m_pExtensions = m_job.pExtensions;
    script.m_nPayloadBytes = nTotal;
    script.m_pRecord = &m_record.Prior();
    script.m_pEarlier = &m_earlier;
    script.m_madeKeys = m_madeKeys;
    script.m_bForOneUser = m_job.bForOneUser;
    // The files are in place: whatever stops the script, the product is registered, so that its
    // uninstaller removes them; the run then ends as failed, saying why.
    script.m_bRegisterAfterStop = true;
    if (!script.Apply(log)) m_strStepStopped = StoppedScriptText(script);
    m_carried.EndRegistryPart(log, script.m_bMarkerWritten);
    // Explorer keeps what it knows of file types until it is told.
    if (script.m_bClassesRootWritten) AfxNotifyAssociationsChanged();
    // Shortcuts come last, to the files and the folder now in place; one that cannot be made is
    // told after everything else is done.
    CString strShortcutFailed;
    SetupExtensions ext;
    bool bRead = m_job.pExtensions ? (ext = *m_job.pExtensions, true) : ReadSetupExtensions(script.GetText(), ext) != FALSE;
    bool bShortcuts = bRead && !ext.shortcuts.empty();
    m_carried.WriteShortcutPart(log, bShortcuts, [&] {
        m_sink.NotifyStatus(AfxText("status.shortcuts"));
        strShortcutFailed = CreateShortcuts(ext, *m_job.pProductName, *m_job.pInstallDir, m_job.bForOneUser, log);
    });
    // A stopped script left the earlier installation's keys and values that it did not get to
    // write again: they stay listed, and in place, for the uninstaller.
    if (!Cancelled() && m_strStepStopped.IsEmpty()) RetireEarlier();
    if (!strShortcutFailed.IsEmpty() && m_strStepStopped.IsEmpty())
        m_strStepStopped = AfxTextFormat("install.shortcut_failed", strShortcutFailed.GetString(),
                                         m_job.pProductName->GetString());
    m_record.Complete();
}

// What the user is told of a registry step that stopped: the line and why, and how what is
// installed is removed.
CString CInstallRun::StoppedScriptText(const RegistryScript& script) const
{
    CString why = script.m_strStopped.empty() ? CString("the registry refused the product's entry")
                                              : CString(script.m_strStopped.c_str());
    if (!script.m_bRegistered) {
        if (script.m_nStoppedLine > 0) {
            CString line;
            line.Format("line %d of %s: ", script.m_nStoppedLine, kSetupIniName);
            why = line + why;
        }
        return AfxTextFormat("install.not_registered", m_job.pProductName->GetString(), why.GetString(),
                             m_job.pInstallDir->GetString(), m_job.pInstallDir->GetString(), kUninstallerName);
    }
    return AfxTextFormat("install.script_stopped", script.m_nStoppedLine, why.GetString(),
                         m_job.pProductName->GetString());
}

// An upgrade that has written everything retires what the earlier installation listed and this one
// does not: removed as the uninstaller removes it (a value the earlier installation replaced is put
// back), and then no longer listed. Until the log is written again, the entry keeps the whole log
// as it stood joined with the earlier one: a run stopped meanwhile leaves every item listed, those
// already gone included, which a later uninstallation finds gone.
// A file in use goes when Windows restarts, where the restart may be trusted with the names below
// the target (RestartPolicy.h), and the run then needs the restart. An item of the installation
// that stays otherwise (in use where nothing may be left to the restart, refused by the system)
// ends the run as failed, saying so: it stays listed, for the uninstaller.
void CInstallRun::RetireEarlier()
{
    CListedLog& log = m_record.Log();
    InstallRecord retired = m_carried.Unlisted(log);
    if (retired.items.empty()) return;
    m_anchor.KeepCarried(UnionOfLogs(m_carried.LogText(), log.Stored()), m_carried.PriorText(m_bTargetHeldFiles));
    AllowRestartBelow(m_target.Root(), *m_job.pInstallDir);
    // The installation's own files, whatever the earlier log says of them.
    RemovalReport report = RemoveInstalledItems(retired, m_target.Root(), *m_job.pInstallDir,
                                                {kUninstallerName, kInstallLogName, kPriorRecordName}, nullptr);
    AllowRestartBelow(CFolderHandle(), CString());
    for (const LeftItem& item : report.scheduled)
        Note("Of the earlier installation, '" + item.strWhat + "' is " + ReasonText(item) + ".");
    if (!report.scheduled.empty() && m_job.pRestart) SetInstallFlag(m_job.pRestart, 1);
    CString strUnfinished, strWhy;
    for (LeftItem item : report.left) {
        // The installer arranges no run at the next sign-in: such a file is only in use.
        if (item.reason == LeftReason::inUseAtSignIn) item.reason = LeftReason::inUse;
        Note("Of the earlier installation, '" + item.strWhat + "' was left in place: " + ReasonText(item) + ".");
        if (item.bUnfinished && strUnfinished.IsEmpty()) {
            strUnfinished = item.strWhat;
            strWhy = ReasonShown(item);
        }
    }
    m_carried.Rewrite(log);
    if (!strUnfinished.IsEmpty())
        m_strStepStopped = AfxTextFormat("install.retire_left", strUnfinished.GetString(), strWhy.GetString(),
                                         m_job.pProductName->GetString());
}

UINT CInstallRun::Stop(const InstallStop& stop)
{
    if (!stop.strMessage.IsEmpty()) AfxMessageBox(stop.strMessage, MB_ICONHAND);
    Cleanup();
    if (stop.kind == InstallStop::Kind::nothingTouched) return End(RunEnd::refused);
    return End(m_job.pWritten && GetInstallFlag(m_job.pWritten) ? RunEnd::stoppedAfterChange : RunEnd::failedBeforeChange);
}

// Safe to call more than once: what is let go is gone.
void CInstallRun::Cleanup()
{
    if (m_output) m_output->CloseAbandoned();
    m_record.Finish(m_carried);
    m_buffer.reset();
    m_stream.reset();
    m_record.Release();
    m_output.reset();
    m_target.Close();
}

// The flags tell the flow how the run ended: a run that ends normally (or on request) is done and
// not failed; one refused before it touched anything is done and failed, so that the flow reads the
// outcome at once; any other stop leaves done at 0, and the flow waits for the thread to end.
UINT CInstallRun::End(RunEnd end)
{
    // Everything needed is read before the flags: once g_bDone is 1 the flow may free the job,
    // and once WM_CLOSE is sent it may delete the dialog object.
    InstallFlag* pFailed = m_job.pFailed;
    InstallFlag* pDone = m_job.pDone;
    HWND hwnd = m_sink.DialogWindow();
    bool failed = end != RunEnd::installed;
    SetInstallFlag(pFailed, failed ? 1 : 0);
    if (!failed || end == RunEnd::refused) SetInstallFlag(pDone, 1);
    if (hwnd) SendNotifyMessageA(hwnd, WM_CLOSE, 0, 0);
    return failed ? 1 : 0;
}
