// CSetupApp: the application object. It reads Setup.ini and runs the whole installation from
// InitInstance on the user-interface thread, then ends the program.
#pragma once

#include "AfxWinApp.h"
#include "SetupConfig.h"

class CBackdropWnd;

// Why a Setup.ini text was refused and on which line (1-based; 0 when no line applies).
struct SetupIniProblem {
    CString m_strReason;
    int m_nLine = 0;
};
class CWinThread;
class CProgressDlg;

class CSetupApp : public CWinApp {
public:
    CSetupApp() : CWinApp(nullptr) {}
    ~CSetupApp() override;

    BOOL InitInstance() override;

    // Reads Setup.ini from the current directory into m_config. Returns TRUE when the text starts
    // with the marker and its section held four key lines with a usable FreeSpace value. Silent:
    // it shows no message for any failure.
    BOOL ReadSetupIni();

    // The reading itself, on a decoded zero-terminated text: fills m_config and returns TRUE under
    // the same rules. When it returns FALSE and pProblem is given, pProblem says why. The text is
    // unchanged afterwards.
    BOOL ParseSetupText(char* pszText, SetupIniProblem* pProblem = nullptr);

    // If the line at pszLine starts with pszKey and a value can be taken (up to the closing double
    // quote of a quoted value, else up to the next CR), copies the value into strValue and returns
    // TRUE. The text is unchanged afterwards.
    BOOL ReadKeyValue(char* pszLine, const char* pszKey, CString& strValue);

    SetupConfig m_config;
    CBackdropWnd* m_pBackdropWnd = nullptr;
    CWinThread* m_pWorkerThread = nullptr;
    CProgressDlg* m_pProgressDlg = nullptr;
};
