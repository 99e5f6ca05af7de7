#include "CarriedRecord.h"

#include <map>

CarriedRecord CarryForward(const InstallRecord& earlier, const PriorState& found, const CarriedItemProbe& probe)
{
    CarriedRecord carried;
    carried.found = found;
    // A value goes with its own key, which need not be the key item before it (InstallRecord).
    std::set<std::string> carriedKeys;
    for (const LogItem& item : earlier.items) {
        switch (item.kind) {
        case LogItemKind::Directory:
        case LogItemKind::File:
            if (probe.Exists(item)) carried.payload.push_back(item);
            break;
        case LogItemKind::Key:
            if (!probe.Exists(item)) break;
            carried.registry.push_back(item);
            carriedKeys.insert(LogKeyIdentity(item));
            break;
        case LogItemKind::Value:
            if (carriedKeys.count(LogKeyIdentity(item)) && probe.Exists(item)) carried.registry.push_back(item);
            break;
        case LogItemKind::ShortcutFolder:
        case LogItemKind::Shortcut:
            if (probe.Exists(item)) carried.shortcuts.push_back(item);
            break;
        }
    }
    return carried;
}

CarriedRecord CarryForward(const EarlierInstallation& earlier, const CarriedItemProbe& probe)
{
    InstallRecord log;
    LogDamage damage;
    const std::string& text = earlier.WholeLog();
    if (text.empty() || !ParseInstallLog(text.data(), text.size(), log, damage)) return CarriedRecord();
    return CarryForward(log, earlier.Found(), probe);
}

std::set<std::string> ListedItems(const std::string& strLogText)
{
    std::set<std::string> listed;
    InstallRecord record;
    LogDamage damage;
    if (ParseInstallLog(strLogText.data(), strLogText.size(), record, damage))
        for (const LogItem& item : record.items) listed.insert(LogItemIdentity(item));
    return listed;
}

namespace {

bool Listed(const std::set<std::string>& listed, const LogItem& item) { return listed.count(LogItemIdentity(item)) != 0; }

}  // namespace

void WriteCarriedPayload(const CarriedRecord& carried, InstallLogWriter& log, const std::set<std::string>& listed)
{
    for (const LogItem& item : carried.payload) {
        if (Listed(listed, item)) continue;
        if (item.kind == LogItemKind::Directory) log.Directory(item.strPath.Str());
        else log.File(item.strPath.Str());
    }
}

void WriteCarriedRegistry(const CarriedRecord& carried, InstallLogWriter& log, const std::set<std::string>& listed,
                          bool bMarkerWritten)
{
    // A key line goes when the key is new, or when a new value of it follows another key line
    // than its own (the new run's lines, or another carried key's): every value under its own key,
    // whatever item it follows in carried.registry. The line is spelt as the key's own item.
    std::map<std::string, const LogItem*> keys;
    std::string strLineKey;  // the identity of the last key line written here
    auto keyLine = [&](const LogItem& key) {
        if (!bMarkerWritten) log.RegistryMarker();
        bMarkerWritten = true;
        log.Key(key.nRoot, key.strPath.Str());
        strLineKey = LogKeyIdentity(key);
    };
    for (const LogItem& item : carried.registry) {
        if (item.kind == LogItemKind::Key) {
            keys.emplace(LogKeyIdentity(item), &item);
            if (!Listed(listed, item)) keyLine(item);
            continue;
        }
        if (item.kind != LogItemKind::Value || Listed(listed, item)) continue;
        std::string strKey = LogKeyIdentity(item);
        if (strKey != strLineKey) {
            auto found = keys.find(strKey);
            const LogItem own = {LogItemKind::Key, item.nLine, item.strKey, item.nRoot, CString()};
            keyLine(found != keys.end() ? *found->second : own);
        }
        log.Value(item.strPath.Str());
    }
}

void WriteCarriedShortcuts(const CarriedRecord& carried, InstallLogWriter& log, const std::set<std::string>& listed,
                           bool bMarkerWritten)
{
    for (const LogItem& item : carried.shortcuts) {
        if (Listed(listed, item)) continue;
        if (!bMarkerWritten) log.ShortcutMarker();
        bMarkerWritten = true;
        if (item.kind == LogItemKind::ShortcutFolder) log.ShortcutFolder(item.strPath.Str());
        else log.Shortcut(item.strPath.Str());
    }
}

