// CProgressDlg under a real modal loop: it resumes its worker, follows the worker's seven
// notifications sent from the worker's thread, and ends with IDCANCEL however it is closed.
#include "AfxThread.h"
#include "InstallMessages.h"
#include "ProgressDlg.h"
#include "StatusText.h"
#include "UiTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>

namespace {
// What the stand-in worker sends, and what it saw of the dialog before closing it.
struct WorkerRun {
    CProgressDlg* pDlg = nullptr;
    CStatusTextPool* pTexts = nullptr;
    std::string strStatusSeen;
    std::atomic<int> nStarted{0};
};

void Notify(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam)
{
    ::SendNotifyMessageA(hDlg, message, wParam, lParam);
}

// Sends what the installation worker sends for a 10,000-byte payload whose first file has
// 4196 bytes, written in two chunks, then waits until the dialog has handled all of it.
UINT SendOneFile(LPVOID pParam)
{
    WorkerRun& run = *static_cast<WorkerRun*>(pParam);
    run.nStarted = 1;
    const HWND hDlg = run.pDlg->m_hWnd;
    Notify(hDlg, WM_INSTALL_STATUS, 0, LPARAM(run.pTexts->Acquire("Please wait, initializing...")));
    Notify(hDlg, WM_INSTALL_TOTAL_SIZE, 0, 10000);
    Notify(hDlg, WM_INSTALL_TOTAL_RESET, 0, 0);
    Notify(hDlg, WM_INSTALL_STATUS, 0, LPARAM(run.pTexts->Acquire("docs\\guide.txt")));
    Notify(hDlg, WM_INSTALL_FILE_SIZE, 0, 4196);
    Notify(hDlg, WM_INSTALL_FILE_RESET, 0, 0);
    for (int nChunk : {4096, 100}) {
        Notify(hDlg, WM_INSTALL_FILE_STEP, 0, nChunk);
        Notify(hDlg, WM_INSTALL_TOTAL_STEP, 0, nChunk);
    }
    // A sent message is handled after the notifications queued before it.
    ::SendMessageA(hDlg, WM_NULL, 0, 0);
    char sz[256] = "";
    ::GetWindowTextA(::GetDlgItem(hDlg, 1002), sz, sizeof sz);
    run.strStatusSeen = sz;
    Notify(hDlg, WM_CLOSE, 0, 0);
    return 0;
}

// A payload of three thousand million bytes, half of it written: beyond what a signed 32-bit
// count holds, yet the bar must read one half, not a negative fraction.
UINT SendHugeTotal(LPVOID pParam)
{
    WorkerRun& run = *static_cast<WorkerRun*>(pParam);
    const HWND hDlg = run.pDlg->m_hWnd;
    const uint32_t nTotal = 3000000000u;
    Notify(hDlg, WM_INSTALL_TOTAL_SIZE, 0, LPARAM(nTotal));
    Notify(hDlg, WM_INSTALL_TOTAL_RESET, 0, LPARAM(nTotal / 2 - 4096));
    Notify(hDlg, WM_INSTALL_TOTAL_STEP, 0, 4096);
    Notify(hDlg, WM_INSTALL_FILE_SIZE, 0, LPARAM(nTotal));
    Notify(hDlg, WM_INSTALL_FILE_RESET, 0, 0);
    Notify(hDlg, WM_INSTALL_FILE_STEP, 0, 4096);
    Notify(hDlg, WM_CLOSE, 0, 0);
    return 0;
}

UINT MarkStarted(LPVOID pParam)
{
    static_cast<WorkerRun*>(pParam)->nStarted = 1;
    return 0;
}
}  // namespace

