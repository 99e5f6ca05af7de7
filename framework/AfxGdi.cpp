#include "AfxGdi.h"

#include "AfxWnd.h"
#include "AfxCodePageWin32.h"

#include <string>

CGdiObject& CGdiObject::operator=(CGdiObject&& other) noexcept
{
    if (this != &other) {
        DeleteObject();
        m_hObject = other.m_hObject;
        other.m_hObject = nullptr;
    }
    return *this;
}

BOOL CGdiObject::Attach(HGDIOBJ hObject)
{
    if (m_hObject || !hObject) return FALSE;
    m_hObject = hObject;
    return TRUE;
}

HGDIOBJ CGdiObject::Detach()
{
    HGDIOBJ h = m_hObject;
    m_hObject = nullptr;
    return h;
}

BOOL CGdiObject::DeleteObject()
{
    if (!m_hObject) return FALSE;
    HGDIOBJ h = m_hObject;
    m_hObject = nullptr;
    return ::DeleteObject(h);
}

BOOL CFont::CreateFont(int nHeight, int nWidth, int nEscapement, int nOrientation, int nWeight, BYTE bItalic,
                       BYTE bUnderline, BYTE cStrikeOut, BYTE nCharSet, BYTE nOutPrecision, BYTE nClipPrecision,
                       BYTE nQuality, BYTE nPitchAndFamily, LPCSTR lpszFacename)
{
    if (m_hObject) return FALSE;
    return Attach(::CreateFontA(nHeight, nWidth, nEscapement, nOrientation, nWeight, bItalic, bUnderline,
                                cStrikeOut, nCharSet, nOutPrecision, nClipPrecision, nQuality, nPitchAndFamily,
                                lpszFacename));
}

BOOL CFont::CreateFontIndirect(const LOGFONTA* lpLogFont)
{
    if (m_hObject) return FALSE;
    return Attach(::CreateFontIndirectA(lpLogFont));
}

BOOL CBrush::CreateSolidBrush(COLORREF crColor)
{
    if (m_hObject) return FALSE;
    return Attach(::CreateSolidBrush(crColor));
}

BOOL CDC::Attach(HDC hDC)
{
    if (m_hDC || !hDC) return FALSE;
    m_hDC = hDC;
    m_bOwned = false;
    return TRUE;
}

HDC CDC::Detach()
{
    HDC h = m_hDC;
    m_hDC = nullptr;
    m_bOwned = false;
    return h;
}

BOOL CDC::CreateCompatibleDC(CDC* pDC)
{
    if (m_hDC) return FALSE;
    m_hDC = ::CreateCompatibleDC(pDC ? pDC->m_hDC : nullptr);
    m_bOwned = m_hDC != nullptr;
    return m_bOwned;
}

BOOL CDC::DeleteDC()
{
    if (!m_hDC) return FALSE;
    HDC h = m_hDC;
    bool owned = m_bOwned;
    m_hDC = nullptr;
    m_bOwned = false;
    return owned ? ::DeleteDC(h) : TRUE;
}

void CDC::FillSolidRect(const RECT* lpRect, COLORREF crColor)
{
    ::SetBkColor(m_hDC, crColor);
    ::ExtTextOutA(m_hDC, 0, 0, ETO_OPAQUE, lpRect, nullptr, 0, nullptr);
}

CPaintDC::CPaintDC(CWnd* pWnd) : m_hWnd(pWnd->m_hWnd) { Attach(::BeginPaint(m_hWnd, &m_ps)); }

CPaintDC::~CPaintDC()
{
    Detach();
    ::EndPaint(m_hWnd, &m_ps);
}

CClientDC::CClientDC(CWnd* pWnd) : m_hWnd(pWnd->m_hWnd) { Attach(::GetDC(m_hWnd)); }

CClientDC::~CClientDC() { ::ReleaseDC(m_hWnd, Detach()); }

namespace {

// The program's text as UTF-16; bytes that are no text of its code page are drawn as the code
// page's A call would draw them.
bool Wide(LPCSTR psz, int nCount, std::wstring& out)
{
    return AfxAnsiToWide(nCount < 0 ? std::string(psz) : std::string(psz, size_t(nCount)), out);
}

}  // namespace

int CDC::DrawText(LPCSTR lpszString, int nCount, LPRECT lpRect, UINT nFormat)
{
    std::wstring text;
    if (!Wide(lpszString, nCount, text)) return ::DrawTextA(m_hDC, lpszString, nCount, lpRect, nFormat);
    return ::DrawTextW(m_hDC, text.c_str(), int(text.size()), lpRect, nFormat);
}

BOOL CDC::TextOut(int x, int y, LPCSTR lpszString, int nCount)
{
    std::wstring text;
    if (!Wide(lpszString, nCount, text)) return ::TextOutA(m_hDC, x, y, lpszString, nCount);
    return ::TextOutW(m_hDC, x, y, text.c_str(), int(text.size()));
}
