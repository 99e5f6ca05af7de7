#include "AfxLogFile.h"

#ifdef _WIN32
#include "AfxHandle.h"
#include "AfxNoLinks.h"
#endif

#include <string>

BOOL CLogFile::Open(const CString& strPath, CFileException* pError)
{
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_file.IsOpen()) m_file.Close();
#ifdef _WIN32
    // The folder that will hold the log is held open, without delete sharing, while its path is
    // looked at and the file is made: it cannot be renamed and replaced by a link meanwhile, and
    // Windows renames no folder above it while it is open either. A link at the log's own name is
    // refused by the open itself.
    int cut = strPath.ReverseFind('\\');
    if (strPath.ReverseFind('/') > cut) cut = strPath.ReverseFind('/');
    CHandle folder;
    if (cut > 0 && strPath[cut - 1] != ':')
        folder = CHandle(CreateFileA(strPath.Left(cut), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (AfxLinkInPath(strPath)) {
        if (pError) {
            pError->m_cause = CFileException::OsErrorToException(LONG(kErrorLinkOnPath));
            pError->m_lOsError = LONG(kErrorLinkOnPath);
            pError->m_strFileName = strPath;
        }
        return FALSE;
    }
#endif
    return m_file.Open(strPath, CFile::modeCreate | CFile::modeWrite | CFile::shareDenyWrite | CFile::typeBinary |
                                    CFile::osNoLinks,
                       pError);
}

void CLogFile::Close()
{
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_file.IsOpen()) m_file.Close();
}

void CLogFile::WriteLine(const CString& strText)
{
    std::lock_guard<std::mutex> lock(m_lock);
    if (!m_file.IsOpen()) return;
    CString line = OneLine(strText) + "\r\n";
    try {
        m_file.Write(line.GetString(), UINT(line.GetLength()));
    } catch (CFileException* e) {
        e->Delete();
    }
}

CString CLogFile::OneLine(const CString& strText)
{
    std::string line;
    bool inBreak = false;
    for (const char* p = strText; *p; ++p) {
        if (static_cast<unsigned char>(*p) < 32) {
            if (!inBreak) line += ' ';
            inBreak = true;
            continue;
        }
        inBreak = false;
        line += *p;
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    return line.c_str();
}
