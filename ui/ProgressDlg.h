// CProgressDlg: the modal dialog shown while the installation worker runs (template 134). It
// resumes the worker when it opens; from then on the worker drives it with the seven
// WM_INSTALL_* notifications and ends it with WM_CLOSE. Cancel, Escape and WM_CLOSE all end it
// with IDCANCEL, asking nothing and setting no flag: the caller decides from the worker's flags.
#pragma once

#include "AfxControls.h"
#include "AfxDialog.h"
#include "ProgressBar.h"

#include <cstdint>

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
    // The worker's byte counts are unsigned 32-bit; a bar counts in signed 32-bit. A bar whose
    // range does not fit counts in units of two bytes, so that a payload between 2 and 4 GiB
    // still shows its true fraction instead of a negative one. Ranges that fit (shift 0) go to
    // the bar exactly as sent.
    struct ByteScale {
        int nShift = 0;
        uint32_t nPos = 0;  // the position in bytes
    };
    static void OnSize(CProgressBar& bar, ByteScale& scale, WPARAM wLower, LPARAM lUpper);
    static void OnReset(CProgressBar& bar, ByteScale& scale, LPARAM lPos);
    static void OnStep(CProgressBar& bar, ByteScale& scale, LPARAM lBytes);

    ByteScale m_fileScale;
    ByteScale m_totalScale;

    // The worker's notifications (InstallMessages.h), one handler each.
    LRESULT OnStatus(WPARAM wParam, LPARAM lParam);
    LRESULT OnFileSize(WPARAM wParam, LPARAM lParam);
    LRESULT OnTotalSize(WPARAM wParam, LPARAM lParam);
    LRESULT OnFileReset(WPARAM wParam, LPARAM lParam);
    LRESULT OnTotalReset(WPARAM wParam, LPARAM lParam);
    LRESULT OnFileStep(WPARAM wParam, LPARAM lParam);
    LRESULT OnTotalStep(WPARAM wParam, LPARAM lParam);

    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
};
