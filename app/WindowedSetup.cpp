// The windowed installation: from InitInstance on the user-interface thread, the backdrop, the
// choice of scope and folder, the worker behind the progress dialog and the outcome; a silent run
// goes to SilentSetup instead.
#include "SetupApp.h"

#include "AfxCallerDir.h"
#include "AfxMessageBox.h"
#include "AfxText.h"
#include "AfxThread.h"
#include "BackdropWnd.h"
#include "InstallWorker.h"
#include "ProgressDlg.h"
#include "RunOutcome.h"
#include "SilentSetup.h"
#include "WelcomeDlg.h"

#include <memory>

BOOL CSetupApp::InitInstance()
{
    // Arguments count only with /S; without it they are ignored, as they always were.
    SetupOptions options = ParseSetupOptions(m_lpCmdLine);
    if (options.bSilent) {
        // Started by the bundle's launcher, this program runs in another folder than its caller.
        options.strLogFile = AfxPathAgainst(options.strCallerDir, options.strLogFile);
        if (options.bHasTarget) options.strTarget = AfxPathAgainst(options.strCallerDir, options.strTarget);
        m_nExitCode = CSilentSetup(*this, options).Run();
        return FALSE;
    }
    if (!Enable3dControlsStatic()) return FALSE;
    // A missing or incomplete Setup.ini ends the program at once, with no window and no message.
    if (!ReadSetupIni()) {
        m_nExitCode = RunEndExitCode(RunEnd::setupIniUnusable);
        return FALSE;
    }
    // The language: /LANG=, else the user's among those Setup.ini allows (AfxText.h).
    AfxStartLanguage(options.strLanguage, m_extensions.languages);

    CString description = SetupDescriptionFor(m_extensions, AfxGetLanguage(), m_config.m_strAppDescription);
    m_pBackdropWnd = new CBackdropWnd(m_config.m_strProductName, description);
    m_pMainWnd = m_pBackdropWnd;
    m_pBackdropWnd->ShowWindow(SW_SHOWMAXIMIZED);

    int nScopeEnd = ChooseScope(options, true);
    if (nScopeEnd >= 0) {
        m_nExitCode = nScopeEnd;
    } else {
        ProposeEarlierLocation();
        InstallFlag written{0}, restart{0};
        InstallJob job = MakeInstallJob(&written, &restart);
        m_nExitCode = ChooseTargetDirectory() ? RunInstallation(job) : RunEndExitCode(RunEnd::userLeft);
    }

    m_pMainWnd = nullptr;
    delete m_pBackdropWnd;
    m_pBackdropWnd = nullptr;
    // The framework ends the program without a message loop of its own.
    return FALSE;
}

BOOL CSetupApp::ChooseTargetDirectory()
{
    // One dialog object per showing: a failed check builds it anew with the directory chosen last.
    BOOL bAsked = FALSE;
    for (;;) {
        CWelcomeDlg welcome(m_config.m_strInstallDir, nullptr);
        if (welcome.DoModal() != IDOK) return FALSE;
        // Taken before the checks, so a refused directory is the one shown next time.
        m_config.m_strInstallDir = welcome.GetDirectory();
        // Asked before the directory check may create the target, so that No leaves everything as
        // it was; once is enough for a run.
        const CString& medium = m_extensions.strDisplayVersion;
        CString installed;
        if (!bAsked && InstalledEntry().IsNewerThan(medium, installed) &&
            AfxMessageBox(AfxTextFormat("downgrade.question", installed.GetString(),
                                        m_config.m_strProductName.GetString(), medium.GetString()),
                          MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
            return FALSE;
        bAsked = TRUE;
        // Free space first: it is measured on the drive even when the directory is still missing.
        if (CheckFreeSpace() && CheckNotInstalledElsewhere() && CheckTargetDirectory()) return TRUE;
    }
}

int CSetupApp::RunInstallation(InstallJob& job)
{
    // Suspended: the progress dialog resumes it once its window exists, so the job is complete
    // and every notification finds the window.
    m_pWorkerThread = StartInstallWorker(job);
    if (!m_pWorkerThread) return TellRunEnd(RunEnd::workerNotStarted);
    m_pProgressDlg = new CProgressDlg(m_pWorkerThread, m_pBackdropWnd);
    job.pProgressDlg = m_pProgressDlg;
    int nExitCode;
    if (m_pProgressDlg->DoModal() == -1) {
        // The dialog never opened, so it never resumed the worker: the worker is let go marked as
        // abandoned, which it finds before it touches anything, and the run ends as a failure.
        job.bAbandoned = true;
        m_pWorkerThread->ResumeThread();
        nExitCode = TellRunEnd(RunEnd::progressNotShown);
    } else if (!GetInstallFlag(&g_bDone)) {
        // The user cancelled, or the worker failed and closed the dialog: stop it and wait, since
        // it still reads the dialog object to find the window. The worker may be showing a
        // message box owned by a window of this thread: the wait keeps handling messages.
        SetInstallFlag(&g_bCancel, 1);
        AfxWaitForThreadEnd(m_pWorkerThread);
        // Stopped, never complete, however the worker ended: what it wrote is all that counts.
        nExitCode = TellRunEnd(StoppedRunEnd(job));
    } else {
        nExitCode = TellRunEnd(FinishedRunEnd(job));
    }
    // A done worker touches nothing after its WM_CLOSE, but its thread object and handle must
    // outlive the thread; it is ending, so this wait is short.
    AfxWaitForThreadEnd(m_pWorkerThread);
    delete m_pProgressDlg;
    m_pProgressDlg = nullptr;
    delete m_pWorkerThread;
    m_pWorkerThread = nullptr;
    InstallFreeStatusTexts();
    return nExitCode;
}
