#include "RegistryScript.h"

#include "SetupConfig.h"

RegistryScript::RegistryScript(const char* pszFileName, const CString& strInstallPath, const CString& strProductName)
    : m_strProductName(strProductName), m_strInstallPath(strInstallPath)
{
    CSetupIniFile file;
    file.Open(pszFileName, CFile::modeRead | CFile::shareCompat);
    m_pText = ReadWholeSetupIni(file);
}

RegistryScript::~RegistryScript() { delete[] m_pText; }
