// Where an installation's record is anchored. Install.log and Install.prior lie in the product's
// folder, where others may have put files of their own making; the installation keeps, in the
// product's uninstall entry, which only administrators can write, the digests of the two as it
// wrote them (kInstallDigestValue) and the folder it installed into (InstallLocation). A record is
// believed only when both agree with what is read: a pair put in place of the genuine one, one
// planted before any installation, or a genuine one copied into another product's folder is not.
#pragma once

#include "AfxString.h"
#include "InstallRecordFormat.h"
#include "SameName.h"

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

// Why a record with this verdict is not believed, one clause for messages; "" when it is.
const char* AnchorVerdictReason(AnchorVerdict verdict);

// Where anchors are kept, as the rule for believing a record (RecordTrust.h) reads them: the
// registry on Windows (RegistryAnchorStore.h), a table in tests.
class CAnchorStore {
public:
    virtual ~CAnchorStore() = default;
    // The anchor kept for strProduct in its entry below the root nRoot (its folder normalised as
    // the callers' folders are); bFound false when there is no such entry, or one without a digest.
    virtual RecordAnchor Read(const CString& strProduct, int nRoot) const = 0;
    // The names of the products that have an entry below the root nRoot, in no particular order.
    virtual std::vector<CString> Products(int nRoot) const = 0;
};
