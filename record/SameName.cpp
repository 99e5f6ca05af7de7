// When two names the installation keeps are the same one.
#include "SameName.h"

#include "AfxNameCase.h"

namespace {

// path folded, with every run of separators as one backslash and none at either end.
std::string FoldedComponents(const std::string& strPath, bool bSlashSeparates)
{
    std::string out;
    for (char ch : strPath) {
        if (bSlashSeparates && ch == '/') ch = '\\';
        if (ch == '\\' && (out.empty() || out.back() == '\\')) continue;
        out += ch;
    }
    if (!out.empty() && out.back() == '\\') out.pop_back();
    return AfxFoldedName(out);
}

}  // namespace

std::string FoldedKeyPath(const std::string& strKey) { return FoldedComponents(strKey, false); }

CString TrimmedKeyPath(const CString& strKey)
{
    int first = 0, last = strKey.GetLength();
    while (first < last && strKey[first] == '\\') ++first;
    while (last > first && strKey[last - 1] == '\\') --last;
    return strKey.Mid(first, last - first);
}

bool SameKeyPath(const std::string& a, const std::string& b) { return FoldedKeyPath(a) == FoldedKeyPath(b); }

std::string FoldedValueName(const std::string& strName) { return AfxFoldedName(strName); }

bool SameValueName(const std::string& a, const std::string& b) { return AfxSameName(a, b); }

std::string FoldedEntryPath(const std::string& strPath) { return FoldedComponents(strPath, true); }

bool SameEntryPath(const std::string& a, const std::string& b) { return FoldedEntryPath(a) == FoldedEntryPath(b); }

bool SameFolder(const CString& a, const CString& b) { return AfxSamePath(a.Str(), b.Str()); }

bool SameFullPath(const CString& a, const CString& b) { return AfxSamePath(a.Str(), b.Str()); }

bool IsInFolder(const CString& strPath, const CString& strFolder) { return AfxPathInFolder(strPath.Str(), strFolder.Str()); }
