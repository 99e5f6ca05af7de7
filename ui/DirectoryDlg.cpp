#include "DirectoryDlg.h"

#include "ChooserIds.h"

CDirectoryDlg::CDirectoryDlg(const char* pszPath, CWnd* pParent)
    : CDialog(IDD_DIRECTORY_DLG, pParent), m_strPath(pszPath)
{
    m_pszTextKeys = "dlg.chooser.";
}

BEGIN_MESSAGE_MAP(CDirectoryDlg, CDialog)
    ON_LBN_DBLCLK(IDC_DIR_LIST, OnDblclkDirList)
    ON_CBN_SELENDOK(IDC_DRIVE_BOX, OnSelendokDriveBox)
    ON_LBN_SETFOCUS(IDC_DIR_LIST, OnSetfocusDirList)
    ON_EN_KILLFOCUS(IDC_PATH_EDIT, OnKillfocusPathEdit)
END_MESSAGE_MAP()

CString CDirectoryDlg::GetPath()
{
    if (m_strPath.GetLength() == 2) m_strPath += '\\';
    return m_strPath;
}

void CDirectoryDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_DRIVE_BOX, m_driveBox);
    DDX_Control(pDX, IDC_PATH_EDIT, m_pathEdit);
    DDX_Control(pDX, IDC_DIR_LIST, m_dirList);
}

BOOL CDirectoryDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_pathEdit.SetWindowText(m_strPath);
    m_pathEdit.SetSel(0, -1);
    m_dirList.SetPath(m_strPath);
    m_driveBox.FillDrives(m_strPath, TRUE);
    return TRUE;
}

// The list has opened the entry (reflection reaches it first): show its new directory.
void CDirectoryDlg::OnDblclkDirList()
{
    CString path = m_dirList.GetPath();
    m_pathEdit.SetWindowText(path);
    m_strPath = path;
}

// Moving into the list replaces whatever was typed with the list's directory.
void CDirectoryDlg::OnSetfocusDirList() { OnDblclkDirList(); }

void CDirectoryDlg::OnSelendokDriveBox()
{
    CString drive = m_driveBox.GetDrive();
    m_dirList.SetPath(drive);
    m_pathEdit.SetWindowText(drive);
    m_strPath = drive;
}

// How a typed path becomes the result: the edit loses the focus to OK or another control, or
// when the closing dialog is hidden.
void CDirectoryDlg::OnKillfocusPathEdit() { m_pathEdit.GetWindowText(m_strPath); }
