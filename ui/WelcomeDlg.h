// CWelcomeDlg: the first dialog of the installation (template 135). It greets the user in a large
// title, shows the target directory and offers Install, Cancel and Browse, which opens the
// directory chooser. It checks nothing itself: after IDOK the caller reads GetDirectory and runs
// its own checks, building a new dialog with that directory if one fails.
#pragma once

#include "AfxControls.h"
#include "AfxDialog.h"
#include "AfxGdi.h"
#include "AfxString.h"

// The large title of the welcome's look in the static title: a bold italic font as tall as the
// static, held by font (a font the system refuses leaves the dialog's own), and the greeting.
void SetWelcomeTitle(CWnd& title, CFont& font);

class CWelcomeDlg : public CDialog {
public:
    enum { IDD = 135 };

    // pszDirectory: the target directory shown at first. pParent null: owned by the main window.
    explicit CWelcomeDlg(const char* pszDirectory, CWnd* pParent = nullptr);
    ~CWelcomeDlg() override = default;  // the title font goes with m_titleFont

    // The directory the dialog shows now: the constructor's, or the last one chosen with Browse.
    CString GetDirectory() const { return m_strDirectory; }

    CStatic m_directoryText;
    CStatic m_titleText;
    CFont m_titleFont;
    CString m_strDirectory;

    DECLARE_MESSAGE_MAP()

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnBrowse();
};
