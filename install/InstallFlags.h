// The three flags shared by the installation flow and the worker thread.
//
// Each has one writer: g_bCancel the flow, g_bDone and g_bFailed the worker. Writers store with
// release ordering and readers load with acquire ordering. The worker stores g_bFailed before
// g_bDone, and both before it asks the progress dialog to close; once the flow has loaded
// g_bDone as 1, g_bFailed holds the outcome. All are 0 at start and never reset.
#pragma once

#include <atomic>

typedef std::atomic<int> InstallFlag;

extern InstallFlag g_bCancel;
extern InstallFlag g_bDone;
extern InstallFlag g_bFailed;

inline void SetInstallFlag(InstallFlag* pFlag, int nValue) { pFlag->store(nValue, std::memory_order_release); }
inline int GetInstallFlag(const InstallFlag* pFlag) { return pFlag->load(std::memory_order_acquire); }
