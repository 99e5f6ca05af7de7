// The run's notifications to the progress dialog (see ProgressSink.h).
#include "ProgressSink.h"

#include "AfxWnd.h"
#include "InstallMessages.h"
#include "StatusText.h"

HWND CProgressSink::DialogWindow() const
{
    if (!m_pDialog) return nullptr;
    // The user-interface thread sets and clears the handle while we run: read it whole, afresh.
    return __atomic_load_n(&m_pDialog->m_hWnd, __ATOMIC_ACQUIRE);
}

void CProgressSink::Notify(UINT nMsg, LPARAM lParam) const
{
    if (HWND hwnd = DialogWindow()) SendNotifyMessageA(hwnd, nMsg, 0, lParam);
}

void CProgressSink::NotifyStatus(const char* pszText) const
{
    HWND hwnd = DialogWindow();
    if (!hwnd) return;
    // The receiver reads the text later: it gets a copy of its own, given back once handled.
    const char* copy = g_statusTexts.Acquire(pszText);
    if (!SendNotifyMessageA(hwnd, WM_INSTALL_STATUS, 0, reinterpret_cast<LPARAM>(copy)))
        CStatusTextPool::Release(copy);
}
