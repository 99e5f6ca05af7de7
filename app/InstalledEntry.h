// The product's entry in the list of installed programs, as a run reads it before it installs: the
// folder an earlier installation is in, and the version it installed. Read in this program's own
// view of the registry, the one its registration writes to, and in the scope the run installs for.
#pragma once

#include "AfxString.h"

// Whether the dotted version strMedium is lower, equal or higher than strInstalled, each part a
// number ("1.2" < "1.10", "1.0" == "1.0.0", "01" == "1", no limit on a part's digits); blanks around
// the whole text are ignored. Returns FALSE, nOrder untouched, when either text is no such version
// (empty, a part that is not all digits, an empty part: "1.0 beta", "1..2", "v2"); otherwise TRUE with
// nOrder < 0, 0 or > 0 as strMedium is lower, equal or higher.
BOOL CompareDottedVersions(const CString& strMedium, const CString& strInstalled, int& nOrder);

// True when strPath, read from an earlier installation's entry in the list of installed programs,
// may be proposed as the target: a full path on a drive ("C:\..."), shorter than MAX_PATH, with no
// character that no Windows path may hold, no empty component and no "." or ".." component.
bool IsProposableLocation(const CString& strPath);

class CInstalledEntry {
public:
    CInstalledEntry(const CString& strProduct, bool bForOneUser) : m_strProduct(strProduct), m_bForOneUser(bForOneUser) {}

    // The folder the entry names (InstallLocation), when it may be proposed as the target
    // (IsProposableLocation); empty otherwise, and for a name that the registration would refuse.
    CString ProposedLocation() const;
    // The installed version (DisplayVersion), when strMediumVersion is lower: both read as dotted
    // numbers (CompareDottedVersions). False, strInstalled untouched, in every other case: such a
    // run goes on without a question.
    bool IsNewerThan(const CString& strMediumVersion, CString& strInstalled) const;

private:
    bool Read(const char* pszValue, CString& strValue) const;

    CString m_strProduct;
    bool m_bForOneUser;
};
