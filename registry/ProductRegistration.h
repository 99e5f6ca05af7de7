// The product's entry in Add/Remove programs as the installation registers it: what each of its
// values holds (their names, the key and its root are ProductEntry.h's). The values are written
// through the script's run (ScriptRun.h), so they are logged and recorded like a script's and go
// with the uninstaller's removal of the entry; the record's digests are kept there by the run's
// anchor (RegistryAnchorStore.h), not here.
#pragma once

#include "ProductEntry.h"
#include "RegistryBackend.h"
#include "SetupExtensions.h"

#include <string>

namespace regscript {
class ScriptRun;
}

// Registers the product strProductName through run (below HKEY_CURRENT_USER when the run is for one
// user): the key and each value, logged as the script's are. A backslash in the name makes a nested
// key, registered and logged like any other. A name that IsUsableProductName refuses is refused. DisplayVersion and Publisher are
// written only when ext gives them. Returns false when refused or when the registry refused a key
// or value; what was written until then stays, logged.
bool RegisterProduct(regscript::ScriptRun& run, const CString& strProductName, const SetupExtensions& ext);
