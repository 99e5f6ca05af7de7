// How the uninstaller speaks (UninstallApp.h): its /LOG= file, every message through Tell, which
// also writes it to the log, and the product's name in every caption. The flow and its rooms all
// speak through these.
#include "UninstallApp.h"

#include "AfxMessageBox.h"

// Creates the /LOG= file (never through a link); true without one.
bool CUninstallApp::OpenLog()
{
    if (m_options.strLogFile.IsEmpty()) return true;
    CFileException error;
    return m_log.Open(m_options.strLogFile, &error) != FALSE;
}

// Every message but the one question goes into the log as well.
int CUninstallApp::Tell(const CString& strText, UINT nType)
{
    if ((nType & 0x0F) != MB_YESNO) m_log.WriteLine(strText);
    if (m_options.bSilent) return (nType & 0x0F) == MB_YESNO ? IDYES : IDOK;
    return AfxMessageBox(strText, nType);
}

// Every message box and the dialog carry the product's name in their caption.
void CUninstallApp::SetProduct(const CString& strName)
{
    m_strProduct = strName;
    m_strCaption = m_strProduct + " - Uninstall";
    m_pszAppName = m_strCaption;
}
