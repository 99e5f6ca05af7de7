// A medium that would replace an installed product with a lower version: the comparison of the
// two DisplayVersion texts (portable), and where the flow finds the installed one (Win32).
#include "SetupApp.h"

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

#ifdef _WIN32

#include "AfxRegistry.h"
#include "AfxText.h"
#include "InstallRecordFormat.h"

BOOL CSetupApp::FindNewerInstalled(CString& strInstalled) const
{
    const CString& product = m_config.m_strProductName;
    // The entry the registration writes; a name it would refuse has none. Read in this program's
    // own view of the registry, the one its registration writes to.
    if (m_strMediumVersion.IsEmpty() || !IsUsableProductName(product)) return FALSE;
    CString installed;
    if (!AfxRegQueryString(RegistryRootKey(EntryRoot(m_bForOneUser)), EntryKeyPath(product), kEntryDisplayVersion,
                           installed, 1024))
        return FALSE;
    int order = 0;
    if (!CompareDottedVersions(m_strMediumVersion, installed, order) || order >= 0) return FALSE;
    strInstalled = installed;
    return TRUE;
}

CString CSetupApp::DowngradeQuestion(const CString& strInstalled) const
{
    return AfxTextFormat("downgrade.question", strInstalled.GetString(), m_config.m_strProductName.GetString(),
                         m_strMediumVersion.GetString());
}

#endif
