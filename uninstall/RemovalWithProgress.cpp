// The removal with the uninstaller's window: the removal thread and its dialog (RemovalWithProgress.h).
#include "RemovalWithProgress.h"

#include "AfxInUse.h"
#include "AfxMessageBox.h"
#include "AfxText.h"
#include "AfxThread.h"
#include "UninstallDlg.h"

namespace {

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

// Asks on the removal thread: through the dialog, whose box it then is, or alone when there is no
// dialog. True for Retry.
bool AskAboutFileInUse(const RemovalJob& job, const CString& strPath)
{
    CString text = InUseQuestionText(strPath);
    if (HWND hwnd = DialogWindow(job)) return SendMessageA(hwnd, WM_UNINSTALL_IN_USE, 0, LPARAM(&text)) == IDRETRY;
    return AfxMessageBox(text, MB_RETRYCANCEL | MB_ICONEXCLAMATION) == IDRETRY;
}

// The uninstaller's answers: Retry tries again; Cancel leaves the file to later.
class CRemovalInUseBox : public IInUseQuestion {
public:
    explicit CRemovalInUseBox(const RemovalJob& job) : m_job(job) {}
    InUseAnswer Ask(const CString& strPath, InUseLater) override
    {
        return AskAboutFileInUse(m_job, strPath) ? InUseAnswer::tryAgain : InUseAnswer::later;
    }

private:
    const RemovalJob& m_job;
};

UINT RemovalThread(LPVOID pParam)
{
    auto* job = static_cast<RemovalJob*>(pParam);
    try {
        CRemovalInUseBox question(*job);
        job->report = RemoveInstalledItems(*job->pRecord, *job->pTarget, job->strTarget, job->skip,
                                           [job](const CString& item, int nDone, int nTotal) {
                                               UninstallProgress p = {item, nDone, nTotal};
                                               if (HWND hwnd = DialogWindow(*job))
                                                   SendMessageA(hwnd, WM_UNINSTALL_PROGRESS, 0, LPARAM(&p));
                                           },
                                           &question);
    } catch (...) {
        job->report.left.push_back({job->strTarget, LeftReason::unexpected, true});
    }
    if (HWND hwnd = DialogWindow(*job)) PostMessageA(hwnd, WM_UNINSTALL_DONE, 0, 0);
    return 0;
}

}  // namespace

CString InUseQuestionText(const CString& strPath)
{
    CString programs = AfxProgramsHolding(strPath);
    CString close = programs.IsEmpty() ? CString(AfxText("uninstall.the_program")) : programs;
    CString inUse = programs.IsEmpty() ? CString(AfxText("inuse.by_a_program")) : AfxTextFormat("inuse.by", programs.GetString());
    return AfxTextFormat("uninstall.in_use", strPath.GetString(), inUse.GetString(), close.GetString());
}

RemovalReport RemoveWithProgress(const InstallRecord& record, const CFolderHandle& target, const CString& strTarget,
                                 const std::vector<CString>& skip, bool bSilent, const CString& strCaption)
{
    RemovalJob job = {&record, &target, strTarget, skip, nullptr, {}};
    // Silent: a file in use goes at the restart without a question.
    if (bSilent) return RemoveInstalledItems(record, target, strTarget, job.skip, nullptr);
    CWinThread* pThread = AfxBeginThread(RemovalThread, &job, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    if (!pThread) {
        CRemovalInUseBox question(job);
        return RemoveInstalledItems(record, target, strTarget, job.skip, nullptr, &question);
    }
    CUninstallDlg dlg(pThread, strCaption);
    job.pDlg = &dlg;
    if (dlg.DoModal() == -1) pThread->ResumeThread();  // no dialog: the thread still runs, unseen
    WaitForSingleObject(pThread->m_hThread, INFINITE);
    delete pThread;
    return job.report;
}
