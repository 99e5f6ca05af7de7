// CUninstallApp: Uninstal.exe, which removes what an installation made, as the Install.log beside
// it lists it, and nothing else.
//
//   Uninstal.exe [/S] [/LOG=FILE] [/LANG=TAG]
//                                   /S: no question and no window at all; /LOG=: what was removed,
//                                   left and arranged for the restart, one item a line (AfxLogFile.h);
//                                   /LANG=: the language of its texts (AfxText.h)
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
// This class is the flow that ties the rooms together, each in a file of its own:
// - UninstallApp.cpp: how it speaks (the log, Tell, the caption);
// - UninstallFlow.cpp: the flow itself, from the options to the hand-over or the work;
// - UninstallOptions.h: the command line and the usage text;
// - UninstallRights.cpp: started again with the rights the installation's scope asks for;
// - UninstallRecord.cpp: the trust decision, the record read as the product's entry vouches for it;
// - RemovalRun.h: the removal run, what is removed and in which order, the entry last;
// - RemovalWithProgress.h: the removal thread and its dialog;
// - SignInFinish.h: the finishing run at a sign-in (kFinishSwitch);
// - UninstallOutcome.h: the exit code, the final message and the log made from the report.
#pragma once

#include "AfxElevation.h"
#include "AfxExitCodes.h"
#include "AfxLogFile.h"
#include "AfxWinApp.h"
#include "Handover.h"
#include "InstallLog.h"
#include "RegistryAnchorStore.h"
#include "RecordTrust.h"
#include "Removal.h"
#include "RestartPolicy.h"
#include "UninstallOptions.h"

class CUninstallApp : public CWinApp {
public:
    CUninstallApp() : CWinApp("Uninstall") {}

    BOOL InitInstance() override;
    int ExitInstance() override { return m_nExitCode; }

private:
    // The flow (UninstallFlow.cpp).
    int Main();
    bool OpenLog();
    int Tell(const CString& strText, UINT nType);
    void SetProduct(const CString& strName);
    // The language to speak: /LANG=, else the one the installation spoke (bRecorded: read from its
    // entry, once the record is believed), else the user's; a silent run speaks English.
    void SpeakLanguage(bool bRecorded);
    bool AcceptHandover();
    bool ListsProgram(const CString& strProgram) const;
    int FirstProcess();
    // Other rights (UninstallRights.cpp).
    int AgainElevated(AfxRights rights);
    int AgainAsUser();
    bool FolderNamedUnder(int nRoot) const;
    // The trust decision (UninstallRecord.cpp).
    bool ReadRecord();
    bool ReadPriorBytes(RecordFileRead& prior);
    bool ReadPriorRecord();
    bool TooLarge(const char* pszName);
    bool Untrusted(const char* pszName);
    bool MatchesKeptDigest();
    // The removal run (RemovalRun.cpp).
    int Work(HandoverArgs* pHandover);
    void FinishRecordFiles(RemovalReport& report);
    void FinishTarget(RemovalReport& report, HandoverArgs* pHandover, bool bKeepRecord);
    void ShowOutcome(const RemovalReport& report, bool bKeepRecord);

    UninstallOptions m_options;
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
