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

void WriteCarriedPayload(const CarriedRecord& carried, InstallLogWriter& log)
{
    for (const LogItem& item : carried.payload) {
        if (item.kind == LogItemKind::Directory) log.Directory(item.strPath.Str());
        else log.File(item.strPath.Str());
    }
}

void WriteCarriedRegistry(const CarriedRecord& carried, InstallLogWriter& log)
{
    for (const LogItem& item : carried.registry) {
        if (item.kind == LogItemKind::Key) log.Key(item.nRoot, item.strPath.Str());
        else log.Value(item.strPath.Str());
    }
}

void WriteCarriedShortcuts(const CarriedRecord& carried, InstallLogWriter& log)
{
    for (const LogItem& item : carried.shortcuts) {
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