TEST(ProgressDlgTest, FollowsTheWorkersNotificationsFromItsThread)
{
    CStatusTextPool texts;
    WorkerRun run;
    run.pTexts = &texts;
    CWinThread* pWorker = AfxBeginThread(SendOneFile, &run, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    ASSERT_NE(pWorker, nullptr);
    CProgressDlg dlg(pWorker, nullptr);
    run.pDlg = &dlg;

    EXPECT_EQ(dlg.DoModal(), IDCANCEL);  // the worker's WM_CLOSE
    ASSERT_EQ(::WaitForSingleObject(pWorker->m_hThread, 5000), WAIT_OBJECT_0);
    delete pWorker;

    EXPECT_EQ(run.strStatusSeen, "docs\\guide.txt");
    EXPECT_EQ(dlg.m_fileBar.GetPos(), 4196);
    EXPECT_FLOAT_EQ(dlg.m_fileBar.GetFraction(), 1.0f);
    EXPECT_GT(dlg.m_fileBar.GetFilledWidth(), 100);  // the bar's real width, not the initial 100
    EXPECT_EQ(dlg.m_totalBar.GetPos(), 4196);
    EXPECT_FLOAT_EQ(dlg.m_totalBar.GetFraction(), 0.4196f);
    EXPECT_EQ(dlg.m_totalBar.GetFilledWidth(), int(0.4196 * dlg.m_fileBar.GetFilledWidth()));
    // Every status text was given back: the pool serves as many again from the same buffers.
    const size_t nBuffers = texts.GetBufferCount();
    ASSERT_GE(nBuffers, 1u);
    for (size_t i = 0; i < nBuffers; ++i) texts.Acquire("again");
    EXPECT_EQ(texts.GetBufferCount(), nBuffers);
}

TEST(ProgressDlgTest, PayloadsBeyondTwoGigabytesKeepTheirFraction)
{
    WorkerRun run;
    CWinThread* pWorker = AfxBeginThread(SendHugeTotal, &run, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    ASSERT_NE(pWorker, nullptr);
    CProgressDlg dlg(pWorker, nullptr);
    run.pDlg = &dlg;
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    ASSERT_EQ(::WaitForSingleObject(pWorker->m_hThread, 5000), WAIT_OBJECT_0);
    delete pWorker;

    EXPECT_FLOAT_EQ(dlg.m_totalBar.GetFraction(), 0.5f);
    EXPECT_GT(dlg.m_totalBar.GetFilledWidth(), 0);
    EXPECT_GT(dlg.m_fileBar.GetFraction(), 0.0f);
    EXPECT_LT(dlg.m_fileBar.GetFraction(), 0.00001f);
}

TEST(ProgressDlgTest, OpensWithEmptyBarsAndItsTexts)
{
    CProgressDlg dlg(nullptr, nullptr);
    std::string strCaption, strLabel, strStatus;
    int nFileFilled = -1, nTotalFilled = -1;
    float fFile = -1, fTotal = -1;
    bool bBlueSeen = true;
    uitest::CWhenUp whenUp(&dlg, [&](HWND hDlg) {
        strCaption = uitest::TextOf(hDlg);
        strStatus = uitest::TextOf(::GetDlgItem(hDlg, 1002));
        for (HWND h = ::GetWindow(hDlg, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT))
            if (::GetDlgCtrlID(h) == 0xFFFF) strLabel = uitest::TextOf(h);
        nFileFilled = dlg.m_fileBar.GetFilledWidth();
        nTotalFilled = dlg.m_totalBar.GetFilledWidth();
        fFile = dlg.m_fileBar.GetFraction();
        fTotal = dlg.m_totalBar.GetFraction();
        uitest::ShowAndPaint(hDlg);
        const uitest::CPixels px(dlg.m_fileBar.m_hWnd);
        bBlueSeen = false;
        for (int y = 0; y < px.Height(); ++y)
            for (int x = 0; x < px.Width(); ++x) bBlueSeen |= px.At(x, y) == RGB(0, 0, 255);
        ::PostMessageA(hDlg, WM_CLOSE, 0, 0);
        return true;
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(strCaption, "Installation in progress...");
    EXPECT_EQ(strLabel, "Total progress");
    EXPECT_EQ(strStatus, "");
    EXPECT_EQ(nFileFilled, 0);
    EXPECT_EQ(nTotalFilled, 0);
    EXPECT_EQ(fFile, 0.0f);
    EXPECT_EQ(fTotal, 0.0f);
    EXPECT_FALSE(bBlueSeen);
}

TEST(ProgressDlgTest, CancelEscapeAndCloseAllEndWithCancel)
{
    struct Case {
        const char* pszName;
        void (*pfnClose)(HWND hDlg);
    };
    const Case cases[] = {
        {"Cancel button", [](HWND hDlg) { ::PostMessageA(::GetDlgItem(hDlg, IDCANCEL), BM_CLICK, 0, 0); }},
        {"Escape key", [](HWND hDlg) {
             ::SetFocus(::GetDlgItem(hDlg, IDCANCEL));
             ::PostMessageA(::GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
         }},
        {"WM_CLOSE", [](HWND hDlg) { ::PostMessageA(hDlg, WM_CLOSE, 0, 0); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszName);
        WorkerRun run;
        CWinThread* pWorker = AfxBeginThread(MarkStarted, &run, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
        ASSERT_NE(pWorker, nullptr);
        CProgressDlg dlg(pWorker, nullptr);
        uitest::CWhenUp whenUp(&dlg, [&](HWND hDlg) {
            c.pfnClose(hDlg);
            return true;
        });
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        // Opening the dialog resumed the worker.
        EXPECT_EQ(::WaitForSingleObject(pWorker->m_hThread, 5000), WAIT_OBJECT_0);
        EXPECT_EQ(run.nStarted.load(), 1);
        delete pWorker;
    }
}
