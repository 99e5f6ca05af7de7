// The believed record (BelievedRecord.h): the trust decision. A record that is missing, damaged,
// too large, writable by others or not vouched for stops the run before anything is removed, with
// a message that says which.
#include "BelievedRecord.h"

#include "AfxElevation.h"
#include "AfxFile.h"
#include "AfxPath.h"
#include "AfxRegistry.h"
#include "AfxSecurity.h"
#include "AfxText.h"
#include "InstallRecordFormat.h"
#include "ProductEntry.h"
#include "RegistryAnchorStore.h"
#include "SameName.h"

namespace {

enum class LogState { read, missing, damaged, open };

// Opens a file of the record in the held target: never through a link, never one that others
// could have written or put in place (whoever put it there would own it: its owner and its own list
// say who). That is a second wall: what decides is the digest kept in the product's entry.
LogState OpenRecordFile(const CFolderHandle& target, const CString& strName, const CString& strPath, CFile& file)
{
    const UINT kMode = CFile::modeRead | CFile::shareDenyWrite | CFile::typeBinary | CFile::osNoLinks;
    CFileException error;
    BOOL bOpened = target.IsOpen() ? file.OpenIn(target, strName, kMode, &error, strPath) : file.Open(strPath, kMode, &error);
    if (!bOpened) return error.m_cause == CFileException::fileNotFound ? LogState::missing : LogState::damaged;
    if (!AfxOnlyTrustedCanWrite(file.GetOsHandle())) return LogState::open;
    return LogState::read;
}

// Reads a file of the record into file, telling nobody: its length first, its bytes only when the
// rule for believing a record lets them be read (RecordTrust.h). damaged: it could not be read.
LogState LoadRecordFile(const CFolderHandle& target, const char* pszName, const CString& strPath, RecordFileRead& file)
{
    CFile opened;
    LogState state = OpenRecordFile(target, pszName, strPath, opened);
    if (state != LogState::read) return state;
    // The whole length: a file beyond 4 GB must not pass for a small one.
    LARGE_INTEGER length = {};
    if (!GetFileSizeEx(opened.GetOsHandle(), &length)) return LogState::damaged;
    file.nLength = static_cast<unsigned long long>(length.QuadPart);
    if (!RecordFileFits(file.nLength)) return LogState::read;
    try {
        file.strData = opened.ReadAll();
    } catch (CFileException* e) {
        e->Delete();
        return LogState::damaged;
    }
    return LogState::read;
}

}  // namespace

// The log and the record as the product's entry vouches for them: for a run that was stopped before
// it could end, what it carried of the earlier installation joined with the lines it wrote.
bool CBelievedRecord::Read()
{
    LogDamage damage;
    RecordFileRead log, prior;
    LogState state = LoadRecordFile(m_target, kInstallLogName, m_strTarget + "\\" + kInstallLogName, log);
    if (state == LogState::damaged) state = LogState::missing;
    if (state == LogState::read) {
        if (!ReadPriorBytes(prior)) return false;
        RecordQuestion question;
        question.reader = RecordReader::uninstaller;
        // Elevated beside an everyday twin: the user's own entry is what that twin's programs write.
        question.bElevated = AfxGetRights() == AfxRights::elevated;
        question.strFolder = AfxNormalisedPath(m_strTarget);
        RecordTrust trust = JudgeRecord(CRegistryAnchorStore(), question, log, prior);
        if (trust.verdict == RecordVerdict::tooLarge) return TooLarge(trust.pszFile);
        m_verdict = trust.verdict;
        m_strVerdictReason = trust.strReason;
        if (trust.IsTrusted()) {
            m_strEntry = trust.strProduct;
            m_nEntryRoot = trust.nRoot;
            m_strLogData = std::move(trust.strLog);
            m_strPriorData = std::move(trust.strPrior);
        } else {
            m_strLogData = std::move(log.strData);
            m_strPriorData = std::move(prior.strData);
        }
        if (!ParseInstallLog(m_strLogData.data(), m_strLogData.size(), m_record, damage)) {
            state = LogState::damaged;
        } else if (m_verdict == RecordVerdict::beyondUsersPart) {
            damage.nLine = trust.nLine;
            damage.strReason = trust.strReason.c_str();
            state = LogState::damaged;
        }
        // An installation for one user is vouched for by that user's own entry: its shortcuts are
        // in that user's Start menu.
        m_record.bForOneUser = m_verdict == RecordVerdict::trusted && m_nEntryRoot == kRootCurrentUser;
    }
    // The log's name for the product when it has a sound one, else the folder's.
    bool named = state == LogState::read && !m_record.strProductName.IsEmpty();
    m_voice.SetProduct(named ? m_record.strProductName : AfxNameOf(m_strTarget));
    if (state == LogState::missing) {
        m_voice.Tell(AfxTextFormat("uninstall.log_missing", kInstallLogName, m_strTarget.GetString()), MB_ICONHAND);
        return false;
    }
    if (state == LogState::open) return Untrusted(kInstallLogName);
    if (state == LogState::damaged) {
        CString text = AfxTextFormat("uninstall.damaged", kInstallLogName, m_strTarget.GetString(), damage.nLine,
                                     damage.strReason.GetString());
        m_voice.Tell(text, MB_ICONHAND);
        return false;
    }
    if (!ReadPriorRecord()) return false;
    return MatchesKeptDigest();
}

