#include "RecordAnchor.h"

#include "AfxDigest.h"
#include "CarriedRecord.h"
#include "InstallRecordFormat.h"

#include <cstdlib>

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

// Whether text, or (for "DIGEST/LENGTH") its first LENGTH bytes, has the digest in strField; *pLength
// is the number of bytes that count.
bool MatchesField(const std::string& strField, const std::string& strText, size_t* pLength)
{
    size_t slash = strField.find('/');
    if (slash == std::string::npos) {
        *pLength = strText.size();
        return strField == CSha256::Of(strText);
    }
    std::string length = strField.substr(slash + 1);
    if (length.empty() || length.size() > 12 || length.find_first_not_of("0123456789") != std::string::npos)
        return false;
    size_t n = size_t(std::strtoull(length.c_str(), nullptr, 10));
    if (n > strText.size()) return false;
    *pLength = n;
    return strField.compare(0, slash, CSha256::Of(strText.substr(0, n))) == 0;
}

}  // namespace

std::string OpenDigestText(const std::string& strLogDigest, unsigned long long nLogLength,
                           const std::string& strPriorDigest, unsigned long long nPriorLength)
{
    return strLogDigest + "/" + std::to_string(nLogLength) + " " + strPriorDigest + "/" + std::to_string(nPriorLength);
}

bool IsOpenDigest(const std::string& strDigest) { return strDigest.find('/') != std::string::npos; }

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

