// CString: the framework's byte string. Single-byte characters, value semantics, never null:
// an empty string converts to "". Indexes are zero-based ints; Find returns -1 when nothing matches.
#pragma once

#include "AfxPlatform.h"

#include <cstdarg>
#include <string>

class CString {
public:
    CString() = default;
    CString(const char* psz) : m_str(psz ? psz : "") {}
    CString(const char* pch, int nLength) : m_str(pch, pch + (nLength > 0 ? nLength : 0)) {}
    CString(char ch, int nRepeat = 1) : m_str(nRepeat > 0 ? size_t(nRepeat) : 0, ch) {}
    CString(const std::string& s) : m_str(s) {}

    int GetLength() const { return int(m_str.size()); }
    bool IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }

    operator const char*() const { return m_str.c_str(); }
    const char* GetString() const { return m_str.c_str(); }
    const std::string& Str() const { return m_str; }

    char GetAt(int nIndex) const { return m_str.at(size_t(nIndex)); }
    char operator[](int nIndex) const { return GetAt(nIndex); }
    void SetAt(int nIndex, char ch) { m_str.at(size_t(nIndex)) = ch; }

    CString& operator=(const char* psz) { m_str = psz ? psz : ""; return *this; }
    CString& operator=(char ch) { m_str.assign(1, ch); return *this; }
    CString& operator+=(const CString& s) { m_str += s.m_str; return *this; }
    CString& operator+=(const char* psz) { if (psz) m_str += psz; return *this; }
    CString& operator+=(char ch) { m_str += ch; return *this; }

    friend CString operator+(const CString& a, const CString& b) { return CString(a.m_str + b.m_str); }
    friend CString operator+(const CString& a, const char* b) { return CString(a.m_str + (b ? b : "")); }
    friend CString operator+(const char* a, const CString& b) { return CString((a ? a : "") + b.m_str); }
    friend CString operator+(const CString& a, char b) { return CString(a.m_str + b); }

    friend bool operator==(const CString& a, const CString& b) { return a.m_str == b.m_str; }
    friend bool operator==(const CString& a, const char* b) { return a.m_str == (b ? b : ""); }
    friend bool operator!=(const CString& a, const CString& b) { return !(a == b); }
    friend bool operator!=(const CString& a, const char* b) { return !(a == b); }
    friend bool operator<(const CString& a, const CString& b) { return a.m_str < b.m_str; }

    // Ordinal comparison: <0, 0 or >0. CompareNoCase folds ASCII letters only.
    int Compare(const char* psz) const;
    int CompareNoCase(const char* psz) const;

    CString Left(int nCount) const;
    CString Right(int nCount) const;
    CString Mid(int nFirst) const;
    CString Mid(int nFirst, int nCount) const;

    int Find(char ch, int nStart = 0) const;
    int Find(const char* pszSub, int nStart = 0) const;
    int ReverseFind(char ch) const;

    void MakeUpper();
    void MakeLower();
    void TrimLeft();
    void TrimRight();

    // printf-style formatting into this string; the result may be of any length.
    void Format(const char* pszFormat, ...)
#ifdef __GNUC__
        __attribute__((format(printf, 2, 3)))
#endif
        ;
    void FormatV(const char* pszFormat, va_list args);

    // Direct access for APIs that fill a char array: GetBuffer(n) gives room for n characters and a
    // terminating zero; ReleaseBuffer(-1) takes the length up to the first zero.
    char* GetBuffer(int nMinBufLength);
    void ReleaseBuffer(int nNewLength = -1);

private:
    std::string m_str;
};

// ASCII case folding, alike in every code page: only the letters A to Z and a to z change case.
inline char AfxLowerAscii(char ch) { return (ch >= 'A' && ch <= 'Z') ? char(ch - 'A' + 'a') : ch; }
inline char AfxUpperAscii(char ch) { return (ch >= 'a' && ch <= 'z') ? char(ch - 'a' + 'A') : ch; }
// Whether the nA bytes at a and the nB bytes at b are the same text but for ASCII case.
bool AfxEqualNoCase(const char* a, size_t nA, const char* b, size_t nB);
// Whether psz starts with pszPrefix but for ASCII case (both non-null).
bool AfxStartsWithNoCase(const char* psz, const char* pszPrefix);
// The same from offset at of s; false when at lies past its end.
inline bool AfxStartsWithNoCase(const std::string& s, size_t at, const char* pszPrefix)
{
    return at <= s.size() && AfxStartsWithNoCase(s.c_str() + at, pszPrefix);
}
// s with its ASCII letters in lower case.
std::string AfxLowerAscii(std::string s);

// printf-style formatting into buf (at most size bytes, always terminated when size > 0); returns
// what snprintf returns. On Win32 this is the system C library's formatting: the C99 one of the
// C++ runtime would add some 20 KB of conversion code to the programs for the few formats they use.
int AfxFormatText(char* buf, size_t size, const char* pszFormat, ...)
#ifdef __GNUC__
    __attribute__((format(printf, 3, 4)))
#endif
    ;
