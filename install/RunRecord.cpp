// The record a run leaves in the target, and its anchor (see RunRecord.h).
#include "RunRecord.h"

#include "InstallRecordFormat.h"
#include "RecordAnchor.h"

// The digests of the log and the record, with the folder, are kept in the product's entry where
// only administrators can write: so that the uninstaller can tell them from any that are put in
// their place, after a complete run as after one that failed, was cancelled or was killed. Before
// the earlier installation's log and record are replaced, what the run carries of them is kept
// there too, and the digests of two empty files: from then on the record is what is carried
// joined with what the new files verifiably hold.
void CRunRecord::StartAnchor(const CCarriedParts& carried, bool bTargetHeldFiles)
{
    if (carried.Any()) m_anchor.KeepCarried(carried.LogText(), carried.PriorText(bTargetHeldFiles));
    const std::string empty = CSha256::Of("");
    m_anchor.Keep(OpenDigestText(empty, 0, empty, 0));
}

void CRunRecord::OpenLog(const Opener& open)
{
    CFileException error;
    if (!open(*m_log, kInstallLogName, &error)) throw FileErrorStop(error, RunFile::log);
    m_log->SetAfterWrite([this] { KeepOpenAnchor(); });
}

// Made with the log, so that every log has its record; each line goes out before what it records.
void CRunRecord::OpenPrior(const Opener& open, const PriorStart& start, const CCarriedParts& carried)
{
    CFileException error;
    if (!open(*m_prior, kPriorRecordName, &error)) throw FileErrorStop(error, RunFile::record);
    m_prior->SetAfterWrite([this] { KeepOpenAnchor(); });
    m_writer = PriorRecordWriter(m_prior.get(), true);
    m_writer.Header();
    if (start.bTargetHeldFiles) m_writer.TargetHeldFiles();
    // An upgrade: the earlier installation is listed from the first line on.
    carried.WriteStart(m_writer);
    // The keys above the product's entry that the registry made with it (a profile without any
    // entry yet): gone with the entry, when nothing else is left in them.
    for (const std::string& key : start.entryParents) m_writer.MadeKey(start.nEntryRoot, key);
    // The folders above the target that the flow made for it (a profile without its folder for
    // programs yet, a new folder in Program Files): gone after the target, when nothing else is
    // left in them.
    for (const std::string& folder : start.foldersAbove) m_writer.MadeFolder(folder);
}

void CRunRecord::TakeBack(CDigestFile& file, const CDigestFile::Mark& mark)
{
    try {
        file.Rewind(mark);
    } catch (CFileException* e) {
        e->Delete();  // the run's own error is the one told
    }
}

// After every line: the digests of what the log and the record hold so far.
void CRunRecord::KeepOpenAnchor()
{
    m_anchor.Keep(OpenDigestText(m_log->HexDigest(), m_log->Written(), m_prior->HexDigest(), m_prior->Written()));
}

// As the run ends: with bComplete (the log lists what is carried, and the files were written to
// their end) the digests of the whole files, and what was carried is let go; otherwise the digests
// of the lines written, what was carried still kept.
void CRunRecord::KeepFinalAnchor(bool bComplete)
{
    m_log->SetAfterWrite(nullptr);
    m_prior->SetAfterWrite(nullptr);
    if (!bComplete) {
        KeepOpenAnchor();
        return;
    }
    if (m_anchor.Keep(m_log->HexDigest() + " " + m_prior->HexDigest())) m_anchor.KeepCarried("", "");
}

void CRunRecord::Complete()
{
    m_log->Close();
    m_prior->Close();
    KeepFinalAnchor(true);
}

// A run that ends early leaves a record that lists the earlier installation too, and that the
// uninstaller can verify.
void CRunRecord::Finish(CCarriedParts& carried)
{
    if (m_log && m_log->IsOpen() && m_prior && m_prior->IsOpen()) KeepFinalAnchor(carried.Finish(*m_log));
}

void CRunRecord::Release()
{
    m_log.reset();
    m_writer = PriorRecordWriter();
    m_prior.reset();
}
