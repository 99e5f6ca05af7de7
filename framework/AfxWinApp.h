// CWinApp: the one application object. The derived object is a static global; the framework's
// WinMain finds it, calls InitInstance, and runs the message loop only when InitInstance returns TRUE.
#pragma once

#include "AfxPlatform.h"

#ifdef _WIN32
#include "AfxWnd.h"
#else
class CWnd;
typedef void* HINSTANCE;
#endif

class CWinApp {
public:
    // A null name lets the framework take the application's name from the executable's file name.
    explicit CWinApp(const char* pszAppName = nullptr);
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;
    virtual ~CWinApp();

    virtual BOOL InitInstance() { return TRUE; }
    virtual int Run();
    virtual int ExitInstance() { return 0; }
    void OnHelp() {}

    // Switches on the system's three-dimensional look of dialog controls (the common controls).
    void Enable3dControlsStatic();

    const char* m_pszAppName = nullptr;
    HINSTANCE m_hInstance = nullptr;
    // The command line after the program's name, as WinMain received it ("" when there is none).
    const char* m_lpCmdLine = "";
    CWnd* m_pMainWnd = nullptr;

private:
    char m_szAppName[260] = {};
    friend int AfxWinMain(HINSTANCE, HINSTANCE, LPSTR, int);
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
HINSTANCE AfxGetInstanceHandle();
#ifdef _WIN32
int AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow);
#endif
