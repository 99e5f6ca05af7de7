#include "UninstallApp.h"

#include "AfxFile.h"
#include "AfxMessageBox.h"
#include "AfxThread.h"
#include "UninstallDlg.h"

#include <cstdlib>
#include <cstring>

namespace {

const char kUsage[] =
    "Uninstal.exe [/S]\n\n"
    "Removes the product installed in this program's folder: exactly the files, folders and registry "
    "entries that its Install.log lists. Files of your own, and folders that still hold them, are kept.\n\n"
    "/S\tremove without asking and without any window\n\n"
    "Exit codes: 0 removed; 2 removed, but some items were left in place; 1 nothing was removed.";

// How many left items the final message names; the rest are counted.
const size_t kItemsShown = 8;

CString FolderOf(const CString& strPath) { return strPath.Left(strPath.ReverseFind('\\')); }
CString NameOf(const CString& strPath) { return strPath.Mid(strPath.ReverseFind('\\') + 1); }

struct RemovalJob {
    const InstallRecord* pRecord;
    CString strTarget;
    std::vector<CString> skip;
    CUninstallDlg* pDlg;
    RemovalReport report;
};

UINT RemovalThread(LPVOID pParam)
{
    auto* job = static_cast<RemovalJob*>(pParam);
    try {
        job->report = RemoveInstalledItems(*job->pRecord, job->strTarget, job->skip,
                                           [job](const CString& item, int nDone, int nTotal) {
                                               UninstallProgress p = {item, nDone, nTotal};
                                               SendMessageA(job->pDlg->m_hWnd, WM_UNINSTALL_PROGRESS, 0, LPARAM(&p));
                                           });
    } catch (...) {
        job->report.left.push_back({job->strTarget, "an unexpected error stopped the removal"});
    }
    PostMessageA(job->pDlg->m_hWnd, WM_UNINSTALL_DONE, 0, 0);
    return 0;
}

}  // namespace

BOOL CUninstallApp::InitInstance()
{
    // The uninstaller's windows are plain dialogs: it needs nothing of the common controls.
    m_nExitCode = Main();
    // The framework ends the program with ExitInstance's code, without a message loop.
    return FALSE;
}

bool CUninstallApp::ParseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (!_stricmp(a, "/S")) options.bSilent = true;
        else if (!std::strcmp(a, "/?")) options.bHelp = true;
        else if (!std::strcmp(a, "/HANDOVER") && i + 2 < argc && ParseHandoverHandles(argv[i + 1], options.handover)) {
            options.bHandover = true;
            options.strProgram = argv[i + 2];
            i += 2;
        } else {
            return false;
        }
    }
    return true;
}

int CUninstallApp::Tell(const CString& strText, UINT nType)
{
    if (m_options.bSilent) return (nType & 0x0F) == MB_YESNO ? IDYES : IDOK;
    return AfxMessageBox(strText, nType);
}

int CUninstallApp::Main()
{
    if (!ParseOptions(__argc, __argv, m_options)) {
        AfxMessageBox(kUsage, MB_ICONHAND);
        return kNothingRemoved;
    }
    if (m_options.bHelp) {
        AfxMessageBox(kUsage, MB_ICONINFORMATION);
        return kRemoved;
    }
    CString program = m_options.bHandover ? m_options.strProgram : OwnProgramPath();
    m_strTarget = FolderOf(program);
    m_strProgramName = NameOf(program);
    if (!ReadRecord()) return kNothingRemoved;
    return m_options.bHandover ? Work(&m_options.handover) : FirstProcess();
}

bool CUninstallApp::ReadRecord()
{
    CString path = m_strTarget + "\\Install.log";
    m_strProduct = NameOf(m_strTarget);
    m_strCaption = m_strProduct + " - Uninstall";
    m_pszAppName = m_strCaption;
    CFile log;
    CFileException error;
    if (!log.Open(path, CFile::modeRead | CFile::shareDenyWrite | CFile::typeBinary, &error)) {
        Tell("Install.log was not found in '" + m_strTarget +
                 "'.\n\nThe uninstaller removes only what an installation lists there: nothing was removed.",
             MB_ICONHAND);
        return false;
    }
    std::string data(size_t(log.GetLength()), '\0');
    UINT got = data.empty() ? 0 : log.Read(&data[0], UINT(data.size()));
    data.resize(got);
    LogDamage damage;
    if (!ParseInstallLog(data.data(), data.size(), m_record, damage)) {
        CString text;
        text.Format("Install.log in '%s' is damaged at line %d: %s.\n\nNothing was removed.", m_strTarget.GetString(),
                    damage.nLine, damage.strReason.GetString());
        Tell(text, MB_ICONHAND);
        return false;
    }
    if (!m_record.strProductName.IsEmpty()) {
        m_strProduct = m_record.strProductName;
        m_strCaption = m_strProduct + " - Uninstall";
        m_pszAppName = m_strCaption;
    }
    return true;
}

