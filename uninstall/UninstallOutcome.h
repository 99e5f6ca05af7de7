// What a removal comes to, made from its RemovalReport: the exit code (AfxExitCodes.h), the text
// of the final message and the lines of the /LOG= file. Nothing here removes anything or decides
// what is removed.
#pragma once

#include "AfxLogFile.h"
#include "AfxRunEnd.h"
#include "Removal.h"

// removed: nothing left and nothing waits; removedAtRestart, removedAtSignIn: only items that go at
// the restart, or at the next sign-in (and the folders that hold them); notRemoved: nothing was
// removed and nothing waits; itemsLeft: the rest.
RunEnd RemovalEnd(const RemovalReport& report);
// Its exit code.
int RemovalVerdict(const RemovalReport& report);

// The final message's text about strProduct and its icon (MB_ICONINFORMATION or
// MB_ICONEXCLAMATION). bKeepRecord: the uninstaller and its entry stay for a later run.
struct OutcomeMessage {
    CString strText;
    UINT nIcon;
};
OutcomeMessage RemovalOutcomeMessage(const RemovalReport& report, const CString& strProduct, bool bKeepRecord);

// Writes the /LOG= file's outcome into log (nothing when it is not open) and closes it: the count
// removed (nStillToGo of them go just after), each item left and why, each item that goes at the
// restart, and, with bKeepRecord, what is kept for a later run (strProgramName is the uninstaller's
// file name in the target).
void WriteRemovalOutcome(CLogFile& log, const RemovalReport& report, int nStillToGo, bool bKeepRecord,
                         const CString& strProgramName);
