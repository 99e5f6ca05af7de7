// The installation worker: the thread procedure and the one place where a run's unhandled
// exceptions end it as a failure with one message (see InstallWorker.h; the run is InstallRun.h).
#include "InstallWorker.h"

#include "AfxText.h"
#include "AfxThread.h"
#include "InstallRun.h"

#include <new>

UINT InstallWorker(LPVOID pParam)
{
    return RunInstallJob(*static_cast<const InstallJob*>(pParam));
}

CWinThread* StartInstallWorker(InstallJob& job)
{
    return AfxBeginThread(InstallWorker, &job, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED, nullptr);
}

UINT RunInstallJob(const InstallJob& job)
{
    CInstallRun run(job);
    // Whatever escapes the steps (a file error after the payload, in the registry step; memory;
    // anything else) ends the run as a failure with one message, never the process.
    try {
        return run.Execute();
    } catch (const InstallStop& stop) {
        return run.Stop(stop);
    } catch (CFileException* e) {
        CString text = FileErrorMessage(*e, RunFile::registryStep);
        e->Delete();
        return run.FailUnexpected(text);
    } catch (const std::bad_alloc&) {
        return run.FailUnexpected(AfxText("install.no_memory"));
    } catch (...) {
        return run.FailUnexpected(AfxText("install.unexpected"));
    }
}
