#include "Removal.h"

#include "AfxHandle.h"
#include "AfxRegistry.h"
#include "AfxSecurity.h"
#include "AfxShell.h"
#include "RestartPolicy.h"
#include "AfxInUse.h"
#include "AfxPath.h"

#include <algorithm>
#include <cstring>

const char kForeignReason[] = "holds files that the installation did not make";
const char kLeftInsideReason[] = "holds items of the installation that were left in place";
const char kAtRestartReason[] = "removed when Windows restarts";
const char kInUseReason[] = "in use by a program; removed when Windows restarts";
const char kAtSignInReason[] = "in use by a program; removed when you next sign in to Windows";

bool RemovalReport::Unfinished() const
{
    for (const LeftItem& item : left)
        if (item.bUnfinished) return true;
    return false;
}

bool RemovalReport::OnlyWaitsForSignIn() const
{
    if (nAtSignIn == 0) return false;
    for (const LeftItem& item : left)
        if (item.strReason != kAtSignInReason && item.strReason != kLeftInsideReason) return false;
    return true;
}

namespace {

// The subkey path as the registry calls want it: without backslashes at either end.
CString TrimmedKey(const CString& strPath)
{
    int first = 0, last = strPath.GetLength();
    while (first < last && strPath[first] == '\\') ++first;
    while (last > first && strPath[last - 1] == '\\') --last;
    return strPath.Mid(first, last - first);
}

CString KeyText(const LogItem& item)
{
    return CString(RegistryRootName(item.nRoot)) + "\\" + (item.kind == LogItemKind::Value ? item.strKey : item.strPath);
}

const char* ErrorReason(DWORD err)
{
    switch (err) {
    case ERROR_ACCESS_DENIED: return "access denied (in use, read-only or no rights)";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return "in use by a program";
    case ERROR_DIR_NOT_EMPTY: return kForeignReason;
    default: return "the system refused to remove it";
    }
}

bool Gone(DWORD err) { return err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND; }

const char kLinkReason[] = "a link or junction on its path; not followed";

// An item that stays by rule: a later run would leave it too.
void Leave(RemovalReport& report, const CString& what, const char* why) { report.left.push_back({what, why, false}); }
// An item of the installation that the system would not let go: a later run may try again.
void LeaveUnfinished(RemovalReport& report, const CString& what, const char* why)
{
    report.left.push_back({what, why, true});
}
// A refusal of the system: unfinished, but for a link, which stays by rule.
void LeaveFor(RemovalReport& report, const CString& what, DWORD err)
{
    if (err == kErrorLinkOnPath) return Leave(report, what, kLinkReason);
    if (err == DWORD(kErrorRegistryLink)) return Leave(report, what, kRegistryLinkReason);
    LeaveUnfinished(report, what, ErrorReason(err));
}

// A file that a program holds (not merely one that is read-only, which also meets "access denied").
bool HeldByProgram(DWORD err, const CString& strPath)
{
    if (!AfxIsInUseError(err)) return false;
    DWORD attributes = GetFileAttributesA(strPath);
    return err != ERROR_ACCESS_DENIED || attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY);
}

// A file in use that is given up: it goes at the next restart, or stays when the system will not
// arrange that either. A run without the administrators' rights may arrange nothing for the
// restart: the file stays for the run that the user's next sign-in starts.
void GoAtRestart(const CString& strPath, DWORD err, RemovalReport& report)
{
    if (DeleteAtRestart(strPath)) return report.scheduled.push_back({strPath, kInUseReason, false});
    if (!AfxIsElevated()) {
        ++report.nAtSignIn;
        return LeaveUnfinished(report, strPath, kAtSignInReason);
    }
    LeaveUnfinished(report, strPath, ErrorReason(err));
}

bool SamePath(const CString& a, const CString& b) { return a.CompareNoCase(b) == 0; }

