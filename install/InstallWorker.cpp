// The installation worker: payload loop, log, notifications, error handling and end paths.
#include "InstallWorker.h"

#include "AfxElevation.h"

#include "AfxDigest.h"
#include "AfxHandle.h"
#include "AfxInUse.h"
#include "AfxMessageBox.h"
#include "AfxNoLinks.h"
#include "AfxPath.h"
#include "AfxSecurity.h"
#include "AfxThread.h"
#include "AfxWnd.h"
#include "ArchiveFile.h"
#include "CarriedParts.h"
#include "EntryName.h"
#include "InstallLog.h"
#include "MediumFiles.h"
#include "PriorRecord.h"
#include "RegistryAnchorStore.h"
#include "RecordTrust.h"
#include "RegistryScript.h"
#include "Removal.h"
#include "SetupExtensions.h"
#include "Shortcuts.h"
#include "AfxShell.h"
#include "StatusText.h"
#include "TargetFolder.h"

#include <cstring>
#include <new>
#include <string>
#include <vector>

char g_szEntryName[256];

namespace {

const UINT kCopyChunk = 4096;
const char kAtRestart[] = "Windows restarts";
const char kAtSignIn[] = "you next sign in to Windows";
// modeCreate | modeWrite | shareExclusive | typeBinary: create or empty, write only, no sharing.
// Files are opened relative to their held folder: never through a link.
const UINT kCreateMode = 36881;

bool IsInUse(const CFileException& e)
{
    return e.m_lOsError == LONG(ERROR_SHARING_VIOLATION) || e.m_lOsError == LONG(ERROR_LOCK_VIOLATION);
}

// The end paths and their exit codes.
enum EndPath { E0_Normal, E1_NoBuffer, E2_Directory, E3_FileError };

// A payload that cannot be installed as it stands; its message is already formed.
struct CorruptPayload {
    CString strMessage;
};

class CInstallRun {
public:
    explicit CInstallRun(const InstallJob& job) : m_job(job), m_medium(*job.pDiskImage) {}
    CInstallRun(const CInstallRun&) = delete;
    CInstallRun& operator=(const CInstallRun&) = delete;
    ~CInstallRun() { Cleanup(); }

    UINT Execute();
    // Ends the run through the failure path after an exception that nothing else handled.
    UINT FailUnexpected(const CString& strMessage);

private:
    bool Cancelled() const { return GetInstallFlag(m_job.pCancel) != 0; }
    // The root of the product's entry: the user's own for an installation for one user.
    int EntryRoot() const { return m_job.bForOneUser ? kRootCurrentUser : kRootLocalMachine; }
    HWND DialogWindow() const;
    void Notify(UINT nMsg, LPARAM lParam);
    void NotifyStatus(const char* pszText);

    UINT RunSteps();
    bool ExtractEntries(UINT nTotal);
    bool CreateDirectoryEntry();
    void ExtractFile(UINT& nRemaining);
    void ReadExact(void* pBuffer, UINT nCount);
    void CheckEntryNameOrThrow();
    void CheckMediumOrThrow(const CString& strPath, bool bNew);
    InstallLogWriter Log() { return InstallLogWriter(*m_pLog); }
    void LookAtTarget();
    void ReadEarlierRecord();
    void RefuseSecondFolder();
    [[noreturn]] void ThrowLink(const char* pszEntry);
    void OpenOutput(const CString& strPath);
    bool OpenInUse(const CFolderHandle& folder, const CString& strLeaf, const CString& strPath);
    void ReplaceAtRestart();
    bool ArrangeFinish();
    void Note(const CString& strText);
    void OpenRecord();
    void StartAnchor();
    void KeepOpenAnchor();
    void KeepFinalAnchor(bool bComplete);
    void TakeBack(CDigestFile& file, const CDigestFile::Mark& mark);
    void RegistryStep(UINT nTotal);
    void RetireEarlier();

    UINT HandleFileError(CFileException* e);
    void CloseAbandonedFile();
    void Cleanup();
    UINT End(EndPath path);

