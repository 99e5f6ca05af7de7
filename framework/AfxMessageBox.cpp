#include "AfxMessageBox.h"

#include <cstdio>
#include <mutex>

#ifdef _WIN32
#include "AfxWinApp.h"
#endif

namespace {
std::mutex g_handlerLock;
AfxMessageBoxHandler g_handler;

int DefaultMessageBox(const CString& text, UINT nType)
{
#ifdef _WIN32
    HWND owner = nullptr;
    CWnd* pMain = AfxGetMainWnd();
    if (pMain && pMain->m_hWnd && IsWindow(pMain->m_hWnd)) owner = GetLastActivePopup(pMain->m_hWnd);
    CWinApp* pApp = AfxGetApp();
    const char* caption = pApp && pApp->m_pszAppName ? pApp->m_pszAppName : "Setup";
    return MessageBoxA(owner, text, caption, nType | MB_SETFOREGROUND);
#else
    std::fprintf(stderr, "%s\n", text.GetString());
    switch (nType & 0x0F) {
    case MB_OKCANCEL:
    case MB_RETRYCANCEL:
    case MB_YESNOCANCEL: return IDCANCEL;
    case MB_YESNO: return IDNO;
    case MB_ABORTRETRYIGNORE: return IDABORT;
    default: return IDOK;
    }
#endif
}
}  // namespace

int AfxMessageBox(const char* lpszText, UINT nType, UINT /*nIDHelp*/)
{
    AfxMessageBoxHandler handler;
    {
        std::lock_guard<std::mutex> lock(g_handlerLock);
        handler = g_handler;
    }
    CString text(lpszText);
    return handler ? handler(text, nType) : DefaultMessageBox(text, nType);
}

AfxMessageBoxHandler AfxSetMessageBoxHandler(AfxMessageBoxHandler handler)
{
    std::lock_guard<std::mutex> lock(g_handlerLock);
    AfxMessageBoxHandler old = std::move(g_handler);
    g_handler = std::move(handler);
    return old;
}
