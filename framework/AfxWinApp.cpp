#include "AfxWinApp.h"

#include <cstring>

#ifdef _WIN32
#include "AfxCommCtrl.h"
#include "AfxMessageBox.h"
#include "AfxPath.h"
#include "AfxSystemDll.h"
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

BOOL CWinApp::Enable3dControlsStatic()
{
    const AfxCommonControls* cc = AfxGetCommonControls();
    if (!cc) {
        AfxMessageBox(AfxCommonControlsMissing, MB_ICONHAND);
        return FALSE;
    }
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES};
    return cc->InitCommonControlsEx(&icc);
}

#else
// The host has no windows: the application object only carries the flow's logic for tests.
int CWinApp::Run() { return ExitInstance(); }
BOOL CWinApp::Enable3dControlsStatic() { return TRUE; }
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
    // Before anything else can load a DLL: from here on, DLLs come from the system folder only.
    AfxRestrictDllSearch();
    // A drive that is not ready (an empty floppy or CD drive) fails its calls quietly instead of
    // asking the user to insert a disk: the installer probes drives and reports failures itself.
    SetErrorMode(SetErrorMode(SEM_FAILCRITICALERRORS) | SEM_FAILCRITICALERRORS);
    CWinApp* pApp = AfxGetApp();
    if (!pApp) return -1;
    pApp->m_hInstance = hInstance;
    if (lpCmdLine) pApp->m_lpCmdLine = lpCmdLine;
    if (!pApp->m_pszAppName) {
        // The executable's base name without its extension, as the title of message boxes.
        lstrcpynA(pApp->m_szAppName, AfxNameOf(AfxGetProgramPath()), MAX_PATH);
        if (char* dot = std::strrchr(pApp->m_szAppName, '.')) *dot = '\0';
        pApp->m_pszAppName = pApp->m_szAppName;
    }
    if (!pApp->InitInstance()) return pApp->ExitInstance();
    return pApp->Run();
}
#endif
