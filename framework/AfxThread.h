// CWinThread and AfxBeginThread: a worker thread started from a plain thread procedure (Win32 only).
//
// Lifetime: AfxBeginThread returns a thread object whose m_bAutoDelete is FALSE. The object owns
// the thread's handle; the handle and the object stay valid after the thread has ended, until the
// owner deletes the object (normally after WaitForSingleObject on m_hThread has returned). Setting
// m_bAutoDelete to TRUE before the thread runs hands the object to the thread itself, which then
// deletes it (and closes the handle) when its procedure returns; the owner must not touch it after
// resuming it in that case.
#pragma once

#include "AfxPlatform.h"

typedef UINT (*AFX_THREADPROC)(LPVOID pParam);

class CWinThread {
public:
    CWinThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam);
    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;
    // Closes the thread's handle. It does not wait for the thread and does not end it.
    virtual ~CWinThread();

    // Creates the thread, always suspended at first; it runs once ResumeThread is called.
    // Returns FALSE (and leaves m_hThread null) when the system refuses a new thread.
    BOOL CreateThread(DWORD dwCreateFlags = 0, UINT nStackSize = 0, LPSECURITY_ATTRIBUTES lpSecurityAttrs = nullptr);

    // The previous suspend count, or (DWORD)-1 on failure, as the system's ResumeThread.
    DWORD ResumeThread();
    DWORD SuspendThread();
    BOOL SetThreadPriority(int nPriority);
    int GetThreadPriority();

    HANDLE m_hThread = nullptr;
    DWORD m_nThreadID = 0;
    BOOL m_bAutoDelete = FALSE;

    AFX_THREADPROC m_pfnThreadProc;
    LPVOID m_pThreadParams;

private:
    static unsigned __stdcall ThreadEntry(void* pThis);
};

// Starts pfnThreadProc(pParam) on a new thread with the given priority. With CREATE_SUSPENDED in
// dwCreateFlags the thread waits for the caller's ResumeThread; otherwise it is resumed at once.
// Returns the thread object (owned by the caller, see above) or null when no thread could be made.
// The thread's exit code is the procedure's result; a C++ exception that leaves the procedure is
// caught at the thread's edge and gives the exit code 0xFFFFFFFF instead of ending the process.
CWinThread* AfxBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam, int nPriority = THREAD_PRIORITY_NORMAL,
                           UINT nStackSize = 0, DWORD dwCreateFlags = 0, LPSECURITY_ATTRIBUTES lpSecurityAttrs = nullptr);

// Waits until pThread's thread has ended, handling the calling thread's messages meanwhile: a
// window of this thread may own a message box that the other thread shows, and that box can
// neither be answered nor closed while its owner's thread does not handle messages. A WM_QUIT
// taken meanwhile is posted again once the wait is over.
void AfxWaitForThreadEnd(CWinThread* pThread);
