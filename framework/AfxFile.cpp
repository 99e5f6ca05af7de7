// The parts of CFile that are the same on both backends.
#include "AfxFile.h"

CFile::~CFile() { Abort(); }

CString CFile::GetFileName() const
{
    int cut = -1;
    for (int i = 0; i < m_strFileName.GetLength(); ++i) {
        char ch = m_strFileName[i];
        if (ch == '\\' || ch == '/' || ch == ':') cut = i;
    }
    return m_strFileName.Mid(cut + 1);
}

std::string CFile::ReadAll()
{
    std::string data(size_t(GetLength()), '\0');
    data.resize(data.empty() ? 0 : Read(&data[0], UINT(data.size())));
    return data;
}
