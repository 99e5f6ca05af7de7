// The removal of files and folders, never through a link (FileRemoval.h).
#include "FileRemoval.h"

#include "AfxHandle.h"
#include "AfxInUse.h"
#include "AfxPath.h"
#include "AfxRestartGate.h"
#include "AfxSecurity.h"
#include "InstallRecordFormat.h"
#include "RestartPolicy.h"
#include "SameName.h"

#include <algorithm>
#include <cstring>

namespace {

// Whether the user, asked about strPath that a program holds, would have the delete tried again.
// Nobody to ask, or any other answer, gives the file up to later (GoAtRestart): the removal has no
// way to stop.
bool AskedToTryAgain(IInUseQuestion* pInUse, const CString& strPath)
{
    return pInUse &&
           pInUse->Ask(strPath, AfxIsElevated() ? InUseLater::atRestart : InUseLater::atSignIn) == InUseAnswer::tryAgain;
}

// A file in use that is given up: it goes at the next restart, or stays when the system will not
// arrange that either. A run without the administrators' rights may arrange nothing for the
// restart: the file stays for the run that the user's next sign-in starts.
void GoAtRestart(const CString& strPath, DWORD err, RemovalReport& report)
{
    if (DeleteAtRestart(strPath)) return report.scheduled.push_back({strPath, LeftReason::inUseAtRestart, false});
    if (GetLastError() == kErrorOpenToUsers) return LeaveUnfinished(report, strPath, LeftReason::inUseOpen);
    if (!AfxIsElevated()) {
        ++report.nAtSignIn;
        return LeaveUnfinished(report, strPath, LeftReason::inUseAtSignIn);
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
                 RemovalReport& report, IInUseQuestion* pInUse)
{
    int cut = strRelative.ReverseFind('\\');
    CFolderHandle parent;
    if (cut > 0 && !parent.OpenChild(target, strRelative.Left(cut))) {
        DWORD err = GetLastError();
        // A file where its folder was (a later version's, or the user's): nothing below it is there.
        if (RemovalFoundGone(err) || err == ERROR_DIRECTORY) return;
        return LeaveForError(report, strShown, err);
    }
    const CFolderHandle& folder = cut > 0 ? parent : target;
    const CString name = strRelative.Mid(cut + 1);
    DWORD err = folder.RemoveChild(name, bFolder);
    if (!bFolder) {
        while (AfxIsHeldByProgram(err, strShown) && AskedToTryAgain(pInUse, strShown)) err = folder.RemoveChild(name, false);
        if (AfxIsHeldByProgram(err, strShown)) return GoAtRestart(strShown, err, report);
    }
    if (err == NO_ERROR) {
        ++report.nRemoved;
        return;
    }
    if (RemovalFoundGone(err)) return;
    if (bFolder && HoldsSomething(strShown, err)) return SettleFolder(strShown, ClassifyFolder(strShown, {}, report), report);
    LeaveForError(report, strShown, err);
}

DWORD CopyToNewChild(HANDLE hFrom, const CFolderHandle& folder, const CString& strTo)
{
    CHandle to;
    DWORD err = folder.OpenChildFile(strTo, GENERIC_WRITE, 0, CREATE_NEW, nullptr, to);
    if (err != NO_ERROR) return err;
    BYTE buffer[65536];
    for (;;) {
        DWORD nRead = 0, nWritten = 0;
        if (!ReadFile(hFrom, buffer, sizeof buffer, &nRead, nullptr)) {
            err = GetLastError();
            break;
        }
        if (nRead == 0) break;
        if (!WriteFile(to.Get(), buffer, nRead, &nWritten, nullptr)) {
            err = GetLastError();
            break;
        }
        if (nWritten != nRead) {
            err = ERROR_WRITE_FAULT;
            break;
        }
    }
    if (err == NO_ERROR && !FlushFileBuffers(to.Get())) err = GetLastError();
    to.Close();
    if (err != NO_ERROR) folder.RemoveChild(strTo, false);
    return err;
}

DWORD CopyWithin(const CFolderHandle& folder, const CString& strFrom, const CString& strTo)
{
    CHandle from;
    DWORD err = folder.OpenChildFile(strFrom, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     OPEN_EXISTING, nullptr, from);
    return err != NO_ERROR ? err : CopyToNewChild(from.Get(), folder, strTo);
}

void PutBackKeptFile(const CFolderHandle& target, const CString& strRelative, const CString& strShown,
                     RemovalReport& report, IInUseQuestion* pInUse)
{
    int cut = strRelative.ReverseFind('\\');
    CFolderHandle parent;
    if (cut > 0 && !parent.OpenChild(target, strRelative.Left(cut))) {
        DWORD err = GetLastError();
        if (!RemovalFoundGone(err) && err != ERROR_DIRECTORY) LeaveForError(report, strShown, err);
        return;
    }
    const CFolderHandle& folder = cut > 0 ? parent : target;
    const CString name = strRelative.Mid(cut + 1), kept = name + kKeptSuffix;
    CHandle probe;
    if (folder.OpenChildFile(kept, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             OPEN_EXISTING, nullptr, probe) != NO_ERROR)
        return;
    probe.Close();
    size_t nLeft = report.left.size(), nScheduled = report.scheduled.size();
    RemoveBelow(target, strRelative, false, strShown, report, pInUse);
    // The installation's file must be gone first: one still there (in use, say) keeps the copy too.
    if (report.left.size() != nLeft || report.scheduled.size() != nScheduled) return;
    DWORD err = CopyWithin(folder, kept, name);
    if (err != NO_ERROR) return LeaveForError(report, strShown + kKeptSuffix, err);
    err = folder.RemoveChild(kept, false);
    if (err != NO_ERROR && !RemovalFoundGone(err)) LeaveForError(report, strShown + kKeptSuffix, err);
}

void RemoveShortcutItem(const LogItem& item, const CString& strPrograms, RemovalReport& report,
                        IInUseQuestion* pInUse)
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
    if (bFolder && report.left.size() > before && report.left.back().reason == LeftReason::foreignFiles) report.left.pop_back();
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
        bool busy = AfxIsHeldByProgram(err, strShown);
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
    case FolderContents::foreign: return LeaveByRule(report, strDir, LeftReason::foreignFiles);
    case FolderContents::leftItems: return LeaveUnfinished(report, strDir, LeftReason::leftInside);
    case FolderContents::onlyScheduled:
        if (DeleteAtRestart(strDir)) return report.scheduled.push_back({strDir, LeftReason::atRestart, false});
        return LeaveUnfinished(report, strDir, RemovalErrorReason(GetLastError()));
    case FolderContents::nothing:
        // Emptied meanwhile, or not to be listed: one more try says which.
        if (RemoveDirectoryA(strDir)) ++report.nRemoved;
        else if (!RemovalFoundGone(GetLastError())) LeaveUnfinished(report, strDir, RemovalErrorReason(GetLastError()));
        return;
    }
}
