// How the uninstaller speaks (UninstallVoice.h): its /LOG= file, every message through Tell, which
// also writes it to the log, and the product's name in every caption.
#include "UninstallVoice.h"

#include "AfxMessageBox.h"
#include "AfxText.h"
#include "AfxWinApp.h"

#include <string>
#include <vector>

bool CUninstallVoice::OpenLog()
{
    if (m_options.strLogFile.IsEmpty()) return true;
    CFileException error;
    return m_log.Open(m_options.strLogFile, &error) != FALSE;
}

int CUninstallVoice::Refuse(RunEnd cause, const CString& strText)
{
    if (!strText.IsEmpty()) Tell(strText, MB_ICONHAND);
    return RunEndExitCode(cause);
}

int CUninstallVoice::Tell(const CString& strText, UINT nType)
{
    if ((nType & 0x0F) != MB_YESNO) m_log.WriteLine(strText);
    if (m_options.bSilent) return (nType & 0x0F) == MB_YESNO ? IDYES : IDOK;
    return AfxMessageBox(strText, nType);
}

void CUninstallVoice::Show(const CString& strText, UINT nType)
{
    if (!m_options.bSilent) AfxMessageBox(strText, nType);
}

void CUninstallVoice::SetProduct(const CString& strName)
{
    m_strProduct = strName;
    m_strCaption = AfxTextFormat("uninstall.caption", m_strProduct.GetString());
    if (CWinApp* pApp = AfxGetApp()) pApp->m_pszAppName = m_strCaption;
}

void CUninstallVoice::SpeakLanguage()
{
    if (m_options.bSilent) return;
    AfxStartLanguage(m_options.strLanguage, {});
}

void CUninstallVoice::SpeakRecordedLanguage(const CString& strTag)
{
    if (m_options.bSilent) return;
    std::vector<std::string> recorded;
    if (!strTag.IsEmpty()) recorded.push_back(strTag.Str());
    AfxStartLanguage(m_options.strLanguage, recorded);
    SetProduct(m_strProduct);
}
