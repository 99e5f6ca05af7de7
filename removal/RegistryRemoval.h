// The removal of the registry items that an installation's record lists: its values (removed, or
// put back as they were where the installation replaced them), its keys once empty, and the keys it
// made on the way to its own. Never a root, never a key that is not listed, never through a
// registry link; what cannot go is recorded in the report (RemovalReport.h).
#pragma once

#include "InstallLog.h"
#include "RemovalReport.h"

// ROOT\key of a value or key item, as the report and the progress name it.
CString RegistryItemText(const LogItem& item);

// Removes one value item of record, or puts back the data that the installation replaced (then only
// when the value still holds what the installation wrote).
void RemoveValueItem(const InstallRecord& record, const LogItem& item, RemovalReport& report);

// Removes one key item of record when it holds nothing any more; a key that the record found there
// before stays.
void RemoveKeyItem(const InstallRecord& record, const LogItem& item, RemovalReport& report);

// Removes the keys that the installation made on the way to its own (record.prior.madeKeys),
// deepest first, each when nothing is left in it; one that holds something, or is or lies below a
// registry link, stays without a word: it was never one of the installation's items.
void RemoveMadeKeys(const InstallRecord& record, RemovalReport& report);
