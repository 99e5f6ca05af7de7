#include "UninstallApp.h"

#include "AfxCommandLine.h"
#include "AfxFile.h"
#include "AfxHandle.h"
#include "AfxMessageBox.h"
#include "AfxPath.h"
#include "AfxSecurity.h"
#include "AfxThread.h"
#include "RecordAnchor.h"
#include "UninstallDlg.h"


namespace {

CString Usage()
{
    return CString(kUninstallerName) +
           " [/S]\n\n"
           "Removes the product installed in this program's folder: exactly the files, folders and "
           "registry entries that its " +
           kInstallLogName +
           " lists. Files of your own, and folders that still hold them, are kept.\n\n"
           "/S\tremove without asking and without any window\n"
           "/?\tshow this text (nothing is removed)\n\n"
           "Exit codes: 0 removed; 2 removed, but some items were left in place; 1 nothing was removed.";
}

// How many left items the final message names; the rest are counted.
const size_t kItemsShown = 8;


struct RemovalJob {
    const InstallRecord* pRecord;
    const CFolderHandle* pTarget;
    CString strTarget;
    std::vector<CString> skip;
    CUninstallDlg* pDlg;
    RemovalReport report;
};

// The dialog's window as the caller's thread last set it; null before it opens and after it closes.
HWND DialogWindow(const RemovalJob& job) { return job.pDlg->GetSafeHwndFromAnyThread(); }

UINT RemovalThread(LPVOID pParam)
{
    auto* job = static_cast<RemovalJob*>(pParam);
    try {
        job->report = RemoveInstalledItems(*job->pRecord, *job->pTarget, job->strTarget, job->skip,
                                           [job](const CString& item, int nDone, int nTotal) {
                                               UninstallProgress p = {item, nDone, nTotal};
                                               if (HWND hwnd = DialogWindow(*job))
                                                   SendMessageA(hwnd, WM_UNINSTALL_PROGRESS, 0, LPARAM(&p));
                                           });
    } catch (...) {
        job->report.left.push_back({job->strTarget, "an unexpected error stopped the removal"});
    }
    if (HWND hwnd = DialogWindow(*job)) PostMessageA(hwnd, WM_UNINSTALL_DONE, 0, 0);
    return 0;
}

enum class LogState { read, missing, damaged, open };

// Opens a file of the record in the held target: never through a link, never one that others
// could have written or put in place (whoever put it there would own it: its owner and its own list
// say who). That is a second wall: what decides is the digest kept in the product's entry.
LogState OpenRecordFile(const CFolderHandle& target, const CString& strName, const CString& strPath, CFile& file)
{
    const UINT kMode = CFile::modeRead | CFile::shareDenyWrite | CFile::typeBinary | CFile::osNoLinks;
    CFileException error;
    BOOL bOpened = target.IsOpen() ? file.OpenIn(target, strName, kMode, &error, strPath) : file.Open(strPath, kMode, &error);
    if (!bOpened) return error.m_cause == CFileException::fileNotFound ? LogState::missing : LogState::damaged;
    if (!AfxOnlyTrustedCanWrite(file.GetOsHandle())) return LogState::open;
    return LogState::read;
}

// Reads and checks the whole log into strData and record; tells nobody.
LogState LoadInstallLog(const CFolderHandle& target, const CString& strPath, InstallRecord& record, LogDamage& damage,
                        std::string& strData)
{
    CFile log;
    LogState state = OpenRecordFile(target, kInstallLogName, strPath, log);
    if (state == LogState::damaged) return LogState::missing;
    if (state != LogState::read) return state;
    strData = log.ReadAll();
    return ParseInstallLog(strData.data(), strData.size(), record, damage) ? LogState::read : LogState::damaged;
}

}  // namespace

BOOL CUninstallApp::InitInstance()
{
    // The uninstaller's windows are plain dialogs: it needs nothing of the common controls.
    m_nExitCode = Main();
    // The framework ends the program with ExitInstance's code, without a message loop.
    return FALSE;
}

