// CWinThread and AfxBeginThread: suspended start, the object and handle after the thread's end,
// exit codes, exceptions stopped at the thread's edge.
#include "AfxThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

namespace {

std::atomic<int> g_runs{0};

UINT CountRun(LPVOID p)
{
    g_runs.fetch_add(1);
    return *static_cast<UINT*>(p);
}

UINT Throws(LPVOID) { throw std::runtime_error("escaped"); }

TEST(WinThread, StartsSuspendedAndStaysValidAfterItsEnd)
{
    g_runs = 0;
    UINT code = 7;
    CWinThread* t = AfxBeginThread(CountRun, &code, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    ASSERT_NE(t, nullptr);
    EXPECT_FALSE(t->m_bAutoDelete);
    EXPECT_EQ(WaitForSingleObject(t->m_hThread, 200), DWORD(WAIT_TIMEOUT));
    EXPECT_EQ(g_runs.load(), 0);
    EXPECT_EQ(t->ResumeThread(), 1u);
    ASSERT_EQ(WaitForSingleObject(t->m_hThread, 10000), WAIT_OBJECT_0);
    Sleep(50);  // the thread is gone; its object and handle are not
    DWORD exit = 0;
    EXPECT_TRUE(GetExitCodeThread(t->m_hThread, &exit));
    EXPECT_EQ(exit, 7u);
    EXPECT_EQ(WaitForSingleObject(t->m_hThread, 0), WAIT_OBJECT_0);
    EXPECT_EQ(g_runs.load(), 1);
    delete t;
}

TEST(WinThread, RunsAtOnceWithoutSuspendAndStopsExceptions)
{
    struct Case {
        AFX_THREADPROC proc;
        DWORD expected;
    } cases[] = {{CountRun, 3u}, {Throws, 0xFFFFFFFFu}};
    UINT code = 3;
    for (const Case& c : cases) {
        CWinThread* t = AfxBeginThread(c.proc, &code, THREAD_PRIORITY_BELOW_NORMAL);
        ASSERT_NE(t, nullptr);
        ASSERT_EQ(WaitForSingleObject(t->m_hThread, 10000), WAIT_OBJECT_0);
        EXPECT_EQ(t->GetThreadPriority(), THREAD_PRIORITY_BELOW_NORMAL);
        DWORD exit = 0;
        GetExitCodeThread(t->m_hThread, &exit);
        EXPECT_EQ(exit, c.expected);
        delete t;
    }
}

}  // namespace
