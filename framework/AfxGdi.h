// GDI wrappers. CGdiObject and its kinds (CFont, CBrush) own exactly one GDI object: no copies,
// moves allowed, deleted by the destructor; DeleteObject is safe to call twice.
// CDC wraps a device context without owning it (Attach/Detach), except one made by
// CreateCompatibleDC, which it deletes. CPaintDC and CClientDC get and give back the window's
// context for their own lifetime.
#pragma once

#include "AfxPlatform.h"
#include "AfxString.h"

class CWnd;

class CGdiObject {
public:
    CGdiObject() = default;
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;
    CGdiObject(CGdiObject&& other) noexcept : m_hObject(other.m_hObject) { other.m_hObject = nullptr; }
    CGdiObject& operator=(CGdiObject&& other) noexcept;
    ~CGdiObject() { DeleteObject(); }

    // Takes ownership of hObject; FALSE (and nothing taken) when one is already held.
    BOOL Attach(HGDIOBJ hObject);
    HGDIOBJ Detach();
    BOOL DeleteObject();
    HGDIOBJ GetSafeHandle() const { return m_hObject; }

    HGDIOBJ m_hObject = nullptr;
};

class CFont : public CGdiObject {
public:
    // CreateFontA's arguments; FALSE when a font is already held or the system refuses.
    BOOL CreateFont(int nHeight, int nWidth, int nEscapement, int nOrientation, int nWeight, BYTE bItalic,
                    BYTE bUnderline, BYTE cStrikeOut, BYTE nCharSet, BYTE nOutPrecision, BYTE nClipPrecision,
                    BYTE nQuality, BYTE nPitchAndFamily, LPCSTR lpszFacename);
    BOOL CreateFontIndirect(const LOGFONTA* lpLogFont);
    operator HFONT() const { return HFONT(m_hObject); }
};

class CBrush : public CGdiObject {
public:
    CBrush() = default;
    explicit CBrush(COLORREF crColor) { CreateSolidBrush(crColor); }
    BOOL CreateSolidBrush(COLORREF crColor);
    operator HBRUSH() const { return HBRUSH(m_hObject); }
};

class CDC {
public:
    CDC() = default;
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;
    virtual ~CDC() { DeleteDC(); }

    BOOL Attach(HDC hDC);
    HDC Detach();
    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }
    // A memory context compatible with pDC (or the screen when null), owned by this object.
    BOOL CreateCompatibleDC(CDC* pDC);
    // Deletes a context made by CreateCompatibleDC; an attached one is only let go.
    BOOL DeleteDC();

    COLORREF SetTextColor(COLORREF crColor) { return ::SetTextColor(m_hDC, crColor); }
    COLORREF GetTextColor() const { return ::GetTextColor(m_hDC); }
    COLORREF SetBkColor(COLORREF crColor) { return ::SetBkColor(m_hDC, crColor); }
    COLORREF GetBkColor() const { return ::GetBkColor(m_hDC); }
    int SetBkMode(int nBkMode) { return ::SetBkMode(m_hDC, nBkMode); }
    int GetBkMode() const { return ::GetBkMode(m_hDC); }
    // Selecting returns the object that was selected before, to be selected again afterwards.
    HGDIOBJ SelectObject(HGDIOBJ hObject) { return ::SelectObject(m_hDC, hObject); }
    HFONT SelectObject(CFont* pFont) { return HFONT(::SelectObject(m_hDC, pFont->m_hObject)); }
    HBRUSH SelectObject(CBrush* pBrush) { return HBRUSH(::SelectObject(m_hDC, pBrush->m_hObject)); }

    void FillRect(const RECT* lpRect, CBrush* pBrush) { ::FillRect(m_hDC, lpRect, HBRUSH(*pBrush)); }
    // Fills with a colour; like the framework this is modelled on, it leaves crColor as the
    // context's background colour.
    void FillSolidRect(const RECT* lpRect, COLORREF crColor);
    // Text is drawn in UTF-16: the A calls would read its bytes in the code page of the selected
    // font's character set (an ANSI_CHARSET font: Windows-1252), not in the program's.
    int DrawText(LPCSTR lpszString, int nCount, LPRECT lpRect, UINT nFormat);
    int DrawText(const CString& str, LPRECT lpRect, UINT nFormat)
    { return DrawText(str, str.GetLength(), lpRect, nFormat); }
    BOOL TextOut(int x, int y, LPCSTR lpszString, int nCount);
    int GetClipBox(LPRECT lpRect) const { return ::GetClipBox(m_hDC, lpRect); }
    int IntersectClipRect(const RECT* lpRect)
    { return ::IntersectClipRect(m_hDC, lpRect->left, lpRect->top, lpRect->right, lpRect->bottom); }
    int SaveDC() { return ::SaveDC(m_hDC); }
    BOOL RestoreDC(int nSavedDC) { return ::RestoreDC(m_hDC, nSavedDC); }
    COLORREF GetPixel(int x, int y) const { return ::GetPixel(m_hDC, x, y); }
    BOOL BitBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, DWORD dwRop)
    { return ::BitBlt(m_hDC, x, y, nWidth, nHeight, pSrcDC->m_hDC, xSrc, ySrc, dwRop); }

    HDC m_hDC = nullptr;

private:
    bool m_bOwned = false;
};

// The paint context of one WM_PAINT: BeginPaint in the constructor, EndPaint in the destructor.
class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC() override;
    PAINTSTRUCT m_ps = {};

private:
    HWND m_hWnd;
};

// The client-area context of a window for the object's lifetime (GetDC / ReleaseDC).
class CClientDC : public CDC {
public:
    explicit CClientDC(CWnd* pWnd);
    ~CClientDC() override;

private:
    HWND m_hWnd;
};
