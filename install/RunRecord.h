// The record a run leaves in the target: Install.log (what it made) and Install.prior (what it
// found there), each line written before what it lists, and the digests of both kept in the
// product's entry (the anchor) after every line, so that wherever the run stops, its process
// killed included, the uninstaller can verify what was written. A line for something not made
// after all is taken back. As the run ends, Finish leaves a pair that the uninstaller believes:
// the whole files' digests after a complete run, the lines written and what is carried of an
// earlier installation otherwise. Portable: the anchor and the way the two files are opened are
// handed in.
#pragma once

#include "AfxDigest.h"
#include "CarriedParts.h"
#include "InstallStop.h"
#include "PriorRecord.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// Where a run keeps its record's digests: the product's entry (CAnchorKeeper), a table in tests.
class IRunAnchor {
public:
    virtual ~IRunAnchor() = default;
    // Keeps the digests (OpenDigestText, or the two whole-file digests); false when refused.
    virtual bool Keep(const std::string& strDigests) = 0;
    // Keeps, or with two empty texts drops, what the run carries of the earlier installation.
    virtual bool KeepCarried(const std::string& strLog, const std::string& strPrior) = 0;
};

class CRunRecord {
public:
    // Opens file for writing as pszName (kInstallLogName, kPriorRecordName) in the target; false
    // with pError filled (its file name included) when it cannot.
    using Opener = std::function<BOOL(CFile& file, const char* pszName, CFileException* pError)>;

    // What Install.prior says from its first lines on.
    struct PriorStart {
        bool bTargetHeldFiles = false;
        int nEntryRoot = 0;                      // the root of the product's entry
        std::vector<std::string> entryParents;   // keys above the entry that were made with it
        std::vector<std::string> foldersAbove;   // folders above the target that the flow made
    };

    // anchor must outlive the record.
    explicit CRunRecord(IRunAnchor& anchor) : m_anchor(anchor) {}
    CRunRecord(const CRunRecord&) = delete;
    CRunRecord& operator=(const CRunRecord&) = delete;

    // Before the earlier log and record are replaced: what is carried of them (when carried.Any())
    // and the digests of two empty files.
    void StartAnchor(const CCarriedParts& carried, bool bTargetHeldFiles);
    // Creates Install.log; throws InstallStop (RunFile::log) when it cannot.
    void OpenLog(const Opener& open);
    // Creates Install.prior and writes its first lines: the header, what the target held, the
    // earlier record's lines, the keys and folders made for the entry and the target. Throws
    // InstallStop (RunFile::record) when it cannot be created, CFileException* as writes do.
    void OpenPrior(const Opener& open, const PriorStart& start, const CCarriedParts& carried);

    CListedLog& Log() { return *m_log; }
    CDigestFile& PriorFile() { return *m_prior; }
    PriorRecordWriter& Prior() { return m_writer; }

    // A line that went out for something not made after all: file is cut back to mark and the
    // anchor with it. A failure of its own is not told: the run's error is the one that is.
    static void TakeBack(CDigestFile& file, const CDigestFile::Mark& mark);

    // After a complete run: closes both files and keeps their whole digests; what was carried is
    // let go. Throws as Close does.
    void Complete();
    // As a run that stops early ends: the log gets what it still owes of the earlier installation,
    // and the anchor the digests of the lines written (the whole files' when nothing is owed any
    // more, what is carried still kept otherwise). Nothing once the files are closed.
    void Finish(CCarriedParts& carried);
    // Lets go of both files (Finish first).
    void Release();

private:
    void KeepOpenAnchor();
    void KeepFinalAnchor(bool bComplete);

    IRunAnchor& m_anchor;
    std::unique_ptr<CListedLog> m_log = std::make_unique<CListedLog>();
    PriorRecordWriter m_writer;
    std::unique_ptr<CDigestFile> m_prior = std::make_unique<CDigestFile>();
};
