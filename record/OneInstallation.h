// One installation of a product at a time: in one folder (a second folder would take over the
// entry, and nothing would list the first installation any more) and in one scope (a product
// installed for one user is not installed for everyone beside it, nor the reverse). Both rules read
// the anchors in the product's entries (RecordAnchor.h), and an installation counts only while its
// folder still holds its record. The installer refuses early, before anything is made, and the
// worker once more as it starts: each tells the refusal in its own words.
#pragma once

#include "AfxString.h"
#include "InstallRecordFormat.h"
#include "RecordAnchor.h"

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

// The folder of strProduct's installation in the chosen scope's entry (bForOneUser: the user's own)
// when it is another folder than strFolder (normalised as the anchor's) and its record is still
// there; empty when the run may go on.
CString InstallationElsewhere(const CAnchorStore& store, const CString& strProduct, bool bForOneUser,
                              const CString& strFolder, const RecordThereQuery& recordThere);
// The refusal of a second folder beside strThere: it names that folder and its uninstaller.
CString ElsewhereRefusal(const CString& strProduct, const CString& strThere);

// The folder of strProduct's installation in the other scope than the one chosen (bForOneUser: the
// one for everyone, kept below HKEY_LOCAL_MACHINE; otherwise the running user's own, below
// HKEY_CURRENT_USER), as store keeps it, while recordThere(folder) finds its record there. Empty when
// there is none: the run may go on. Reads only; store's entries are believed as far as refusing.
CString InstallationInOtherScope(const CAnchorStore& store, const CString& strProduct, bool bForOneUser,
                                 const RecordThereQuery& recordThere);
// The refusal of an installation for that other scope, beside the one in strFolder: it names the
// folder and the uninstaller in it.
CString OtherScopeRefusal(const CString& strProduct, bool bForOneUser, const CString& strFolder);