// Removes the file or empty folder strRelative below the target held as target: each folder on the
// way is opened relative to the one before and checked not to be a link, and held (no one can
// rename it) while the item is removed through a handle of its own. A file in use is asked about
// (pInUse, null: given up at once) and, given up, goes at the restart; a folder that still holds
// something is settled by what it holds.
void RemoveBelow(const CFolderHandle& target, const CString& strRelative, bool bFolder, const CString& strShown,
                 RemovalReport& report, const InUseQuestion* pInUse = nullptr)
{
    int cut = strRelative.ReverseFind('\\');
    CFolderHandle parent;
    if (cut > 0 && !parent.OpenChild(target, strRelative.Left(cut))) {
        DWORD err = GetLastError();
        if (Gone(err)) return;
        return LeaveFor(report, strShown, err);
    }
    const CFolderHandle& folder = cut > 0 ? parent : target;
    const CString name = strRelative.Mid(cut + 1);
    DWORD err = folder.RemoveChild(name, bFolder);
    if (!bFolder) {
        while (HeldByProgram(err, strShown) && pInUse && *pInUse && (*pInUse)(strShown)) err = folder.RemoveChild(name, false);
        if (HeldByProgram(err, strShown)) return GoAtRestart(strShown, err, report);
    }
    if (err == NO_ERROR) {
        ++report.nRemoved;
        return;
    }
    if (Gone(err)) return;
    // Some systems say "access denied" for a folder that merely holds something.
    if (bFolder && (err == ERROR_DIR_NOT_EMPTY || (err == ERROR_ACCESS_DENIED && FolderHoldsMoreThan(strShown, ""))))
        return SettleFolder(strShown, ClassifyFolder(strShown, {}, report), report);
    LeaveFor(report, strShown, err);
}

void RemoveValue(const LogItem& item, RemovalReport& report)
{
    CString what = KeyText(item) + ": " + (item.strPath.IsEmpty() ? CString("(default)") : item.strPath);
    CString key = TrimmedKey(item.strKey);
    CRegKey hKey;
    LONG rc = AfxRegOpenKeyNoLinks(RegistryRootKey(item.nRoot), key, KEY_SET_VALUE, hKey);
    if (rc == ERROR_FILE_NOT_FOUND) return;  // the key went with its values already
    if (rc != ERROR_SUCCESS) return LeaveFor(report, what, DWORD(rc));
    rc = RegDeleteValueA(hKey.Get(), item.strPath);
    hKey.Close();
    if (rc == ERROR_SUCCESS) ++report.nRemoved;
    else if (rc != ERROR_FILE_NOT_FOUND) LeaveUnfinished(report, what, ErrorReason(DWORD(rc)));
}

// A value that the installation replaced: its earlier type and data go back, unless someone has
// changed or removed it since (then it stays as it is, and is reported).
void RestoreValue(const LogItem& item, const PriorValue& prior, RemovalReport& report)
{
    CString what = KeyText(item) + ": " + (item.strPath.IsEmpty() ? CString("(default)") : item.strPath);
    CRegKey hKey;
    LONG rc = AfxRegOpenKeyNoLinks(RegistryRootKey(item.nRoot), TrimmedKey(item.strKey), KEY_QUERY_VALUE | KEY_SET_VALUE,
                                   hKey);
    if (rc == ERROR_FILE_NOT_FOUND)
        return Leave(report, what, "its key was removed since the installation; its earlier data was not put back");
    if (rc != ERROR_SUCCESS) return LeaveFor(report, what, DWORD(rc));
    DWORD dwType = 0, cb = 0;
    std::vector<BYTE> data;
    rc = RegQueryValueExA(hKey.Get(), item.strPath, nullptr, &dwType, nullptr, &cb);
    if (rc == ERROR_SUCCESS) {
        data.assign(cb, 0);
        rc = RegQueryValueExA(hKey.Get(), item.strPath, nullptr, &dwType, cb ? data.data() : nullptr, &cb);
        data.resize(cb);
    }
    // A value that grew between the two reads is not what the installation wrote either.
    if (rc == ERROR_FILE_NOT_FOUND)
        return Leave(report, what, "removed since the installation; its earlier data was not put back");
    // The earlier data back already: an earlier run put it back and left something else unfinished.
    if (rc == ERROR_SUCCESS && dwType == prior.dwOldType && data == prior.oldData) return;
    if (rc == ERROR_MORE_DATA || (rc == ERROR_SUCCESS && (dwType != prior.dwNewType || data != prior.newData)))
        return Leave(report, what, "changed since the installation; left as it is");
    if (rc == ERROR_SUCCESS)
        rc = RegSetValueExA(hKey.Get(), item.strPath, 0, prior.dwOldType, prior.oldData.data(),
                            DWORD(prior.oldData.size()));
    if (rc != ERROR_SUCCESS) return LeaveUnfinished(report, what, ErrorReason(DWORD(rc)));
    ++report.nRemoved;
}

