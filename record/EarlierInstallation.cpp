// What an earlier installation into the target folder listed and found.
#include "EarlierInstallation.h"

#include "SameName.h"

void EarlierInstallation::Load(const std::string& strLog, const std::string& strRecord)
{
    *this = EarlierInstallation();
    PriorDamage damage;
    if (!strRecord.empty() && !ParsePriorRecord(strRecord.data(), strRecord.size(), m_found, damage))
        m_found = PriorState();
    size_t nWhole = strLog.rfind(kRecordLineEnd);
    nWhole = nWhole == std::string::npos ? 0 : nWhole + sizeof kRecordLineEnd - 1;
    InstallRecord log;
    LogDamage logDamage;
    if (!ParseInstallLog(strLog.data(), nWhole, log, logDamage)) return;
    m_strWholeLog = strLog.substr(0, nWhole);
    for (const LogItem& item : log.items) {
        if (item.kind == LogItemKind::Directory || item.kind == LogItemKind::File) m_payload.push_back(item);
        if (item.kind == LogItemKind::Directory) m_directories.push_back(item.strPath.Str());
        if (item.kind == LogItemKind::File) m_files.insert(FoldedEntryPath(item.strPath.Str()));
        if (item.kind == LogItemKind::Key) m_keys.push_back({item.nRoot, item.strPath.Str()});
        if (item.kind != LogItemKind::Value) continue;
        PriorValue v;
        v.nRoot = item.nRoot;
        v.strKey = item.strKey.Str();
        v.strName = item.strPath.Str();
        m_values.push_back(v);
    }
}

bool EarlierInstallation::ListsDirectory(const std::string& strPath) const { return HoldsDirectory(m_directories, strPath); }

bool EarlierInstallation::ListsFile(const std::string& strPath) const
{
    return m_files.count(FoldedEntryPath(strPath)) != 0;
}

InstallRecord EarlierInstallation::PayloadAt(const std::string& strPath) const
{
    InstallRecord record;
    record.prior = m_found;
    const std::string folded = FoldedEntryPath(strPath);
    for (const LogItem& item : m_payload) {
        const std::string path = FoldedEntryPath(item.strPath.Str());
        if (path == folded || (path.size() > folded.size() && path.compare(0, folded.size(), folded) == 0 &&
                               path[folded.size()] == '\\'))
            record.items.push_back(item);
    }
    return record;
}

bool EarlierInstallation::ListsKey(int nRoot, const std::string& strPath) const { return HoldsKey(m_keys, nRoot, strPath); }

bool EarlierInstallation::ListsValue(int nRoot, const std::string& strKey, const std::string& strName) const
{
    for (const PriorValue& v : m_values)
        if (v.nRoot == nRoot && SameKeyPath(v.strKey, strKey) && SameValueName(v.strName, strName)) return true;
    return false;
}
