#include "UiTestSupport.h"

#include <string>

namespace uitest {

CPixels::CPixels(HWND hWnd)
{
    RECT rc;
    ::GetClientRect(hWnd, &rc);
    m_nWidth = rc.right;
    m_nHeight = rc.bottom;
    m_pixels.assign(size_t(m_nWidth) * size_t(m_nHeight), 0);
    if (m_nWidth <= 0 || m_nHeight <= 0) return;

    HDC hWndDC = ::GetDC(hWnd);
    HDC hMemDC = ::CreateCompatibleDC(hWndDC);
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
    bmi.bmiHeader.biWidth = m_nWidth;
    bmi.bmiHeader.biHeight = -m_nHeight;  // top row first
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* pBits = nullptr;
    HBITMAP hBitmap = ::CreateDIBSection(hWndDC, &bmi, DIB_RGB_COLORS, &pBits, nullptr, 0);
    HGDIOBJ hOld = ::SelectObject(hMemDC, hBitmap);
    ::BitBlt(hMemDC, 0, 0, m_nWidth, m_nHeight, hWndDC, 0, 0, SRCCOPY);
    ::GdiFlush();
    const BYTE* p = static_cast<const BYTE*>(pBits);
    for (size_t i = 0; i < m_pixels.size(); ++i, p += 4) m_pixels[i] = RGB(p[2], p[1], p[0]);
    ::SelectObject(hMemDC, hOld);
    ::DeleteObject(hBitmap);
    ::DeleteDC(hMemDC);
    ::ReleaseDC(hWnd, hWndDC);
}

bool CPixels::operator==(const CPixels& other) const
{
    return m_nWidth == other.m_nWidth && m_nHeight == other.m_nHeight && m_pixels == other.m_pixels;
}

void ShowAndPaint(HWND hWnd)
{
    ::SetWindowPos(hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    ::RedrawWindow(hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    ::GdiFlush();
}

namespace {
CWhenUp* g_pActive = nullptr;
const UINT kTickMs = 20;
const int kStuckTicks = 250;  // 5 s

BOOL CALLBACK EndOtherDialog(HWND hWnd, LPARAM lParam)
{
    char sz[16] = "";
    ::GetClassNameA(hWnd, sz, sizeof sz);
    if (hWnd != HWND(lParam) && std::string(sz) == "#32770") ::EndDialog(hWnd, IDCANCEL);
    return TRUE;
}
}  // namespace

CWhenUp::CWhenUp(CWnd* pDlg, std::function<bool(HWND)> step)
    : m_pDlg(pDlg), m_step(std::move(step)), m_nTimer(::SetTimer(nullptr, 0, kTickMs, OnTimer))
{
    g_pActive = this;
}

CWhenUp::~CWhenUp()
{
    ::KillTimer(nullptr, m_nTimer);
    g_pActive = nullptr;
}

void CALLBACK CWhenUp::OnTimer(HWND, UINT, UINT_PTR, DWORD)
{
    CWhenUp* self = g_pActive;
    if (!self) return;
    HWND hDlg = self->m_pDlg->m_hWnd;
    if (!hDlg || !::IsWindowVisible(hDlg)) return;
    if (++self->m_nTicks == kStuckTicks) {
        // A dialog the steps opened from it (a chooser, a message box) would keep its modal loop
        // running: those end too.
        ::EnumThreadWindows(::GetCurrentThreadId(), EndOtherDialog, LPARAM(hDlg));
        ::EndDialog(hDlg, kStuck);
        return;
    }
    if (!self->m_bDone) self->m_bDone = self->m_step(hDlg);
}

namespace {
struct CaptionSearch {
    const char* pszCaption;
    HWND hFound;
};

BOOL CALLBACK MatchCaption(HWND hWnd, LPARAM lParam)
{
    auto* p = reinterpret_cast<CaptionSearch*>(lParam);
    if (TextOf(hWnd) != p->pszCaption) return TRUE;
    p->hFound = hWnd;
    return FALSE;
}
}  // namespace

HWND OwnWindow(const char* pszCaption)
{
    CaptionSearch search = {pszCaption, nullptr};
    ::EnumThreadWindows(::GetCurrentThreadId(), MatchCaption, LPARAM(&search));
    return search.hFound;
}

CString TextOf(HWND hWnd)
{
    char sz[1024] = "";
    ::GetWindowTextA(hWnd, sz, sizeof sz);
    return CString(sz);
}

}  // namespace uitest
