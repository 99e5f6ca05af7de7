// How the uninstaller speaks (UninstallApp.h): its /LOG= file, every message through Tell, which
// also writes it to the log, and the product's name in every caption. The flow and its rooms all
// speak through these.
#include "UninstallApp.h"

#include "AfxMessageBox.h"
#include "AfxRegistry.h"
#include "AfxText.h"
#include "ProductEntry.h"

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
    m_strCaption = AfxTextFormat("uninstall.caption", m_strProduct.GetString());
    m_pszAppName = m_strCaption;
}

void CUninstallApp::SpeakLanguage(bool bRecorded)
{
    if (m_options.bSilent) return;
    std::vector<std::string> recorded;
    CString tag;
    if (bRecorded && AfxRegQueryString(RegistryRootKey(m_nEntryRoot), m_strEntryKey, kEntryLanguage, tag, 64) &&
        !tag.IsEmpty())
        recorded.push_back(tag.Str());
    AfxStartLanguage(m_options.strLanguage, recorded);
    // The captions said so far follow.
    if (bRecorded) SetProduct(m_strProduct);
}
