// A dialog's texts in the language spoken, and the controls grown to hold them (AfxDialog.h).
#include "AfxDialog.h"
#include "AfxFontChoice.h"
#include "AfxText.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string TextOf(HWND hWnd)
{
    int n = ::GetWindowTextLengthA(hWnd);
    std::string text(size_t(n) + 1, '\0');
    n = ::GetWindowTextA(hWnd, &text[0], n + 1);
    text.resize(size_t(n > 0 ? n : 0));
    return text;
}

std::string ClassOf(HWND hWnd)
{
    char sz[64] = {};
    ::GetClassNameA(hWnd, sz, sizeof sz);
    return AfxLowerAscii(std::string(sz));
}

// The room a text needs beyond its own width, by the kind of control; -1 for a control whose text
// is not measured here (edit, list, owner-drawn, picture).
int Margin(HWND hWnd, bool& bWraps)
{
    LONG style = ::GetWindowLongA(hWnd, GWL_STYLE);
    std::string cls = ClassOf(hWnd);
    bWraps = false;
    if (cls == "button") {
        switch (style & 0x0F) {
        case BS_PUSHBUTTON:
        case BS_DEFPUSHBUTTON: return 2 * ::GetSystemMetrics(SM_CXEDGE) + 10;
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX:
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON:
        case BS_3STATE:
        case BS_AUTO3STATE: return ::GetSystemMetrics(SM_CXMENUCHECK) + 8;
        case BS_GROUPBOX: return 16;
        default: return -1;
        }
    }
    if (cls == "static") {
        switch (style & SS_TYPEMASK) {
        case SS_LEFT:
        case SS_CENTER:
        case SS_RIGHT: bWraps = true; return 0;
        case SS_LEFTNOWORDWRAP:
        case SS_SIMPLE: return 0;
        default: return -1;
        }
    }
    return -1;
}

