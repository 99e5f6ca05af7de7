#include "RecordTrust.h"

#include "InstallLog.h"
#include "InstallRecordFormat.h"

#include <algorithm>
#include <utility>

namespace {

const char kUsersOwnReason[] =
    "the only entry in the list of installed programs that keeps their record is one user's own, which a program "
    "running with administrator rights does not believe";
const char kBeyondUsersPartReason[] =
    "an installation for one user lists a key outside that user's part of the registry";

bool Believes(bool bElevated, int nRoot)
{
    for (int r : BelievedAnchorRoots(bElevated))
        if (r == nRoot) return true;
    return false;
}

// The line of the first key or value of strLog outside HKEY_CURRENT_USER; 0 when there is none.
// Only whole lines count, as a later installation reads them (a run stopped while it wrote its last
// line names nothing for sure); a log that does not read lists nothing, and its reader says so.
int FirstLineBeyondUsersPart(const std::string& strLog)
{
    size_t nWhole = strLog.rfind(kRecordLineEnd);
    nWhole = nWhole == std::string::npos ? 0 : nWhole + sizeof kRecordLineEnd - 1;
    InstallRecord record;
    LogDamage damage;
    if (!ParseInstallLog(strLog.data(), nWhole, record, damage)) return 0;
    for (const LogItem& item : record.items) {
        bool bRegistry = item.kind == LogItemKind::Key || item.kind == LogItemKind::Value;
        if (bRegistry && item.nRoot != kRootCurrentUser) return item.nLine;
    }
    return 0;
}

RecordVerdict FromAnchor(AnchorVerdict verdict)
{
    switch (verdict) {
    case AnchorVerdict::trusted: return RecordVerdict::trusted;
    case AnchorVerdict::noEntry: return RecordVerdict::noEntry;
    case AnchorVerdict::otherFolder: return RecordVerdict::otherFolder;
    case AnchorVerdict::otherRecord: return RecordVerdict::otherRecord;
    }
    return RecordVerdict::noEntry;
}

RecordTrust Untrusted(RecordVerdict verdict, const char* pszReason, const CString& strProduct = CString(),
                      int nRoot = -1)
{
    RecordTrust trust;
    trust.verdict = verdict;
    trust.strReason = pszReason;
    trust.strProduct = strProduct;
    trust.nRoot = nRoot;
    return trust;
}

// A record that an entry vouches for: believed, unless the entry is a user's own and the record
// reaches beyond that user's part of the registry.
RecordTrust Vouched(const CString& strProduct, int nRoot, std::string strLog, std::string strPrior)
{
    if (nRoot == kRootCurrentUser) {
        if (int nLine = FirstLineBeyondUsersPart(strLog)) {
            RecordTrust trust = Untrusted(RecordVerdict::beyondUsersPart, kBeyondUsersPartReason, strProduct, nRoot);
            trust.nLine = nLine;
            return trust;
        }
    }
    RecordTrust trust;
    trust.verdict = RecordVerdict::trusted;
    trust.strProduct = strProduct;
    trust.nRoot = nRoot;
    trust.strLog = std::move(strLog);
    trust.strPrior = std::move(strPrior);
    return trust;
}

// Setup.exe: its own product's entry below its scope's root, and nothing else.
RecordTrust JudgeForSetup(const CAnchorStore& store, const RecordQuestion& q, const std::string& strLog,
                          const std::string& strPrior)
{
    RecordAnchor anchor = store.Read(q.strProduct, q.nScopeRoot);
    // A run stopped just after it emptied the log left its record in the entry.
    bool bCarried = IsOpenDigest(anchor.strDigest) && !anchor.strCarriedLog.empty();
    if (strLog.empty() && strPrior.empty() && !bCarried) return Untrusted(RecordVerdict::nothing, "");
    std::string log = strLog, prior = strPrior;
    AnchorVerdict verdict = CheckRecordAnchor(anchor, q.strFolder, log, prior);
    if (verdict != AnchorVerdict::trusted)
        return Untrusted(FromAnchor(verdict), AnchorVerdictReason(verdict), q.strProduct, q.nScopeRoot);
    if (!Believes(q.bElevated, q.nScopeRoot))
        return Untrusted(RecordVerdict::usersOwnEntry, kUsersOwnReason, q.strProduct, q.nScopeRoot);
    return Vouched(q.strProduct, q.nScopeRoot, std::move(log), std::move(prior));
}

// Uninstal.exe: every product's entry that names the folder, those of the machine first. An entry
// that it may not believe is looked at only to say why nothing is believed.
RecordTrust JudgeForUninstaller(const CAnchorStore& store, const RecordQuestion& q, const std::string& strLog,
                                const std::string& strPrior)
{
    RecordTrust best = Untrusted(RecordVerdict::noEntry, AnchorVerdictReason(AnchorVerdict::noEntry));
    RecordTrust usersOwn;
    bool bUsersOwn = false;
    for (int nRoot : {kRootLocalMachine, kRootCurrentUser}) {
        bool bBelieved = Believes(q.bElevated, nRoot);
        for (const CString& name : store.Products(nRoot)) {
            std::string log = strLog, prior = strPrior;
            AnchorVerdict verdict = CheckRecordAnchor(store.Read(name, nRoot), q.strFolder, log, prior);
            if (verdict == AnchorVerdict::trusted && bBelieved) return Vouched(name, nRoot, std::move(log), std::move(prior));
            if (verdict == AnchorVerdict::trusted && !bUsersOwn) {
                usersOwn = Untrusted(RecordVerdict::usersOwnEntry, kUsersOwnReason, name, nRoot);
                bUsersOwn = true;
            }
            if (verdict == AnchorVerdict::otherRecord && bBelieved && best.verdict == RecordVerdict::noEntry)
                best = Untrusted(RecordVerdict::otherRecord, AnchorVerdictReason(verdict), name, nRoot);
        }
    }
    // Other digests kept for this very folder say more than a user's entry that agrees with them.
    if (best.verdict == RecordVerdict::otherRecord || !bUsersOwn) return best;
    return usersOwn;
}

}  // namespace

std::vector<int> BelievedAnchorRoots(bool bElevated)
{
    if (bElevated) return {kRootLocalMachine};
    return {kRootLocalMachine, kRootCurrentUser};
}

RecordTrust JudgeRecord(const CAnchorStore& store, const RecordQuestion& question, const RecordFileRead& log,
                        const RecordFileRead& prior)
{
    for (const auto& file : {std::make_pair(kInstallLogName, &log), std::make_pair(kPriorRecordName, &prior)}) {
        // The length given, or the bytes if a caller read more: either over the cap is too large.
        if (RecordFileFits(std::max<unsigned long long>(file.second->nLength, file.second->strData.size()))) continue;
        RecordTrust trust = Untrusted(RecordVerdict::tooLarge, "");
        trust.pszFile = file.first;
        trust.strReason = std::string(file.first) + " is larger than 64 MB, far more than any installation writes, and is not read";
        return trust;
    }
    if (question.reader == RecordReader::setup) return JudgeForSetup(store, question, log.strData, prior.strData);
    return JudgeForUninstaller(store, question, log.strData, prior.strData);
}
