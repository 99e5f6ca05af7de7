#include "SilentLog.h"

BOOL CSilentLog::Open(const CString& strPath, CFileException* pError)
{
    return m_file.Open(strPath, CFile::modeCreate | CFile::modeWrite | CFile::shareDenyWrite | CFile::typeBinary |
                                    CFile::osNoLinks,
                       pError);
}

void CSilentLog::WriteLine(const CString& strText)
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

CString CSilentLog::OneLine(const CString& strText)
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

int CSilentLog::Answer(UINT nType)
{
    switch (nType & 0x0F) {
    case MB_RETRYCANCEL: return IDCANCEL;
    case MB_ABORTRETRYIGNORE: return IDABORT;
    case MB_YESNO:
    case MB_YESNOCANCEL: return IDYES;
    default: return IDOK;
    }
}

AfxMessageBoxHandler CSilentLog::Handler()
{
    return [this](const CString& strText, UINT nType) {
        WriteLine(strText);
        return Answer(nType);
    };
}
