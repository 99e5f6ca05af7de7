// CUninstallDlg: the small modal dialog shown while the removal runs (template 140): the item in
// hand and one bar. It resumes the removal thread when it opens; the thread reports with
// WM_UNINSTALL_PROGRESS and ends the dialog with WM_UNINSTALL_DONE (RemovalWithProgress.h has the
// whole contract between the two threads); a file in use is asked about in a box that the dialog owns
// (WM_UNINSTALL_IN_USE). There is no Cancel: half an uninstallation helps nobody, and
// Escape or the close box are ignored.
#pragma once

#include "AfxControls.h"
#include "AfxDialog.h"
#include "AfxMsgMap.h"
#include "ProgressBar.h"

class CWinThread;

// Private to the dialog's window, so from WM_APP: the messages from WM_USER on belong to the
// dialog manager and the controls (DM_GETDEFID is WM_USER + 0, DM_SETDEFID WM_USER + 1).
enum : UINT {
    // Sent by the removal thread before each item: wParam 0, lParam an UninstallProgress* on that
    // thread's stack, whose text stays valid until the message returns and not after.
    WM_UNINSTALL_PROGRESS = WM_APP + 1,
    // Posted once by the removal thread when it has finished (wParam and lParam 0): ends the dialog.
    WM_UNINSTALL_DONE = WM_APP + 2,
    // Sent by the removal thread when a file is in use: wParam 0, lParam a const CString* (the
    // question, valid until the message returns). The dialog asks it in a Retry/Cancel box of its
    // own and returns the answer (IDRETRY or IDCANCEL).
    WM_UNINSTALL_IN_USE = WM_APP + 3,
};

struct UninstallProgress {
    const char* pszItem;  // the item about to be removed
    int nDone;            // items removed before it; 0 with the first, which also sets the range
    int nTotal;           // items in all
};

class CUninstallDlg : public CDialog {
public:
    enum { IDD = 140 };

    CUninstallDlg(CWinThread* pWorker, const CString& strCaption);

    CProgressBar m_bar;
    CStatic m_status;

    DECLARE_MESSAGE_MAP()

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    LRESULT OnProgress(WPARAM wParam, LPARAM lParam);
    LRESULT OnDone(WPARAM wParam, LPARAM lParam);
    LRESULT OnInUse(WPARAM wParam, LPARAM lParam);
    void OnCancel() override {}

    CWinThread* m_pWorker;
    CString m_strCaption;
};