bool CUninstallApp::ParseOptions(const char* pszArguments, Options& options)
{
    CCommandSwitches switches(pszArguments);
    // /S counts wherever it stands, so that a silent run stays silent even about a bad option.
    options.bSilent = switches.Has("/S");
    for (int i = 0; i < switches.GetCount(); ++i) {
        if (switches.Is(i, "/S")) continue;
        if (switches.Is(i, "/?")) options.bHelp = true;
        else if (switches.Is(i, "/HANDOVER") && i + 2 < switches.GetCount() && !options.bHandover) {
            options.bHandover = true;
            options.strHandles = switches.GetAt(i + 1);
            options.strProgram = switches.GetAt(i + 2);
            i += 2;
        } else {
            return false;
        }
    }
    return true;
}

int CUninstallApp::Tell(const CString& strText, UINT nType)
{
    if (m_options.bSilent) return (nType & 0x0F) == MB_YESNO ? IDYES : IDOK;
    return AfxMessageBox(strText, nType);
}

int CUninstallApp::Main()
{
    if (!ParseOptions(m_lpCmdLine, m_options) || m_options.bHelp) {
        Tell(Usage(), m_options.bHelp ? MB_ICONINFORMATION : MB_ICONHAND);
        return kNothingRemoved;
    }
    if (m_options.bHandover && !AcceptHandover()) return kNothingRemoved;
    CString program = m_options.bHandover ? m_options.strProgram : AfxGetProgramPath();
    m_strTarget = AfxFolderOf(program);
    m_strProgramName = AfxNameOf(program);
    // Opened once and held to the end: the folder checked here is the one everything is removed
    // from, and while it is held nobody can rename it and put a link in its place.
    if (!m_target.Open(m_strTarget) && GetLastError() == kErrorLinkOnPath) {
        SetProduct(AfxNameOf(m_strTarget));
        Tell("'" + m_strTarget + "' is a link (a symbolic link or a junction).\n\nNothing was removed.", MB_ICONHAND);
        return kNothingRemoved;
    }
    if (!ReadRecord()) return kNothingRemoved;
    if (m_options.bHandover && !ListsProgram(m_options.strProgram)) {
        Tell("'" + program + "' is not the uninstaller that " + kInstallLogName + " in '" + m_strTarget +
                 "' lists.\n\nNothing was removed.",
             MB_ICONHAND);
        return kNothingRemoved;
    }
    return m_options.bHandover ? Work(&m_handover) : FirstProcess();
}

// The copy works only for the program that started it: the handles must be the inherited ones,
// and the program it names must be that installation's uninstaller (ListsProgram).
bool CUninstallApp::AcceptHandover()
{
    m_options.strProgram = AfxNormalisedPath(m_options.strProgram);
    if (!m_options.strProgram.IsEmpty() && TakeHandoverHandles(m_options.strHandles, m_handover)) return true;
    Tell("This program was started to finish an uninstallation, but not by the uninstaller.\n\nNothing was removed.",
         MB_ICONHAND);
    return false;
}

bool CUninstallApp::ListsProgram(const CString& strProgram) const
{
    CString expected = AfxNormalisedPath(m_strTarget + "\\" + kUninstallerName);
    if (expected.IsEmpty() || expected.CompareNoCase(strProgram) != 0) return false;
    for (const LogItem& item : m_record.items)
        if (item.kind == LogItemKind::File && item.strPath.CompareNoCase(kUninstallerName) == 0) return true;
    return false;
}

// Every message box and the dialog carry the product's name in their caption.
void CUninstallApp::SetProduct(const CString& strName)
{
    m_strProduct = strName;
    m_strCaption = m_strProduct + " - Uninstall";
    m_pszAppName = m_strCaption;
}

