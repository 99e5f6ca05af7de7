// The product's entry in the list of installed programs, in one place: the root that holds it for
// each scope, its key (named after the product), which product names can have one, and the names of
// the values the installer writes and reads there. The registration writes it, the record's anchor
// lives in it, the installer proposes its folder and compares its version, and the uninstaller
// removes it last; each of them takes the entry from here.
#pragma once

#include "AfxString.h"
#include "RegistryRoots.h"

#include <string>

// The entries live below this key of their root, each named after its product; in the log, the last
// key line below it names the product.
constexpr char kUninstallKeyPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// The root of the product's entry: the user's own for an installation for one user, the machine's
// for one for everyone.
constexpr int EntryRoot(bool bForOneUser) { return bForOneUser ? kRootCurrentUser : kRootLocalMachine; }
// The root of the other scope's entry.
constexpr int OtherEntryRoot(bool bForOneUser) { return EntryRoot(!bForOneUser); }

// Whether an installation for one user writes below the root nRoot: its own part of the registry,
// and its own file types (a key line under HKEY_CLASSES_ROOT goes below its Software\Classes);
// never the machine's or other users' (HKEY_LOCAL_MACHINE, HKEY_USERS).
constexpr bool OneUserWritesBelow(int nRoot) { return nRoot == kRootCurrentUser || nRoot == kRootClassesRoot; }

// Whether strProduct can name an entry. An empty name would put the values on the shared Uninstall
// key itself, a line break would split the key's line in the log, and a NUL would cut the key's
// name short of what the log lists: the registration refuses such names, and no entry is looked
// for under them.
inline bool IsUsableProductName(const CString& strProduct)
{
    return !strProduct.IsEmpty() && strProduct.Str().find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

// The entry's key below its root. A backslash in the product's name makes a nested key.
inline CString EntryKeyPath(const CString& strProduct) { return kUninstallKeyPath + strProduct; }

// The values of the entry that the registration writes.
constexpr char kEntryDisplayName[] = "DisplayName";
constexpr char kEntryUninstallString[] = "UninstallString";
constexpr char kEntryQuietUninstallString[] = "QuietUninstallString";
constexpr char kEntryInstallLocation[] = "InstallLocation";
constexpr char kEntryEstimatedSize[] = "EstimatedSize";
constexpr char kEntryDisplayIcon[] = "DisplayIcon";
constexpr char kEntryNoModify[] = "NoModify";
constexpr char kEntryNoRepair[] = "NoRepair";
constexpr char kEntryDisplayVersion[] = "DisplayVersion";
constexpr char kEntryPublisher[] = "Publisher";
// The tag of the language the installation spoke (AfxText.h), which its uninstaller speaks too;
// written only for a language other than English.
constexpr char kEntryLanguage[] = "ZorvanLanguage";

// The value that holds the SHA-256 of Install.log and of Install.prior as the installation wrote
// them, and its folder (RecordAnchor.h): not listed in the log; the uninstaller compares and
// removes it.
constexpr char kInstallDigestValue[] = "InstallRecordDigest";
// Beside it, only while a run over an earlier installation has not ended: what the run carries of
// that installation (its log, a zero byte, its record), kept before the run replaces them.
constexpr char kInstallCarriedValue[] = "InstallRecordCarried";
