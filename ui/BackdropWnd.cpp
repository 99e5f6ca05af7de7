#include "BackdropWnd.h"
#include "AfxDialog.h"
#include "AfxFontChoice.h"
#include "AfxText.h"

#include "AfxWinApp.h"

namespace {
const COLORREF kBandGrey = RGB(192, 192, 192);
const COLORREF kBandWord = RGB(64, 64, 64);
const COLORREF kFirstStrip = RGB(128, 128, 128);
const COLORREF kSecondStrip = RGB(64, 64, 64);
const int kShades = 63;         // gradient steps, from blue 255 down to blue 7
const int kShadowOffset = 6;    // pixels the band word stands above and left of its shadow
const BYTE kPitchAndFamily = 4;
}  // namespace

BEGIN_MESSAGE_MAP(CBackdropWnd, CWnd)
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

CBackdropWnd::CBackdropWnd(const char* pszProductName, const char* pszAppDescription)
    : m_strAppDescription(pszAppDescription), m_strProductName(pszProductName)
{
    // Class style 0: a change of size does not repaint the whole window by itself.
    LPCSTR lpszClass = AfxRegisterWndClass(0, ::LoadCursorA(nullptr, IDC_ARROW),
                                           HBRUSH(COLOR_WINDOW + 1),
                                           ::LoadIconA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDI_SETUP)));
    CString strCaption = AfxTextFormat("backdrop.caption", m_strProductName.GetString());
    CreateEx(0, lpszClass, strCaption, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
             CW_USEDEFAULT, nullptr, nullptr);
    m_bDescFontMade = FALSE;
    m_bBandFontMade = FALSE;
}

CBackdropWnd::~CBackdropWnd()
{
    // The window goes first; its fonts, members, follow when this body has run.
    DestroyWindow();
}

void CBackdropWnd::MakeFonts(const RECT& rcBand, const RECT& rcGradient)
{
    if (!m_bBandFontMade) {
        // Cell height = the band's width; escapement 900: the word runs upward.
        m_bandFont.CreateFont(rcBand.right - rcBand.left, 0, 900, 900, 900, FALSE, FALSE, FALSE, ANSI_CHARSET,
                              OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, kPitchAndFamily, "Impact");
        m_bBandFontMade = TRUE;
    }
    if (!m_bDescFontMade) {
        // Negative: a character height of one twelfth of the gradient's width.
        m_descFont.CreateFont(-((rcGradient.right - rcGradient.left) / 12), 0, 0, 0, FW_BOLD, TRUE, FALSE, FALSE,
                              AfxLanguageCharset(), OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, kPitchAndFamily,
                              "Times");
        m_bDescFontMade = TRUE;
    }
}

void CBackdropWnd::PaintGradient(CDC& dc, const RECT& rcGradient)
{
    // One brush per shade, made for this paint only.
    CBrush brushes[kShades];
    const int nHeight = rcGradient.bottom - rcGradient.top;
    for (int y = 0; y < nHeight; ++y) {
        const int nShade = kShades * y / nHeight;
        CBrush& brush = brushes[nShade];
        if (!brush.GetSafeHandle()) brush.CreateSolidBrush(RGB(0, 0, 255 - 4 * nShade));
        RECT rcRow = {rcGradient.left, rcGradient.top + y, rcGradient.right, rcGradient.top + y + 1};
        dc.FillRect(&rcRow, &brush);
    }
}

void CBackdropWnd::OnPaint()
{
    CPaintDC dc(this);
    RECT rc;
    GetClientRect(&rc);
    const int nWidth = rc.right - rc.left;

    RECT rcBand = {rc.left, rc.top, rc.left + nWidth / 5, rc.bottom};
    RECT rcStrip = {rcBand.right, rc.top, rcBand.right + (nWidth / 5) / 100, rc.bottom};
    RECT rcGradient = {rcBand.right, rc.top, rc.right, rc.bottom};
    MakeFonts(rcBand, rcGradient);

    // The band: the word drawn twice, first black in the opaque mode the context starts with, then
    // dark grey and transparent 6 pixels up and left of it, so the first copy shows as a shadow.
    // A font the system refused is simply not selected; the one found here is put back at the end.
    HGDIOBJ hOldFont = ::GetCurrentObject(dc, OBJ_FONT);
    if (m_bandFont.GetSafeHandle()) dc.SelectObject(&m_bandFont);
    dc.FillSolidRect(&rcBand, kBandGrey);  // also the background colour of the opaque copy
    dc.SetTextColor(RGB(0, 0, 0));
    OffsetRect(&rcBand, 0, (rcBand.bottom - rcBand.top) / 12);
    dc.DrawText("zorvan", -1, &rcBand, DT_SINGLELINE | DT_BOTTOM);
    OffsetRect(&rcBand, -kShadowOffset, -kShadowOffset);
    dc.SetTextColor(kBandWord);
    dc.SetBkMode(TRANSPARENT);
    dc.DrawText("zorvan", -1, &rcBand, DT_SINGLELINE | DT_BOTTOM);

    PaintGradient(dc, rcGradient);

    // A description in a script that "Times" lacks (a Chinese product name) takes a face that has it.
    if (m_descFont.GetSafeHandle()) dc.SelectObject(AfxFontForText(m_descFont, m_strAppDescription));
    dc.SetTextColor(RGB(0, 0, 0));
    dc.DrawText(m_strAppDescription, &rcGradient, DT_CENTER | DT_WORDBREAK);
    dc.SelectObject(hOldFont);

    // Two strips, each a five-hundredth of the width, over the left edge of the gradient.
    dc.FillSolidRect(&rcStrip, kFirstStrip);
    OffsetRect(&rcStrip, rcStrip.right - rcStrip.left, 0);
    dc.FillSolidRect(&rcStrip, kSecondStrip);

    dc.DrawText("v0.9", -1, &rc, DT_SINGLELINE | DT_BOTTOM);
    dc.SetTextColor(RGB(255, 255, 255));
    dc.DrawText("nexal", -1, &rc, DT_SINGLELINE | DT_BOTTOM | DT_RIGHT);
}
