#include "WelcomeDlg.h"
#include "AfxText.h"

#include "DirectoryDlg.h"

namespace {
const int kBrowseButton = 3;
const int kDirectoryText = 1000;
const int kTitleText = 1006;
}  // namespace

BEGIN_MESSAGE_MAP(CWelcomeDlg, CDialog)
    ON_BN_CLICKED(kBrowseButton, OnBrowse)
END_MESSAGE_MAP()

CWelcomeDlg::CWelcomeDlg(const char* pszDirectory, CWnd* pParent)
    : CDialog(IDD, pParent), m_strDirectory(pszDirectory ? pszDirectory : "")
{
    m_pszTextKeys = "dlg.welcome.";
}

void CWelcomeDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kDirectoryText, m_directoryText);
    DDX_Control(pDX, kTitleText, m_titleText);
}

void SetWelcomeTitle(CWnd& title, CFont& font)
{
    // The title's cell height is the height of its static; a font the system refuses is not
    // reported, the title then keeps the dialog's font.
    RECT rc;
    title.GetClientRect(&rc);
    if (font.CreateFont(rc.bottom - rc.top, 0, 0, 0, FW_BOLD, TRUE, FALSE, FALSE, AfxLanguageCharset(), OUT_TT_PRECIS,
                        CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, 4, "Times"))
        title.SetFont(&font, TRUE);
    title.SetWindowText(AfxText("welcome.title"));
}

BOOL CWelcomeDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetWelcomeTitle(m_titleText, m_titleFont);
    m_directoryText.SetWindowText(m_strDirectory);
    return TRUE;
}

void CWelcomeDlg::OnBrowse()
{
    CDirectoryDlg dlg(m_strDirectory, this);
    if (dlg.DoModal() != IDOK) return;
    m_strDirectory = dlg.GetPath();
    m_directoryText.SetWindowText(m_strDirectory);
}
