// CDialog: a modal dialog from a dialog template of the program's resources.
// DoModal runs the platform's modal loop; the dialog's window is routed to the object from its
// first dialog message on, so OnInitDialog, the message map and reflection work as for any CWnd.
// The framework's own handling: WM_INITDIALOG calls OnInitDialog; IDOK (the OK button or Enter)
// calls OnOK, which runs the data exchange and ends the dialog with IDOK; IDCANCEL (Cancel,
// Escape, the close box) calls OnCancel, which ends it with IDCANCEL.
#pragma once

#include "AfxMsgMap.h"
#include "AfxWnd.h"

// The direction of one data exchange and the dialog it concerns.
class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate) : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}
    BOOL m_bSaveAndValidate;  // TRUE: from the controls to the members
    CWnd* m_pDlgWnd;
};

// Binds rControl to the dialog's control nIDC by subclassing it, the first time only.
// Throws std::logic_error when the template has no such control (a programming error).
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);

// The language spoken for the dialog hDlg: its caption and each child whose text is the English
// text of a key beginning with pszKeys get that key's text.
void AfxTranslateDialog(HWND hDlg, const char* pszKeys);
// The dialog hDlg's font, for it and every control that uses it, chosen for the texts they show
// (AfxFontChoice.h): for English, the template's own when it draws them all; else, and for every
// other language, the shell's dialog face (or the language's character set) that does.
// CDialog does this after OnInitDialog, before fitting the texts.
void AfxUseDialogFont(HWND hDlg);
// Makes each text of the dialog hDlg fit its control, measured with the control's own font: a
// button, check box, radio button or group box too narrow for its text is widened, a static too
// small for its wrapped text grows (wider for a word longer than the line, else taller); what
// follows it to the right or below moves on, a group box around it grows with it, and the dialog
// grows to hold them all, keeping its margins and its centre. CDialog does this after OnInitDialog.
void AfxFitDialogTexts(HWND hDlg);

// The character set a font is made in for the language spoken: ANSI_CHARSET for the languages of
// Latin and Cyrillic script, whose glyphs the TrueType faces hold whatever the set asked for; the
// language's own for Japanese, Chinese and Korean, so that the font mapper picks a face that has
// them.
BYTE AfxLanguageCharset();

class CDialog : public CWnd {
public:
    // pParentWnd null: the owner is the application's main window (its last active pop-up).
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);

    // Returns the value given to EndDialog; -1 when the dialog could not be created. Rethrows an
    // exception that a handler raised while the dialog was up (the dialog has been closed).
    virtual INT_PTR DoModal();
    // Runs the data exchange (binding the controls); TRUE lets the platform focus the first tab stop.
    virtual BOOL OnInitDialog();
    void EndDialog(int nResult) { ::EndDialog(m_hWnd, nResult); }
    // Runs DoDataExchange; TRUE when it succeeded.
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    DECLARE_MESSAGE_MAP()

protected:
    virtual void DoDataExchange(CDataExchange*) {}
    virtual void OnOK();
    virtual void OnCancel();

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
    // The keys of the template's texts begin with this (for example "dlg.welcome."): at
    // WM_INITDIALOG the caption and each control whose text is the English text of such a key
    // take that key's text in the language spoken (AfxText.h). Null: the template's texts stay.
    const char* m_pszTextKeys = nullptr;

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
};
