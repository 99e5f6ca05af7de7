// The removal of files and folders, never through a link (FileRemoval.h).
#include "FileRemoval.h"

#include "AfxHandle.h"
#include "AfxInUse.h"
#include "AfxPath.h"
#include "AfxRestartGate.h"
#include "AfxSecurity.h"
#include "RestartPolicy.h"
#include "SameName.h"

#include <algorithm>
#include <cstring>

namespace {

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
    if (GetLastError() == kErrorOpenToUsers) return LeaveUnfinished(report, strPath, kInUseOpenReason);
    if (!AfxIsElevated()) {
        ++report.nAtSignIn;
        return LeaveUnfinished(report, strPath, kAtSignInReason);
    }
    LeaveUnfinished(report, strPath, RemovalErrorReason(err));
}


// Some systems say "access denied" for a folder that merely holds something.
bool HoldsSomething(const CString& strDir, DWORD err)
{
    return err == ERROR_DIR_NOT_EMPTY || (err == ERROR_ACCESS_DENIED && FolderHoldsMoreThan(strDir, ""));
}

}  // namespace

void RemoveBelow(const CFolderHandle& target, const CString& strRelative, bool bFolder, const CString& strShown,
                 RemovalReport& report, const InUseQuestion* pInUse)
{
    int cut = strRelative.ReverseFind('\\');
    CFolderHandle parent;
    if (cut > 0 && !parent.OpenChild(target, strRelative.Left(cut))) {
        DWORD err = GetLastError();
        if (RemovalFoundGone(err)) return;
        return LeaveForError(report, strShown, err);
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
    if (RemovalFoundGone(err)) return;
    if (bFolder && HoldsSomething(strShown, err)) return SettleFolder(strShown, ClassifyFolder(strShown, {}, report), report);
    LeaveForError(report, strShown, err);
}

void RemoveShortcutItem(const LogItem& item, const CString& strPrograms, RemovalReport& report,
                        const InUseQuestion* pInUse)
{
    CString path = strPrograms + "\\" + item.strPath;
    bool bFolder = item.kind == LogItemKind::ShortcutFolder;
    // Through handles of the folders on the way, as below the target: a link is never followed.
    CFolderHandle programs;
    if (!programs.Open(strPrograms)) {
        DWORD err = GetLastError();
        if (!RemovalFoundGone(err)) LeaveForError(report, path, err);
        return;
    }
    size_t before = report.left.size();
    RemoveBelow(programs, item.strPath, bFolder, path, report, pInUse);
    // A folder that still holds something else (other shortcuts of the product's family) stays silently.
    if (bFolder && report.left.size() > before && report.left.back().strReason == kForeignReason) report.left.pop_back();
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
        if (RemovalFoundGone(err)) return;
        bool busy = HeldByProgram(err, strShown);
        if (busy && waited >= nWaitMs) return GoAtRestart(strShown, err, report);
        if (!busy) return LeaveForError(report, strShown, err);
        Sleep(100);
    }
}

bool FolderHoldsMoreThan(const CString& strDir, const CString& strName)
{
    WIN32_FIND_DATAA data;
    CFindHandle h(FindFirstFileA(strDir + "\\*", &data));
    if (!h) return false;
    bool more = false;
    do {
        const char* n = data.cFileName;
        more = std::strcmp(n, ".") != 0 && std::strcmp(n, "..") != 0 && !SameEntryPath(strName.Str(), n);
    } while (!more && FindNextFileA(h.Get(), &data));
    return more;
}

void RemoveDirectoryIfEmpty(const CString& strPath, RemovalReport& report)
{
    if (RemoveDirectoryA(strPath)) {
        ++report.nRemoved;
        return;
    }
    DWORD err = GetLastError();
    if (RemovalFoundGone(err)) return;
    if (HoldsSomething(strPath, err)) return SettleFolder(strPath, ClassifyFolder(strPath, {}, report), report);
    LeaveUnfinished(report, strPath, RemovalErrorReason(err));
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
            if (SameFullPath(item.strWhat, path)) return &item;
        return static_cast<const LeftItem*>(nullptr);
    };
    bool scheduled = false, left = false;
    WIN32_FIND_DATAA data;
    CFindHandle h(FindFirstFileA(strDir + "\\*", &data));
    if (!h) return FolderContents::nothing;
    do {
        const char* n = data.cFileName;
        if (std::strcmp(n, ".") == 0 || std::strcmp(n, "..") == 0) continue;
        if (std::any_of(except.begin(), except.end(), [n](const CString& e) { return SameEntryPath(e.Str(), n); })) continue;
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
    case FolderContents::foreign: return LeaveByRule(report, strDir, kForeignReason);
    case FolderContents::leftItems: return LeaveUnfinished(report, strDir, kLeftInsideReason);
    case FolderContents::onlyScheduled:
        if (DeleteAtRestart(strDir)) return report.scheduled.push_back({strDir, kAtRestartReason, false});
        return LeaveUnfinished(report, strDir, RemovalErrorReason(GetLastError()));
    case FolderContents::nothing:
        // Emptied meanwhile, or not to be listed: one more try says which.
        if (RemoveDirectoryA(strDir)) ++report.nRemoved;
        else if (!RemovalFoundGone(GetLastError())) LeaveUnfinished(report, strDir, RemovalErrorReason(GetLastError()));
        return;
    }
}
