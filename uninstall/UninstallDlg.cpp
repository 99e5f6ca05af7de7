// The dialog shown while the removal runs: the item in hand, the bar, the question about a file in
// use (UninstallDlg.h).
#include "UninstallDlg.h"

#include "AfxMessageBox.h"
#include "AfxThread.h"

BEGIN_MESSAGE_MAP(CUninstallDlg, CDialog)
    ON_MESSAGE(WM_UNINSTALL_PROGRESS, OnProgress)
    ON_MESSAGE(WM_UNINSTALL_DONE, OnDone)
    ON_MESSAGE(WM_UNINSTALL_IN_USE, OnInUse)
END_MESSAGE_MAP()

CUninstallDlg::CUninstallDlg(CWinThread* pWorker, const CString& strCaption)
    : CDialog(IDD, nullptr), m_pWorker(pWorker), m_strCaption(strCaption)
{
    m_pszTextKeys = "dlg.uninstall.";
}

void CUninstallDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, 1000, m_bar);
    DDX_Control(pDX, 1002, m_status);
}

BOOL CUninstallDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetWindowText(m_strCaption);
    m_bar.SetRange(0, 100);
    m_bar.SetPos(0);
    if (m_pWorker) m_pWorker->ResumeThread();
    return TRUE;
}

LRESULT CUninstallDlg::OnProgress(WPARAM, LPARAM lParam)
{
    const auto* p = reinterpret_cast<const UninstallProgress*>(lParam);
    m_status.SetWindowText(p->pszItem);
    if (p->nDone == 0) m_bar.SetRange(0, p->nTotal > 0 ? p->nTotal : 1);
    m_bar.SetPos(p->nDone);
    return 0;
}

LRESULT CUninstallDlg::OnDone(WPARAM, LPARAM)
{
    EndDialog(IDOK);
    return 0;
}

LRESULT CUninstallDlg::OnInUse(WPARAM, LPARAM lParam)
{
    return AfxMessageBox(*reinterpret_cast<const CString*>(lParam), MB_RETRYCANCEL | MB_ICONEXCLAMATION);
}