    const InstallJob& m_job;
    const CMediumFiles m_medium;
    CString m_strPrefix;
    CString m_strAnchorFolder;  // the target as the record's anchor names it
    CFileException m_errImage, m_errLog, m_errOutput, m_errRecord;
    BYTE* m_pBuffer = nullptr;
    CArchiveFile* m_pArchive = nullptr;
    CListedLog* m_pLog = nullptr;
    CFile* m_pOutput = nullptr;
    bool m_bImageRefused = false;  // the reader's Open returned zero
    // Install.prior beside the log: what this run found already there.
    CDigestFile* m_pRecordFile = nullptr;
    // Elevated: the access list of everything this run creates (Get() is null otherwise).
    CSecurityAttributes m_security;
    // Held from the first look at the target to the end of the run.
    CTargetFolder m_target;
    // What of an earlier installation into the target this run lists besides its own.
    CCarriedParts m_carried;
    // The product's entry, where the digests of the log and the record are kept as they grow.
    CAnchorKeeper m_anchor;
    PriorRecordWriter m_record;
    EarlierInstallation m_earlier;
    bool m_bTargetHeldFiles = false;
    bool m_bTargetHadAnything = false;  // as the run found it: not empty, or an earlier installation's
    std::vector<std::string> m_madeDirectories;  // folders this run created
    std::vector<PriorKey> m_madeKeys;            // keys this run created before the script ran
    std::vector<std::string> m_entryParentsMade;  // keys above the entry made with it
    // The entry in hand is written beside a file in use (as m_strReplacement, an entry name) to
    // replace it at the restart.
    bool m_bReplaceAtRestart = false;
    CString m_strReplacement;
    // Without the administrators' rights a replacement waits for the user's next sign-in instead.
    const bool m_bAtSignIn = !AfxIsElevated();
    bool m_bFinishArranged = false;
};

// strDir ends with a backslash.
bool FolderHoldsAnything(const CString& strDir)
{
    WIN32_FIND_DATAA data;
    CFindHandle h(FindFirstFileA(strDir + "*", &data));
    if (!h) return false;
    bool any = false;
    do any = std::strcmp(data.cFileName, ".") != 0 && std::strcmp(data.cFileName, "..") != 0;
    while (!any && FindNextFileA(h.Get(), &data));
    return any;
}

bool Listed(const std::vector<std::string>& paths, const char* pszPath)
{
    for (const std::string& p : paths)
        if (SameValueName(p, pszPath)) return true;
    return false;
}

HWND CInstallRun::DialogWindow() const
{
    if (!m_job.pProgressDlg) return nullptr;
    // The user-interface thread sets and clears the handle while we run: read it whole, afresh.
    return __atomic_load_n(&m_job.pProgressDlg->m_hWnd, __ATOMIC_ACQUIRE);
}

void CInstallRun::Notify(UINT nMsg, LPARAM lParam)
{
    if (HWND hwnd = DialogWindow()) SendNotifyMessageA(hwnd, nMsg, 0, lParam);
}

void CInstallRun::NotifyStatus(const char* pszText)
{
    HWND hwnd = DialogWindow();
    if (!hwnd) return;
    // The receiver reads the text later: it gets a copy of its own, given back once handled.
    const char* copy = g_statusTexts.Acquire(pszText);
    if (!SendNotifyMessageA(hwnd, WM_INSTALL_STATUS, 0, reinterpret_cast<LPARAM>(copy)))
        CStatusTextPool::Release(copy);
}

void CInstallRun::ReadExact(void* pBuffer, UINT nCount)
{
    // The reader delivers fewer bytes only at the end of the stream: the payload is cut short.
    if (m_pArchive->Read(pBuffer, nCount) != nCount) {
        m_errImage.m_cause = CFileException::endOfFile;
        throw &m_errImage;
    }
}

void CInstallRun::CheckEntryNameOrThrow()
{
    const char* why = CheckEntryName(g_szEntryName, sizeof g_szEntryName);
    if (!why) return;
    size_t len = strnlen(g_szEntryName, sizeof g_szEntryName);
    // Quoted with its control characters escaped: the refused name may hold any byte.
    std::string name = EscapeControls(std::string(g_szEntryName, len), false);
    CorruptPayload bad;
    bad.strMessage.Format("FATAL: the file '%s' is corrupted: bad entry name '%s' (%s)",
                          m_pArchive->GetFileName().GetString(), name.c_str(), why);
    throw bad;
}

// The target may be the medium's own folder: its files stay as they are (a volume still to come
// included), and the registry script applied at the end is the medium's.
void CInstallRun::CheckMediumOrThrow(const CString& strPath, bool bNew)
{
    CString strMediumFile;
    if (!(bNew ? m_medium.HoldsNew(strPath, &strMediumFile) : m_medium.Holds(strPath, &strMediumFile))) return;
    CorruptPayload bad;
    // Both names quoted as the bad-name message quotes one: the entry's may hold any byte but the
    // control characters, and the medium's is whatever the file system holds.
    std::string entry = EscapeControls(g_szEntryName, false);
    std::string medium = EscapeControls(strMediumFile.GetString(), false);
    bad.strMessage.Format("FATAL: the entry '%s' would replace '%s' of the installation medium", entry.c_str(),
                          medium.c_str());
    throw bad;
}

// A link met on the way from the target to the entry: nothing goes through it.
void CInstallRun::ThrowLink(const char* pszEntry)
{
    CorruptPayload bad;
    std::string entry = EscapeControls(pszEntry, false);
    bad.strMessage.Format("FATAL: the path of '%s' in '%s' leads through a link (a symbolic link or a junction); "
                          "nothing is written through it",
                          entry.c_str(), m_job.pInstallDir->GetString());
    throw bad;
}

// Returns false when the directory could not be made (end path E2, message shown).
bool CInstallRun::CreateDirectoryEntry()
{
    const char* pszPath = g_szEntryName + 1;
    CString path = m_strPrefix + pszPath;
    CheckMediumOrThrow(path, true);
    // Listed before it is made, so that wherever the run stops nothing it made goes unlisted; taken
    // back when it cannot be made.
    CDigestFile::Mark mark = m_pLog->GetMark();
    Log().Directory(pszPath);
    // A folder found there is recorded, unless this run or an earlier installation into this
    // folder made it (then it belongs to the product). Where it may have been there before the run
    // (in a target that held anything, below a folder this run did not make), that line goes out
    // before the look and is taken back when this run makes it: a run stopped in between leaves a
    // folder of its own rather than removes one that was there. Elsewhere it follows the look, and
    // a fresh installation writes no line to take back.
    bool bOurs = Listed(m_madeDirectories, pszPath) ||
                 (m_earlier.ListsDirectory(pszPath) && !m_earlier.Found().HasDirectory(pszPath));
    const char* pszLeaf = std::strrchr(pszPath, '\\');
    bool bUnderMade = pszLeaf && Listed(m_madeDirectories, std::string(pszPath, pszLeaf).c_str());
    bool bAhead = !bOurs && m_bTargetHadAnything && !bUnderMade;
    CDigestFile::Mark recordMark = m_pRecordFile->GetMark();
    if (bAhead) m_record.Directory(pszPath);
    // An existing directory is accepted; a file of that name is not a directory.
    bool existed = false;
    DWORD err = m_target.MakeFolder(pszPath, &existed);
    if (bAhead && (err != NO_ERROR || !existed)) TakeBack(*m_pRecordFile, recordMark);
    if (err != NO_ERROR) TakeBack(*m_pLog, mark);
    if (err == kErrorLinkOnPath) ThrowLink(pszPath);
    if (err != NO_ERROR) {
        CString text;
        text.Format("FATAL: unable to create directory '%s'", path.GetString());
        AfxMessageBox(text, MB_ICONHAND);
        return false;
    }
    if (existed && !bOurs && !bAhead) m_record.Directory(pszPath);
    if (!existed) m_madeDirectories.push_back(pszPath);
    return true;
}

void CInstallRun::ExtractFile(UINT& nRemaining)
{
    UINT nSize = 0;
    ReadExact(&nSize, 4);
    if (nSize > nRemaining) {
        CorruptPayload bad;
        bad.strMessage.Format("FATAL: the file '%s' is corrupted: the sizes of its entries do not add up",
                              m_pArchive->GetFileName().GetString());
        throw bad;
    }
    NotifyStatus(g_szEntryName);
    Notify(WM_INSTALL_FILE_SIZE, LPARAM(nSize));
    Notify(WM_INSTALL_FILE_RESET, 0);
    // Listed before it is opened, so that wherever the run stops nothing it made goes unlisted;
    // taken back when it cannot be opened.
    CDigestFile::Mark mark = m_pLog->GetMark();
    Log().File(g_szEntryName);
    try {
        OpenOutput(m_strPrefix + g_szEntryName);
    } catch (...) {
        TakeBack(*m_pLog, mark);
        throw;
    }
    while (nSize != 0) {
        UINT ask = nSize < kCopyChunk ? nSize : kCopyChunk;
        UINT n = m_pArchive->Read(m_pBuffer, ask);
        m_pOutput->Write(m_pBuffer, n);
        if (n != ask) {
            m_errImage.m_cause = CFileException::endOfFile;
            throw &m_errImage;
        }
        // A stop request takes effect after the chunk in hand: the file stays as far as written.
        if (Cancelled()) break;
        Notify(WM_INSTALL_FILE_STEP, LPARAM(n));
        Notify(WM_INSTALL_TOTAL_STEP, LPARAM(n));
        nSize -= n;
        nRemaining -= n;
    }
    m_pOutput->Close();
    if (m_bReplaceAtRestart) ReplaceAtRestart();
}

// Opens the entry in hand for writing, in its held folder: a new file at once, with its list; one
// that is there already only once it is seen to be no file of the medium.
void CInstallRun::OpenOutput(const CString& strPath)
{
    CheckMediumOrThrow(strPath, true);
    CString leaf;
    DWORD err = NO_ERROR;
    const CFolderHandle* folder = m_target.FolderOf(g_szEntryName, &leaf, &err);
    if (!folder) {
        if (err == kErrorLinkOnPath) ThrowLink(g_szEntryName);
        m_errOutput.m_cause = CFileException::OsErrorToException(LONG(err));
        m_errOutput.m_lOsError = LONG(err);
        m_errOutput.m_strFileName = strPath;
        throw &m_errOutput;
    }
    m_bReplaceAtRestart = false;
    bool bOpened = m_pOutput->OpenIn(*folder, leaf, kCreateMode | CFile::osNewOnly, &m_errOutput, strPath);
    if (!bOpened && m_errOutput.m_lOsError == LONG(ERROR_FILE_EXISTS)) {
        CheckMediumOrThrow(strPath, false);
        bOpened = m_pOutput->OpenIn(*folder, leaf, kCreateMode, &m_errOutput, strPath);
        if (!bOpened && IsInUse(m_errOutput)) bOpened = OpenInUse(*folder, leaf, strPath);
    }
    if (bOpened) return;
    if (m_errOutput.m_lOsError == LONG(kErrorLinkOnPath)) ThrowLink(g_szEntryName);
    throw &m_errOutput;
}

// A file that a running program holds. Asked about (Try Again once the program has ended, Continue
// to have it replaced when Windows restarts, or, without the administrators' rights, when the user
// next signs in; Cancel); a silent run has it replaced then without asking. Returns true with the
// output open, false with m_errOutput telling why not.
bool CInstallRun::OpenInUse(const CFolderHandle& folder, const CString& strLeaf, const CString& strPath)
{
    for (;;) {
        int answer = IDCONTINUE;
        if (!m_job.bSilent) {
            // The program by name, where the system can tell.
            CString holders = AfxProgramsHolding(strPath);
            if (!holders.IsEmpty()) holders = " (" + holders + ")";
            CString text;
            text.Format("The file '%s' is in use by a program%s, which must end before it can be replaced.\n\n"
                        "Try Again: once you have closed the program.\nContinue: replace it when %s.\n"
                        "Cancel: stop the installation.",
                        strPath.GetString(), holders.GetString(), m_bAtSignIn ? kAtSignIn : kAtRestart);
            answer = AfxMessageBox(text, MB_CANCELTRYCONTINUE | MB_ICONEXCLAMATION);
        }
        if (answer == IDCONTINUE) break;
        // The user stops here, having been told about the file: nothing more to say.
        if (answer != IDTRYAGAIN) throw CorruptPayload();
        if (m_pOutput->OpenIn(folder, strLeaf, kCreateMode, &m_errOutput, strPath)) return true;
        if (!IsInUse(m_errOutput)) return false;
    }
    // Written beside it under a name of its own; the system puts it in place at the restart. A name
    // that would not fit the log's rules is not offered that way.
    if (std::strlen(g_szEntryName) + sizeof kReplacementSuffix > sizeof g_szEntryName) return false;
    m_strReplacement = CString(g_szEntryName) + kReplacementSuffix;
    CString leaf = strLeaf + kReplacementSuffix;
    CString path = strPath + kReplacementSuffix;
    Log().File(m_strReplacement.Str());
    if (!m_pOutput->OpenIn(folder, leaf, kCreateMode, &m_errOutput, path)) return false;
    m_bReplaceAtRestart = true;
    return true;
}

// After the replacement of a file in use is written (listed, so that an uninstallation before the
// restart removes it too): handed to the system for the restart.
void CInstallRun::ReplaceAtRestart()
{
    m_bReplaceAtRestart = false;
    CString from = m_strPrefix + m_strReplacement, to = m_strPrefix + g_szEntryName;
    if (!(m_bAtSignIn ? ArrangeFinish() : AfxReplaceAtRestart(from, to))) {
        m_errOutput.m_cause = CFileException::OsErrorToException(LONG(GetLastError()));
        m_errOutput.m_lOsError = LONG(GetLastError());
        m_errOutput.m_strFileName = to;
        throw &m_errOutput;
    }
    if (m_job.pRestart) SetInstallFlag(m_job.pRestart, 1);
    CString text;
    text.Format("'%s' is in use by a program: it is replaced when %s.", to.GetString(),
                m_bAtSignIn ? kAtSignIn : kAtRestart);
    Note(text);
}

// Without the administrators' rights the restart can be told nothing: the installed uninstaller
// puts the replacements in place when the user next signs in, once for the run.
bool CInstallRun::ArrangeFinish()
{
    if (m_bFinishArranged) return true;
    CString command = "\"" + m_strPrefix + kUninstallerName + "\" " + kFinishSwitch;
    m_bFinishArranged = AfxRunAtSignIn(*m_job.pProductName + kFinishCommandSuffix, command);
    return m_bFinishArranged;
}

// Returns false after end path E2's message.
bool CInstallRun::ExtractEntries(UINT nTotal)
{
    UINT nRemaining = nTotal;
    while (nRemaining != 0 && !Cancelled()) {
        // Cleared first, so that a stream that has ended yields an empty (refused) name rather
        // than the previous entry's bytes.
        std::memset(g_szEntryName, 0, sizeof g_szEntryName);
        m_pArchive->ReadString(g_szEntryName, sizeof g_szEntryName);
        CheckEntryNameOrThrow();
        if (g_szEntryName[0] == '\\') {
            if (!CreateDirectoryEntry()) return false;
        } else {
            ExtractFile(nRemaining);
        }
    }
    return true;
}

// What the target held before this run: an earlier installation's log and record (read before the
// new log replaces them) and whether anything at all was there. The target is held from here on.
void CInstallRun::LookAtTarget()
{
    // The target itself; a link further down stops the entry that would go through it.
    DWORD err = AfxLinkOnPath(*m_job.pInstallDir, "", true) ? kErrorLinkOnPath
                                                            : m_target.Open(*m_job.pInstallDir, m_security.Get());
    if (err == kErrorLinkOnPath) {
        CorruptPayload bad;
        bad.strMessage.Format("FATAL: the folder '%s' is a link (a symbolic link or a junction); nothing is installed "
                              "there",
                              m_job.pInstallDir->GetString());
        throw bad;
    }
    if (err != NO_ERROR) {
        // No folder to put the log in: the run ends as an open of the log that failed.
        m_errLog.m_cause = CFileException::OsErrorToException(LONG(err));
        m_errLog.m_lOsError = LONG(err);
        m_errLog.m_strFileName = m_strPrefix + kInstallLogName;
        throw &m_errLog;
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
    CString there = CRegistryAnchorStore().Read(*m_job.pProductName, EntryRoot()).strLocation;
    if (there.IsEmpty() || there.CompareNoCase(m_strAnchorFolder) == 0) return;
    if (GetFileAttributesA(there + "\\" + kInstallLogName) == INVALID_FILE_ATTRIBUTES) return;
    CorruptPayload bad;
    bad.strMessage.Format("FATAL: %s is installed in '%s'. Remove it first (its uninstaller is in that folder), or "
                          "install it into that folder again.",
                          m_job.pProductName->GetString(), there.GetString());
    throw bad;
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
    m_carried.Take(m_earlier, *m_job.pInstallDir, m_job.bForOneUser);
    m_bTargetHeldFiles = strLog.empty() ? FolderHoldsAnything(m_strPrefix) : m_earlier.Found().bTargetHeldFiles;
    m_bTargetHadAnything = !strLog.empty() || m_bTargetHeldFiles;
}

// Said only where there is a log to say it in: the silent run's.
void CInstallRun::Note(const CString& strText)
{
    if (m_job.note) m_job.note(strText);
}

// Made with the log, so that every log has its record; each line goes out before what it records.
void CInstallRun::OpenRecord()
{
    if (!m_pRecordFile->OpenIn(m_target.Root(), kPriorRecordName, kCreateMode, &m_errRecord,
                               m_strPrefix + kPriorRecordName))
        throw &m_errRecord;
    m_pRecordFile->SetAfterWrite([this] { KeepOpenAnchor(); });
    m_record = PriorRecordWriter(m_pRecordFile, true);
    m_record.Header();
    if (m_bTargetHeldFiles) m_record.TargetHeldFiles();
    // An upgrade: the earlier installation is listed from the first line on.
    m_carried.WriteStart(m_record);
    // The keys above the product's entry that the registry made with it (a profile without any
    // entry yet): gone with the entry, when nothing else is left in them.
    for (const std::string& key : m_entryParentsMade) m_record.MadeKey(EntryRoot(), key);
    // The folders above the target that the flow made for it (a profile without its folder for
    // programs yet, a new folder in Program Files): gone after the target, when nothing else is
    // left in them.
    if (m_job.pMadeFolders)
        for (const CString& folder : *m_job.pMadeFolders)
            if (IsFolderAbove(folder.Str(), m_job.pInstallDir->Str())) m_record.MadeFolder(folder.Str());
}

void CInstallRun::RegistryStep(UINT nTotal)
{
    m_carried.EndPayloadPart(*m_pLog);
    NotifyStatus("Updating Registry...");
    RegistryScript script("Setup.ini", *m_job.pInstallDir, *m_job.pProductName);
    script.m_nPayloadBytes = nTotal;
    script.m_pRecord = &m_record;
    script.m_pEarlier = &m_earlier;
    script.m_madeKeys = m_madeKeys;
    script.m_bForOneUser = m_job.bForOneUser;
    // A registry that refuses a key or value does not make the run fail.
    script.Apply(*m_pLog);
    m_carried.EndRegistryPart(*m_pLog, script.m_bMarkerWritten);
    // Explorer keeps what it knows of file types until it is told.
    if (script.m_bClassesRootWritten) AfxNotifyAssociationsChanged();
    // Shortcuts come last, to the files and the folder now in place; none is a reason to fail.
    SetupExtensions ext;
    bool bShortcuts = ReadSetupExtensions(script.GetText(), ext) && !ext.shortcuts.empty();
    m_carried.WriteShortcutPart(*m_pLog, bShortcuts, [&] {
        NotifyStatus("Creating shortcuts...");
        CreateShortcuts(ext, *m_job.pProductName, *m_job.pInstallDir, m_job.bForOneUser, *m_pLog);
    });
    if (!Cancelled()) RetireEarlier();
    m_pLog->Close();
    m_pRecordFile->Close();
    KeepFinalAnchor(true);
}

// An upgrade that has written everything retires what the earlier installation listed and this one
// does not: removed as the uninstaller removes it (a value the earlier installation replaced is put
// back), and then no longer listed. Until the log is written again, the entry keeps the whole log
// as it stood joined with the earlier one: a run stopped meanwhile leaves every item listed, those
// already gone included, which a later uninstallation finds gone.
void CInstallRun::RetireEarlier()
{
    InstallRecord retired = m_carried.Unlisted(*m_pLog);
    if (retired.items.empty()) return;
    m_anchor.KeepCarried(UnionOfLogs(m_carried.LogText(), m_pLog->Text()), m_carried.PriorText(m_bTargetHeldFiles));
    // The installation's own files, whatever the earlier log says of them.
    RemovalReport report =
        RemoveInstalledItems(retired, m_target.Root(), *m_job.pInstallDir, {kUninstallerName, kInstallLogName, kPriorRecordName},
                             nullptr);
    // Nothing is arranged for a later time here: a file in use stays listed for the uninstaller.
    for (const LeftItem& item : report.left)
        Note("Of the earlier installation, '" + item.strWhat + "' was left in place: " +
             (item.strReason == kAtSignInReason ? CString("in use by a program") : item.strReason) + ".");
    m_carried.Rewrite(*m_pLog);
}

// The digests of the log and the record, with the folder, are kept in the product's entry where
// only administrators can write: so that the uninstaller can tell them from any that are put in
// their place, after a complete run as after one that failed, was cancelled or was killed. Before
// the earlier installation's log and record are replaced, what the run carries of them is kept
// there too, and the digests of two empty files: from then on the record is what is carried
// joined with what the new files verifiably hold.
void CInstallRun::StartAnchor()
{
    bool bMadeKey = false;
    if (!m_anchor.Open(*m_job.pProductName, m_strAnchorFolder, EntryRoot(), &bMadeKey, &m_entryParentsMade)) return;
    // The entry made here is this run's, not something the registration finds there.
    if (bMadeKey) m_madeKeys.push_back({EntryRoot(), std::string(kUninstallKeyPath) + m_job.pProductName->Str()});
    if (m_carried.Any()) m_anchor.KeepCarried(m_carried.LogText(), m_carried.PriorText(m_bTargetHeldFiles));
    const std::string empty = CSha256::Of("");
    m_anchor.Keep(OpenDigestText(empty, 0, empty, 0));
}

// After every line: the digests of what the log and the record hold so far.
void CInstallRun::KeepOpenAnchor()
{
    m_anchor.Keep(OpenDigestText(m_pLog->HexDigest(), m_pLog->Written(), m_pRecordFile->HexDigest(),
                                 m_pRecordFile->Written()));
}

// As the run ends: with bComplete (the log lists what is carried, and the files were written to
// their end) the digests of the whole files, and what was carried is let go; otherwise the digests
// of the lines written, what was carried still kept.
void CInstallRun::KeepFinalAnchor(bool bComplete)
{
    if (!m_pLog || !m_pRecordFile) return;
    m_pLog->SetAfterWrite(nullptr);
    m_pRecordFile->SetAfterWrite(nullptr);
    if (!bComplete) {
        KeepOpenAnchor();
        return;
    }
    if (m_anchor.Keep(m_pLog->HexDigest() + " " + m_pRecordFile->HexDigest())) m_anchor.KeepCarried("", "");
}

// A line that went out for something not made after all.
void CInstallRun::TakeBack(CDigestFile& file, const CDigestFile::Mark& mark)
{
    try {
        file.Rewind(mark);
    } catch (CFileException* e) {
        e->Delete();  // the run's own error is the one told
    }
}

UINT CInstallRun::RunSteps()
{
    // Let go without a dialog ever having shown it: nothing is touched. A stop request alone does
    // not end the run here: the run still leaves its (empty) Install.log.
    if (m_job.bAbandoned) return End(E0_Normal);
    m_strPrefix = *m_job.pInstallDir + "\\";
    m_strAnchorFolder = AfxNormalisedPath(*m_job.pInstallDir);
    m_pBuffer = new (std::nothrow) BYTE[kCopyChunk];
    if (!m_pBuffer) {
        AfxMessageBox("FATAL:\tunable to allocate memory", MB_ICONHAND);
        return End(E1_NoBuffer);
    }
    // A folder of one user's own keeps the list it inherits: its user updates and removes it.
    if (!m_job.bForOneUser && AfxIsElevated() && !m_security.Build(CSecurityAttributes::kInstallFolder)) {
        AfxMessageBox("FATAL: unable to make the access list of the installation", MB_ICONHAND);
        return End(E1_NoBuffer);
    }
    m_pArchive = new CArchiveFile;
    m_pLog = new CListedLog;
    m_pOutput = new CFile;
    m_pRecordFile = new CDigestFile;
    m_pLog->SetCreateSecurity(m_security.Get());
    m_pOutput->SetCreateSecurity(m_security.Get());
    m_pRecordFile->SetCreateSecurity(m_security.Get());
    NotifyStatus("Please wait, initializing...");
    UINT nTotal = 0;
    try {
        if (!m_pArchive->Open(*m_job.pDiskImage, CFile::typeBinary | CFile::shareDenyWrite, &m_errImage)) {
            m_bImageRefused = true;
            throw &m_errImage;
        }
        LookAtTarget();
        if (!m_pLog->OpenIn(m_target.Root(), kInstallLogName, kCreateMode, &m_errLog, m_strPrefix + kInstallLogName))
            throw &m_errLog;
        m_pLog->SetAfterWrite([this] { KeepOpenAnchor(); });
        if (m_job.pWritten) SetInstallFlag(m_job.pWritten, 1);
        OpenRecord();
        ReadExact(&nTotal, 4);
        Notify(WM_INSTALL_TOTAL_SIZE, LPARAM(nTotal));
        Notify(WM_INSTALL_TOTAL_RESET, 0);
        if (!ExtractEntries(nTotal)) {
            Cleanup();
            return End(E2_Directory);
        }
    } catch (CFileException* e) {
        return HandleFileError(e);
    } catch (const CorruptPayload& bad) {
        if (!bad.strMessage.IsEmpty()) AfxMessageBox(bad.strMessage, MB_ICONHAND);
        Cleanup();
        return End(E3_FileError);
    }
    delete[] m_pBuffer;
    m_pBuffer = nullptr;
    if (!Cancelled()) RegistryStep(nTotal);
    Cleanup();
    return End(E0_Normal);
}

const char* CauseText(int cause)
{
    switch (cause) {
    case CFileException::fileNotFound: return "unable to open '%s'";
    case CFileException::tooManyOpenFiles: return "too many open files";
    case CFileException::accessDenied: return "access denied on '%s'";
    case CFileException::directoryFull: return "directory full";
    case CFileException::badSeek: return "bad seek operation on '%s'";
    case CFileException::hardIO: return "hard I/O error on '%s'";
    case CFileException::sharingViolation: return "sharing violation on '%s'";
    case CFileException::lockViolation: return "lock violation on '%s'";
    case CFileException::diskFull: return "disk full";
    case CFileException::endOfFile: return "unexpected end of file";
    default: return nullptr;  // generic: the reader has shown its own message
    }
}

// An error code of the system that has no cause of its own arrives as generic, the cause the
// reader gives after its own message. The reader sets that cause without touching the error code,
// which then still holds none or the code of a retried missing volume: only a record whose code
// itself maps to generic comes from the file layer, untold.
bool IsUntoldSystemError(const CFileException& e)
{
    return e.m_cause == CFileException::generic && e.m_lOsError != -1 &&
           CFileException::OsErrorToException(e.m_lOsError) == CFileException::generic;
}

UINT CInstallRun::HandleFileError(CFileException* e)
{
    CString name = "<UNKNOWN FILE>";
    if (e == &m_errImage) name = m_pArchive->GetFileName();
    else if (e == &m_errLog) name = AfxNameOf(m_errLog.m_strFileName);
    else if (e == &m_errOutput) name = AfxNameOf(m_errOutput.m_strFileName);
    else if (e == &m_errRecord) name = AfxNameOf(m_errRecord.m_strFileName);
    int cause = e->m_cause;
    // The table has no text for the cause the reader raises after its own message. A refused
    // open of the log or of an output file (a path whose folder is missing, say) has told the
    // user nothing yet: it gets the open message, so that no run ends without a word. So does a
    // first volume refused for a cause without text, unless the user has just cancelled the retry
    // prompt for a path not found.
    const char* format = CauseText(cause);
    if (!format && (e == &m_errLog || e == &m_errOutput || e == &m_errRecord)) format = "unable to open '%s'";
    if (!format && e == &m_errImage && cause != CFileException::generic && cause != CFileException::badPath)
        format = "unable to open '%s'";
    if (!format && e == &m_errImage && m_bImageRefused && IsUntoldSystemError(*e)) format = "unable to open '%s'";
    e->Delete();
    if (format) {
        CString text;
        text.Format(format, name.GetString());
        AfxMessageBox("FATAL: " + text, MB_ICONHAND);
    }
    Cleanup();
    return End(E3_FileError);
}

// A file that a failure left half-written stays on disk, listed (before it was opened) like every
// other one, so that the log names everything the run made and the uninstaller can remove it.
void CInstallRun::CloseAbandonedFile()
{
    if (!m_pOutput || !m_pOutput->IsOpen()) return;
    try {
        m_pOutput->Close();
    } catch (CFileException* e) {
        e->Delete();  // the handle is closed all the same; the run's own error is the one told
    }
}

void CInstallRun::Cleanup()
{
    CloseAbandonedFile();
    // A run that ends early leaves a record that lists the earlier installation too, and that the
    // uninstaller can verify.
    if (m_pLog && m_pLog->IsOpen() && m_pRecordFile && m_pRecordFile->IsOpen())
        KeepFinalAnchor(m_carried.Finish(*m_pLog));
    delete[] m_pBuffer;
    m_pBuffer = nullptr;
    delete m_pArchive;
    m_pArchive = nullptr;
    delete m_pLog;
    m_pLog = nullptr;
    delete m_pOutput;
    m_pOutput = nullptr;
    m_record = PriorRecordWriter();
    delete m_pRecordFile;
    m_pRecordFile = nullptr;
    m_target.Close();
}

UINT CInstallRun::End(EndPath path)
{
    // Everything needed is read before the flags: once g_bDone is 1 the flow may free the job,
    // and once WM_CLOSE is sent it may delete the dialog object.
    InstallFlag* pFailed = m_job.pFailed;
    InstallFlag* pDone = m_job.pDone;
    HWND hwnd = DialogWindow();
    bool failed = path != E0_Normal;
    SetInstallFlag(pFailed, failed ? 1 : 0);
    if (path == E0_Normal || path == E1_NoBuffer) SetInstallFlag(pDone, 1);
    if (hwnd) SendNotifyMessageA(hwnd, WM_CLOSE, 0, 0);
    return failed ? 1 : 0;
}

UINT CInstallRun::Execute() { return RunSteps(); }

UINT CInstallRun::FailUnexpected(const CString& strMessage)
{
    AfxMessageBox(strMessage, MB_ICONHAND);
    Cleanup();
    return End(E3_FileError);
}

CString RegistryStepMessage(CFileException* e)
{
    CString name = "<UNKNOWN FILE>";
    if (!e->m_strFileName.IsEmpty()) {
        name = e->m_strFileName;
        int cut = -1;
        for (int i = 0; i < name.GetLength(); ++i)
            if (name[i] == '\\' || name[i] == '/' || name[i] == ':') cut = i;
        name = name.Mid(cut + 1);
    }
    const char* format = CauseText(e->m_cause);
    if (!format) return "FATAL: unable to complete the registry step";
    CString text;
    text.Format(format, name.GetString());
    return "FATAL: " + text;
}

}  // namespace

UINT InstallWorker(LPVOID pParam)
{
    return RunInstallJob(*static_cast<const InstallJob*>(pParam));
}

CWinThread* StartInstallWorker(InstallJob& job)
{
    return AfxBeginThread(InstallWorker, &job, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED, nullptr);
}

UINT RunInstallJob(const InstallJob& job)
{
    CInstallRun run(job);
    // Whatever escapes the steps (a file error after the payload, in the registry step; memory;
    // anything else) ends the run as a failure with one message, never the process.
    try {
        return run.Execute();
    } catch (CFileException* e) {
        CString text = RegistryStepMessage(e);
        e->Delete();
        return run.FailUnexpected(text);
    } catch (const std::bad_alloc&) {
        return run.FailUnexpected("FATAL:\tunable to allocate memory");
    } catch (...) {
        return run.FailUnexpected("FATAL: unexpected error during the installation");
    }
}