bool CUninstallApp::ReadRecord()
{
    LogDamage damage;
    LogState state = LoadInstallLog(m_target, m_strTarget + "\\" + kInstallLogName, m_record, damage, m_strLogData);
    // The log's name for the product when it has a sound one, else the folder's.
    bool named = state == LogState::read && !m_record.strProductName.IsEmpty();
    SetProduct(named ? m_record.strProductName : AfxNameOf(m_strTarget));
    if (state == LogState::missing) {
        Tell(CString(kInstallLogName) + " was not found in '" + m_strTarget +
                 "'.\n\nThe uninstaller removes only what an installation lists there: nothing was removed.",
             MB_ICONHAND);
        return false;
    }
    if (state == LogState::open) return Untrusted(kInstallLogName);
    if (state == LogState::damaged) {
        CString text;
        text.Format("%s in '%s' is damaged at line %d: %s.\n\nNothing was removed.", kInstallLogName,
                    m_strTarget.GetString(), damage.nLine, damage.strReason.GetString());
        Tell(text, MB_ICONHAND);
        return false;
    }
    if (!ReadPriorRecord()) return false;
    return MatchesKeptDigest();
}

bool CUninstallApp::Untrusted(const char* pszName)
{
    Tell(CString(pszName) + " in '" + m_strTarget +
             "' can be changed by users other than the administrators, so it is not trusted.\n\nNothing was removed.",
         MB_ICONHAND);
    return false;
}

// The installation kept the digests of its log and record, and its folder, in its uninstall entry,
// where only administrators can write: a log or record that differs, one without such an entry, or
// a genuine one of another folder is not this installation's, and nothing is removed on its word
// (its shortcut lines alone reach the all-users Start menu). The value itself goes with the entry's
// other values, last.
bool CUninstallApp::MatchesKeptDigest()
{
    CString entry;
    AnchorVerdict verdict = FindRecordAnchor(AfxNormalisedPath(m_strTarget), m_strLogData, m_strPriorData, &entry);
    if (verdict != AnchorVerdict::trusted) {
        Tell(CString(kInstallLogName) + " and " + kPriorRecordName + " in '" + m_strTarget + "' are not trusted: " +
                 AnchorVerdictReason(verdict) + ".\n\nNothing was removed.",
             MB_ICONHAND);
        return false;
    }
    // The entry's key goes too when nothing else is left in it (a run that registered nothing
    // made it for the digest alone); a key that the log lists is removed by its own line.
    CString key = CString(kUninstallKeyPath) + entry;
    LogItem digest = {LogItemKind::Value, 0, kInstallDigestValue, kRootLocalMachine, key};
    LogItem entryKey = {LogItemKind::Key, 0, key, kRootLocalMachine, CString()};
    m_record.items.insert(m_record.items.begin(), digest);
    if (m_record.strProductName.IsEmpty()) {
        m_record.items.insert(m_record.items.begin(), entryKey);
        SetProduct(entry);
    }
    return true;
}

// The record of what the installation found already there. Without one (an installer of another
// make) every listed item counts as made by the installation; one that does not read stops all.
bool CUninstallApp::ReadPriorRecord()
{
    CString path = m_strTarget + "\\" + kPriorRecordName;
    CFile file;
    LogState state = OpenRecordFile(m_target, kPriorRecordName, path, file);
    if (state == LogState::missing) return true;
    if (state == LogState::open) return Untrusted(kPriorRecordName);
    if (state == LogState::damaged) {
        Tell(CString(kPriorRecordName) + " in '" + m_strTarget + "' cannot be read.\n\nNothing was removed.", MB_ICONHAND);
        return false;
    }
    // Far more than any installation writes (each replaced value twice, in hexadecimal): a larger
    // file is refused before it is read, rather than exhaust this 32-bit process.
    const DWORD kMaxRecordBytes = 64u << 20;
    PriorDamage damage;
    if (file.GetLength() > kMaxRecordBytes) {
        damage.nLine = 1;
        damage.strReason = "the record is larger than 64 MB";
    } else {
        m_strPriorData = file.ReadAll();
        if (ParsePriorRecord(m_strPriorData.data(), m_strPriorData.size(), m_record.prior, damage)) return true;
    }
    CString text;
    text.Format("%s in '%s' is damaged at line %d: %s.\n\nNothing was removed.", kPriorRecordName,
                m_strTarget.GetString(), damage.nLine, damage.strReason.c_str());
    Tell(text, MB_ICONHAND);
    return false;
}

