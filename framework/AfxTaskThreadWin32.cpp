// CTaskThread on Win32: a thread of the C runtime and two auto-reset events, one that hands a task
// over and one that reports it done. Waiting on an event orders memory like a lock.
#include "AfxTaskThread.h"

#include "AfxHandle.h"

#include <process.h>

struct CTaskThread::Impl {
    CHandle thread;
    CHandle work;
    CHandle done;
    TaskProc proc = nullptr;  // null when the thread is to end
    void* param = nullptr;

    static unsigned __stdcall Run(void* self)
    {
        Impl* impl = static_cast<Impl*>(self);
        for (;;) {
            WaitForSingleObject(impl->work.Get(), INFINITE);
            if (!impl->proc) return 0;
            impl->proc(impl->param);
            SetEvent(impl->done.Get());
        }
    }
};

CTaskThread::CTaskThread() = default;

CTaskThread::~CTaskThread()
{
    if (!m_impl) return;
    Wait();
    m_impl->proc = nullptr;
    SetEvent(m_impl->work.Get());
    WaitForSingleObject(m_impl->thread.Get(), INFINITE);
    delete m_impl;
}

BOOL CTaskThread::Start()
{
    Impl* impl = new Impl;
    impl->work.Attach(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    impl->done.Attach(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    if (impl->work && impl->done) {
        unsigned id = 0;
        impl->thread.Attach(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &Impl::Run, impl, 0, &id)));
    }
    if (!impl->thread) {
        delete impl;
        return FALSE;
    }
    m_impl = impl;
    return TRUE;
}

void CTaskThread::Post(TaskProc proc, void* param)
{
    m_impl->proc = proc;
    m_impl->param = param;
    m_busy = true;
    SetEvent(m_impl->work.Get());
}

void CTaskThread::Wait()
{
    if (!m_busy) return;
    WaitForSingleObject(m_impl->done.Get(), INFINITE);
    m_busy = false;
}

int AfxGetProcessorCount()
{
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwNumberOfProcessors > 0 ? int(info.dwNumberOfProcessors) : 1;
}
