// Helpers of the window tests: reading back what a window painted, and acting on a modal dialog
// from inside its own modal loop.
#pragma once

#include "AfxWnd.h"

#include <functional>
#include <string>
#include <vector>

namespace uitest {

// The client area of a window as painted on the screen, top row first.
class CPixels {
public:
    explicit CPixels(HWND hWnd);
    int Width() const { return m_nWidth; }
    int Height() const { return m_nHeight; }
    // The colour at (x, y) as COLORREF.
    COLORREF At(int x, int y) const { return m_pixels[size_t(y) * size_t(m_nWidth) + size_t(x)]; }
    bool operator==(const CPixels& other) const;

private:
    int m_nWidth = 0;
    int m_nHeight = 0;
    std::vector<COLORREF> m_pixels;
};

// Puts a window on top, shows it and has it paint now.
void ShowAndPaint(HWND hWnd);

// While alive, calls step with the window of pDlg on every timer tick of the modal loop, from the
// moment DoModal has put it up and made it visible, until step returns true (done). A dialog that
// is still up some seconds later is ended with kStuck, so a test never hangs on a dialog that
// ignores what the steps did.
class CWhenUp {
public:
    enum { kStuck = 0x5757 };
    CWhenUp(CWnd* pDlg, std::function<bool(HWND)> step);
    ~CWhenUp();
    CWhenUp(const CWhenUp&) = delete;
    CWhenUp& operator=(const CWhenUp&) = delete;
    bool IsDone() const { return m_bDone; }

private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
    CWnd* m_pDlg;
    std::function<bool(HWND)> m_step;
    UINT_PTR m_nTimer;
    bool m_bDone = false;
    int m_nTicks = 0;
};

// The text of a window.
CString TextOf(HWND hWnd);

// The top-level window of this thread with that caption, or null. Other test programs may show
// the same dialog on the same display at the same time: a search of the whole screen finds theirs.
HWND OwnWindow(const char* pszCaption);

// What the children of hWnd would draw as empty boxes: one line for each child whose text (or list
// entry) holds a character that has no glyph in the font the child draws with (WM_GETFONT, else
// the system font), nor in a face the system links to that font's face (FontLink\SystemLink).
// Control characters are not drawn and not counted. Empty when every character shows.
std::vector<std::string> MissingGlyphs(HWND hWnd);

}  // namespace uitest
