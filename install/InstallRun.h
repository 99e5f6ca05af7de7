// One installation run, from the first look at the target to the last notification: it orders the
// steps (the target and its earlier record, the record's two files, the payload, the registry
// script and shortcuts, the retirement of what an upgrade no longer installs) and turns how the
// run ended into one outcome: the flags, the exit code and the WM_CLOSE that ends the dialog
// (Win32).
#pragma once

#include "AfxRunEnd.h"
#include "AfxSecurity.h"
#include "CarriedParts.h"
#include "EntryOutput.h"
#include "InUseBox.h"
#include "InstallStop.h"
#include "InstallWorker.h"
#include "MediumFiles.h"
#include "PayloadStream.h"
#include "PriorRecord.h"
#include "ProgressSink.h"
#include "RegistryAnchorStore.h"
#include "RunRecord.h"
#include "TargetFolder.h"

#include <memory>
#include <string>
#include <vector>

class RegistryScript;

class CInstallRun {
public:
    explicit CInstallRun(const InstallJob& job);
    CInstallRun(const CInstallRun&) = delete;
    CInstallRun& operator=(const CInstallRun&) = delete;
    ~CInstallRun() { Cleanup(); }

    // Runs every step; returns the exit code (0: done or stopped on request, 1: failed, a step
    // after the payload that stopped included).
    UINT Execute();
    // Ends the run as stop says: its message shown (when it has one), everything let go, the
    // outcome told.
    UINT Stop(const InstallStop& stop);
    // Ends the run through the failure path after an exception that nothing else handled.
    UINT FailUnexpected(const CString& strMessage) { return Stop(InstallStop::Failure(strMessage)); }

private:
    // The product's entry, where the digests of the log and the record are kept as they grow.
    class CEntryAnchor : public IRunAnchor {
    public:
        bool Keep(const std::string& strDigests) override { return keeper.Keep(strDigests); }
        bool KeepCarried(const std::string& strLog, const std::string& strPrior) override
        {
            return keeper.KeepCarried(strLog, strPrior);
        }
        CAnchorKeeper keeper;
    };

    bool Cancelled() const { return GetInstallFlag(m_job.pCancel) != 0; }
    // The root of the product's entry: the user's own for an installation for one user.
    int EntryRoot() const { return ::EntryRoot(m_job.bForOneUser); }
    void Note(const CString& strText) const;

    void Prepare();
    UINT OpenAndCopy();
    void LookAtTarget();
    void RefuseSecondFolder();
    void ReadEarlierRecord();
    void StartAnchor();
    void OpenRecord();
    void RegistryStep(UINT nTotal);
    void RetireEarlier();
    CString StoppedScriptText(const RegistryScript& script) const;
    void Cleanup();
    UINT End(RunEnd end);

    const InstallJob& m_job;
    const CMediumFiles m_medium;
    const CProgressSink m_sink;
    CString m_strPrefix;        // the target with its trailing backslash
    CString m_strAnchorFolder;  // the target as the record's anchor names it
    std::unique_ptr<BYTE[]> m_buffer;
    // Elevated: the access list of everything this run creates (Get() is null otherwise).
    CSecurityAttributes m_security;
    // Held from the first look at the target to the end of the run.
    CTargetFolder m_target;
    std::unique_ptr<CPayloadStream> m_stream;
    CEntryAnchor m_anchor;
    CRunRecord m_record{m_anchor};
    CInUseBox m_inUseBox;
    std::unique_ptr<CEntryOutput> m_output;
    // What of an earlier installation into the target this run lists besides its own, and how it
    // tells what of it is still there.
    std::unique_ptr<CarriedItemProbe> m_installed;
    CCarriedParts m_carried;
    EarlierInstallation m_earlier;
    bool m_bTargetHeldFiles = false;
    bool m_bTargetHadAnything = false;  // as the run found it: not empty, or an earlier installation's
    std::vector<PriorKey> m_madeKeys;             // keys this run created before the script ran
    std::vector<std::string> m_entryParentsMade;  // keys above the entry made with it
    CString m_strStepStopped;  // why a step after the payload stopped; empty when none did
};
