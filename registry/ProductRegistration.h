// The product's entry in Add/Remove programs, as the installation registers it: the entry's key
// (kUninstallKeyPath + the product's name, below HKEY_LOCAL_MACHINE, or HKEY_CURRENT_USER for one
// user), the names of its values and what each holds, and the digest of the installation's record
// kept there afterwards. The values are written through the script's run (ScriptRun.h), so they
// are logged and recorded like a script's and go with the uninstaller's removal of the entry.
#pragma once

#include "RegistryBackend.h"
#include "SetupExtensions.h"

#include <string>

namespace regscript {
class ScriptRun;
}

// The values of the entry, by name. The entry also holds kInstallDigestValue and, while a run has
// not ended, kInstallCarriedValue (InstallRecordFormat.h), which the record's anchor writes.
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

// The entry's key below its root for a product's name.
CString ProductEntryKey(const CString& strProductName);

// Registers the product strProductName through run (below HKEY_CURRENT_USER when the run is for one
// user): the key and each value, logged as the script's are. A backslash in the name makes a nested
// key, registered and logged like any other. An empty name (the values would land on the shared
// Uninstall key itself), one with a line break (it would split the key's line in the log) or a NUL
// (the key would be cut short of what the log lists) is refused. DisplayVersion and Publisher are
// written only when ext gives them. Returns false when refused or when the registry refused a key
// or value; what was written until then stays, logged.
bool RegisterProduct(regscript::ScriptRun& run, const CString& strProductName, const SetupExtensions& ext);

// Stores strDigest as kInstallDigestValue of the registered product's entry (below
// HKEY_CURRENT_USER with bForOneUser). Not logged: the log is closed by then. False when the
// registry refused.
bool KeepInstallDigest(RegistryBackend& registry, const CString& strProductName, bool bForOneUser,
                       const std::string& strDigest);
