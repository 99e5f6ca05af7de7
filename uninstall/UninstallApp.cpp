#include "UninstallApp.h"

#include "AfxCommandLine.h"
#include "AfxElevation.h"
#include "AfxFile.h"
#include "AfxHandle.h"
#include "AfxRegistry.h"
#include "AfxMessageBox.h"
#include "AfxPath.h"
#include "AfxSecurity.h"
#include "AfxShell.h"
#include "AfxThread.h"
#include "AfxInUse.h"
#include "InstallRecordFormat.h"
#include "RegistryAnchorStore.h"
#include "RecordTrust.h"
#include "UninstallDlg.h"


namespace {

CString Usage()
{
    return CString(kUninstallerName) +
           " [/S] [/LOG=FILE]\n\n"
           "Removes the product installed in this program's folder: exactly the files, folders and "
           "registry entries that its " +
           kInstallLogName +
           " lists. Files of your own, and folders that still hold them, are kept.\n\n"
           "/S\tremove without asking and without any window\n"
           "/LOG=FILE\twrite what was removed, what was left and why, and what goes when Windows restarts "
           "into FILE, one item a line\n"
           "/?\tshow this text (nothing is removed)\n\n"
           "Files in use go when Windows restarts.\n\n"
           "Exit codes: 0 removed; 3010 removed once Windows has restarted; 2 removed, but some items were "
           "left in place; 1 nothing was removed.";
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
HWND DialogWindow(const RemovalJob& job) { return job.pDlg ? job.pDlg->GetSafeHwndFromAnyThread() : nullptr; }

// The question about a file in use, naming the programs that hold it where the system can tell.
CString InUseQuestionText(const CString& strPath)
{
    CString programs = AfxProgramsHolding(strPath);
    CString who = programs.IsEmpty() ? CString("a program") : programs;
    CString close = programs.IsEmpty() ? CString("the program that uses it") : programs;
    return "'" + strPath + "' is in use by " + who + " and cannot be removed now.\n\nClose " + close +
           " and press Retry, or press Cancel to have it removed when Windows restarts.";
}

// Asks on the removal thread: through the dialog, whose box it then is, or alone when there is no
// dialog. True for Retry.
bool AskAboutFileInUse(const RemovalJob& job, const CString& strPath)
{
    CString text = InUseQuestionText(strPath);
    if (HWND hwnd = DialogWindow(job)) return SendMessageA(hwnd, WM_UNINSTALL_IN_USE, 0, LPARAM(&text)) == IDRETRY;
    return AfxMessageBox(text, MB_RETRYCANCEL | MB_ICONEXCLAMATION) == IDRETRY;
}

UINT RemovalThread(LPVOID pParam)
{
    auto* job = static_cast<RemovalJob*>(pParam);
    try {
        job->report = RemoveInstalledItems(*job->pRecord, *job->pTarget, job->strTarget, job->skip,
                                           [job](const CString& item, int nDone, int nTotal) {
                                               UninstallProgress p = {item, nDone, nTotal};
                                               if (HWND hwnd = DialogWindow(*job))
                                                   SendMessageA(hwnd, WM_UNINSTALL_PROGRESS, 0, LPARAM(&p));
                                           },
                                           [job](const CString& path) { return AskAboutFileInUse(*job, path); });
    } catch (...) {
        job->report.left.push_back({job->strTarget, "an unexpected error stopped the removal", true});
    }
    if (HWND hwnd = DialogWindow(*job)) PostMessageA(hwnd, WM_UNINSTALL_DONE, 0, 0);
    return 0;
}

enum class LogState { read, missing, damaged, open };

bool EntryHoldsValue(int nRoot, const CString& strKey, const char* pszName)
{
    CRegKey key;
    return AfxRegOpenKeyNoLinks(RegistryRootKey(nRoot), strKey, KEY_QUERY_VALUE, key) == ERROR_SUCCESS &&
           RegQueryValueExA(key.Get(), pszName, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

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

// Reads a file of the record into file, telling nobody: its length first, its bytes only when the
// rule for believing a record lets them be read (RecordTrust.h). damaged: it could not be read.
LogState LoadRecordFile(const CFolderHandle& target, const char* pszName, const CString& strPath, RecordFileRead& file)
{
    CFile opened;
    LogState state = OpenRecordFile(target, pszName, strPath, opened);
    if (state != LogState::read) return state;
    // The whole length: a file beyond 4 GB must not pass for a small one.
    LARGE_INTEGER length = {};
    if (!GetFileSizeEx(opened.GetOsHandle(), &length)) return LogState::damaged;
    file.nLength = static_cast<unsigned long long>(length.QuadPart);
    if (!RecordFileFits(file.nLength)) return LogState::read;
    try {
        file.strData = opened.ReadAll();
    } catch (CFileException* e) {
        e->Delete();
        return LogState::damaged;
    }
    return LogState::read;
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
    bool known = true;
    for (int i = 0; i < switches.GetCount(); ++i) {
        CString value;
        if (switches.Is(i, "/S")) continue;
        if (switches.Is(i, kAfxStartedAgainSwitch)) options.bStartedAgain = true;
        else if (switches.Is(i, kFinishSwitch)) options.bFinish = true;
        else if (switches.Is(i, "/?")) options.bHelp = true;
        else if (switches.IsValued(i, "/LOG=", value) && !value.IsEmpty()) options.strLogFile = value;
        else if (switches.Is(i, "/HANDOVER") && i + 2 < switches.GetCount() && !options.bHandover) {
            options.bHandover = true;
            options.strHandles = switches.GetAt(i + 1);
            options.strProgram = switches.GetAt(i + 2);
            i += 2;
        } else {
            known = false;
        }
    }
    // A relative log is the caller's: taken against this process's current directory, which the
    // copy that does the work does not share.
    if (!options.strLogFile.IsEmpty()) {
        char full[MAX_PATH] = {};
        DWORD n = GetFullPathNameA(options.strLogFile, MAX_PATH, full, nullptr);
        options.strLogFile = n > 0 && n < MAX_PATH ? CString(full) : CString();
        if (options.strLogFile.IsEmpty()) known = false;
    }
    return known;
}

// Creates the /LOG= file (never through a link); true without one.
bool CUninstallApp::OpenLog()
{
    if (m_options.strLogFile.IsEmpty()) return true;
    CFileException error;
    return m_log.Open(m_options.strLogFile, &error) != FALSE;
}

// Every message but the one question goes into the log as well.
int CUninstallApp::Tell(const CString& strText, UINT nType)
{
    if ((nType & 0x0F) != MB_YESNO) m_log.WriteLine(strText);
    if (m_options.bSilent) return (nType & 0x0F) == MB_YESNO ? IDYES : IDOK;
    return AfxMessageBox(strText, nType);
}

int CUninstallApp::Main()
{
    bool known = ParseOptions(m_lpCmdLine, m_options);
    // Made first, so that a run that can keep no log removes nothing.
    if (!OpenLog()) {
        Tell("The log file '" + m_options.strLogFile + "' cannot be made.\n\nNothing was removed.", MB_ICONHAND);
        return kExitRefused;
    }
    if (!known || m_options.bHelp) {
        Tell(Usage(), m_options.bHelp ? MB_ICONINFORMATION : MB_ICONHAND);
        return kExitRefused;
    }
    if (m_options.bHandover && !AcceptHandover()) return kExitRefused;
    CString program = m_options.bHandover ? m_options.strProgram : AfxGetProgramPath();
    m_strTarget = AfxFolderOf(program);
    m_strProgramName = AfxNameOf(program);
    // Opened once and held to the end: the folder checked here is the one everything is removed
    // from, and while it is held nobody can rename it and put a link in its place.
    if (!m_target.Open(m_strTarget) && GetLastError() == kErrorLinkOnPath) {
        SetProduct(AfxNameOf(m_strTarget));
        Tell("'" + m_strTarget + "' is a link (a symbolic link or a junction).\n\nNothing was removed.", MB_ICONHAND);
        return kExitRefused;
    }
    // The finishing run at a sign-in works quietly.
    if (m_options.bFinish) m_options.bSilent = true;
    // An installation for one user is removed with that user's rights alone: what vouches for it,
    // the user's everyday programs can write. Elevated, this program starts itself again without
    // the administrators' rights where the user's own entry names this folder and none of the
    // machine's does; looking is all it does with that entry.
    AfxRights rights = AfxGetRights();
    if (!m_options.bHandover && rights == AfxRights::elevated && FolderNamedUnder(kRootCurrentUser) &&
        !FolderNamedUnder(kRootLocalMachine))
        return AgainAsUser();
    if (!ReadRecord()) return kExitRefused;
    // An installation for everyone is removed with the administrators' rights: an uninstaller that
    // runs as its invoker (that of a product that may be installed either way) starts itself again
    // with them.
    if (m_nEntryRoot == kRootLocalMachine && !m_options.bHandover &&
        (rights == AfxRights::limited || rights == AfxRights::noWay))
        return AgainElevated(rights);
    AllowRestartBelow(m_target, m_strTarget);
    if (m_options.bFinish) return FinishReplacements();
    if (m_options.bHandover && !ListsProgram(m_options.strProgram)) {
        Tell("'" + program + "' is not the uninstaller that " + kInstallLogName + " in '" + m_strTarget +
                 "' lists.\n\nNothing was removed.",
             MB_ICONHAND);
        return kExitRefused;
    }
    return m_options.bHandover ? Work(&m_handover) : FirstProcess();
}

// The options for this program started again or for its copy: what was asked, the log made full
// (the program started again works in the target, the copy in its own folder).
CString CUninstallApp::OptionsPassedOn() const
{
    CString options = m_options.bSilent && !m_options.bFinish ? "/S" : "";
    if (m_options.bFinish) options = kFinishSwitch;
    if (!m_options.strLogFile.IsEmpty()) options += (options.IsEmpty() ? "\"/LOG=" : " \"/LOG=") + m_options.strLogFile + "\"";
    return options;
}

// This program again, once, with the administrators' rights.
int CUninstallApp::AgainElevated(AfxRights rights)
{
    const char* why = m_options.bStartedAgain ? "this uninstaller was started again for them and still runs without them"
                      : rights == AfxRights::noWay ? "this computer does not give them to this user"
                                                   : nullptr;
    int nCode = -1;
    if (!why) {
        m_log.Close();
        m_target.Close();
        nCode = AfxRunElevated(AfxGetProgramPath(), OptionsPassedOn() + " " + kAfxStartedAgainSwitch, m_strTarget);
        if (nCode >= 0) return nCode;
        OpenLog();
        why = "which were not given";
    }
    Tell(m_strProduct + " was installed for everyone who uses this computer: removing it needs administrator rights, " +
             why + ".\n\nNothing was removed.",
         MB_ICONHAND);
    return kExitRefused;
}

// This program again, once, as the signed-in user without the administrators' rights.
int CUninstallApp::AgainAsUser()
{
    SetProduct(AfxNameOf(m_strTarget));
    if (m_options.bStartedAgain) {
        Tell("This uninstaller was started again without administrator rights and still has them.\n\nNothing was "
             "removed.",
             MB_ICONHAND);
        return kExitRefused;
    }
    m_log.Close();
    m_target.Close();
    int nCode = AfxRunAsUser(AfxGetProgramPath(), OptionsPassedOn() + " " + kAfxStartedAgainSwitch, m_strTarget);
    if (nCode >= 0) return nCode;
    OpenLog();
    Tell("The product in '" + m_strTarget +
             "' was installed for one user, and is removed with that user's own rights: this uninstaller, started "
             "with administrator rights, could not start itself again without them.\n\nNothing was removed. Start it "
             "from an everyday window, not as an administrator.",
         MB_ICONHAND);
    return kExitRefused;
}

// Whether an entry below nRoot names this folder as its installation's (digests unchecked).
bool CUninstallApp::FolderNamedUnder(int nRoot) const
{
    CRegistryAnchorStore store;
    CString folder = AfxNormalisedPath(m_strTarget);
    for (const CString& product : store.Products(nRoot)) {
        RecordAnchor anchor = store.Read(product, nRoot);
        if (anchor.bFound && SameFolder(anchor.strLocation, folder)) return true;
    }
    return false;
}

// The finishing run at the user's sign-in: each replacement that an installation without the
// administrators' rights wrote beside a file in use goes in its place, through the held target,
// each folder on the way checked not to be a link. One still in use waits for the next sign-in.
int CUninstallApp::FinishReplacements()
{
    const int nSuffix = int(sizeof kReplacementSuffix) - 1;
    bool bWaiting = false, bFailed = false;
    for (const LogItem& item : m_record.items) {
        const CString& path = item.strPath;
        if (item.kind != LogItemKind::File || path.GetLength() <= nSuffix ||
            path.Right(nSuffix).CompareNoCase(kReplacementSuffix) != 0)
            continue;
        int cut = path.ReverseFind('\\');
        CFolderHandle parent;
        if (cut > 0 && !parent.OpenChild(m_target, path.Left(cut))) continue;
        CString from = m_strTarget + "\\" + path, to = from.Left(from.GetLength() - nSuffix);
        if (GetFileAttributesA(from) == INVALID_FILE_ATTRIBUTES) continue;  // put in place already
        if (MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING)) continue;
        DWORD err = GetLastError();
        (AfxIsInUseError(err) ? bWaiting : bFailed) = true;
        m_log.WriteLine("Left: " + from + " (" + (AfxIsInUseError(err) ? "in use" : "the system refused") + ")");
    }
    if (bWaiting && !AfxRunAtSignIn(m_strProduct + kFinishCommandSuffix, SignInCommand(kFinishSwitch))) bFailed = true;
    m_log.Close();
    return bFailed ? kExitFailed : bWaiting ? kExitRestartNeeded : kExitDone;
}

// The installed uninstaller with pszSwitch, as the user's sign-in runs it.
CString CUninstallApp::SignInCommand(const char* pszSwitch) const
{
    return "\"" + m_strTarget + "\\" + m_strProgramName + "\" " + pszSwitch;
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

// The log and the record as the product's entry vouches for them: for a run that was stopped before
// it could end, what it carried of the earlier installation joined with the lines it wrote.
bool CUninstallApp::ReadRecord()
{
    LogDamage damage;
    RecordFileRead log, prior;
    LogState state = LoadRecordFile(m_target, kInstallLogName, m_strTarget + "\\" + kInstallLogName, log);
    if (state == LogState::damaged) state = LogState::missing;
    if (state == LogState::read) {
        if (!ReadPriorBytes(prior)) return false;
        RecordQuestion question;
        question.reader = RecordReader::uninstaller;
        // Elevated beside an everyday twin: the user's own entry is what that twin's programs write.
        question.bElevated = AfxGetRights() == AfxRights::elevated;
        question.strFolder = AfxNormalisedPath(m_strTarget);
        RecordTrust trust = JudgeRecord(CRegistryAnchorStore(), question, log, prior);
        if (trust.verdict == RecordVerdict::tooLarge) return TooLarge(trust.pszFile);
        m_verdict = trust.verdict;
        m_strVerdictReason = trust.strReason;
        if (trust.IsTrusted()) {
            m_strEntry = trust.strProduct;
            m_nEntryRoot = trust.nRoot;
            m_strLogData = std::move(trust.strLog);
            m_strPriorData = std::move(trust.strPrior);
        } else {
            m_strLogData = std::move(log.strData);
            m_strPriorData = std::move(prior.strData);
        }
        if (!ParseInstallLog(m_strLogData.data(), m_strLogData.size(), m_record, damage)) {
            state = LogState::damaged;
        } else if (m_verdict == RecordVerdict::beyondUsersPart) {
            damage.nLine = trust.nLine;
            damage.strReason = trust.strReason.c_str();
            state = LogState::damaged;
        }
        // An installation for one user is vouched for by that user's own entry: its shortcuts are
        // in that user's Start menu.
        m_record.bForOneUser = m_verdict == RecordVerdict::trusted && m_nEntryRoot == kRootCurrentUser;
    }
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

// A file of the record larger than any installation writes is not read, and nothing is removed.
bool CUninstallApp::TooLarge(const char* pszName)
{
    SetProduct(AfxNameOf(m_strTarget));
    CString text;
    text.Format("%s in '%s' is damaged at line 1: the record is larger than 64 MB.\n\nNothing was removed.", pszName,
                m_strTarget.GetString());
    Tell(text, MB_ICONHAND);
    return false;
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
    const CString& entry = m_strEntry;
    if (m_verdict != RecordVerdict::trusted) {
        Tell(CString(kInstallLogName) + " and " + kPriorRecordName + " in '" + m_strTarget + "' are not trusted: " +
                 m_strVerdictReason.c_str() + ".\n\nNothing was removed.",
             MB_ICONHAND);
        return false;
    }
    // The entry's key goes too when nothing else is left in it (a run that registered nothing
    // made it for the digest alone); a key that the log lists is removed by its own line.
    CString key = CString(kUninstallKeyPath) + entry;
    m_strEntryKey = key;
    LogItem digest = {LogItemKind::Value, 0, kInstallDigestValue, m_nEntryRoot, key};
    // What a run that was stopped carried: kept beside the digest (gone once a run has ended).
    LogItem carried = {LogItemKind::Value, 0, kInstallCarriedValue, m_nEntryRoot, key};
    if (EntryHoldsValue(m_nEntryRoot, key, kInstallCarriedValue)) m_record.items.insert(m_record.items.begin(), carried);
    LogItem entryKey = {LogItemKind::Key, 0, key, m_nEntryRoot, CString()};
    m_record.items.insert(m_record.items.begin(), digest);
    if (m_record.strProductName.IsEmpty()) {
        m_record.items.insert(m_record.items.begin(), entryKey);
        SetProduct(entry);
    }
    return true;
}

// The record of what the installation found already there. Without one (an installer of another
// make) every listed item counts as made by the installation; one that does not read stops all.
bool CUninstallApp::ReadPriorBytes(RecordFileRead& prior)
{
    CString path = m_strTarget + "\\" + kPriorRecordName;
    LogState state = LoadRecordFile(m_target, kPriorRecordName, path, prior);
    if (state == LogState::missing || state == LogState::read) return true;
    if (state == LogState::open) return Untrusted(kPriorRecordName);
    Tell(CString(kPriorRecordName) + " in '" + m_strTarget + "' cannot be read.\n\nNothing was removed.", MB_ICONHAND);
    return false;
}

// The record of what the installation found already there, as read. Without one (an installer of
// another make) every listed item counts as made by the installation; one that does not read stops
// all.
bool CUninstallApp::ReadPriorRecord()
{
    PriorDamage damage;
    if (m_strPriorData.empty() || ParsePriorRecord(m_strPriorData.data(), m_strPriorData.size(), m_record.prior, damage))
        return true;
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
    if (Tell(question, MB_YESNO | MB_ICONQUESTION) != IDYES) return kExitRefused;
    // A copy accepts only the uninstaller that the log lists; under another name this program
    // does the work itself, and its file goes at the next restart.
    if (!ListsProgram(AfxNormalisedPath(AfxGetProgramPath()))) return Work(nullptr);
    CString options = OptionsPassedOn();
    // The copy writes the log from here on.
    m_log.Close();
    int verdict = RunHandoverCopy(options, m_strTarget + "\\" + m_strProgramName);
    if (verdict >= 0) return verdict;
    // No copy could run: the work is done here, and this program's file goes at the next restart.
    if (!OpenLog()) return kExitRefused;
    return Work(nullptr);
}

// The product's entry in Add/Remove programs: its values and key, and the digest kept there, taken
// out of the record, to go last.
InstallRecord CUninstallApp::TakeEntryItems()
{
    auto trimmed = [](const CString& key) {
        int first = 0, last = key.GetLength();
        while (first < last && key[first] == '\\') ++first;
        while (last > first && key[last - 1] == '\\') --last;
        return key.Mid(first, last - first);
    };
    InstallRecord entry;
    entry.prior = m_record.prior;
    std::vector<LogItem> rest;
    for (const LogItem& item : m_record.items) {
        bool inEntry = item.nRoot == m_nEntryRoot && !m_strEntryKey.IsEmpty() &&
                       ((item.kind == LogItemKind::Value && trimmed(item.strKey).CompareNoCase(m_strEntryKey) == 0) ||
                        (item.kind == LogItemKind::Key && trimmed(item.strPath).CompareNoCase(m_strEntryKey) == 0));
        (inEntry ? entry.items : rest).push_back(item);
    }
    m_record.items = rest;
    return entry;
}

RemovalReport CUninstallApp::RemoveWithProgress()
{
    RemovalJob job = {&m_record, &m_target, m_strTarget, {m_strProgramName, kInstallLogName, kPriorRecordName}, nullptr, {}};
    // Silent: a file in use goes at the restart without a question.
    if (m_options.bSilent) return RemoveInstalledItems(m_record, m_target, m_strTarget, job.skip, nullptr);
    CWinThread* pThread = AfxBeginThread(RemovalThread, &job, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    if (!pThread)
        return RemoveInstalledItems(m_record, m_target, m_strTarget, job.skip, nullptr,
                                    [&job](const CString& path) { return AskAboutFileInUse(job, path); });
    CUninstallDlg dlg(pThread, m_strCaption);
    job.pDlg = &dlg;
    if (dlg.DoModal() == -1) pThread->ResumeThread();  // no dialog: the thread still runs, unseen
    WaitForSingleObject(pThread->m_hThread, INFINITE);
    delete pThread;
    return job.report;
}

// Install.log and Install.prior: gone now when nothing waits for the restart, else arranged to go
// with the rest then (until the restart they say what the leftovers are).
void CUninstallApp::FinishRecordFiles(RemovalReport& report)
{
    for (const char* name : {kInstallLogName, kPriorRecordName}) {
        CString path = m_strTarget + "\\" + name;
        if (report.scheduled.empty()) RemoveChildOf(m_target, name, path, report, 2000);
        else if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES && DeleteAtRestart(path))
            report.scheduled.push_back({path, kAtRestartReason, false});
    }
}

// The first program's file and the target, as what the target still holds decides. The copy tells
// its verdict, and writes the log, before the first process ends: a caller who waits for it finds
// both complete. What goes only after that (this program's file, the then empty folder) is counted
// in advance.
void CUninstallApp::FinishTarget(RemovalReport& report, HandoverArgs* pHandover, bool bKeepRecord)
{
    CString program = m_strTarget + "\\" + m_strProgramName;
    std::vector<CString> except = {m_strProgramName};
    if (bKeepRecord) except.insert(except.end(), {kInstallLogName, kPriorRecordName});
    FolderContents contents = ClassifyFolder(m_strTarget, except, report);
    // What is kept for a later run is the installation's own, left in place.
    if (bKeepRecord && contents != FolderContents::foreign) contents = FolderContents::leftItems;
    bool goes = contents == FolderContents::nothing || contents == FolderContents::onlyScheduled;
    // A folder that held things before the installation was not the installation's to remove.
    if (!goes && !m_record.prior.bTargetHeldFiles) SettleFolder(m_strTarget, contents, report);
    if (!pHandover) {
        if (!bKeepRecord && DeleteAtRestart(program)) report.scheduled.push_back({program, kAtRestartReason, false});
        if (goes && !bKeepRecord && DeleteAtRestart(m_strTarget))
            report.scheduled.push_back({m_strTarget, kAtRestartReason, false});
        WriteOutcome(report, 0, bKeepRecord);
        return;
    }
    bool scheduleTarget = goes && !bKeepRecord && contents == FolderContents::onlyScheduled;
    if (scheduleTarget) report.scheduled.push_back({m_strTarget, kAtRestartReason, false});
    WriteOutcome(report, bKeepRecord ? 0 : contents == FolderContents::nothing ? 2 : 1, bKeepRecord);
    SendVerdict(*pHandover, Verdict(report));
    WaitForFirstProcess(*pHandover, 30000);
    if (bKeepRecord) return;
    RemoveChildOf(m_target, m_strProgramName, program, report, 10000);
    m_target.Close();
    // Arranged after this program's file, which may itself have had to wait for the restart.
    if (scheduleTarget && !DeleteAtRestart(m_strTarget)) {
        report.scheduled.pop_back();
        report.left.push_back({m_strTarget, "the system would not arrange its removal at the restart", true});
    }
    if (contents == FolderContents::nothing) RemoveDirectoryIfEmpty(m_strTarget, report);
    // Then the folders that the installation made on the way to the target, when nothing else came
    // into them meanwhile (a profile's folder for programs that it was the first to use).
    if (GetFileAttributesA(m_strTarget) == INVALID_FILE_ATTRIBUTES)
        RemoveMadeFolders(m_record.prior, AfxNormalisedPath(AfxFolderOf(m_strTarget)) + "\\" + AfxNameOf(m_strTarget));
}

// The /LOG= file, complete: the count removed (nStillToGo of them go just after), each item left
// and why, each item that goes at the restart. Closed at the end: nothing is written later.
void CUninstallApp::WriteOutcome(const RemovalReport& report, int nStillToGo, bool bKeepRecord)
{
    if (!m_log.IsOpen()) return;
    CString count;
    count.Format("Removed: %d items", report.nRemoved + nStillToGo);
    m_log.WriteLine(count);
    for (const LeftItem& item : report.left) m_log.WriteLine("Left: " + item.strWhat + " (" + item.strReason + ")");
    for (const LeftItem& item : report.scheduled)
        m_log.WriteLine("At restart: " + item.strWhat + " (" + item.strReason + ")");
    if (bKeepRecord)
        m_log.WriteLine(CString("Kept for a later run: ") + kInstallLogName + ", " + kPriorRecordName + ", " +
                        m_strProgramName + " and the entry in Add/Remove programs");
    if (!report.scheduled.empty()) m_log.WriteLine("Windows must restart to finish the removal");
    m_log.Close();
}

int CUninstallApp::Work(HandoverArgs* pHandover)
{
    InstallRecord entry = TakeEntryItems();
    RemovalReport report = RemoveWithProgress();
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
    CString atSignIn = m_strProduct + kFinishCommandSuffix;
    if (report.nAtSignIn && !AfxRunAtSignIn(atSignIn, SignInCommand("/S")))
        report.nAtSignIn = 0;
    if (!keepRecord) AfxCancelAtSignIn(atSignIn);
    if (!keepRecord) FinishRecordFiles(report);
    FinishTarget(report, pHandover, keepRecord);
    ShowOutcome(report, keepRecord);
    if (pHandover) RemoveOwnFolder();
    return Verdict(report);
}

int CUninstallApp::Verdict(const RemovalReport& report) const
{
    if (report.left.empty()) return report.scheduled.empty() ? kExitDone : kExitRestartNeeded;
    if (report.OnlyWaitsForSignIn()) return kExitRestartNeeded;
    return report.nRemoved == 0 && report.scheduled.empty() ? kExitRefused : kExitFailed;
}

void CUninstallApp::ShowOutcome(const RemovalReport& report, bool bKeepRecord)
{
    if (m_options.bSilent) return;
    if (report.left.empty() && report.scheduled.empty()) {
        AfxMessageBox(m_strProduct + " was removed from your computer.", MB_ICONINFORMATION);
        return;
    }
    CString text = !report.left.empty() && report.nRemoved == 0 && report.scheduled.empty()
                       ? m_strProduct + " could not be removed:\n\n"
                   : report.left.empty()
                       ? m_strProduct + " was removed, but some items are in use: Windows removes them when it restarts.\n\n"
                   : report.OnlyWaitsForSignIn()
                       ? m_strProduct + " was removed, but some items are in use: they are removed when you next sign in "
                                        "to Windows.\n\n"
                       : m_strProduct + " was removed, but these items were left in place:\n\n";
    std::vector<LeftItem> items = report.left;
    items.insert(items.end(), report.scheduled.begin(), report.scheduled.end());
    for (size_t i = 0; i < items.size() && i < kItemsShown; ++i)
        text += items[i].strWhat + "\n    " + items[i].strReason + "\n";
    if (items.size() > kItemsShown) {
        CString more;
        more.Format("... and %d more.\n", int(items.size() - kItemsShown));
        text += more;
    }
    if (bKeepRecord)
        text += "\nThe uninstaller and its entry in Add/Remove programs are kept: run it again once these items can go.\n";
    if (!report.scheduled.empty()) text += "\nRestart Windows to finish the removal.\n";
    AfxMessageBox(text, report.left.empty() ? MB_ICONINFORMATION : MB_ICONEXCLAMATION);
}
