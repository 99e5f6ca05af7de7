// Reading Setup.ini at start-up: the file in the current directory, read by the configuration.
#include "SetupApp.h"

#include "RegistryScript.h"
#include "SetupExtensions.h"

#include <memory>

CSetupApp::~CSetupApp() = default;

BOOL CSetupApp::ReadSetupIni()
{
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
    // The CodePage line is ASCII: found in the text as decoded, before the text becomes the UTF-8
    // that the program works in. A medium that names another code page, or whose UTF-8 is not
    // well-formed, is refused as a broken one.
    SetupExtensions& ext = m_extensions;
    std::string converted = text.get();
    if (ReadSetupExtensions(text.get(), ext) && !SetupTextToUtf8(converted, ext.nCodePage)) {
        ext = SetupExtensions();
        return FALSE;
    }
    // Kept as read: the run applies this text's registry script, not a file changed meanwhile.
    m_strSetupText = converted;
    if (!ParseSetupText(&converted[0])) return FALSE;
    // The version, scope and the rest of this medium, from the text as read (the parse leaves it
    // unchanged).
    if (!ReadSetupExtensions(converted.c_str(), ext)) ext = SetupExtensions();
    if (const char* pLine = RegistryScript::FindMachineWideLine(converted.c_str())) {
        m_nMachineWideLine = 1;
        for (const char* p = converted.c_str(); p < pLine; ++p)
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
