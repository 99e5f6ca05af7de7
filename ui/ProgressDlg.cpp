// The progress dialog: resumes the worker once its window exists, then shows what the worker
// reports through the notifications of InstallMessages.h.
#include "ProgressDlg.h"

#include "AfxThread.h"
#include "InstallMessages.h"

BEGIN_MESSAGE_MAP(CProgressDlg, CDialog)
    ON_MESSAGE(WM_INSTALL_STATUS, OnStatus)
    ON_MESSAGE(WM_INSTALL_FILE_SIZE, OnFileSize)
    ON_MESSAGE(WM_INSTALL_TOTAL_SIZE, OnTotalSize)
    ON_MESSAGE(WM_INSTALL_FILE_RESET, OnFileReset)
    ON_MESSAGE(WM_INSTALL_TOTAL_RESET, OnTotalReset)
    ON_MESSAGE(WM_INSTALL_FILE_STEP, OnFileStep)
    ON_MESSAGE(WM_INSTALL_TOTAL_STEP, OnTotalStep)
END_MESSAGE_MAP()

CProgressDlg::CProgressDlg(CWinThread* pWorker, CWnd* pParent) : CDialog(IDD, pParent), m_pWorker(pWorker)
{
    m_pszTextKeys = "dlg.progress.";
}

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

LRESULT CProgressDlg::OnStatus(WPARAM, LPARAM lParam)
{
    const char* pszText = reinterpret_cast<const char*>(lParam);
    m_status.SetWindowText(pszText ? pszText : "");
    // The text's buffer goes back to the worker once the static has its own copy.
    InstallReleaseStatusText(lParam);
    return 0;
}

// Bounds, positions and steps are byte counts carried in wParam and lParam.
LRESULT CProgressDlg::OnFileSize(WPARAM wParam, LPARAM lParam)
{
    OnSize(m_fileBar, m_fileScale, wParam, lParam);
    return 0;
}

LRESULT CProgressDlg::OnTotalSize(WPARAM wParam, LPARAM lParam)
{
    OnSize(m_totalBar, m_totalScale, wParam, lParam);
    return 0;
}

LRESULT CProgressDlg::OnFileReset(WPARAM, LPARAM lParam)
{
    OnReset(m_fileBar, m_fileScale, lParam);
    return 0;
}

LRESULT CProgressDlg::OnTotalReset(WPARAM, LPARAM lParam)
{
    OnReset(m_totalBar, m_totalScale, lParam);
    return 0;
}

LRESULT CProgressDlg::OnFileStep(WPARAM, LPARAM lParam)
{
    OnStep(m_fileBar, m_fileScale, lParam);
    return 0;
}

LRESULT CProgressDlg::OnTotalStep(WPARAM, LPARAM lParam)
{
    OnStep(m_totalBar, m_totalScale, lParam);
    return 0;
}

void CProgressDlg::OnSize(CProgressBar& bar, ByteScale& scale, WPARAM wLower, LPARAM lUpper)
{
    const uint32_t nLower = uint32_t(wLower), nUpper = uint32_t(lUpper);
    scale.nShift = (nLower > INT32_MAX || nUpper > INT32_MAX) ? 1 : 0;
    bar.SetRange(int(nLower >> scale.nShift), int(nUpper >> scale.nShift));
}

void CProgressDlg::OnReset(CProgressBar& bar, ByteScale& scale, LPARAM lPos)
{
    scale.nPos = uint32_t(lPos);
    bar.SetPos(int(scale.nPos >> scale.nShift));
}

void CProgressDlg::OnStep(CProgressBar& bar, ByteScale& scale, LPARAM lBytes)
{
    scale.nPos += uint32_t(lBytes);
    if (scale.nShift == 0)
        bar.OffsetPos(int(lBytes));
    else
        bar.SetPos(int(scale.nPos >> scale.nShift));
}
