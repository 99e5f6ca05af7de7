// The product's entry as a run reads it (see InstalledEntry.h): the rules for its texts
// (portable), and the reading (Win32).
#include "InstalledEntry.h"

#include "AfxCodePage.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

// The parts of a dotted version without their leading zeros ("01.2" -> "1", "2"); false when the
// text is no such version. A part keeps its digits as text, so no number is too long to compare.
bool DottedParts(const std::string& strText, std::vector<std::string>& parts)
{
    const char* const kBlanks = " \t";
    size_t first = strText.find_first_not_of(kBlanks);
    if (first == std::string::npos) return false;
    std::string text = strText.substr(first, strText.find_last_not_of(kBlanks) - first + 1);
    size_t start = 0;
    for (;;) {
        size_t end = text.find('.', start);
        if (end == std::string::npos) end = text.size();
        if (end == start) return false;
        for (size_t k = start; k < end; ++k)
            if (text[k] < '0' || text[k] > '9') return false;
        size_t digit = start;
        while (digit + 1 < end && text[digit] == '0') ++digit;
        parts.push_back(text.substr(digit, end - digit));
        if (end == text.size()) return true;
        start = end + 1;
    }
}

// Two parts without leading zeros: the longer one is the larger number.
int CompareParts(const std::string& a, const std::string& b)
{
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    int order = a.compare(b);
    return order < 0 ? -1 : order > 0 ? 1 : 0;
}

}  // namespace

BOOL CompareDottedVersions(const CString& strMedium, const CString& strInstalled, int& nOrder)
{
    std::vector<std::string> medium, installed;
    if (!DottedParts(strMedium.Str(), medium) || !DottedParts(strInstalled.Str(), installed)) return FALSE;
    // A missing part counts as 0: "1.0" and "1.0.0" are one version.
    const std::string zero = "0";
    for (size_t k = 0; k < medium.size() || k < installed.size(); ++k) {
        int order = CompareParts(k < medium.size() ? medium[k] : zero, k < installed.size() ? installed[k] : zero);
        if (order != 0) {
            nOrder = order;
            return TRUE;
        }
    }
    nOrder = 0;
    return TRUE;
}

bool IsProposableLocation(const CString& strPath)
{
    const std::string& s = strPath.Str();
    const size_t kMaxPath = 260;
    // Counted in UTF-16 characters, as the system counts a path: a character outside the BMP is two.
    size_t nWide = 0;
    uint32_t cp = 0;
    for (size_t i = 0; i < s.size();) {
        if (!AfxNextCodePoint(s, i, cp)) cp = uint8_t(s[i++]);  // a byte of another code page: one character
        nWide += cp > 0xFFFF ? 2 : 1;
    }
    if (s.size() < 3 || nWide >= kMaxPath) return false;
    char drive = char(s[0] | 0x20);
    if (drive < 'a' || drive > 'z' || s[1] != ':' || s[2] != '\\') return false;
    size_t start = 3;
    while (start < s.size()) {
        size_t end = s.find('\\', start);
        if (end == std::string::npos) end = s.size();
        std::string part = s.substr(start, end - start);
        // The drive root alone is as good as any folder; an empty component is not.
        if (part.empty() || part == "." || part == "..") return false;
        for (unsigned char ch : part)
            if (ch < 32 || std::strchr("<>:\"/|?*", ch)) return false;
        start = end + 1;
        if (end + 1 == s.size()) return false;  // a trailing backslash
    }
    return true;
}

#ifdef _WIN32

#include "AfxRegistry.h"
#include "InstallRecordFormat.h"

bool CInstalledEntry::Read(const char* pszValue, CString& strValue) const
{
    // The same key as the registration writes; a name it would refuse has no entry to read.
    return IsUsableProductName(m_strProduct) &&
           AfxRegQueryString(RegistryRootKey(EntryRoot(m_bForOneUser)), EntryKeyPath(m_strProduct), pszValue, strValue,
                             1024);
}

CString CInstalledEntry::ProposedLocation() const
{
    CString location;
    return Read(kEntryInstallLocation, location) && IsProposableLocation(location) ? location : CString();
}

bool CInstalledEntry::IsNewerThan(const CString& strMediumVersion, CString& strInstalled) const
{
    CString installed;
    int order = 0;
    if (strMediumVersion.IsEmpty() || !Read(kEntryDisplayVersion, installed) ||
        !CompareDottedVersions(strMediumVersion, installed, order) || order >= 0)
        return false;
    strInstalled = installed;
    return true;
}

#endif
