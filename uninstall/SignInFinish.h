// The finishing run at the user's sign-in (kFinishSwitch): an installation without the
// administrators' rights could not replace a file in use, so it wrote the new one beside it
// (kReplacementSuffix) and asked for this run; here each such replacement goes in its place.
#pragma once

#include "AfxLogFile.h"
#include "AfxNoLinks.h"
#include "InstallLog.h"

// Puts each replacement that record lists in place of its file, through the held target (strTarget
// names it), each folder on the way checked not to be a link; one already in place is passed over.
// One still in use waits for the next sign-in (the command strProduct + kFinishCommandSuffix is
// arranged again); every one left is written to log, which is closed at the end. Returns
// kExitDone, kExitRestartNeeded (some wait for the next sign-in) or kExitFailed (the system refused
// one, or the next sign-in could not be arranged).
int FinishReplacements(const InstallRecord& record, const CFolderHandle& target, const CString& strTarget,
                       const CString& strProgramName, const CString& strProduct, CLogFile& log);
