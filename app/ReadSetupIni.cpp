// Reading Setup.ini at start-up: the file in the current directory, read by the configuration.
#include "SetupApp.h"

#include "RegistryScript.h"
#include "SetupExtensions.h"

#include <memory>

CSetupApp::~CSetupApp() = default;

BOOL CSetupApp::ReadSetupIni()
{
    m_strMediumVersion = CString();
    m_scope = m_preferredScope = SetupScope::machine;
    m_nMachineWideLine = 0;
    m_strSetupText.clear();
    m_extensions = SetupExtensions();
    CSetupIniFile file;
    if (!file.Open(kSetupIniName, CFile::modeRead | CFile::shareDenyWrite)) return FALSE;

    std::unique_ptr<char[]> text;
    try {
        text.reset(ReadWholeSetupIni(file));
    } catch (CFileException* e) {
        e->Delete();
        return FALSE;
    }
    // Kept as read: the run applies this text's registry script, not a file changed meanwhile.
    m_strSetupText = text.get();
    if (!ParseSetupText(text.get())) return FALSE;
    // The version this medium installs, from the text as read (the parse leaves it unchanged).
    SetupExtensions& ext = m_extensions;
    if (ReadSetupExtensions(text.get(), ext)) {
        m_strMediumVersion = ext.strDisplayVersion;
        m_scope = ext.scope;
        m_preferredScope = ext.preferred;
    } else {
        ext = SetupExtensions();
    }
    if (const char* pLine = RegistryScript::FindMachineWideLine(text.get())) {
        m_nMachineWideLine = 1;
        for (const char* p = text.get(); p < pLine; ++p)
            if (p[0] == '\r' && p[1] == '\n') ++m_nMachineWideLine;
    }
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
