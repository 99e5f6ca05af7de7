// The run's notifications to the progress dialog (InstallMessages.h): sizes, steps, status texts
// and the closing WM_CLOSE. Nothing is sent while the dialog has no window; the sender never waits
// (Win32).
#pragma once

#include "AfxPlatform.h"

class CWnd;

class CProgressSink {
public:
    // pDialog: the dialog to notify, or null; its m_hWnd is read afresh before every notification.
    explicit CProgressSink(CWnd* pDialog) : m_pDialog(pDialog) {}

    // The dialog's window as it is now; null while there is none.
    HWND DialogWindow() const;
    // One of the byte-count notifications, lParam its count.
    void Notify(UINT nMsg, LPARAM lParam) const;
    // WM_INSTALL_STATUS with a copy of pszText that the dialog gives back once it has read it.
    void NotifyStatus(const char* pszText) const;

private:
    CWnd* m_pDialog;
};
