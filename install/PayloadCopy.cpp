// The payload step of a run (see PayloadCopy.h).
#include "PayloadCopy.h"

#include "AfxHandle.h"
#include "AfxInUse.h"
#include "AfxNoLinks.h"
#include "AfxText.h"
#include "CarriedRecord.h"
#include "EntryOutput.h"
#include "FileRemoval.h"
#include "Removal.h"
#include "InstallLog.h"
#include "InstallMessages.h"
#include "InstallRecordFormat.h"
#include "InstallStop.h"
#include "PayloadStream.h"
#include "ProgressSink.h"
#include "RunRecord.h"
#include "TargetFolder.h"

#include <cstring>

namespace {

bool Listed(const std::vector<std::string>& paths, const char* pszPath)
{
    for (const std::string& p : paths)
        if (SameEntryPath(p, pszPath)) return true;
    return false;
}

}  // namespace

void CPayloadCopy::Run(UINT nTotal, BYTE* pBuffer, UINT nChunk)
{
    UINT nRemaining = nTotal;
    while (nRemaining != 0 && !Cancelled()) {
        m_parts.pStream->ReadName();
        if (m_parts.pStream->IsDirectory()) MakeDirectory();
        else CopyEntryFile(nRemaining, pBuffer, nChunk);
    }
}

void CPayloadCopy::MakeDirectory()
{
    CRunRecord& record = *m_parts.pRecord;
    const char* pszPath = m_parts.pStream->Name() + 1;
    CString path = m_parts.strPrefix + pszPath;
    m_parts.pOutput->CheckNotMedium(path, m_parts.pStream->Name(), true);
    // Listed before it is made, so that wherever the run stops nothing it made goes unlisted; taken
    // back when it cannot be made.
    CDigestFile::Mark mark = record.Log().GetMark();
    InstallLogWriter(record.Log()).Directory(pszPath);
    // A folder found there is recorded, unless this run or an earlier installation into this
    // folder made it (then it belongs to the product). Where it may have been there before the run
    // (in a target that held anything, below a folder this run did not make), that line goes out
    // before the look and is taken back when this run makes it: a run stopped in between leaves a
    // folder of its own rather than removes one that was there. Elsewhere it follows the look, and
    // a fresh installation writes no line to take back.
    const EarlierInstallation& earlier = *m_parts.pEarlier;
    bool bOurs = Listed(m_madeDirectories, pszPath) ||
                 (earlier.ListsDirectory(pszPath) && !earlier.Found().HasDirectory(pszPath));
    const char* pszLeaf = std::strrchr(pszPath, '\\');
    bool bUnderMade = pszLeaf && Listed(m_madeDirectories, std::string(pszPath, pszLeaf).c_str());
    bool bAhead = !bOurs && m_parts.bTargetHadAnything && !bUnderMade;
    if (earlier.ListsFile(pszPath)) ClearEarlierItem(pszPath);
    CDigestFile::Mark recordMark = record.PriorFile().GetMark();
    if (bAhead) record.Prior().Directory(pszPath);
    // An existing directory is accepted; a file of that name is not a directory.
    bool existed = false;
    DWORD err = m_parts.pTarget->MakeFolder(pszPath, &existed);
    if (bAhead && (err != NO_ERROR || !existed)) CRunRecord::TakeBack(record.PriorFile(), recordMark);
    if (err != NO_ERROR) CRunRecord::TakeBack(record.Log(), mark);
    if (err == kErrorLinkOnPath) m_parts.pOutput->ThrowLink(pszPath);
    if (err != NO_ERROR) {
        throw InstallStop{InstallStop::Kind::directory, AfxTextFormat("install.create_directory", path.GetString())};
    }
    if (existed && !bOurs && !bAhead) record.Prior().Directory(pszPath);
    if (!existed) m_madeDirectories.push_back(pszPath);
}