int CUninstallApp::FirstProcess()
{
    CString question = "Remove " + m_strProduct + " from '" + m_strTarget +
                       "'?\n\nOnly the files, folders and registry entries that its installation made are "
                       "removed; files of your own are kept.";
    if (Tell(question, MB_YESNO | MB_ICONQUESTION) != IDYES) return kNothingRemoved;
    // A copy accepts only the uninstaller that the log lists; under another name this program
    // does the work itself, and its file goes at the next restart.
    if (!ListsProgram(AfxNormalisedPath(AfxGetProgramPath()))) return Work(nullptr);
    int verdict = RunHandoverCopy(m_options.bSilent ? "/S" : "", m_strTarget + "\\" + m_strProgramName);
    if (verdict >= 0) return verdict;
    // No copy could run: the work is done here, and this program's file goes at the next restart.
    return Work(nullptr);
}

RemovalReport CUninstallApp::RemoveWithProgress()
{
    RemovalJob job = {&m_record, &m_target, m_strTarget, {m_strProgramName, kInstallLogName, kPriorRecordName}, nullptr, {}};
    if (m_options.bSilent) return RemoveInstalledItems(m_record, m_target, m_strTarget, job.skip, nullptr);
    CWinThread* pThread = AfxBeginThread(RemovalThread, &job, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    if (!pThread) return RemoveInstalledItems(m_record, m_target, m_strTarget, job.skip, nullptr);
    CUninstallDlg dlg(pThread, m_strCaption);
    job.pDlg = &dlg;
    if (dlg.DoModal() == -1) pThread->ResumeThread();  // no dialog: the thread still runs, unseen
    WaitForSingleObject(pThread->m_hThread, INFINITE);
    delete pThread;
    return job.report;
}

void CUninstallApp::FinishTarget(RemovalReport& report, HandoverArgs* pHandover)
{
    CString program = m_strTarget + "\\" + m_strProgramName;
    bool keep = FolderHoldsMoreThan(m_strTarget, m_strProgramName);
    // A folder that held things before the installation was not the installation's to remove.
    if (keep && !m_record.prior.bTargetHeldFiles) report.left.push_back({m_strTarget, "holds files that the installation did not make"});
    if (!pHandover) {
        DeleteAtRestart(program);
        if (!keep) DeleteAtRestart(m_strTarget);
        return;
    }
    SendVerdict(*pHandover, Verdict(report));
    WaitForFirstProcess(*pHandover, 30000);
    RemoveChildOf(m_target, m_strProgramName, program, report, 10000);
    m_target.Close();
    if (!keep) RemoveDirectoryIfEmpty(m_strTarget, report);
}

int CUninstallApp::Work(HandoverArgs* pHandover)
{
    RemovalReport report = RemoveWithProgress();
    RemoveChildOf(m_target, kInstallLogName, m_strTarget + "\\" + kInstallLogName, report, 2000);
    RemoveChildOf(m_target, kPriorRecordName, m_strTarget + "\\" + kPriorRecordName, report, 2000);
    FinishTarget(report, pHandover);
    ShowOutcome(report);
    if (pHandover) RemoveOwnFolder();
    return Verdict(report);
}

int CUninstallApp::Verdict(const RemovalReport& report) const
{
    if (report.left.empty()) return kRemoved;
    return report.nRemoved == 0 ? kNothingRemoved : kSomeLeft;
}

void CUninstallApp::ShowOutcome(const RemovalReport& report)
{
    if (report.left.empty()) {
        Tell(m_strProduct + " was removed from your computer.", MB_ICONINFORMATION);
        return;
    }
    CString text = report.nRemoved == 0 ? m_strProduct + " could not be removed:\n\n"
                                        : m_strProduct + " was removed, but these items were left in place:\n\n";
    for (size_t i = 0; i < report.left.size() && i < kItemsShown; ++i)
        text += report.left[i].strWhat + "\n    " + report.left[i].strReason + "\n";
    if (report.left.size() > kItemsShown) {
        CString more;
        more.Format("... and %d more.\n", int(report.left.size() - kItemsShown));
        text += more;
    }
    Tell(text, MB_ICONEXCLAMATION);
}
