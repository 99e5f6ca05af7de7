// The removal run of the uninstaller: what is removed and in which order. The record's items go
// first (RemovalWithProgress.h); the product's entry in Add/Remove programs (its values, its key and
// the digest kept there) goes last, and only when nothing is left that a later run could still
// remove; then Install.log, Install.prior, the uninstaller's own file and the target. The run itself
// is CUninstallApp::Work (RemovalRun.cpp); what it needs of the entry is here.
#pragma once

#include "InstallLog.h"

// Takes the product's entry out of record: the value items under strEntryKey (below the root
// nEntryRoot, compared without regard to case or to backslashes at either end) and the key item of
// strEntryKey itself. Returns them as a record of their own, with record's prior state, to go last;
// record keeps the rest in its order. An empty strEntryKey takes nothing.
InstallRecord TakeEntryItems(InstallRecord& record, int nEntryRoot, const CString& strEntryKey);