void CPayloadCopy::CopyEntryFile(UINT& nRemaining, BYTE* pBuffer, UINT nChunk)
{
    CPayloadStream& stream = *m_parts.pStream;
    CEntryOutput& output = *m_parts.pOutput;
    CRunRecord& record = *m_parts.pRecord;
    const CProgressSink& sink = *m_parts.pSink;
    UINT nSize = stream.ReadSize(nRemaining);
    sink.NotifyStatus(stream.Name());
    sink.Notify(WM_INSTALL_FILE_SIZE, LPARAM(nSize));
    sink.Notify(WM_INSTALL_FILE_RESET, 0);
    // Listed before it is opened, so that wherever the run stops nothing it made goes unlisted;
    // taken back when it cannot be opened.
    if (m_parts.pEarlier->ListsDirectory(stream.Name())) ClearEarlierItem(stream.Name());
    KeepEarlierFile(stream.Name());
    CDigestFile::Mark mark = record.Log().GetMark();
    InstallLogWriter(record.Log()).File(stream.Name());
    try {
        output.Open(stream.Name(), record.Log());
    } catch (...) {
        CRunRecord::TakeBack(record.Log(), mark);
        throw;
    }
    while (nSize != 0) {
        UINT ask = nSize < nChunk ? nSize : nChunk;
        UINT n = stream.Read(pBuffer, ask);
        output.Write(pBuffer, n);
        if (n != ask) stream.ThrowCutShort();
        // A stop request takes effect after the chunk in hand: the file stays as far as written.
        if (Cancelled()) break;
        sink.Notify(WM_INSTALL_FILE_STEP, LPARAM(n));
        sink.Notify(WM_INSTALL_TOTAL_STEP, LPARAM(n));
        nSize -= n;
        nRemaining -= n;
    }
    output.Close();
}

// Where this run puts a file in place of a folder of the earlier installation, or a folder in place
// of its file, what the earlier one listed there goes first, as the retire step would remove it
// (what was there before that installation stays). What stays (a file in use, a file of the
// user's in the folder) leaves the place taken, and the writing then says why it cannot.
void CPayloadCopy::ClearEarlierItem(const char* pszPath)
{
    const CString& prefix = m_parts.strPrefix;
    RemoveInstalledItems(m_parts.pEarlier->PayloadAt(pszPath), m_parts.pTarget->Root(), prefix.Left(prefix.GetLength() - 1),
                         {kUninstallerName, kInstallLogName, kPriorRecordName}, nullptr);
}

// A file that was there before the installation (not one that an earlier installation of the
// product listed, nor one this run wrote already) is copied aside, beside it under kKeptSuffix,
// before it is written; the record names it first. A copy that cannot be made stops the run before
// the file is touched. What cannot be read as a file (a folder of that name, a link) is left for
// the opening to refuse; a file that a program holds without sharing goes to the in-use question
// as it is.
void CPayloadCopy::KeepEarlierFile(const char* pszPath)
{
    bool bFirst = m_writtenFiles.insert(FoldedEntryPath(pszPath)).second;
    if (!bFirst || !m_parts.bTargetHadAnything || m_parts.pEarlier->ListsFile(pszPath)) return;
    CString leaf;
    DWORD err = NO_ERROR;
    const CFolderHandle* folder = m_parts.pTarget->FolderOf(pszPath, &leaf, &err);
    if (!folder) return;  // opening the file says why
    CHandle original;
    const CString strPath = m_parts.strPrefix + pszPath;
    err = folder->OpenChildFile(leaf, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                OPEN_EXISTING, nullptr, original);
    // A program holds it and lets nobody read it: no copy can be made, so it is not replaced
    // either; the run stops before the file is touched.
    if (err != NO_ERROR && AfxIsInUseError(err)) ThrowKeepFailed(err, strPath);
    if (err != NO_ERROR) return;
    m_parts.pOutput->CheckNotMedium(strPath, pszPath, false);
    CRunRecord& record = *m_parts.pRecord;
    CDigestFile::Mark mark = record.PriorFile().GetMark();
    record.Prior().KeptFile(pszPath);
    err = CopyToNewChild(original.Get(), *folder, leaf + kKeptSuffix);
    if (err == NO_ERROR) return;
    // The copy of a run of this installation that stopped before it wrote the file stands.
    if (err == ERROR_FILE_EXISTS && m_parts.pEarlier->Found().HasKeptFile(pszPath)) return;
    CRunRecord::TakeBack(record.PriorFile(), mark);
    if (err == kErrorLinkOnPath) m_parts.pOutput->ThrowLink(pszPath);
    ThrowKeepFailed(err, strPath + kKeptSuffix);
}

void CPayloadCopy::ThrowKeepFailed(DWORD err, const CString& strPath)
{
    CFileException e;
    e.m_cause = CFileException::OsErrorToException(LONG(err));
    e.m_lOsError = LONG(err);
    e.m_strFileName = strPath;
    throw FileErrorStop(e, RunFile::output);
}