void RemoveKey(const LogItem& item, RemovalReport& report)
{
    CString key = TrimmedKey(item.strPath);
    if (key.IsEmpty()) return;  // values set on a root itself: the root stays
    CRegKey hKey;
    LONG rc = AfxRegOpenKeyNoLinks(RegistryRootKey(item.nRoot), key, KEY_READ, hKey);
    if (rc == ERROR_FILE_NOT_FOUND) return;
    if (rc != ERROR_SUCCESS) return LeaveFor(report, KeyText(item), DWORD(rc));
    DWORD nSubKeys = 0, nValues = 0;
    rc = RegQueryInfoKeyA(hKey.Get(), nullptr, nullptr, nullptr, &nSubKeys, nullptr, nullptr, &nValues, nullptr,
                          nullptr, nullptr, nullptr);
    hKey.Close();
    if (rc != ERROR_SUCCESS) return LeaveUnfinished(report, KeyText(item), ErrorReason(DWORD(rc)));
    if (nSubKeys != 0 || nValues != 0)
        return Leave(report, KeyText(item), "holds values or keys that the installation did not make");
    rc = AfxRegDeleteKeyNoLinks(RegistryRootKey(item.nRoot), key);
    if (rc == ERROR_SUCCESS) ++report.nRemoved;
    else if (rc != ERROR_FILE_NOT_FOUND) LeaveFor(report, KeyText(item), DWORD(rc));
}


// The keys that the installation made on the way to its own, deepest first, each when nothing is
// left in it; one that holds something (another product's key beside this one's, say) stays
// without a word: it is not the installation's alone; so does one that is a registry link, or
// below one (the link is not the installation's either, and its target never was).
void RemoveMadeKeys(const InstallRecord& record, RemovalReport& report)
{
    std::vector<PriorKey> keys = record.prior.madeKeys;
    std::stable_sort(keys.begin(), keys.end(), [](const PriorKey& a, const PriorKey& b) {
        return PathDepth(a.strPath.c_str()) > PathDepth(b.strPath.c_str());
    });
    for (const PriorKey& made : keys) {
        if (record.prior.HasKey(made.nRoot, made.strPath)) continue;  // found there by a later run
        CString key = TrimmedKey(made.strPath.c_str());
        CRegKey hKey;
        if (key.IsEmpty() || AfxRegOpenKeyNoLinks(RegistryRootKey(made.nRoot), key, KEY_READ, hKey) != ERROR_SUCCESS)
            continue;
        DWORD nSubKeys = 1, nValues = 1;
        RegQueryInfoKeyA(hKey.Get(), nullptr, nullptr, nullptr, &nSubKeys, nullptr, nullptr, &nValues, nullptr, nullptr,
                         nullptr, nullptr);
        hKey.Close();
        if (nSubKeys == 0 && nValues == 0 && AfxRegDeleteKeyNoLinks(RegistryRootKey(made.nRoot), key) == ERROR_SUCCESS)
            ++report.nRemoved;
    }
}

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

// A shortcut file, or a folder of the Start menu that the installation listed: the folder goes only
// when it is empty, and stays without a word when it holds anything else (other shortcuts of the
// product's family, say).
void RemoveShortcutItem(const LogItem& item, const CString& strPrograms, RemovalReport& report,
                        const InUseQuestion* pInUse)
{
    CString path = strPrograms + "\\" + item.strPath;
    bool bFolder = item.kind == LogItemKind::ShortcutFolder;
    // Through handles of the folders on the way, as below the target: a link is never followed.
    CFolderHandle programs;
    if (!programs.Open(strPrograms)) {
        DWORD err = GetLastError();
        if (!Gone(err)) LeaveFor(report, path, err);
        return;
    }
    size_t before = report.left.size();
    RemoveBelow(programs, item.strPath, bFolder, path, report, pInUse);
    // A folder that still holds something else (other shortcuts of the product's family) stays silently.
    if (bFolder && report.left.size() > before && report.left.back().strReason == kForeignReason) report.left.pop_back();
}

}  // namespace

bool FolderHoldsMoreThan(const CString& strDir, const CString& strName)
{
    WIN32_FIND_DATAA data;
    CFindHandle h(FindFirstFileA(strDir + "\\*", &data));
    if (!h) return false;
    bool more = false;
    do {
        const char* n = data.cFileName;
        more = std::strcmp(n, ".") != 0 && std::strcmp(n, "..") != 0 && strName.CompareNoCase(n) != 0;
    } while (!more && FindNextFileA(h.Get(), &data));
    return more;
}

