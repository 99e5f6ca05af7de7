#include "ScopeDlg.h"
#include "AfxText.h"

#include "AfxControls.h"
#include "AfxSecurity.h"
#include "WelcomeDlg.h"

namespace {
const int kTitleText = 1006;
const int kIntroText = 1007;
const int kOneUser = 1010;
const int kEveryone = 1011;
}  // namespace

BEGIN_MESSAGE_MAP(CScopeDlg, CDialog)
    ON_BN_CLICKED(kOneUser, OnChoice)
    ON_BN_CLICKED(kEveryone, OnChoice)
END_MESSAGE_MAP()

CScopeDlg::CScopeDlg(const CString& strProduct, bool bForOneUser, CWnd* pParent)
    : CDialog(IDD, pParent), m_strProduct(strProduct), m_bForOneUser(bForOneUser)
{
    m_pszTextKeys = "dlg.scope.";
}

void CScopeDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDOK, m_next);
}

BOOL CScopeDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetWelcomeTitle(*GetDlgItem(kTitleText), m_titleFont);
    SetDlgItemText(kIntroText, AfxTextFormat("scope.intro", m_strProduct.GetString()));
    CString user = AfxGetUserName();
    SetDlgItemText(kOneUser, user.IsEmpty() ? CString(AfxText("scope.only_me")) : AfxTextFormat("scope.only_me_user", user.GetString()));
    CheckRadioButton(kOneUser, kEveryone, m_bForOneUser ? kOneUser : kEveryone);
    ShowChoice();
    return TRUE;
}

void CScopeDlg::OnChoice()
{
    m_bForOneUser = IsDlgButtonChecked(kOneUser) == BST_CHECKED;
    ShowChoice();
}

// The shield on Next while the choice asks for rights this program does not have.
void CScopeDlg::ShowChoice()
{
    m_next.SetShield(!m_bForOneUser && !AfxIsElevated());
}

void CScopeDlg::OnOK()
{
    m_bForOneUser = IsDlgButtonChecked(kOneUser) == BST_CHECKED;
    CDialog::OnOK();
}
