#include "AfxDialog.h"

#include "AfxWinApp.h"

#include <stdexcept>
#include <string>

namespace {
// The dialog that DoModal is opening, claimed by its window's first dialog message.
thread_local CDialog* t_pDlgInit = nullptr;
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    if (rControl.m_hWnd) return;
    if (!rControl.SubclassDlgItem(UINT(nIDC), pDX->m_pDlgWnd))
        throw std::logic_error("dialog has no control " + std::to_string(nIDC) + " to bind");
}

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

INT_PTR CDialog::DoModal()
{
    HWND hOwner = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    if (!hOwner) {
        CWnd* pMain = AfxGetMainWnd();
        if (pMain && pMain->m_hWnd && ::IsWindow(pMain->m_hWnd)) hOwner = ::GetLastActivePopup(pMain->m_hWnd);
    }
    CDialog* pOuterInit = t_pDlgInit;
    HWND hOuterModal = ModalWindow();
    t_pDlgInit = this;
    INT_PTR result = ::DialogBoxParamA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(m_nIDTemplate), hOwner,
                                       DialogProc, LPARAM(this));
    t_pDlgInit = pOuterInit;
    ModalWindow() = hOuterModal;
    AfxRethrowPendingException();
    return result;
}

// The dialog procedure only hands the window over to the framework's window procedure: the first
// message it sees (WM_SETFONT, or WM_INITDIALOG for a template without a font) subclasses the
// dialog window, so that every later message reaches WindowProc first and what the map leaves
// goes on to the platform's dialog handling, which calls this procedure again and gets FALSE.
INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (CWnd::FromHandlePermanent(hWnd)) return FALSE;
    CDialog* pDlg = message == WM_INITDIALOG ? reinterpret_cast<CDialog*>(lParam) : t_pDlgInit;
    if (!pDlg || pDlg->m_hWnd) return FALSE;
    t_pDlgInit = nullptr;
    pDlg->SubclassWindow(hWnd);
    ModalWindow() = hWnd;
    // WM_INITDIALOG is already inside the platform's handling: run it through the framework now.
    if (message == WM_INITDIALOG) return AfxWndProc(hWnd, message, wParam, lParam);
    return FALSE;
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate)
{
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

void CDialog::OnOK()
{
    if (UpdateData(TRUE)) EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    if (message == WM_INITDIALOG) {
        if (m_pszTextKeys) AfxTranslateDialog(m_hWnd, m_pszTextKeys);
        *pResult = OnInitDialog();
        AfxUseDialogFont(m_hWnd);
        AfxFitDialogTexts(m_hWnd);
        return TRUE;
    }
    ON_COMMAND(IDOK, OnOK)
    ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()