void RemoveFileOf(const CString& strPath, RemovalReport& report, DWORD nWaitMs)
{
    for (DWORD waited = 0;; waited += 100) {
        if (DeleteFileA(strPath)) {
            ++report.nRemoved;
            return;
        }
        DWORD err = GetLastError();
        if (Gone(err)) return;
        bool busy = err == ERROR_ACCESS_DENIED || err == ERROR_SHARING_VIOLATION;
        if (!busy || waited >= nWaitMs) return LeaveUnfinished(report, strPath, ErrorReason(err));
        Sleep(100);
    }
}

void RemoveDirectoryIfEmpty(const CString& strPath, RemovalReport& report)
{
    if (RemoveDirectoryA(strPath)) {
        ++report.nRemoved;
        return;
    }
    DWORD err = GetLastError();
    if (Gone(err)) return;
    // Some systems say "access denied" for a folder that merely holds something.
    if (err == ERROR_DIR_NOT_EMPTY || (err == ERROR_ACCESS_DENIED && FolderHoldsMoreThan(strPath, "")))
        return SettleFolder(strPath, ClassifyFolder(strPath, {}, report), report);
    LeaveUnfinished(report, strPath, ErrorReason(err));
}

int RemoveMadeFolders(const PriorState& prior, const CString& strTargetDir)
{
    std::vector<std::string> folders;
    // Spelled as the target is (long components, full): the record keeps the installation's spelling.
    for (const std::string& made : prior.madeFolders) {
        CString folder = AfxNormalisedPath(CString(made.c_str()));
        if (IsFolderAbove(folder.Str(), strTargetDir.Str())) folders.push_back(folder.Str());
    }
    // Deepest first: a folder is empty only once those below it are gone.
    std::stable_sort(folders.begin(), folders.end(),
                     [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    int nRemoved = 0;
    for (const std::string& folder : folders) {
        CString path(folder.c_str());
        while (path.GetLength() > 3 && path[path.GetLength() - 1] == '\\') path = path.Left(path.GetLength() - 1);
        int cut = path.ReverseFind('\\');
        if (cut <= 0 || AfxLinkInPath(path)) continue;
        // The parent of "C:\Folder" is the drive's root "C:\", not the drive's current folder "C:".
        CFolderHandle parent;
        if (!parent.Open(cut == 2 && path[1] == ':' ? path.Left(3) : path.Left(cut))) continue;
        if (parent.RemoveChild(path.Mid(cut + 1), true) == NO_ERROR) ++nRemoved;
    }
    return nRemoved;
}

FolderContents ClassifyFolder(const CString& strDir, const std::vector<CString>& except, const RemovalReport& report)
{
    auto listed = [](const std::vector<LeftItem>& items, const CString& path) {
        for (const LeftItem& item : items)
            if (SamePath(item.strWhat, path)) return &item;
        return static_cast<const LeftItem*>(nullptr);
    };
    bool scheduled = false, left = false;
    WIN32_FIND_DATAA data;
    CFindHandle h(FindFirstFileA(strDir + "\\*", &data));
    if (!h) return FolderContents::nothing;
    do {
        const char* n = data.cFileName;
        if (std::strcmp(n, ".") == 0 || std::strcmp(n, "..") == 0) continue;
        if (std::any_of(except.begin(), except.end(), [n](const CString& e) { return SamePath(e, n); })) continue;
        CString path = strDir + "\\" + n;
        const LeftItem* leftItem = listed(report.left, path);
        if (listed(report.scheduled, path)) scheduled = true;
        else if (leftItem && leftItem->bUnfinished) left = true;
        else return FolderContents::foreign;
    } while (FindNextFileA(h.Get(), &data));
    if (left) return FolderContents::leftItems;
    return scheduled ? FolderContents::onlyScheduled : FolderContents::nothing;
}

void SettleFolder(const CString& strDir, FolderContents contents, RemovalReport& report)
{
    switch (contents) {
    case FolderContents::foreign: return Leave(report, strDir, kForeignReason);
    case FolderContents::leftItems: return LeaveUnfinished(report, strDir, kLeftInsideReason);
    case FolderContents::onlyScheduled:
        if (DeleteAtRestart(strDir)) return report.scheduled.push_back({strDir, kAtRestartReason, false});
        return LeaveUnfinished(report, strDir, ErrorReason(GetLastError()));
    case FolderContents::nothing:
        // Emptied meanwhile, or not to be listed: one more try says which.
        if (RemoveDirectoryA(strDir)) ++report.nRemoved;
        else if (!Gone(GetLastError())) LeaveUnfinished(report, strDir, ErrorReason(GetLastError()));
        return;
    }
}

void RemoveChildOf(const CFolderHandle& folder, const CString& strName, const CString& strShown,
                   RemovalReport& report, DWORD nWaitMs)
{
    for (DWORD waited = 0;; waited += 100) {
        DWORD err = folder.RemoveChild(strName, false);
        if (err == NO_ERROR) {
            ++report.nRemoved;
            return;
        }
        if (Gone(err)) return;
        bool busy = HeldByProgram(err, strShown);
        if (busy && waited >= nWaitMs) return GoAtRestart(strShown, err, report);
        if (!busy) return LeaveFor(report, strShown, err);
        Sleep(100);
    }
}

RemovalReport RemoveInstalledItems(const InstallRecord& record, const CString& strTargetDir,
                                   const std::vector<CString>& skipFiles, const RemovalProgress& progress,
                                   const InUseQuestion& inUse)
{
    CFolderHandle target;
    if (!target.Open(strTargetDir) && GetLastError() == kErrorLinkOnPath) {
        RemovalReport report;
        Leave(report, strTargetDir, "the folder is a link or junction; nothing is removed through it");
        return report;
    }
    // A folder that is not there leaves only the registry's items to do; the files are gone.
    return RemoveInstalledItems(record, target, strTargetDir, skipFiles, progress, inUse);
}

RemovalReport RemoveInstalledItems(const InstallRecord& record, const CFolderHandle& target, const CString& strTargetDir,
                                   const std::vector<CString>& skipFiles, const RemovalProgress& progress,
                                   const InUseQuestion& inUse)
{
    RemovalReport report;
    std::vector<const LogItem*> order;
    for (auto kind : {LogItemKind::Shortcut, LogItemKind::ShortcutFolder, LogItemKind::Value, LogItemKind::Key,
                      LogItemKind::File, LogItemKind::Directory}) {
        bool deepestFirst =
            kind == LogItemKind::Key || kind == LogItemKind::Directory || kind == LogItemKind::ShortcutFolder;
        std::vector<const LogItem*> items = InRemovalOrder(record, kind, deepestFirst);
        order.insert(order.end(), items.begin(), items.end());
    }
    int nDone = 0;
    const int nTotal = int(order.size());
    CString strPrograms;
    for (const LogItem* item : order) {
        switch (item->kind) {
        case LogItemKind::Shortcut:
        case LogItemKind::ShortcutFolder:
            if (progress) progress(item->strPath, nDone, nTotal);
            if (strPrograms.IsEmpty() && !AfxGetProgramsFolder(record.bForOneUser, strPrograms))
                LeaveUnfinished(report, item->strPath, "the Start menu's folder is not known");
            else
                RemoveShortcutItem(*item, strPrograms, report, &inUse);
            break;
        case LogItemKind::Value: {
            if (progress) progress(KeyText(*item), nDone, nTotal);
            const PriorValue* prior = record.prior.FindValue(item->nRoot, item->strKey.Str(), item->strPath.Str());
            if (prior) RestoreValue(*item, *prior, report);
            else RemoveValue(*item, report);
            break;
        }
        case LogItemKind::Key:
            if (progress) progress(KeyText(*item), nDone, nTotal);
            if (!record.prior.HasKey(item->nRoot, item->strPath.Str())) RemoveKey(*item, report);
            break;
        case LogItemKind::File: {
            if (progress) progress(item->strPath, nDone, nTotal);
            bool skip = std::any_of(skipFiles.begin(), skipFiles.end(),
                                    [&](const CString& s) { return SamePath(s, item->strPath); });
            CString path = strTargetDir + "\\" + item->strPath;
            if (skip || !target.IsOpen()) break;
            RemoveBelow(target, item->strPath, false, path, report, &inUse);
            break;
        }
        case LogItemKind::Directory: {
            if (progress) progress(item->strPath, nDone, nTotal);
            CString path = strTargetDir + "\\" + item->strPath;
            if (record.prior.HasDirectory(item->strPath.Str())) break;  // it was there before
            if (target.IsOpen()) RemoveBelow(target, item->strPath, true, path, report);
            break;
        }
        }
        ++nDone;
    }
    RemoveMadeKeys(record, report);
    if (progress) progress("", nDone, nTotal);
    return report;
}
