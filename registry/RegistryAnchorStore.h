// The anchors kept in the registry (Win32): the store that the rule for believing a record reads,
// and the keeper through which a run keeps its digests in the product's entry as it writes.
#pragma once

#include "AfxHandle.h"
#include "RecordAnchor.h"

#include <string>
#include <vector>

// The anchors as the registry keeps them: each product's entry below the root's Uninstall key
// (ProductEntry.h). A product whose name no entry can have (IsUsableProductName) has no anchor.
class CRegistryAnchorStore : public CAnchorStore {
public:
    RecordAnchor Read(const CString& strProduct, int nRoot) const override;
    std::vector<CString> Products(int nRoot) const override;
};

// The anchor of one run, its entry's key held open from the first digest to the last: a run keeps
// its digests after every line it writes.
class CAnchorKeeper {
public:
    // Opens (or makes: *pMadeKey) strProduct's entry below the root nRoot. False when the registry
    // refuses. pMadeParents, when given, gets the keys above the entry that were missing and that
    // the registry made with it (a profile without any entry yet has no Uninstall key), shallowest
    // first, as paths below the root.
    bool Open(const CString& strProduct, const CString& strFolder, int nRoot, bool* pMadeKey,
              std::vector<std::string>* pMadeParents = nullptr);
    // Keeps the digests with the folder; false when the registry refuses.
    bool Keep(const std::string& strDigests);
    // Keeps, or with two empty texts drops, what the run carries of the earlier installation.
    bool KeepCarried(const std::string& strLog, const std::string& strPrior);
    bool IsOpen() const { return m_key.Get() != nullptr; }

private:
    CRegKey m_key;
    CString m_strFolder;
};
