// CWnd: a window wrapper. It does not own its window: it holds an HWND; destroying the window is
// an explicit act (DestroyWindow).
#pragma once

#include "AfxPlatform.h"

class CWnd {
public:
    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    virtual ~CWnd() = default;

    HWND GetSafeHwnd() const { return m_hWnd; }
    BOOL ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }
    virtual BOOL DestroyWindow();

    HWND m_hWnd = nullptr;
};
