// CTaskThread on POSIX: one thread, a mutex and a condition variable over a task slot.
#include "AfxTaskThread.h"

#include <pthread.h>
#include <unistd.h>

struct CTaskThread::Impl {
    pthread_t thread;
    pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
    pthread_cond_t changed = PTHREAD_COND_INITIALIZER;
    TaskProc proc = nullptr;
    void* param = nullptr;
    bool posted = false;    // a task waits to be run
    bool finished = false;  // the task posted last has run
    bool quit = false;

    static void* Run(void* self)
    {
        Impl* impl = static_cast<Impl*>(self);
        pthread_mutex_lock(&impl->lock);
        for (;;) {
            while (!impl->posted && !impl->quit) pthread_cond_wait(&impl->changed, &impl->lock);
            if (!impl->posted) break;
            impl->posted = false;
            pthread_mutex_unlock(&impl->lock);
            impl->proc(impl->param);
            pthread_mutex_lock(&impl->lock);
            impl->finished = true;
            pthread_cond_broadcast(&impl->changed);
        }
        pthread_mutex_unlock(&impl->lock);
        return nullptr;
    }
};

CTaskThread::CTaskThread() = default;

CTaskThread::~CTaskThread()
{
    if (!m_impl) return;
    Wait();
    pthread_mutex_lock(&m_impl->lock);
    m_impl->quit = true;
    pthread_cond_broadcast(&m_impl->changed);
    pthread_mutex_unlock(&m_impl->lock);
    pthread_join(m_impl->thread, nullptr);
    delete m_impl;
}

BOOL CTaskThread::Start()
{
    Impl* impl = new Impl;
    if (pthread_create(&impl->thread, nullptr, &Impl::Run, impl) != 0) {
        delete impl;
        return FALSE;
    }
    m_impl = impl;
    return TRUE;
}

void CTaskThread::Post(TaskProc proc, void* param)
{
    pthread_mutex_lock(&m_impl->lock);
    m_impl->proc = proc;
    m_impl->param = param;
    m_impl->finished = false;
    m_impl->posted = true;
    pthread_cond_broadcast(&m_impl->changed);
    pthread_mutex_unlock(&m_impl->lock);
    m_busy = true;
}

void CTaskThread::Wait()
{
    if (!m_busy) return;
    pthread_mutex_lock(&m_impl->lock);
    while (!m_impl->finished) pthread_cond_wait(&m_impl->changed, &m_impl->lock);
    pthread_mutex_unlock(&m_impl->lock);
    m_busy = false;
}

int AfxGetProcessorCount()
{
    long n = sysconf(_SC_NPROCESSORS_ONLN);
    return n > 0 ? int(n) : 1;
}
