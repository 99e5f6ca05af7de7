// InstallWorker: the thread that writes the payload of the disk image into the target directory,
// lists what it made in Install.log, applies the registry script and reports to the progress dialog.
//
// How the flow starts it:
//   InstallJob job = {nullptr, &m_strDiskImage, &m_strInstallDir, &m_strProductName,
//                     &g_bCancel, &g_bDone, &g_bFailed, nullptr, false};
//   CWinThread* t = AfxBeginThread(InstallWorker, &job, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
//   job.pProgressDlg = <the progress dialog>;   // before the thread is resumed
//   ... the dialog calls t->ResumeThread() once its window exists ...
// After the dialog has gone: if g_bDone is 0, set g_bCancel and WaitForSingleObject(t->m_hThread,
// INFINITE); delete t only after that wait (AfxBeginThread's objects are not deleted by their
// thread). The job and the strings it points to must live until g_bDone reads 1 or the wait has
// returned. Then InstallFreeStatusTexts() once the dialog's window is gone. A worker resumed with
// bAbandoned set (its dialog never opened) ends at once without touching anything; one that finds
// g_bCancel already set at its start still opens the image and Install.log and ends with the log
// empty, as after any stop request.
#pragma once

#include "AfxString.h"
#include "InstallFlags.h"
#include "InstallMessages.h"

class CWnd;

// The record handed to the worker as its thread parameter; it belongs to the flow.
struct InstallJob {
    // The window to notify; the worker reads its m_hWnd afresh before every notification and sends
    // nothing while it is null. Typed as the dialog's base class so that this layer does not
    // depend on the user interface.
    CWnd* pProgressDlg;
    const CString* pDiskImage;    // path of the disk image's first volume
    const CString* pInstallDir;   // the target directory, without a trailing backslash
    const CString* pProductName;  // for the registry script's uninstall entry
    InstallFlag* pCancel;         // read by the worker
    InstallFlag* pDone;           // written by the worker
    InstallFlag* pFailed;         // written by the worker
    // Written by the worker when it is not null: set to 1 once Install.log has been created, the
    // first thing a run writes into the target. A run that fails before leaves the target as it was.
    InstallFlag* pWritten;
    // Set by the flow before it resumes the worker when the progress dialog, which should have
    // resumed it, never opened: the worker then ends at once, touching nothing.
    bool bAbandoned;
};

// The name of the entry in hand, as read from the stream (ReadString with the limit 256).
extern char g_szEntryName[256];

// The thread procedure; pParam is the InstallJob. Returns 0 after a normal end or a stop on
// request, 1 after a failure (which it has reported in one message box). It never lets an
// exception escape: every failure ends through the failure path, with the dialog closed.
UINT InstallWorker(LPVOID pParam);
