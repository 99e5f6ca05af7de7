// CTaskThread: a helper thread that runs one task at a time for the thread that owns it (both
// targets: Win32 threads and events, POSIX threads and a condition variable).
//
// Hand-off contract: the owning thread creates the object and calls Start once. It then hands a
// task over with Post and, before it touches anything the task uses or posts the next one, calls
// Wait, which returns when the task has finished; everything the task wrote is then visible to the
// owner. Only the owner calls Post and Wait. The task must not throw. The destructor waits for a
// task still running, then ends the thread and waits for it to exit.
#pragma once

#include "AfxPlatform.h"

class CTaskThread {
public:
    typedef void (*TaskProc)(void* param);

    CTaskThread();
    CTaskThread(const CTaskThread&) = delete;
    CTaskThread& operator=(const CTaskThread&) = delete;
    ~CTaskThread();

    // Creates the thread. Returns FALSE, and leaves the object unusable, when the system refuses
    // a thread or its synchronisation objects.
    BOOL Start();
    // Runs proc(param) on the helper thread. Only after Start succeeded, and with no task running.
    void Post(TaskProc proc, void* param);
    // Returns when the task posted last has finished; at once when none is running.
    void Wait();

private:
    struct Impl;
    Impl* m_impl = nullptr;
    bool m_busy = false;
};

// The number of processors the system reports for this process, at least 1.
int AfxGetProcessorCount();
