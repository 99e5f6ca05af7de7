// CDirectoryDlg: the "Choose Directory" dialog. The user picks the installation directory by
// typing it into the path edit, by walking the directory list or by choosing a drive; the list
// and the drive box write their choice into the edit, never the other way round. The path is not
// checked here: it need not exist. After DoModal has returned IDOK, GetPath gives the result.
#pragma once

#include "AfxControls.h"
#include "AfxDialog.h"
#include "AfxString.h"
#include "DirListBox.h"
#include "DriveComboBox.h"

class CDirectoryDlg : public CDialog {
public:
    CDirectoryDlg(const char* pszPath, CWnd* pParent = nullptr);
    ~CDirectoryDlg() override = default;

    // The chosen path. A bare drive (two characters, such as C:) gets a backslash appended,
    // which stays in the dialog's path; nothing else is normalised.
    CString GetPath();

    CDriveComboBox m_driveBox;
    CEdit m_pathEdit;
    CDirListBox m_dirList;
    CString m_strPath;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    void OnDblclkDirList();
    void OnSelendokDriveBox();
    void OnSetfocusDirList();
    void OnKillfocusPathEdit();
    DECLARE_MESSAGE_MAP()
};
