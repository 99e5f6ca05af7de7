// Where an installation's record is anchored. Install.log and Install.prior lie in the product's
// folder, where others may have put files of their own making; the installation keeps, in the
// product's uninstall entry, which only administrators can write, the digests of the two as it
// wrote them (kInstallDigestValue) and the folder it installed into (InstallLocation). A record is
// believed only when both agree with what is read: a pair put in place of the genuine one, one
// planted before any installation, or a genuine one copied into another product's folder is not.
#pragma once

#include "AfxString.h"
#include "InstallRecordFormat.h"
#ifdef _WIN32
#include "AfxHandle.h"
#endif

#include <string>
#include <vector>

struct RecordAnchor {
    bool bFound = false;     // the entry holds a digest
    std::string strDigest;   // as kept: the log's digest, a blank, the record's (see OpenDigestText)
    CString strLocation;     // the folder the record belongs to, normalised as the caller's folder is
    // A run that has not ended (OpenDigestText) keeps what it carries of the earlier installation
    // beside the digest, from before it replaced the earlier log and record until it ends.
    std::string strCarriedLog, strCarriedPrior;
};

// The digests that a run keeps while it writes: each "DIGEST/LENGTH", the digest of the first
// LENGTH bytes of the file. It keeps them after every line, so that wherever it is stopped, its
// process killed included, the lines written up to there can be verified: what lies beyond (a
// line cut short) is no part of the record.
std::string OpenDigestText(const std::string& strLogDigest, unsigned long long nLogLength,
                           const std::string& strPriorDigest, unsigned long long nPriorLength);
// Whether a kept value is of a run that has not ended.
bool IsOpenDigest(const std::string& strDigest);

// The value kept: the two digests and, after a blank, the folder. The folder is kept with the
// digests from the moment a run creates its log, before the registration (and InstallLocation)
// exists, so that a run that fails or is cancelled leaves a record that can be verified.
std::string AnchorValueText(const std::string& strDigests, const CString& strFolder);
// Reads a kept value; a value of two fields only (kept before the folder was) takes the folder
// from strInstallLocation. False when the value has no digests.
bool ParseAnchorValue(const std::string& strValue, const CString& strInstallLocation, RecordAnchor& anchor);

enum class AnchorVerdict { trusted, noEntry, otherFolder, otherRecord };

// The text an installation keeps for a log and a record with these bytes.
std::string RecordDigestText(const std::string& strLog, const std::string& strPrior);

// Compares what was read from strFolder with the anchor. Folders compare without regard to ASCII
// case and to a closing backslash; both must be normalised alike by the caller. Trusted: strLog
// and strPrior are then what the record says; for a run that did not end, the lines it verifiably
// wrote joined with what it carried (UnionOfLogs, JoinRecords).
AnchorVerdict CheckRecordAnchor(const RecordAnchor& anchor, const CString& strFolder, std::string& strLog,
                                std::string& strPrior);

// Whether two folders, normalised alike, are the same as the anchor compares them: without regard
// to ASCII case and to a closing backslash.
bool SameRecordFolder(const CString& strA, const CString& strB);

// Why a record with this verdict is not believed, one clause for messages; "" when it is.
const char* AnchorVerdictReason(AnchorVerdict verdict);

// Where anchors are kept, as the rule for believing a record (RecordTrust.h) reads them: the
// registry on Windows, a table in tests.
class CAnchorStore {
public:
    virtual ~CAnchorStore() = default;
    // The anchor kept for strProduct in its entry below the root nRoot (its folder normalised as
    // the callers' folders are); bFound false when there is no such entry, or one without a digest.
    virtual RecordAnchor Read(const CString& strProduct, int nRoot) const = 0;
    // The names of the products that have an entry below the root nRoot, in no particular order.
    virtual std::vector<CString> Products(int nRoot) const = 0;
};

#ifdef _WIN32
// The anchor kept for strProduct in its entry below the root nRoot (kRootLocalMachine; for an
// installation for one user, kRootCurrentUser); bFound false when the product has no entry there,
// or an entry without a digest.
RecordAnchor ReadRecordAnchor(const CString& strProduct, int nRoot = kRootLocalMachine);
// Keeps the digests and the folder in strProduct's entry, making the key when needed (*pMadeKey,
// when given, is set when this call made it). False when the registry refuses (the entry's name is
// one the registration would refuse, say).
bool WriteRecordAnchor(const CString& strProduct, const CString& strFolder, const std::string& strDigests,
                       bool* pMadeKey = nullptr, int nRoot = kRootLocalMachine);
// The anchors as the registry keeps them: each product's entry below the root's Uninstall key.
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
#endif
