// CScopeDlg: the choice, before the welcome, of whom a product that may be installed either way is
// installed for (template 136, in the welcome dialog's look): the user alone, or everyone who uses
// the computer. The latter needs administrator rights: while it is chosen, the Next button bears
// the shield where Windows would ask for them.
#pragma once

#include "AfxControls.h"
#include "AfxDialog.h"
#include "AfxGdi.h"
#include "AfxString.h"

class CScopeDlg : public CDialog {
public:
    enum { IDD = 136 };

    // strProduct: the product's name; bForOneUser: the choice made at first.
    CScopeDlg(const CString& strProduct, bool bForOneUser, CWnd* pParent = nullptr);
    ~CScopeDlg() override = default;

    // The choice, after IDOK: true for the user alone.
    bool ForOneUser() const { return m_bForOneUser; }

    DECLARE_MESSAGE_MAP()

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnChoice();

private:
    void ShowChoice();

    CString m_strProduct;
    bool m_bForOneUser;
    CFont m_titleFont;
    CButton m_next;
};
