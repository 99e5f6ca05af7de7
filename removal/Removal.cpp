// The removal of what an installation's record lists: the order of its items and the dispatch of
// each to the removal of registry items or of files (Removal.h).
#include "Removal.h"

#include "AfxShell.h"
#include "SameName.h"

#include <algorithm>

namespace {

// Items of one kind in the reverse order of the log; with bDeepestFirst, deeper paths first.
std::vector<const LogItem*> InRemovalOrder(const InstallRecord& record, LogItemKind kind, bool bDeepestFirst)
{
    std::vector<const LogItem*> items;
    for (auto it = record.items.rbegin(); it != record.items.rend(); ++it)
        if (it->kind == kind) items.push_back(&*it);
    if (bDeepestFirst)
        std::stable_sort(items.begin(), items.end(), [](const LogItem* a, const LogItem* b) {
            return PathDepth(a->strPath) > PathDepth(b->strPath);
        });
    return items;
}

// Every item of record, in the order in which they go.
std::vector<const LogItem*> RemovalOrder(const InstallRecord& record)
{
    std::vector<const LogItem*> order;
    for (auto kind : {LogItemKind::Shortcut, LogItemKind::ShortcutFolder, LogItemKind::Value, LogItemKind::Key,
                      LogItemKind::File, LogItemKind::Directory}) {
        bool deepestFirst =
            kind == LogItemKind::Key || kind == LogItemKind::Directory || kind == LogItemKind::ShortcutFolder;
        std::vector<const LogItem*> items = InRemovalOrder(record, kind, deepestFirst);
        order.insert(order.end(), items.begin(), items.end());
    }
    return order;
}

bool Skipped(const std::vector<CString>& skipFiles, const CString& strPath)
{
    return std::any_of(skipFiles.begin(), skipFiles.end(), [&](const CString& s) { return SameEntryPath(s.Str(), strPath.Str()); });
}

}  // namespace

RemovalReport RemoveInstalledItems(const InstallRecord& record, const CString& strTargetDir,
                                   const std::vector<CString>& skipFiles, const RemovalProgress& progress,
                                   IInUseQuestion* pInUse)
{
    CFolderHandle target;
    if (!target.Open(strTargetDir) && GetLastError() == kErrorLinkOnPath) {
        RemovalReport report;
        LeaveByRule(report, strTargetDir, LeftReason::folderLink);
        return report;
    }
    // A folder that is not there leaves only the registry's items to do; the files are gone.
    return RemoveInstalledItems(record, target, strTargetDir, skipFiles, progress, pInUse);
}

RemovalReport RemoveInstalledItems(const InstallRecord& record, const CFolderHandle& target, const CString& strTargetDir,
                                   const std::vector<CString>& skipFiles, const RemovalProgress& progress,
                                   IInUseQuestion* pInUse)
{
    RemovalReport report;
    std::vector<const LogItem*> order = RemovalOrder(record);
    int nDone = 0;
    const int nTotal = int(order.size());
    CString strPrograms;
    for (const LogItem* item : order) {
        bool bRegistry = item->kind == LogItemKind::Value || item->kind == LogItemKind::Key;
        if (progress) progress(bRegistry ? RegistryItemText(*item) : item->strPath, nDone, nTotal);
        switch (item->kind) {
        case LogItemKind::Shortcut:
        case LogItemKind::ShortcutFolder:
            if (strPrograms.IsEmpty() && !AfxGetProgramsFolder(record.bForOneUser, strPrograms))
                LeaveUnfinished(report, item->strPath, LeftReason::startMenuUnknown);
            else
                RemoveShortcutItem(*item, strPrograms, report, pInUse);
            break;
        case LogItemKind::Value: RemoveValueItem(record, *item, report); break;
        case LogItemKind::Key: RemoveKeyItem(record, *item, report); break;
        case LogItemKind::File:
            if (Skipped(skipFiles, item->strPath) || !target.IsOpen()) break;
            if (record.prior.HasKeptFile(item->strPath.Str())) {
                PutBackKeptFile(target, item->strPath, strTargetDir + "\\" + item->strPath, report, pInUse);
                break;
            }
            RemoveBelow(target, item->strPath, false, strTargetDir + "\\" + item->strPath, report, pInUse);
            break;
        case LogItemKind::Directory:
            if (record.prior.HasDirectory(item->strPath.Str())) break;  // it was there before
            if (target.IsOpen()) RemoveBelow(target, item->strPath, true, strTargetDir + "\\" + item->strPath, report);
            break;
        }
        ++nDone;
    }
    RemoveMadeKeys(record, report);
    if (progress) progress("", nDone, nTotal);
    return report;
}