int CUninstallApp::FirstProcess()
{
    CString question = "Remove " + m_strProduct + " from '" + m_strTarget +
                       "'?\n\nOnly the files, folders and registry entries that its installation made are "
                       "removed; files of your own are kept.";
    if (Tell(question, MB_YESNO | MB_ICONQUESTION) != IDYES) return kNothingRemoved;
    int verdict = RunHandoverCopy(m_options.bSilent ? "/S" : "", m_strTarget + "\\" + m_strProgramName);
    if (verdict >= 0) return verdict;
    // No copy could run: the work is done here, and this program's file goes at the next restart.
    return Work(nullptr);
}

RemovalReport CUninstallApp::RemoveWithProgress()
{
    RemovalJob job = {&m_record, m_strTarget, {m_strProgramName, "Install.log"}, nullptr, {}};
    if (m_options.bSilent) return RemoveInstalledItems(m_record, m_strTarget, job.skip, nullptr);
    CWinThread* pThread = AfxBeginThread(RemovalThread, &job, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    if (!pThread) return RemoveInstalledItems(m_record, m_strTarget, job.skip, nullptr);
    CUninstallDlg dlg(pThread, m_strCaption);
    job.pDlg = &dlg;
    if (dlg.DoModal() == -1) pThread->ResumeThread();  // no dialog: the thread still runs, unseen
    WaitForSingleObject(pThread->m_hThread, INFINITE);
    delete pThread;
    return job.report;
}

void CUninstallApp::FinishTarget(RemovalReport& report, HandoverArgs* pHandover)
{
    CString program = m_strTarget + "\\" + m_strProgramName;
    bool keep = FolderHoldsMoreThan(m_strTarget, m_strProgramName);
    if (keep) report.left.push_back({m_strTarget, "holds files that the installation did not make"});
    if (!pHandover) {
        DeleteAtRestart(program);
        if (!keep) DeleteAtRestart(m_strTarget);
        return;
    }
    SendVerdict(*pHandover, Verdict(report));
    WaitForFirstProcess(*pHandover, 30000);
    RemoveFileOf(program, report, 10000);
    if (!keep) RemoveDirectoryIfEmpty(m_strTarget, report);
}

int CUninstallApp::Work(HandoverArgs* pHandover)
{
    RemovalReport report = RemoveWithProgress();
    RemoveFileOf(m_strTarget + "\\Install.log", report, 2000);
    FinishTarget(report, pHandover);
    ShowOutcome(report);
    if (pHandover) DeleteAtRestart(OwnProgramPath());
    return Verdict(report);
}

int CUninstallApp::Verdict(const RemovalReport& report) const
{
    if (report.left.empty()) return kRemoved;
    return report.nRemoved == 0 ? kNothingRemoved : kSomeLeft;
}

void CUninstallApp::ShowOutcome(const RemovalReport& report)
{
    if (report.left.empty()) {
        Tell(m_strProduct + " was removed from your computer.", MB_ICONINFORMATION);
        return;
    }
    CString text = report.nRemoved == 0 ? m_strProduct + " could not be removed:\n\n"
                                        : m_strProduct + " was removed, but these items were left in place:\n\n";
    for (size_t i = 0; i < report.left.size() && i < kItemsShown; ++i)
        text += report.left[i].strWhat + "\n    " + report.left[i].strReason + "\n";
    if (report.left.size() > kItemsShown) {
        CString more;
        more.Format("... and %d more.\n", int(report.left.size() - kItemsShown));
        text += more;
    }
    Tell(text, MB_ICONEXCLAMATION);
}
