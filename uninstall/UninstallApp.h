// CUninstallApp: Uninstal.exe, which removes what an installation made, as the Install.log beside
// it lists it, and nothing else.
//
//   Uninstal.exe [/S] [/LOG=FILE]   /S: no question and no window at all; /LOG=: what was removed,
//                                   left and arranged for the restart, one item a line (AfxLogFile.h)
//   Uninstal.exe /?                 the usage, in a box
// Options are case-insensitive. Exit codes (AfxExitCodes.h): kExitDone, everything listed is gone
// (or already was); kExitRestartNeeded, the same once Windows has restarted (files in use go then);
// kExitFailed, some items were left in place; kExitRefused, nothing was removed (no log, a damaged
// log, the answer No, no rights, an unknown option, a log file that cannot be made, the usage asked
// for, a hand-over that is not genuine).
//
// A file in use is asked about (Retry or Cancel, naming the programs that hold it where the system
// can tell); given up, and always under /S, it goes at the restart, with the folders that then hold
// nothing else. The product's entry in Add/Remove programs, Install.log, Install.prior and the
// uninstaller itself go only when nothing of the installation is left that a later run could still
// remove: an entry then never points at nothing, and no leftover is without an entry that lists it.
// The program the user starts hands the work to a copy of itself (Handover.h) and ends with its
// verdict.
//
// Threads, when the removal runs with its window (not /S):
// - The caller's thread owns everything: the record, the target, the dialog and the job that
//   RemoveWithProgress keeps on its stack. It starts the removal thread suspended, and the dialog
//   resumes it once its window exists; the caller then waits for the thread's end before it reads
//   the report or deletes the thread object. A dialog that fails to open resumes the thread anyway:
//   it removes unseen.
// - The removal thread reads the record, the target and the names to skip, which nobody changes
//   while it runs, and writes only the job's report, which nobody reads before its end.
// - Across threads go only messages to the dialog's window: WM_UNINSTALL_PROGRESS, sent (the
//   thread waits while the dialog reads the text), and WM_UNINSTALL_DONE, posted once at the end.
//   The thread reads the dialog's window handle afresh for each message, whole and with acquire
//   order (GetSafeHwndFromAnyThread; the caller's thread sets and clears it with release order),
//   and sends nothing while it is null.
#pragma once

#include "AfxElevation.h"
#include "AfxExitCodes.h"
#include "AfxLogFile.h"
#include "AfxWinApp.h"
#include "Handover.h"
#include "InstallLog.h"
#include "RecordAnchor.h"
#include "RecordTrust.h"
#include "Removal.h"
#include "RestartPolicy.h"

class CUninstallApp : public CWinApp {
public:
    CUninstallApp() : CWinApp("Uninstall") {}

    BOOL InitInstance() override;
    int ExitInstance() override { return m_nExitCode; }

private:
    struct Options {
        bool bSilent = false;
        bool bHelp = false;
        bool bHandover = false;
        bool bStartedAgain = false;  // started again by itself for other rights: never again
        bool bFinish = false;        // the finishing run at a sign-in (kFinishSwitch)
        CString strLogFile;  // /LOG=, made full against the current directory; empty: no log
        CString strHandles;  // as given after /HANDOVER, taken only once checked
        CString strProgram;  // the first program's full path (its folder is the target)
    };

    // Reads the arguments after the program's name (AfxCommandLine.h); false for one it does not know.
    bool ParseOptions(const char* pszArguments, Options& options);
    bool OpenLog();
    bool AcceptHandover();
    bool ListsProgram(const CString& strProgram) const;
    int Main();
    int FirstProcess();
    int Work(HandoverArgs* pHandover);
    bool ReadRecord();
    bool ReadPriorBytes(RecordFileRead& prior);
    bool ReadPriorRecord();
    bool TooLarge(const char* pszName);
    bool Untrusted(const char* pszName);
    int AgainElevated(AfxRights rights);
    int AgainAsUser();
    CString OptionsPassedOn() const;
    bool FolderNamedUnder(int nRoot) const;
    int FinishReplacements();
    CString SignInCommand(const char* pszSwitch) const;
    bool MatchesKeptDigest();
    void SetProduct(const CString& strName);
    InstallRecord TakeEntryItems();
    RemovalReport RemoveWithProgress();
    void FinishRecordFiles(RemovalReport& report);
    void FinishTarget(RemovalReport& report, HandoverArgs* pHandover, bool bKeepRecord);
    void WriteOutcome(const RemovalReport& report, int nStillToGo, bool bKeepRecord);
    int Verdict(const RemovalReport& report) const;
    void ShowOutcome(const RemovalReport& report, bool bKeepRecord);
    int Tell(const CString& strText, UINT nType);

    Options m_options;
    HandoverArgs m_handover;
    CString m_strTarget;       // the target directory, without a trailing backslash
    CString m_strProgramName;  // the first program's file name in the target
    CString m_strProduct;
    CString m_strCaption;
    CString m_strEntryKey;     // the product's uninstall entry below its root (m_nEntryRoot)
    CLogFile m_log;            // /LOG=, open while this process may write to it
    CFolderHandle m_target;    // held from the start to the end of the removal
    InstallRecord m_record;
    std::string m_strLogData, m_strPriorData;  // the log's and the record's bytes, as the entry vouches for them
    RecordVerdict m_verdict = RecordVerdict::noEntry;  // the rule's (RecordTrust.h), and why it is not believed
    std::string m_strVerdictReason;
    CString m_strEntry;  // the name of the entry that vouches for them
    int m_nEntryRoot = kRootLocalMachine;  // and its root: the user's own for an installation for one user
    int m_nExitCode = kExitRefused;
};
