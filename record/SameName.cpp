// When two names the installation keeps are the same one.
#include "SameName.h"

namespace {

bool SameText(const std::string& a, const std::string& b) { return AfxEqualNoCase(a.data(), a.size(), b.data(), b.size()); }

CString WithoutClosingSeparator(const CString& strFolder)
{
    CString s = strFolder;
    while (s.GetLength() > 3 && s.Right(1) == "\\") s = s.Left(s.GetLength() - 1);
    return s;
}

}  // namespace

std::string FoldedKeyPath(const std::string& strKey)
{
    std::string out;
    for (char ch : strKey) {
        if (ch == '\\' && (out.empty() || out.back() == '\\')) continue;
        out += AfxLowerAscii(ch);
    }
    if (!out.empty() && out.back() == '\\') out.pop_back();
    return out;
}

CString TrimmedKeyPath(const CString& strKey)
{
    int first = 0, last = strKey.GetLength();
    while (first < last && strKey[first] == '\\') ++first;
    while (last > first && strKey[last - 1] == '\\') --last;
    return strKey.Mid(first, last - first);
}

bool SameKeyPath(const std::string& a, const std::string& b) { return FoldedKeyPath(a) == FoldedKeyPath(b); }

bool SameValueName(const std::string& a, const std::string& b) { return SameText(a, b); }

bool SameEntryPath(const std::string& a, const std::string& b) { return SameText(a, b); }

bool SameFolder(const CString& a, const CString& b)
{
    return WithoutClosingSeparator(a).CompareNoCase(WithoutClosingSeparator(b)) == 0;
}
