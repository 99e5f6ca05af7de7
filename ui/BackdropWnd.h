// CBackdropWnd: the installer's main window, a painted backdrop shown maximised behind the
// dialogs. A grey band on the left carries the word "zorvan" running upward, with a shadow; a blue
// gradient fills the rest, with the product description on it, "v0.9" in the bottom left corner
// and "nexal" in the bottom right. It has no controls and reacts only to painting.
#pragma once

#include "AfxGdi.h"
#include "AfxMsgMap.h"
#include "AfxString.h"
#include "AfxWnd.h"

class CBackdropWnd : public CWnd {
public:
    enum { IDI_SETUP = 132 };

    // Creates the window at once, hidden, captioned with the product name followed by
    // " - Zorvan Installation System". The caller shows it (maximised) and deletes the object,
    // which destroys the window.
    CBackdropWnd(const char* pszProductName, const char* pszAppDescription);
    ~CBackdropWnd() override;

    DECLARE_MESSAGE_MAP()

protected:
    void OnPaint();
    BOOL OnEraseBkgnd(CDC*) { return TRUE; }  // OnPaint covers the whole client area

    CString m_strAppDescription;
    // Both fonts are made at the first paint, from the window's size at that moment, and kept.
    BYTE m_bDescFontMade = FALSE;
    BYTE m_bBandFontMade = FALSE;
    CFont m_bandFont;  // heavy face turned 90 degrees: the band word runs upward
    CFont m_descFont;  // bold italic serif
    CString m_strProductName;

private:
    void MakeFonts(const RECT& rcBand, const RECT& rcGradient);
    static void PaintGradient(CDC& dc, const RECT& rcGradient);
};