// A file of the record larger than any installation writes is not read, and nothing is removed.
bool CBelievedRecord::TooLarge(const char* pszName)
{
    m_voice.SetProduct(AfxNameOf(m_strTarget));
    CString text = AfxTextFormat("uninstall.too_large", pszName, m_strTarget.GetString());
    m_voice.Tell(text, MB_ICONHAND);
    return false;
}

bool CBelievedRecord::Untrusted(const char* pszName)
{
    m_voice.Tell(AfxTextFormat("uninstall.untrusted_file", pszName, m_strTarget.GetString()), MB_ICONHAND);
    return false;
}

// The installation kept the digests of its log and record, and its folder, in its uninstall entry,
// where only administrators can write: a log or record that differs, one without such an entry, or
// a genuine one of another folder is not this installation's, and nothing is removed on its word
// (its shortcut lines alone reach the all-users Start menu). The value itself goes with the entry's
// other values, last.
bool CBelievedRecord::MatchesKeptDigest()
{
    const CString& entry = m_strEntry;
    if (m_verdict != RecordVerdict::trusted) {
        m_voice.Tell(AfxTextFormat("uninstall.untrusted_pair", kInstallLogName, kPriorRecordName, m_strTarget.GetString(),
                           m_strVerdictReason.c_str()),
             MB_ICONHAND);
        return false;
    }
    // The entry's key goes too when nothing else is left in it (a run that registered nothing
    // made it for the digest alone); a key that the log lists is removed by its own line.
    CString key = EntryKeyPath(entry);
    m_strEntryKey = key;
    LogItem digest = {LogItemKind::Value, 0, kInstallDigestValue, m_nEntryRoot, key};
    // What a run that was stopped carried: kept beside the digest (gone once a run has ended).
    LogItem carried = {LogItemKind::Value, 0, kInstallCarriedValue, m_nEntryRoot, key};
    if (AfxRegValueExists(RegistryRootKey(m_nEntryRoot), key, kInstallCarriedValue)) m_record.items.insert(m_record.items.begin(), carried);
    LogItem entryKey = {LogItemKind::Key, 0, key, m_nEntryRoot, CString()};
    m_record.items.insert(m_record.items.begin(), digest);
    if (m_record.strProductName.IsEmpty()) {
        m_record.items.insert(m_record.items.begin(), entryKey);
        m_voice.SetProduct(entry);
    }
    return true;
}

// The record of what the installation found already there. Without one (an installer of another
// make) every listed item counts as made by the installation; one that does not read stops all.
bool CBelievedRecord::ReadPriorBytes(RecordFileRead& prior)
{
    CString path = m_strTarget + "\\" + kPriorRecordName;
    LogState state = LoadRecordFile(m_target, kPriorRecordName, path, prior);
    if (state == LogState::missing || state == LogState::read) return true;
    if (state == LogState::open) return Untrusted(kPriorRecordName);
    m_voice.Tell(AfxTextFormat("uninstall.prior_unreadable", kPriorRecordName, m_strTarget.GetString()), MB_ICONHAND);
    return false;
}

// The record of what the installation found already there, as read. Without one (an installer of
// another make) every listed item counts as made by the installation; one that does not read stops
// all.
bool CBelievedRecord::ReadPriorRecord()
{
    PriorDamage damage;
    if (m_strPriorData.empty() || ParsePriorRecord(m_strPriorData.data(), m_strPriorData.size(), m_record.prior, damage))
        return true;
    CString text = AfxTextFormat("uninstall.damaged", kPriorRecordName, m_strTarget.GetString(), damage.nLine,
                                 damage.strReason.c_str());
    m_voice.Tell(text, MB_ICONHAND);
    return false;
}

CString CBelievedRecord::RecordedLanguage() const
{
    CString tag;
    if (!AfxRegQueryString(RegistryRootKey(m_nEntryRoot), m_strEntryKey, kEntryLanguage, tag, 64)) return CString();
    return tag;
}

bool CBelievedRecord::ListsUninstaller(const CString& strProgram) const
{
    CString expected = AfxNormalisedPath(m_strTarget + "\\" + kUninstallerName);
    if (expected.IsEmpty() || !SameFullPath(expected, strProgram)) return false;
    for (const LogItem& item : m_record.items)
        if (item.kind == LogItemKind::File && SameEntryPath(item.strPath.Str(), kUninstallerName)) return true;
    return false;
}