// The size the control's text needs (nWidth: the width it may wrap at), and the height of one line.
// Measured as the control holds and draws it, in UTF-16: DrawTextA would read the bytes in the code
// page of the font's character set, which for a font made for ANSI_CHARSET is not the program's
// when that is Cyrillic or CJK.
SIZE TextSize(HWND hWnd, bool bWraps, int nWidth, int& nLine)
{
    int n = ::GetWindowTextLengthW(hWnd);
    std::wstring text(size_t(n) + 1, L'\0');
    n = ::GetWindowTextW(hWnd, &text[0], n + 1);
    text.resize(size_t(n > 0 ? n : 0));
    HDC dc = ::GetDC(hWnd);
    HGDIOBJ old = ::SelectObject(dc, HGDIOBJ(::SendMessageA(hWnd, WM_GETFONT, 0, 0)));
    RECT rc = {0, 0, bWraps ? std::max(nWidth, 1) : 0, 0};
    UINT flags = DT_CALCRECT | DT_EXPANDTABS | (bWraps ? DT_WORDBREAK : DT_SINGLELINE);
    if (ClassOf(hWnd) == "static" && (::GetWindowLongA(hWnd, GWL_STYLE) & SS_NOPREFIX)) flags |= DT_NOPREFIX;
    ::DrawTextW(dc, text.c_str(), int(text.size()), &rc, flags);
    TEXTMETRICA tm = {};
    ::GetTextMetricsA(dc, &tm);
    nLine = tm.tmHeight;
    ::SelectObject(dc, old);
    ::ReleaseDC(hWnd, dc);
    return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

struct Child {
    HWND hWnd;
    RECT rc;  // in the dialog's client coordinates
    bool bGroup;
};

std::vector<Child> Children(HWND hDlg)
{
    std::vector<Child> children;
    for (HWND h = ::GetWindow(hDlg, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT)) {
        Child c{h, {}, false};
        ::GetWindowRect(h, &c.rc);
        ::MapWindowPoints(nullptr, hDlg, reinterpret_cast<POINT*>(&c.rc), 2);
        c.bGroup = ClassOf(h) == "button" && (::GetWindowLongA(h, GWL_STYLE) & 0x0F) == BS_GROUPBOX;
        children.push_back(c);
    }
    return children;
}

bool Encloses(const RECT& outer, const RECT& inner)
{
    return outer.left <= inner.left && outer.top <= inner.top && outer.right >= inner.right && outer.bottom >= inner.bottom;
}

void Place(const Child& c)
{
    ::SetWindowPos(c.hWnd, nullptr, c.rc.left, c.rc.top, c.rc.right - c.rc.left, c.rc.bottom - c.rc.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

// Grows child i by dx to the right and dy down, moving what lies after it and growing the group
// boxes around it.
void Grow(std::vector<Child>& all, size_t i, int dx, int dy)
{
    const RECT before = all[i].rc;
    for (size_t j = 0; j < all.size(); ++j) {
        if (j == i) continue;
        RECT& r = all[j].rc;
        bool bMoved = false;
        if (all[j].bGroup && Encloses(r, before)) {
            r.right += dx;
            r.bottom += dy;
            bMoved = dx || dy;
        } else {
            if (dx && r.left >= before.right - 1 && r.top < before.bottom && r.bottom > before.top) {
                ::OffsetRect(&r, dx, 0);
                bMoved = true;
            }
            if (dy && r.top >= before.bottom - 1) {
                ::OffsetRect(&r, 0, dy);
                bMoved = true;
            }
        }
        if (bMoved) Place(all[j]);
    }
    all[i].rc.right += dx;
    all[i].rc.bottom += dy;
    Place(all[i]);
}

}  // namespace

BYTE AfxLanguageCharset()
{
    static const struct { const char* pszTag; BYTE nCharset; } kCharsets[] = {
        {"ja", SHIFTJIS_CHARSET}, {"zh-CN", GB2312_CHARSET}, {"ko", HANGEUL_CHARSET},
    };
    for (const auto& c : kCharsets)
        if (std::strcmp(c.pszTag, AfxGetLanguage()) == 0) return c.nCharset;
    return ANSI_CHARSET;
}

void AfxTranslateDialog(HWND hDlg, const char* pszKeys)
{
    if (const char* psz = AfxTranslateEnglish(pszKeys, TextOf(hDlg).c_str())) ::SetWindowTextA(hDlg, psz);
    for (HWND h = ::GetWindow(hDlg, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT)) {
        std::string text = TextOf(h);
        if (text.empty()) continue;
        if (const char* psz = AfxTranslateEnglish(pszKeys, text.c_str())) ::SetWindowTextA(h, psz);
    }
}

void AfxUseDialogFont(HWND hDlg)
{
    HFONT hDialogFont = HFONT(::SendMessageA(hDlg, WM_GETFONT, 0, 0));
    if (!hDialogFont) return;
    std::vector<HWND> users;
    std::string all;
    for (HWND h = ::GetWindow(hDlg, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT)) {
        if (HFONT(::SendMessageA(h, WM_GETFONT, 0, 0)) != hDialogFont) continue;
        users.push_back(h);
        all += TextOf(h) + "\n";
        if (ClassOf(h) != "listbox" || !(::GetWindowLongA(h, GWL_STYLE) & LBS_HASSTRINGS)) continue;
        int n = int(::SendMessageA(h, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < n; ++i) {
            std::string item(size_t(::SendMessageA(h, LB_GETTEXTLEN, WPARAM(i), 0)) + 1, '\0');
            ::SendMessageA(h, LB_GETTEXT, WPARAM(i), LPARAM(&item[0]));
            all += item.c_str() + std::string("\n");
        }
    }
    // The template's own face for English with names it draws: the dialog as designed.
    bool bEnglish = std::strcmp(AfxGetLanguage(), "en") == 0;
    HFONT hFont = AfxFontForText(hDialogFont, all.c_str(), bEnglish);
    if (hFont == hDialogFont) return;
    ::SendMessageA(hDlg, WM_SETFONT, WPARAM(hFont), FALSE);
    for (HWND h : users) ::SendMessageA(h, WM_SETFONT, WPARAM(hFont), FALSE);
}

void AfxFitDialogTexts(HWND hDlg)
{
    std::vector<Child> all = Children(hDlg);
    RECT client;
    ::GetClientRect(hDlg, &client);
    int nRight = 0, nBottom = 0;
    for (const Child& c : all) {
        nRight = std::max(nRight, int(c.rc.right));
        nBottom = std::max(nBottom, int(c.rc.bottom));
    }
    const int nMarginX = std::max(0, int(client.right) - nRight), nMarginY = std::max(0, int(client.bottom) - nBottom);
    // Top to bottom, then left to right: a control grown moves only what comes after it.
    std::vector<size_t> order(all.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&all](size_t a, size_t b) {
        return all[a].rc.top != all[b].rc.top ? all[a].rc.top < all[b].rc.top : all[a].rc.left < all[b].rc.left;
    });
    for (size_t i : order) {
        bool bWraps = false;
        int nMargin = Margin(all[i].hWnd, bWraps);
        std::string text = TextOf(all[i].hWnd);
        if (nMargin < 0 || text.empty()) continue;
        const RECT& r = all[i].rc;
        int nWidth = r.right - r.left - nMargin, nHeight = r.bottom - r.top;
        int nLine = 0;
        SIZE need = TextSize(all[i].hWnd, bWraps, nWidth, nLine);
        int dx = std::max(0, int(need.cx) - nWidth);
        // A text whose last line lacks only a few pixels of its cell shows whole (a title whose
        // font fills its control exactly may round a pixel up): grown for a quarter line or more.
        int dy = bWraps && need.cy - nHeight >= std::max(1, nLine / 4) ? int(need.cy) - nHeight : 0;
        if (dx || dy) Grow(all, i, dx, dy);
    }
    nRight = nBottom = 0;
    for (const Child& c : all) {
        nRight = std::max(nRight, int(c.rc.right));
        nBottom = std::max(nBottom, int(c.rc.bottom));
    }
    int dx = std::max(0, nRight + nMarginX - int(client.right)), dy = std::max(0, nBottom + nMarginY - int(client.bottom));
    if (!dx && !dy) return;
    RECT window;
    ::GetWindowRect(hDlg, &window);
    // Grown about its centre, kept on the screen.
    int x = std::max(0, int(window.left) - dx / 2), y = std::max(0, int(window.top) - dy / 2);
    ::SetWindowPos(hDlg, nullptr, x, y, window.right - window.left + dx, window.bottom - window.top + dy,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}
