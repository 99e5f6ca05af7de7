#include "AfxWinApp.h"

#include <cstring>

#ifdef _WIN32
#include <commctrl.h>
#endif

namespace {
CWinApp* g_pApp = nullptr;
}

CWinApp::CWinApp(const char* pszAppName) : m_pszAppName(pszAppName) { g_pApp = this; }

CWinApp::~CWinApp()
{
    if (g_pApp == this) g_pApp = nullptr;
}

#ifdef _WIN32
int CWinApp::Run()
{
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return ExitInstance();
}

void CWinApp::Enable3dControlsStatic()
{
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
}

#else
// The host has no windows: the application object only carries the flow's logic for tests.
int CWinApp::Run() { return ExitInstance(); }
void CWinApp::Enable3dControlsStatic() {}
HINSTANCE AfxGetInstanceHandle() { return nullptr; }
#endif

CWinApp* AfxGetApp() { return g_pApp; }
CWnd* AfxGetMainWnd() { return g_pApp ? g_pApp->m_pMainWnd : nullptr; }

#ifdef _WIN32
// The program's own module until WinMain has told the application object (and for programs
// whose main() builds an application object itself).
HINSTANCE AfxGetInstanceHandle()
{
    return g_pApp && g_pApp->m_hInstance ? g_pApp->m_hInstance : GetModuleHandleA(nullptr);
}

int AfxWinMain(HINSTANCE hInstance, HINSTANCE, LPSTR lpCmdLine, int)
{
    // A drive that is not ready (an empty floppy or CD drive) fails its calls quietly instead of
    // asking the user to insert a disk: the installer probes drives and reports failures itself.
    SetErrorMode(SetErrorMode(SEM_FAILCRITICALERRORS) | SEM_FAILCRITICALERRORS);
    CWinApp* pApp = AfxGetApp();
    if (!pApp) return -1;
    pApp->m_hInstance = hInstance;
    if (lpCmdLine) pApp->m_lpCmdLine = lpCmdLine;
    if (!pApp->m_pszAppName) {
        // The executable's base name without its extension, as the title of message boxes.
        char path[MAX_PATH] = {};
        GetModuleFileNameA(hInstance, path, MAX_PATH);
        const char* base = path;
        for (const char* p = path; *p; ++p)
            if (*p == '\\' || *p == '/' || *p == ':') base = p + 1;
        lstrcpynA(pApp->m_szAppName, base, MAX_PATH);
        if (char* dot = std::strrchr(pApp->m_szAppName, '.')) *dot = '\0';
        pApp->m_pszAppName = pApp->m_szAppName;
    }
    if (!pApp->InitInstance()) return pApp->ExitInstance();
    return pApp->Run();
}
#endif
