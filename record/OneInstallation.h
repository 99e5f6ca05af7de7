// One installation of a product at a time: in one folder (a second folder would take over the
// entry, and nothing would list the first installation any more) and in one scope (a product
// installed for one user is not installed for everyone beside it, nor the reverse). Both rules read
// the anchors in the product's entries (RecordAnchor.h), and an installation counts only while its
// folder still holds its record. The installer refuses early, before anything is made, and the
// worker once more as it starts: each tells the refusal in its own words. An installation for one user
// counts only by a record that the rule for a user's own record believes (RecordTrust.h).
#pragma once

#include "AfxString.h"
#include "InstallRecordFormat.h"
#include "RecordAnchor.h"
#include "RecordTrust.h"

#include <functional>

// Whether strFolder holds an installation's record (its Install.log): an entry whose folder no
// longer does names an installation that is gone (its folder deleted by hand).
using RecordThereQuery = std::function<bool(const CString& strFolder)>;
#ifdef _WIN32
// The query on the file system.
inline bool RecordIsThere(const CString& strFolder)
{
    return GetFileAttributesA(strFolder + "\\" + kInstallLogName) != INVALID_FILE_ATTRIBUTES;
}
#endif

// The record in strFolder as it is now (its Install.log and Install.prior, RecordTrust.h); false
// when there is no log to read.
using RecordReadQuery = std::function<bool(const CString& strFolder, RecordFileRead& log, RecordFileRead& prior)>;

// The folder of strProduct's installation for the running user alone: the folder that the user's own
// entry (below HKEY_CURRENT_USER) keeps the record's digests for, when the record read there is the
// one kept and the rule for a user's own record believes it (nothing outside that user's part of the
// registry). An InstallLocation alone, digests that are not the record's, a record that lists keys of
// the machine: none (empty). Whoever asks, elevated or not, the user's entry is judged by that rule.
CString InstallationForUser(const CAnchorStore& store, const CString& strProduct, const RecordReadQuery& readRecord);

// The folder of strProduct's installation in the chosen scope's entry (bForOneUser: the user's own)
// when it is another folder than strFolder (normalised as the anchor's) and its record is still
// there; empty when the run may go on.
CString InstallationElsewhere(const CAnchorStore& store, const CString& strProduct, bool bForOneUser,
                              const CString& strFolder, const RecordThereQuery& recordThere);
// The refusal of a second folder beside strThere: it names that folder and its uninstaller.
CString ElsewhereRefusal(const CString& strProduct, const CString& strThere);

// The folder of strProduct's installation in the other scope than the one chosen. For one user
// (bForOneUser), the one for everyone, kept below HKEY_LOCAL_MACHINE, while recordThere(folder) finds
// its record there; for everyone, the running user's own, only as InstallationForUser believes it
// (readRecord): what the user's everyday programs can write steers no run for everyone. Empty when
// there is none: the run may go on. Reads only.
CString InstallationInOtherScope(const CAnchorStore& store, const CString& strProduct, bool bForOneUser,
                                 const RecordThereQuery& recordThere, const RecordReadQuery& readRecord);
// The refusal of an installation for that other scope, beside the one in strFolder: it names the
// folder, and for an installation for everyone its uninstaller; one user's installation is removed
// by that user, without administrator rights, never by a program of that user's folder run with
// them.
CString OtherScopeRefusal(const CString& strProduct, bool bForOneUser, const CString& strFolder);
