#include "ProgressDlg.h"

#include "AfxThread.h"
#include "InstallMessages.h"

// Everything of its own is handled in WindowProc; the map only chains to CDialog's.
BEGIN_MESSAGE_MAP(CProgressDlg, CDialog)
END_MESSAGE_MAP()

CProgressDlg::CProgressDlg(CWinThread* pWorker, CWnd* pParent) : CDialog(IDD, pParent), m_pWorker(pWorker) {}

void CProgressDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, 1000, m_totalBar);
    DDX_Control(pDX, 1001, m_fileBar);
    DDX_Control(pDX, 1002, m_status);
}

BOOL CProgressDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    // Reads each bar's real width and shows both empty at 0%.
    m_fileBar.SetRange(0, 100);
    m_fileBar.SetPos(0);
    m_totalBar.SetRange(0, 100);
    m_totalBar.SetPos(0);
    // Only now may the worker run: every notification it sends finds this window in place.
    if (m_pWorker) m_pWorker->ResumeThread();
    return TRUE;
}

LRESULT CProgressDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    // Bounds and positions are signed 32-bit byte counts carried in wParam and lParam.
    switch (message) {
    case WM_INSTALL_STATUS: {
        const char* pszText = reinterpret_cast<const char*>(lParam);
        m_status.SetWindowText(pszText ? pszText : "");
        // The text's buffer goes back to the worker once the static has its own copy.
        InstallReleaseStatusText(lParam);
        return 0;
    }
    case WM_INSTALL_FILE_SIZE: m_fileBar.SetRange(int(wParam), int(lParam)); return 0;
    case WM_INSTALL_TOTAL_SIZE: m_totalBar.SetRange(int(wParam), int(lParam)); return 0;
    case WM_INSTALL_FILE_RESET: m_fileBar.SetPos(int(lParam)); return 0;
    case WM_INSTALL_TOTAL_RESET: m_totalBar.SetPos(int(lParam)); return 0;
    case WM_INSTALL_FILE_STEP: m_fileBar.OffsetPos(int(lParam)); return 0;
    case WM_INSTALL_TOTAL_STEP: m_totalBar.OffsetPos(int(lParam)); return 0;
    default: return CDialog::WindowProc(message, wParam, lParam);
    }
}
