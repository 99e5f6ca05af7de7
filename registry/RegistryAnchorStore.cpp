// The anchors in the registry (Win32): each product's entry below the root's Uninstall key keeps
// the digests and the folder (kInstallDigestValue), and while a run has not ended, what it carries
// (kInstallCarriedValue). Every key is opened here, through OpenKey and CreateKey alone, and neither
// follows a registry link: a user may make one in their own part of the registry.
#include "RegistryAnchorStore.h"

#include "AfxHandle.h"
#include "AfxPath.h"
#include "AfxRegistry.h"
#include "ProductEntry.h"

namespace {

// The longest kept value that is read: two open digests and a folder fit many times over.
const DWORD kMaxAnchorValue = 4096;
const DWORD kMaxLocationValue = 1024;

// ERROR_SUCCESS, or the registry's error (kErrorRegistryLink for a link on the way).
LONG OpenKey(int nRoot, const CString& strKey, REGSAM access, CRegKey& key)
{
    HKEY hRoot = RegistryRootKey(nRoot);
    return hRoot ? AfxRegOpenKeyNoLinks(hRoot, strKey, access, key) : ERROR_INVALID_HANDLE;
}

// Opens or makes the key; *pMade set when this call made it.
bool CreateKey(int nRoot, const CString& strKey, REGSAM access, CRegKey& key, bool* pMade)
{
    HKEY hRoot = RegistryRootKey(nRoot);
    return hRoot && AfxRegCreateKeyNoLinks(hRoot, strKey, access, key, pMade) == ERROR_SUCCESS;
}

// The carried texts of an open anchor: the log, a zero byte, the record.
void ReadCarried(const CRegKey& key, RecordAnchor& anchor)
{
    DWORD dwType = 0;
    std::vector<BYTE> bytes;
    if (AfxRegQueryValue(key.Get(), kInstallCarriedValue, &dwType, bytes) != ERROR_SUCCESS || dwType != REG_BINARY) return;
    const std::string data(bytes.begin(), bytes.end());
    size_t zero = data.find('\0');
    if (zero == std::string::npos) return;
    anchor.strCarriedLog = data.substr(0, zero);
    anchor.strCarriedPrior = data.substr(zero + 1);
}

// The anchor of the entry strKey below the root nRoot, its folder normalised.
RecordAnchor ReadAnchorAt(int nRoot, const CString& strKey)
{
    CRegKey key;
    CString value, location;
    if (OpenKey(nRoot, strKey, KEY_QUERY_VALUE, key) != ERROR_SUCCESS ||
        !AfxRegQueryStringValue(key.Get(), kInstallDigestValue, value, kMaxAnchorValue))
        return RecordAnchor();
    AfxRegQueryStringValue(key.Get(), kEntryInstallLocation, location, kMaxLocationValue);
    RecordAnchor anchor;
    if (!ParseAnchorValue(value.Str(), location, anchor)) return RecordAnchor();
    if (!anchor.strLocation.IsEmpty()) anchor.strLocation = AfxNormalisedPath(anchor.strLocation);
    if (IsOpenDigest(anchor.strDigest)) ReadCarried(key, anchor);
    return anchor;
}

bool SetAnchorValue(const CRegKey& key, const std::string& strDigests, const CString& strFolder)
{
    std::string text = AnchorValueText(strDigests, strFolder);
    return RegSetValueExA(key.Get(), kInstallDigestValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          DWORD(text.size() + 1)) == ERROR_SUCCESS;
}

}  // namespace

RecordAnchor CRegistryAnchorStore::Read(const CString& strProduct, int nRoot) const
{
    // The same key as the registration writes; a name it would refuse has no entry.
    if (!IsUsableProductName(strProduct)) return RecordAnchor();
    return ReadAnchorAt(nRoot, EntryKeyPath(strProduct));
}

std::vector<CString> CRegistryAnchorStore::Products(int nRoot) const
{
    CRegKey list;
    if (OpenKey(nRoot, CString(kUninstallKeyPath).Left(int(sizeof kUninstallKeyPath) - 2), KEY_ENUMERATE_SUB_KEYS,
                list) != ERROR_SUCCESS)
        return std::vector<CString>();
    // A name longer than any the registration writes is no product of ours.
    return AfxRegSubKeyNames(list.Get(), 256);
}

bool CAnchorKeeper::Open(const CString& strProduct, const CString& strFolder, int nRoot, bool* pMadeKey,
                         std::vector<std::string>* pMadeParents)
{
    m_key.Close();
    if (!IsUsableProductName(strProduct)) return false;
    if (pMadeParents) {
        pMadeParents->clear();
        const std::string path = EntryKeyPath(strProduct).Str();
        for (size_t sep = path.find('\\'); sep != std::string::npos; sep = path.find('\\', sep + 1)) {
            std::string parent = path.substr(0, sep);
            CRegKey probe;
            if (!pMadeParents->empty() || OpenKey(nRoot, parent.c_str(), KEY_QUERY_VALUE, probe) == ERROR_FILE_NOT_FOUND)
                pMadeParents->push_back(parent);
        }
    }
    if (!CreateKey(nRoot, EntryKeyPath(strProduct), KEY_SET_VALUE, m_key, pMadeKey)) return false;
    m_strFolder = strFolder;
    return true;
}

bool CAnchorKeeper::Keep(const std::string& strDigests)
{
    return IsOpen() && SetAnchorValue(m_key, strDigests, m_strFolder);
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
