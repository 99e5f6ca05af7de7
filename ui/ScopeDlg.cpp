#include "ScopeDlg.h"

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
    SetDlgItemText(kIntroText, m_strProduct + " can be installed for you alone, without administrator rights, or for "
                                              "everyone who uses this computer.");
    CString user = AfxGetUserName();
    SetDlgItemText(kOneUser, user.IsEmpty() ? CString("Only for &me") : "Only for &me (" + user + ")");
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