AnchorVerdict CheckRecordAnchor(const RecordAnchor& anchor, const CString& strFolder, std::string& strLog,
                                std::string& strPrior)
{
    if (!anchor.bFound || anchor.strDigest.empty()) return AnchorVerdict::noEntry;
    if (anchor.strLocation.IsEmpty() ||
        WithoutClosingSeparator(anchor.strLocation).CompareNoCase(WithoutClosingSeparator(strFolder)) != 0)
        return AnchorVerdict::otherFolder;
    size_t blank = anchor.strDigest.find(' ');
    size_t nLog = 0, nPrior = 0;
    if (blank == std::string::npos || !MatchesField(anchor.strDigest.substr(0, blank), strLog, &nLog) ||
        !MatchesField(anchor.strDigest.substr(blank + 1), strPrior, &nPrior))
        return AnchorVerdict::otherRecord;
    if (IsOpenDigest(anchor.strDigest)) {
        strLog = UnionOfLogs(anchor.strCarriedLog, strLog.substr(0, nLog));
        strPrior = JoinRecords(anchor.strCarriedPrior, strPrior.substr(0, nPrior));
    }
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

// The carried texts of an open anchor: the log, a zero byte, the record.
void ReadCarried(HKEY hRoot, const CString& strKey, RecordAnchor& anchor)
{
    CRegKey key;
    if (RegOpenKeyExA(hRoot, strKey, 0, KEY_QUERY_VALUE, key.Receive()) != ERROR_SUCCESS) return;
    DWORD dwType = 0, cbData = 0;
    if (RegQueryValueExA(key.Get(), kInstallCarriedValue, nullptr, &dwType, nullptr, &cbData) != ERROR_SUCCESS ||
        dwType != REG_BINARY)
        return;
    std::string data(cbData, '\0');
    if (RegQueryValueExA(key.Get(), kInstallCarriedValue, nullptr, &dwType, reinterpret_cast<BYTE*>(&data[0]),
                         &cbData) != ERROR_SUCCESS)
        return;
    data.resize(cbData);
    size_t zero = data.find('\0');
    if (zero == std::string::npos) return;
    anchor.strCarriedLog = data.substr(0, zero);
    anchor.strCarriedPrior = data.substr(zero + 1);
}

// The anchor of the entry at strKey below hRoot, normalised.
RecordAnchor ReadAnchorAt(HKEY hRoot, const CString& strKey)
{
    RecordAnchor anchor;
    CString value, location;
    if (!AfxRegQueryString(hRoot, strKey, kInstallDigestValue, value, 4096)) return anchor;
    AfxRegQueryString(hRoot, strKey, "InstallLocation", location, 1024);
    if (!ParseAnchorValue(value.Str(), location, anchor)) return RecordAnchor();
    if (!anchor.strLocation.IsEmpty()) anchor.strLocation = AfxNormalisedPath(anchor.strLocation);
    if (IsOpenDigest(anchor.strDigest)) ReadCarried(hRoot, strKey, anchor);
    return anchor;
}

bool UsableProductName(const CString& strProduct)
{
    return !strProduct.IsEmpty() && strProduct.Str().find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

}  // namespace

RecordAnchor ReadRecordAnchor(const CString& strProduct, int nRoot)
{
    // The same key as the registration writes; a name it would refuse has no entry.
    if (!UsableProductName(strProduct)) return RecordAnchor();
    return ReadAnchorAt(RegistryRootKey(nRoot), CString(kUninstallKeyPath) + strProduct);
}

bool WriteRecordAnchor(const CString& strProduct, const CString& strFolder, const std::string& strDigests,
                       bool* pMadeKey, int nRoot)
{
    if (!UsableProductName(strProduct)) return false;
    CRegKey key;
    DWORD dwDisposition = 0;
    if (RegCreateKeyExA(RegistryRootKey(nRoot), CString(kUninstallKeyPath) + strProduct, 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, key.Receive(), &dwDisposition) != ERROR_SUCCESS)
        return false;
    if (pMadeKey) *pMadeKey = dwDisposition == REG_CREATED_NEW_KEY;
    std::string text = AnchorValueText(strDigests, strFolder);
    return RegSetValueExA(key.Get(), kInstallDigestValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          DWORD(text.size() + 1)) == ERROR_SUCCESS;
}

AnchorVerdict FindRecordAnchor(const CString& strFolder, std::string& strLog, std::string& strPrior,
                               CString* pProduct, int* pRoot)
{
    AnchorVerdict best = AnchorVerdict::noEntry;
    for (int nRoot : {kRootLocalMachine, kRootCurrentUser}) {
        CRegKey list;
        if (RegOpenKeyExA(RegistryRootKey(nRoot), CString(kUninstallKeyPath).Left(int(sizeof kUninstallKeyPath) - 2), 0,
                          KEY_ENUMERATE_SUB_KEYS, list.Receive()) != ERROR_SUCCESS)
            continue;
        char name[256];
        for (DWORD i = 0;; ++i) {
            DWORD n = sizeof name;
            LONG rc = RegEnumKeyExA(list.Get(), i, name, &n, nullptr, nullptr, nullptr, nullptr);
            if (rc == ERROR_MORE_DATA) continue;
            if (rc != ERROR_SUCCESS) break;
            RecordAnchor anchor = ReadAnchorAt(RegistryRootKey(nRoot), CString(kUninstallKeyPath) + name);
            std::string log = strLog, prior = strPrior;
            AnchorVerdict verdict = CheckRecordAnchor(anchor, strFolder, log, prior);
            if (verdict == AnchorVerdict::trusted) {
                *pProduct = name;
                if (pRoot) *pRoot = nRoot;
                strLog = log;
                strPrior = prior;
                return verdict;
            }
            if (verdict == AnchorVerdict::otherRecord) best = verdict;
        }
    }
    return best;
}

bool CAnchorKeeper::Open(const CString& strProduct, const CString& strFolder, int nRoot, bool* pMadeKey,
                         std::vector<std::string>* pMadeParents)
{
    m_key.Close();
    if (!UsableProductName(strProduct)) return false;
    if (pMadeParents) {
        pMadeParents->clear();
        const std::string path = std::string(kUninstallKeyPath) + strProduct.Str();
        for (size_t sep = path.find('\\'); sep != std::string::npos; sep = path.find('\\', sep + 1)) {
            std::string parent = path.substr(0, sep);
            CRegKey probe;
            if (!pMadeParents->empty() ||
                RegOpenKeyExA(RegistryRootKey(nRoot), parent.c_str(), 0, KEY_QUERY_VALUE, probe.Receive()) == ERROR_FILE_NOT_FOUND)
                pMadeParents->push_back(parent);
        }
    }
    DWORD dwDisposition = 0;
    if (RegCreateKeyExA(RegistryRootKey(nRoot), CString(kUninstallKeyPath) + strProduct, 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, m_key.Receive(), &dwDisposition) != ERROR_SUCCESS)
        return false;
    *pMadeKey = dwDisposition == REG_CREATED_NEW_KEY;
    m_strFolder = strFolder;
    return true;
}

bool CAnchorKeeper::Keep(const std::string& strDigests)
{
    if (!IsOpen()) return false;
    std::string text = AnchorValueText(strDigests, m_strFolder);
    return RegSetValueExA(m_key.Get(), kInstallDigestValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          DWORD(text.size() + 1)) == ERROR_SUCCESS;
}

bool CAnchorKeeper::KeepCarried(const std::string& strLog, const std::string& strPrior)
{
    if (!IsOpen()) return false;
    if (strLog.empty() && strPrior.empty()) {
        LONG rc = RegDeleteValueA(m_key.Get(), kInstallCarriedValue);
        return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
    }
    std::string data = strLog + '\0' + strPrior;
    return RegSetValueExA(m_key.Get(), kInstallCarriedValue, 0, REG_BINARY, reinterpret_cast<const BYTE*>(data.data()),
                          DWORD(data.size())) == ERROR_SUCCESS;
}
#endif
