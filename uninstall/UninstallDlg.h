// CUninstallDlg: the small modal dialog shown while the removal runs (template 140): the item in
// hand and one bar. It resumes the removal thread when it opens; the thread reports with
// WM_UNINSTALL_PROGRESS (sent, so the text it points to stays valid while it is read) and ends the
// dialog with WM_UNINSTALL_DONE. There is no Cancel: half an uninstallation helps nobody, and
// Escape or the close box are ignored.
#pragma once

#include "AfxControls.h"
#include "AfxDialog.h"
#include "ProgressBar.h"

class CWinThread;

enum : UINT {
    WM_UNINSTALL_PROGRESS = WM_USER + 1,  // wParam: items done, lParam: UninstallProgress*
    WM_UNINSTALL_DONE = WM_USER + 2,
};

struct UninstallProgress {
    const char* pszItem;
    int nDone;
    int nTotal;
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
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnCancel() override {}

    CWinThread* m_pWorker;
    CString m_strCaption;
};
