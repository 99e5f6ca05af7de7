// The removal run of the uninstaller: what is removed and in which order. The record's items go
// first (RemovalWithProgress.h); the product's entry in Add/Remove programs (its values, its key and
// the digest kept there) goes last, and only when nothing is left that a later run could still
// remove; then Install.log, Install.prior, the uninstaller's own file and the target.
#pragma once

#include "AfxNoLinks.h"
#include "BelievedRecord.h"
#include "Handover.h"
#include "InstallLog.h"
#include "Removal.h"
#include "UninstallVoice.h"

// Takes the product's entry out of record: the value items under strEntryKey (below the root
// nEntryRoot, compared without regard to case or to backslashes at either end) and the key item of
// strEntryKey itself. Returns them as a record of their own, with record's prior state, to go last;
// record keeps the rest in its order. An empty strEntryKey takes nothing.
InstallRecord TakeEntryItems(InstallRecord& record, int nEntryRoot, const CString& strEntryKey);

class CRemovalRun {
public:
    // record: the believed record, whose items the run takes; target: the held target directory,
    // named strTarget, in which strProgramName is the first program's file; voice: the log, the
    // caption, the final message, and whether the run is silent. All outlive the run.
    CRemovalRun(CBelievedRecord& record, CFolderHandle& target, const CString& strTarget,
                const CString& strProgramName, CUninstallVoice& voice)
        : m_record(record), m_target(target), m_strTarget(strTarget), m_strProgramName(strProgramName), m_voice(voice)
    {
    }
    CRemovalRun(const CRemovalRun&) = delete;
    CRemovalRun& operator=(const CRemovalRun&) = delete;

    // Removes what the record lists, tells the outcome (the /LOG= file, which it closes, and the
    // final message) and returns the exit code (UninstallOutcome.h). pHandover: in the copy, the
    // hand-over from the first process, which gets the verdict before the first program's file and
    // the target go (the target's handle is closed then); nullptr when the first process does the
    // work itself, whose file and emptied target then go at the restart.
    int Run(HandoverArgs* pHandover);

private:
    void FinishRecordFiles(RemovalReport& report);
    void FinishTarget(RemovalReport& report, HandoverArgs* pHandover, bool bKeepRecord);
    void ShowOutcome(const RemovalReport& report, bool bKeepRecord);

    CBelievedRecord& m_record;
    CFolderHandle& m_target;
    const CString m_strTarget;
    const CString m_strProgramName;
    CUninstallVoice& m_voice;
};
