#include "RecordAnchor.h"

#include "AfxDigest.h"
#include "InstallRecordFormat.h"

#ifdef _WIN32
#include "AfxHandle.h"
#include "AfxPath.h"
#include "AfxShell.h"
#endif

namespace {

CString WithoutClosingSeparator(const CString& strFolder)
{
    CString s = strFolder;
    while (s.GetLength() > 3 && s.Right(1) == "\\") s = s.Left(s.GetLength() - 1);
    return s;
}

}  // namespace

std::string RecordDigestText(const std::string& strLog, const std::string& strPrior)
{
    return CSha256::Of(strLog) + " " + CSha256::Of(strPrior);
}

std::string AnchorValueText(const std::string& strDigests, const CString& strFolder)
{
    return strDigests + " " + strFolder.Str();
}

bool ParseAnchorValue(const std::string& strValue, const CString& strInstallLocation, RecordAnchor& anchor)
{
    anchor = RecordAnchor();
    size_t first = strValue.find(' ');
    if (first == std::string::npos || first == 0) return false;
    size_t second = strValue.find(' ', first + 1);
    anchor.strDigest = strValue.substr(0, second);
    anchor.strLocation = second == std::string::npos ? strInstallLocation : CString(strValue.substr(second + 1).c_str());
    anchor.bFound = true;
    return true;
}

AnchorVerdict CheckRecordAnchor(const RecordAnchor& anchor, const CString& strFolder, const std::string& strLog,
                                const std::string& strPrior)
{
    if (!anchor.bFound || anchor.strDigest.empty()) return AnchorVerdict::noEntry;
    if (anchor.strLocation.IsEmpty() ||
        WithoutClosingSeparator(anchor.strLocation).CompareNoCase(WithoutClosingSeparator(strFolder)) != 0)
        return AnchorVerdict::otherFolder;
    if (anchor.strDigest != RecordDigestText(strLog, strPrior)) return AnchorVerdict::otherRecord;
    return AnchorVerdict::trusted;
}

const char* AnchorVerdictReason(AnchorVerdict verdict)
{
    switch (verdict) {
    case AnchorVerdict::trusted: return "";
    case AnchorVerdict::noEntry:
        return "no record of them is kept with a product's entry in the list of installed programs";
    case AnchorVerdict::otherFolder:
        return "the product's entry in the list of installed programs names another folder";
    case AnchorVerdict::otherRecord:
        return "they are not what the installation wrote (they do not match the record kept with the product's "
               "entry in the list of installed programs)";
    }
    return "";
}

#ifdef _WIN32
namespace {

// The anchor of the entry at strKey (below HKEY_LOCAL_MACHINE), normalised.
RecordAnchor ReadAnchorAt(const CString& strKey)
{
    RecordAnchor anchor;
    CString value, location;
    if (!AfxRegQueryString(HKEY_LOCAL_MACHINE, strKey, kInstallDigestValue, value, 4096)) return anchor;
    AfxRegQueryString(HKEY_LOCAL_MACHINE, strKey, "InstallLocation", location, 1024);
    if (!ParseAnchorValue(value.Str(), location, anchor)) return RecordAnchor();
    if (!anchor.strLocation.IsEmpty()) anchor.strLocation = AfxNormalisedPath(anchor.strLocation);
    return anchor;
}

bool UsableProductName(const CString& strProduct)
{
    return !strProduct.IsEmpty() && strProduct.Str().find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

}  // namespace

RecordAnchor ReadRecordAnchor(const CString& strProduct)
{
    // The same key as the registration writes; a name it would refuse has no entry.
    if (!UsableProductName(strProduct)) return RecordAnchor();
    return ReadAnchorAt(CString(kUninstallKeyPath) + strProduct);
}

bool WriteRecordAnchor(const CString& strProduct, const CString& strFolder, const std::string& strDigests,
                       bool* pMadeKey)
{
    if (!UsableProductName(strProduct)) return false;
    CRegKey key;
    DWORD dwDisposition = 0;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, CString(kUninstallKeyPath) + strProduct, 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, key.Receive(), &dwDisposition) != ERROR_SUCCESS)
        return false;
    if (pMadeKey) *pMadeKey = dwDisposition == REG_CREATED_NEW_KEY;
    std::string text = AnchorValueText(strDigests, strFolder);
    return RegSetValueExA(key.Get(), kInstallDigestValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          DWORD(text.size() + 1)) == ERROR_SUCCESS;
}

AnchorVerdict FindRecordAnchor(const CString& strFolder, const std::string& strLog, const std::string& strPrior,
                               CString* pProduct)
{
    AnchorVerdict best = AnchorVerdict::noEntry;
    CRegKey list;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, CString(kUninstallKeyPath).Left(int(sizeof kUninstallKeyPath) - 2), 0,
                      KEY_ENUMERATE_SUB_KEYS, list.Receive()) != ERROR_SUCCESS)
        return best;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD n = sizeof name;
        LONG rc = RegEnumKeyExA(list.Get(), i, name, &n, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_MORE_DATA) continue;
        if (rc != ERROR_SUCCESS) break;
        RecordAnchor anchor = ReadAnchorAt(CString(kUninstallKeyPath) + name);
        AnchorVerdict verdict = CheckRecordAnchor(anchor, strFolder, strLog, strPrior);
        if (verdict == AnchorVerdict::trusted) {
            *pProduct = name;
            return verdict;
        }
        if (verdict == AnchorVerdict::otherRecord) best = verdict;
    }
    return best;
}
#endif
