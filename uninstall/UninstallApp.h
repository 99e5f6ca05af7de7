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
// This class is the flow that ties the rooms together; each room is a class or a family of
// functions of its own, handed what it needs:
// - UninstallFlow.cpp: the flow itself, from the options to the hand-over or the work;
// - UninstallOptions.h: the command line and the usage text;
// - UninstallRights.cpp: started again with the rights the installation's scope asks for;
// - UninstallVoice.h: how it speaks (the log, Tell, the caption, the language);
// - BelievedRecord.h: the trust decision, the record read as the product's entry vouches for it;
// - RemovalRun.h: the removal run, what is removed and in which order, the entry last;
// - RemovalWithProgress.h: the removal thread and its dialog;
// - SignInFinish.h: the finishing run at a sign-in (kFinishSwitch);
// - UninstallOutcome.h: the exit code, the final message and the log made from the report;
// - Handover.h: the hand-over between the program the user starts and its copy.
#pragma once

#include "AfxElevation.h"
#include "AfxExitCodes.h"
#include "AfxNoLinks.h"
#include "AfxWinApp.h"
#include "BelievedRecord.h"
#include "Handover.h"
#include "UninstallOptions.h"
#include "UninstallVoice.h"

class CUninstallApp : public CWinApp {
public:
    CUninstallApp() : CWinApp("Uninstall") {}

    BOOL InitInstance() override;
    int ExitInstance() override { return m_nExitCode; }

private:
    // The flow (UninstallFlow.cpp).
    int Main();
    bool AcceptHandover();
    int FirstProcess(CBelievedRecord& record);
    int Work(CBelievedRecord& record, HandoverArgs* pHandover);
    // Other rights (UninstallRights.cpp).
    int AgainElevated(AfxRights rights);
    int AgainAsUser();
    bool FolderNamedUnder(int nRoot) const;

    UninstallOptions m_options;
    CUninstallVoice m_voice{m_options};
    HandoverArgs m_handover;
    CString m_strTarget;       // the target directory, without a trailing backslash
    CString m_strProgramName;  // the first program's file name in the target
    CFolderHandle m_target;    // held from the start to the end of the removal
    int m_nExitCode = kExitRefused;
};