void WriteCarriedPrior(const CarriedRecord& carried, PriorRecordWriter& record)
{
    for (const std::string& directory : carried.found.directories) record.Directory(directory);
    for (const PriorKey& key : carried.found.keys) record.Key(key.nRoot, key.strPath);
    for (const PriorKey& key : carried.found.madeKeys) record.MadeKey(key.nRoot, key.strPath);
    for (const std::string& folder : carried.found.madeFolders) record.MadeFolder(folder);
    for (const std::string& file : carried.found.keptFiles) record.KeptFile(file);
    for (const PriorValue& value : carried.found.values) record.Value(value);
}

std::string CarriedLogText(const CarriedRecord& carried)
{
    CTextSink sink;
    InstallLogWriter log(sink);
    std::set<std::string> none;
    WriteCarriedPayload(carried, log, none);
    WriteCarriedRegistry(carried, log, none, false);
    WriteCarriedShortcuts(carried, log, none, false);
    return StoredLogText(sink.Text());
}

std::string CarriedPriorText(const CarriedRecord& carried, bool bTargetHeldFiles)
{
    CTextSink sink;
    PriorRecordWriter record(&sink, true);
    record.Header();
    if (bTargetHeldFiles) record.TargetHeldFiles();
    WriteCarriedPrior(carried, record);
    return sink.Text();
}

namespace {

bool ReadLog(const std::string& strText, InstallRecord& record)
{
    LogDamage damage;
    return !strText.empty() && ParseInstallLog(strText.data(), strText.size(), record, damage);
}

bool InPart(const LogItem& item, int nPart)
{
    switch (item.kind) {
    case LogItemKind::Directory:
    case LogItemKind::File: return nPart == 0;
    case LogItemKind::Key:
    case LogItemKind::Value: return nPart == 1;
    case LogItemKind::ShortcutFolder:
    case LogItemKind::Shortcut: return nPart == 2;
    }
    return false;
}

}  // namespace

std::string UnionOfLogs(const std::string& strFirst, const std::string& strSecond)
{
    InstallRecord logs[2];
    bool bRead[2] = {ReadLog(strFirst, logs[0]), ReadLog(strSecond, logs[1])};
    if (!bRead[0]) return bRead[1] ? strSecond : "";
    if (!bRead[1]) return strFirst;
    CTextSink sink;
    InstallLogWriter out(sink);
    for (int nPart = 0; nPart < 3; ++nPart) {
        bool bMarker = false;
        // The key the last line of the registry part stands under: a value whose key is another
        // gets its key line again (a repeated line is one item to the reader). Keys compare as
        // items do, so that the value comes back under the very key it was read with.
        std::string strLineKey;
        for (const InstallRecord& log : logs)
            for (const LogItem& item : log.items) {
                if (!InPart(item, nPart)) continue;
                if (!bMarker && nPart == 1) out.RegistryMarker();
                if (!bMarker && nPart == 2) out.ShortcutMarker();
                bMarker = true;
                switch (item.kind) {
                case LogItemKind::Directory: out.Directory(item.strPath.Str()); break;
                case LogItemKind::File: out.File(item.strPath.Str()); break;
                case LogItemKind::Key:
                    out.Key(item.nRoot, item.strPath.Str());
                    strLineKey = LogKeyIdentity(item);
                    break;
                case LogItemKind::Value:
                    if (strLineKey != LogKeyIdentity(item)) {
                        out.Key(item.nRoot, item.strKey.Str());
                        strLineKey = LogKeyIdentity(item);
                    }
                    out.Value(item.strPath.Str());
                    break;
                case LogItemKind::ShortcutFolder: out.ShortcutFolder(item.strPath.Str()); break;
                case LogItemKind::Shortcut: out.Shortcut(item.strPath.Str()); break;
                }
            }
    }
    return StoredLogText(sink.Text());
}

std::string JoinRecords(const std::string& strFirst, const std::string& strSecond)
{
    // Whole lines only: a line cut short would run into the first line of the other.
    const size_t nEnd = sizeof kRecordLineEnd - 1;
    size_t nWhole = strFirst.rfind(kRecordLineEnd);
    std::string first = nWhole == std::string::npos ? std::string() : strFirst.substr(0, nWhole + nEnd);
    size_t nHeader = strSecond.find(kRecordLineEnd);
    if (nHeader == std::string::npos) return first;
    if (first.empty()) return strSecond;
    return first + strSecond.substr(nHeader + nEnd);
}

std::vector<LogItem> RetiredItems(const CarriedRecord& carried, const std::string& strOwnLog)
{
    const std::set<std::string> listed = ListedItems(strOwnLog);
    std::vector<LogItem> retired;
    for (const std::vector<LogItem>* part : {&carried.payload, &carried.registry, &carried.shortcuts})
        for (const LogItem& item : *part)
            if (!listed.count(LogItemIdentity(item))) retired.push_back(item);
    return retired;
}
