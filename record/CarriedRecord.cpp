#include "CarriedRecord.h"

CarriedRecord CarryForward(const InstallRecord& earlier, const PriorState& found, const CarriedItemProbe& probe)
{
    CarriedRecord carried;
    carried.found = found;
    bool bKeyCarried = false;
    for (const LogItem& item : earlier.items) {
        switch (item.kind) {
        case LogItemKind::Directory:
        case LogItemKind::File:
            if (probe.Exists(item)) carried.payload.push_back(item);
            break;
        case LogItemKind::Key:
            bKeyCarried = probe.Exists(item);
            if (bKeyCarried) carried.registry.push_back(item);
            break;
        case LogItemKind::Value:
            if (bKeyCarried && probe.Exists(item)) carried.registry.push_back(item);
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
    const std::vector<LogItem>& items = carried.registry;
    for (size_t k = 0; k < items.size();) {
        // A key line and its values; the key goes again only when it or one of its values is new.
        size_t end = k + 1;
        bool bNew = !Listed(listed, items[k]);
        for (; end < items.size() && items[end].kind == LogItemKind::Value; ++end) bNew = bNew || !Listed(listed, items[end]);
        if (bNew) {
            if (!bMarkerWritten) log.RegistryMarker();
            bMarkerWritten = true;
            log.Key(items[k].nRoot, items[k].strPath.Str());
            for (size_t v = k + 1; v < end; ++v)
                if (!Listed(listed, items[v])) log.Value(items[v].strPath.Str());
        }
        k = end;
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
    for (const PriorValue& value : carried.found.values) record.Value(value);
}
