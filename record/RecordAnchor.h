// Where an installation's record is anchored. Install.log and Install.prior lie in the product's
// folder, where others may have put files of their own making; the installation keeps, in the
// product's uninstall entry, which only administrators can write, the digests of the two as it
// wrote them (kInstallDigestValue) and the folder it installed into (InstallLocation). A record is
// believed only when both agree with what is read: a pair put in place of the genuine one, one
// planted before any installation, or a genuine one copied into another product's folder is not.
#pragma once

#include "AfxString.h"

#include <string>

struct RecordAnchor {
    bool bFound = false;     // the entry holds a digest
    std::string strDigest;   // as kept: the log's digest, a blank, the record's
    CString strLocation;     // the folder the record belongs to, normalised as the caller's folder is
};

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
// case and to a closing backslash; both must be normalised alike by the caller.
AnchorVerdict CheckRecordAnchor(const RecordAnchor& anchor, const CString& strFolder, const std::string& strLog,
                                const std::string& strPrior);

// Why a record with this verdict is not believed, one clause for messages; "" when it is.
const char* AnchorVerdictReason(AnchorVerdict verdict);

#ifdef _WIN32
// The anchor kept for strProduct under HKEY_LOCAL_MACHINE; bFound false when the product has no
// entry, or an entry without a digest.
RecordAnchor ReadRecordAnchor(const CString& strProduct);
// Keeps the digests and the folder in strProduct's entry, making the key when needed (*pMadeKey,
// when given, is set when this call made it). False when the registry refuses (the entry's name is
// one the registration would refuse, say).
bool WriteRecordAnchor(const CString& strProduct, const CString& strFolder, const std::string& strDigests,
                       bool* pMadeKey = nullptr);
// The verdict for a log and record read from strFolder, over every product's entry: trusted (and
// *pProduct the entry's name) when one of them keeps these digests for this folder; otherRecord
// when one keeps other digests for it; noEntry when none names it.
AnchorVerdict FindRecordAnchor(const CString& strFolder, const std::string& strLog, const std::string& strPrior,
                               CString* pProduct);
#endif
