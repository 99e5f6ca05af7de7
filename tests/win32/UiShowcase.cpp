// Puts up the installer's own windows one after another, with sample texts, so that a script can
// photograph each screen: the backdrop with the welcome dialog, then the progress dialog in the
// middle of a file, then the uninstaller's progress dialog. Between screens it hands over through marker files in the folder given as its
// argument: it writes NAME.ready when a screen is up and painted and goes on once NAME.done exists.
//   ui_showcase.exe FOLDER
#include "AfxThread.h"
#include "AfxWinApp.h"
#include "BackdropWnd.h"
#include "InstallMessages.h"
#include "ProgressDlg.h"
#include "StatusText.h"
#include "UninstallDlg.h"
#include "WelcomeDlg.h"

#include <cstdio>
#include <string>

namespace {
std::string g_strFolder;
CWnd* g_pWaitingDlg = nullptr;
std::string g_strWaitingFor;

bool Exists(const std::string& strPath) { return ::GetFileAttributesA(strPath.c_str()) != INVALID_FILE_ATTRIBUTES; }

void Mark(const std::string& strName)
{
    if (FILE* f = std::fopen((g_strFolder + "\\" + strName + ".ready").c_str(), "w")) std::fclose(f);
}

// Polls, from the modal loop, for the marker that lets the welcome dialog go on with Install.
void CALLBACK OnWelcomeTimer(HWND, UINT, UINT_PTR nID, DWORD)
{
    HWND hDlg = g_pWaitingDlg ? g_pWaitingDlg->m_hWnd : nullptr;
    if (!hDlg || !::IsWindowVisible(hDlg)) return;
    if (g_strWaitingFor.empty()) {
        ::RedrawWindow(nullptr, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        Mark("welcome");
        g_strWaitingFor = "welcome";
    } else if (Exists(g_strFolder + "\\welcome.done")) {
        ::KillTimer(nullptr, nID);
        ::PostMessageA(::GetDlgItem(hDlg, IDOK), BM_CLICK, 0, 0);
    }
}

struct SampleRun {
    CProgressDlg* pDlg;
    CStatusTextPool texts;
};

// Plays a worker a third of the way into its second file, waits to be photographed, then closes.
UINT PlayWorker(LPVOID pParam)
{
    SampleRun& run = *static_cast<SampleRun*>(pParam);
    const HWND hDlg = run.pDlg->m_hWnd;
    auto send = [&](UINT message, LPARAM lParam) { ::SendNotifyMessageA(hDlg, message, 0, lParam); };
    send(WM_INSTALL_STATUS, LPARAM(run.texts.Acquire("Please wait, initializing...")));
    send(WM_INSTALL_TOTAL_SIZE, 1000000);
    send(WM_INSTALL_TOTAL_RESET, 0);
    send(WM_INSTALL_STATUS, LPARAM(run.texts.Acquire("readme.txt")));
    send(WM_INSTALL_FILE_SIZE, 420000);
    send(WM_INSTALL_FILE_RESET, 0);
    for (int n = 0; n < 420000; n += 4096) {
        send(WM_INSTALL_FILE_STEP, 4096);
        send(WM_INSTALL_TOTAL_STEP, 4096);
    }
    send(WM_INSTALL_STATUS, LPARAM(run.texts.Acquire("docs\\guide.txt")));
    send(WM_INSTALL_FILE_SIZE, 300000);
    send(WM_INSTALL_FILE_RESET, 0);
    for (int n = 0; n < 100000; n += 4096) {
        send(WM_INSTALL_FILE_STEP, 4096);
        send(WM_INSTALL_TOTAL_STEP, 4096);
    }
    ::SendMessageA(hDlg, WM_NULL, 0, 0);  // everything above has been handled
    ::RedrawWindow(hDlg, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    ::Sleep(300);
    Mark("progress");
    while (!Exists(g_strFolder + "\\progress.done")) ::Sleep(50);
    send(WM_CLOSE, 0);
    return 0;
}
// Plays the uninstaller's removal a third of the way, waits to be photographed, then ends it.
UINT PlayRemoval(LPVOID pParam)
{
    const HWND hDlg = static_cast<CUninstallDlg*>(pParam)->m_hWnd;
    for (int n = 0; n <= 40; ++n) {
        UninstallProgress p = {n < 40 ? "samples\\noise.bin" : "docs\\guide.txt", n, 120};
        ::SendMessageA(hDlg, WM_UNINSTALL_PROGRESS, 0, LPARAM(&p));
    }
    ::RedrawWindow(hDlg, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    ::Sleep(300);
    Mark("uninstall");
    while (!Exists(g_strFolder + "\\uninstall.done")) ::Sleep(50);
    ::PostMessageA(hDlg, WM_UNINSTALL_DONE, 0, 0);
    return 0;
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: ui_showcase FOLDER\n");
        return 2;
    }
    g_strFolder = argv[1];
    CWinApp app;
    app.m_hInstance = ::GetModuleHandleA(nullptr);
    app.Enable3dControlsStatic();

    CBackdropWnd* pBackdrop =
        new CBackdropWnd("Zorvan Demo", "Zorvan Demo 1.0: a small product to show how the installer works");
    app.m_pMainWnd = pBackdrop;
    pBackdrop->ShowWindow(SW_SHOWMAXIMIZED);
    pBackdrop->UpdateWindow();

    {
        CWelcomeDlg dlg("C:\\Program Files\\Zorvan Demo");
        g_pWaitingDlg = &dlg;
        ::SetTimer(nullptr, 0, 200, OnWelcomeTimer);
        dlg.DoModal();
        g_pWaitingDlg = nullptr;
    }

    SampleRun run;
    CWinThread* pWorker = AfxBeginThread(PlayWorker, &run, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    CProgressDlg* pDlg = new CProgressDlg(pWorker, pBackdrop);
    run.pDlg = pDlg;
    pDlg->DoModal();
    ::WaitForSingleObject(pWorker->m_hThread, INFINITE);
    delete pWorker;
    delete pDlg;
    app.m_pMainWnd = nullptr;
    delete pBackdrop;

    CWinThread* pRemoval = AfxBeginThread(PlayRemoval, nullptr, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    CUninstallDlg uninstall(pRemoval, "Zorvan Demo - Uninstall");
    pRemoval->m_pThreadParams = &uninstall;
    uninstall.DoModal();
    ::WaitForSingleObject(pRemoval->m_hThread, INFINITE);
    delete pRemoval;
    return 0;
}
