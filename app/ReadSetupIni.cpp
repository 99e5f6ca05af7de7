// Reading Setup.ini at start-up: the file in the current directory, read by the configuration.
#include "SetupApp.h"

#include "SetupExtensions.h"

#include <memory>

CSetupApp::~CSetupApp() = default;

BOOL CSetupApp::ReadSetupIni()
{
    m_strMediumVersion = CString();
    CSetupIniFile file;
    if (!file.Open(kSetupIniName, CFile::modeRead | CFile::shareDenyWrite)) return FALSE;

    std::unique_ptr<char[]> text;
    try {
        text.reset(ReadWholeSetupIni(file));
    } catch (CFileException* e) {
        e->Delete();
        return FALSE;
    }
    if (!ParseSetupText(text.get())) return FALSE;
    // The version this medium installs, from the text as read (the parse leaves it unchanged).
    SetupExtensions ext;
    if (ReadSetupExtensions(text.get(), ext)) m_strMediumVersion = ext.strDisplayVersion;
    return TRUE;
}

BOOL CSetupApp::ParseSetupText(char* pszText, SetupIniProblem* pProblem)
{
    return ::ParseSetupText(pszText, m_config, pProblem);
}

BOOL CSetupApp::ReadKeyValue(char* pszLine, const char* pszKey, CString& strValue)
{
    return ::ReadKeyValue(pszLine, pszKey, strValue);
}
