#include "AfxWnd.h"

BOOL CWnd::DestroyWindow()
{
    if (!m_hWnd) return FALSE;
    HWND h = m_hWnd;
    m_hWnd = nullptr;
    return ::DestroyWindow(h);
}
