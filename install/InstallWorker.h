// InstallWorker: the thread that writes the payload of the disk image into the target directory,
// lists what it made in Install.log, applies the registry script and reports to the progress dialog.
//
// How the flow starts it:
//   InstallJob job;                   // each field by name; the flags default to the shared ones
//   job.pDiskImage = &m_strDiskImage; job.pInstallDir = &m_strInstallDir; job.pProductName = ...;
//   CWinThread* t = StartInstallWorker(job);   // suspended
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

#include <functional>
#include <string>
#include <vector>

class CWinThread;
class CWnd;
struct SetupExtensions;

// The record handed to the worker as its thread parameter; it belongs to the flow.
struct InstallJob {
    // The window to notify; the worker reads its m_hWnd afresh before every notification and sends
    // nothing while it is null. Typed as the dialog's base class so that this layer does not
    // depend on the user interface.
    CWnd* pProgressDlg = nullptr;
    const CString* pDiskImage = nullptr;    // path of the disk image's first volume
    const CString* pInstallDir = nullptr;   // the target directory, without a trailing backslash
    const CString* pProductName = nullptr;  // for the registry script's uninstall entry
    InstallFlag* pCancel = &g_bCancel;      // read by the worker
    InstallFlag* pDone = &g_bDone;          // written by the worker
    InstallFlag* pFailed = &g_bFailed;      // written by the worker
    // Written by the worker when it is not null: set to 1 once Install.log has been created, the
    // first thing a run writes into the target. A run that fails before leaves the target as it was.
    InstallFlag* pWritten = nullptr;
    // Written by the worker when it is not null: set to 1 when a file in use was left to be
    // replaced when Windows restarts (the run is done, but needs the restart to be complete).
    InstallFlag* pRestart = nullptr;
    // Set by the flow before it resumes the worker when the progress dialog, which should have
    // resumed it, never opened: the worker then ends at once, touching nothing.
    bool bAbandoned = false;
    // Nobody to ask: a file in use is replaced when Windows restarts, without a question.
    bool bSilent = false;
    // Installed for the user who runs the installer: the product's entry, its record's digests and
    // its shortcuts are that user's own, file types go to the user's classes, and the folder keeps
    // the access list it inherits (the user must be able to update and remove it).
    bool bForOneUser = false;
    // Where the worker says what is worth knowing but asks nothing (the silent run's log); called
    // on the worker's thread. Empty: such texts are dropped.
    std::function<void(const CString&)> note;
    // The folders that the flow made on the way to the target before the run (null: none); those
    // above the target go into the record, so that the uninstaller removes them after it when they
    // are then empty. Read when the record is opened; owned by the flow.
    const std::vector<CString>* pMadeFolders = nullptr;
    // Setup.ini's decoded text and its extension lines as the flow read them at start-up (owned by
    // the flow): the registry step applies that text's script and registers and makes shortcuts
    // from those lines. Null: the registry step reads Setup.ini from the current directory again.
    const std::string* pSetupText = nullptr;
    const SetupExtensions* pExtensions = nullptr;
};

// The thread procedure; pParam is the InstallJob. Returns 0 after a normal end or a stop on
// request, 1 after a failure (which it has reported in one message box). It never lets an
// exception escape: every failure ends through the failure path, with the dialog closed.
UINT InstallWorker(LPVOID pParam);

// The same run on the calling thread, to its end (the silent installation has no dialog).
UINT RunInstallJob(const InstallJob& job);

// The worker on a thread of its own, created suspended with job as its parameter; null when the
// thread cannot be made. The one place where the job travels untyped.
CWinThread* StartInstallWorker(InstallJob& job);
