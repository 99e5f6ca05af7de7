// CProgressDlg: the modal dialog shown while the installation worker runs (template 134). It
// resumes the worker when it opens; from then on the worker drives it with the seven
// WM_INSTALL_* notifications and ends it with WM_CLOSE. Cancel, Escape and WM_CLOSE all end it
// with IDCANCEL, asking nothing and setting no flag: the caller decides from the worker's flags.
#pragma once

#include "AfxControls.h"
#include "AfxDialog.h"
#include "ProgressBar.h"

class CWinThread;

class CProgressDlg : public CDialog {
public:
    enum { IDD = 134 };

    // pWorker: the worker thread, created suspended, not owned; it is resumed in OnInitDialog
    // (null: nothing to resume). pParent: the owner window, the backdrop.
    CProgressDlg(CWinThread* pWorker, CWnd* pParent);
    ~CProgressDlg() override = default;

    CProgressBar m_totalBar;
    CProgressBar m_fileBar;
    CStatic m_status;
    CWinThread* m_pWorker;

    DECLARE_MESSAGE_MAP()

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;
};
