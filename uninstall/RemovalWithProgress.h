// The removal of a record's items with the uninstaller's window: a removal thread does the work
// while the caller's thread runs the dialog (UninstallDlg.h); a file in use is asked about in a box
// (Retry or Cancel, naming the programs that hold it where the system can tell).
//
// Threads:
// - The caller's thread owns everything: the record, the target, the dialog and the job that
//   RemoveWithProgress keeps on its stack. It starts the removal thread suspended, and the dialog
//   resumes it once its window exists; the caller then waits for the thread's end before it reads
//   the report or deletes the thread object. A dialog that fails to open resumes the thread anyway:
//   it removes unseen.
// - The removal thread reads the record, the target and the names to skip, which nobody changes
//   while it runs, and writes only the job's report, which nobody reads before its end.
// - Across threads go only messages to the dialog's window: WM_UNINSTALL_PROGRESS, sent (the
//   thread waits while the dialog reads the text), WM_UNINSTALL_IN_USE, sent (the thread waits for
//   the answer), and WM_UNINSTALL_DONE, posted once at the end. The thread reads the dialog's
//   window handle afresh for each message, whole and with acquire order (GetSafeHwndFromAnyThread;
//   the caller's thread sets and clears it with release order), and sends nothing while it is null.
#pragma once

#include "Removal.h"

// Removes record's items below the held target (strTarget names it), leaving the files named in
// skip, as RemoveInstalledItems does. bSilent: no window and no question, a file in use goes at the
// restart. Otherwise the dialog, captioned strCaption, shows the progress; when no thread can be
// started the removal runs on this thread without a dialog, still asking about files in use.
RemovalReport RemoveWithProgress(const InstallRecord& record, const CFolderHandle& target, const CString& strTarget,
                                 const std::vector<CString>& skip, bool bSilent, const CString& strCaption);

// The question about a file in use, naming the programs that hold it where the system can tell.
CString InUseQuestionText(const CString& strPath);
