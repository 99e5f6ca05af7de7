#include "AfxString.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {
int Clamp(int n, int lo, int hi) { return std::max(lo, std::min(n, hi)); }
bool IsBlank(char ch) { return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n' || ch == '\v' || ch == '\f'; }
}  // namespace

int CString::Compare(const char* psz) const { return std::strcmp(m_str.c_str(), psz ? psz : ""); }

int CString::CompareNoCase(const char* psz) const
{
    const unsigned char* a = reinterpret_cast<const unsigned char*>(m_str.c_str());
    const unsigned char* b = reinterpret_cast<const unsigned char*>(psz ? psz : "");
    for (;; ++a, ++b) {
        int ca = static_cast<unsigned char>(AfxLowerAscii(char(*a)));
        int cb = static_cast<unsigned char>(AfxLowerAscii(char(*b)));
        if (ca != cb || ca == 0) return ca - cb;
    }
}

CString CString::Left(int nCount) const { return CString(m_str.substr(0, size_t(Clamp(nCount, 0, GetLength())))); }

CString CString::Right(int nCount) const
{
    int n = Clamp(nCount, 0, GetLength());
    return CString(m_str.substr(size_t(GetLength() - n)));
}

CString CString::Mid(int nFirst) const { return Mid(nFirst, GetLength()); }

CString CString::Mid(int nFirst, int nCount) const
{
    int first = Clamp(nFirst, 0, GetLength());
    int count = Clamp(nCount, 0, GetLength() - first);
    return CString(m_str.substr(size_t(first), size_t(count)));
}

int CString::Find(char ch, int nStart) const
{
    if (nStart < 0 || nStart >= GetLength()) return -1;
    size_t pos = m_str.find(ch, size_t(nStart));
    return pos == std::string::npos ? -1 : int(pos);
}

int CString::Find(const char* pszSub, int nStart) const
{
    if (nStart < 0 || nStart > GetLength()) return -1;
    size_t pos = m_str.find(pszSub ? pszSub : "", size_t(nStart));
    return pos == std::string::npos ? -1 : int(pos);
}

int CString::ReverseFind(char ch) const
{
    size_t pos = m_str.rfind(ch);
    return pos == std::string::npos ? -1 : int(pos);
}

void CString::MakeUpper()
{
    for (char& ch : m_str) ch = AfxUpperAscii(ch);
}

void CString::MakeLower()
{
    for (char& ch : m_str) ch = AfxLowerAscii(ch);
}

bool AfxEqualNoCase(const char* a, size_t nA, const char* b, size_t nB)
{
    if (nA != nB) return false;
    for (size_t i = 0; i < nA; ++i)
        if (AfxLowerAscii(a[i]) != AfxLowerAscii(b[i])) return false;
    return true;
}

std::string AfxLowerAscii(std::string s)
{
    for (char& ch : s) ch = AfxLowerAscii(ch);
    return s;
}

bool AfxStartsWithNoCase(const char* psz, const char* pszPrefix)
{
    for (; *pszPrefix; ++psz, ++pszPrefix)
        if (AfxLowerAscii(*psz) != AfxLowerAscii(*pszPrefix)) return false;
    return true;
}

void CString::TrimLeft()
{
    size_t n = 0;
    while (n < m_str.size() && IsBlank(m_str[n])) ++n;
    m_str.erase(0, n);
}

void CString::TrimRight()
{
    while (!m_str.empty() && IsBlank(m_str.back())) m_str.pop_back();
}

void CString::Format(const char* pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    FormatV(pszFormat, args);
    va_end(args);
}

namespace {

// The length that pszFormat gives, without the terminator; negative on an encoding error.
int FormattedLength(const char* pszFormat, va_list args)
{
#ifdef _WIN32
    return _vscprintf(pszFormat, args);
#else
    return std::vsnprintf(nullptr, 0, pszFormat, args);
#endif
}

void FormatInto(char* buf, size_t size, const char* pszFormat, va_list args)
{
#ifdef _WIN32
    // The system library's formatting; it leaves a full buffer unterminated.
    _vsnprintf(buf, size, pszFormat, args);
    if (size > 0) buf[size - 1] = 0;
#else
    std::vsnprintf(buf, size, pszFormat, args);
#endif
}

}  // namespace

void CString::FormatV(const char* pszFormat, va_list args)
{
    va_list copy;
    va_copy(copy, args);
    int n = FormattedLength(pszFormat, copy);
    va_end(copy);
    if (n < 0) {
        m_str.clear();
        return;
    }
    std::vector<char> buf(size_t(n) + 1);
    FormatInto(buf.data(), buf.size(), pszFormat, args);
    m_str.assign(buf.data(), size_t(n));
}

int AfxFormatText(char* buf, size_t size, const char* pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    va_list copy;
    va_copy(copy, args);
    int n = FormattedLength(pszFormat, copy);
    va_end(copy);
    FormatInto(buf, size, pszFormat, args);
    va_end(args);
    return n;
}

char* CString::GetBuffer(int nMinBufLength)
{
    if (nMinBufLength > GetLength()) m_str.resize(size_t(nMinBufLength));
    return &m_str[0];
}

void CString::ReleaseBuffer(int nNewLength)
{
    if (nNewLength < 0) nNewLength = int(std::strlen(m_str.c_str()));
    m_str.resize(size_t(Clamp(nNewLength, 0, GetLength())));
}
