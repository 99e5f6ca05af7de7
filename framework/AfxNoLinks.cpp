#include "AfxNoLinks.h"

#include "AfxCodePageWin32.h"
#include "AfxNameCase.h"

#include <winternl.h>

#include <string>
#include <vector>

namespace {

typedef NTSTATUS(NTAPI* NtCreateFileProc)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK, PLARGE_INTEGER,
                                          ULONG, ULONG, ULONG, ULONG, PVOID, ULONG);
typedef NTSTATUS(NTAPI* NtSetInformationFileProc)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, ULONG);
typedef ULONG(NTAPI* RtlNtStatusToDosErrorProc)(NTSTATUS);
typedef DWORD(WINAPI* GetFinalPathNameByHandleProc)(HANDLE, LPSTR, DWORD, DWORD);

const ULONG kFileOpen = 1, kFileCreate = 2, kFileOpenIf = 3;  // dispositions: FILE_OPEN ...
const ULONG_PTR kFileCreated = 2;                               // the outcome FILE_CREATED
const ULONG kFileDispositionInformation = 13;  // FILE_INFORMATION_CLASS
const ULONG kDirectoryFile = 0x00000001, kNonDirectoryFile = 0x00000040, kSynchronousIo = 0x00000020,
            kForBackup = 0x00004000, kOpenReparsePoint = 0x00200000;

// The system's native file calls, which open a name relative to a folder's handle. Looked up at
// run time: ntdll is in every process, but its import library is not one we link.
struct NativeCalls {
    NtCreateFileProc create = nullptr;
    NtSetInformationFileProc setInformation = nullptr;
    RtlNtStatusToDosErrorProc toDosError = nullptr;
    GetFinalPathNameByHandleProc finalPath = nullptr;  // missing before Vista

    NativeCalls()
    {
        HMODULE ntdll = GetModuleHandleA("ntdll.dll");
        if (!ntdll) return;
        create = reinterpret_cast<NtCreateFileProc>(reinterpret_cast<void (*)()>(GetProcAddress(ntdll, "NtCreateFile")));
        setInformation = reinterpret_cast<NtSetInformationFileProc>(
            reinterpret_cast<void (*)()>(GetProcAddress(ntdll, "NtSetInformationFile")));
        toDosError = reinterpret_cast<RtlNtStatusToDosErrorProc>(
            reinterpret_cast<void (*)()>(GetProcAddress(ntdll, "RtlNtStatusToDosError")));
        HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
        if (kernel32)
            finalPath = reinterpret_cast<GetFinalPathNameByHandleProc>(
                reinterpret_cast<void (*)()>(GetProcAddress(kernel32, "GetFinalPathNameByHandleA")));
    }
    bool Ready() const { return create && setInformation && toDosError; }
};

const NativeCalls& Native()
{
    static const NativeCalls calls;
    return calls;
}

bool IsLinkAttributes(DWORD attrs) { return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_REPARSE_POINT); }

// Checks what h holds: NO_ERROR, kErrorLinkOnPath for a link, ERROR_DIRECTORY for a file where a
// folder was wanted.
DWORD CheckOpened(HANDLE h, bool bFolder)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h, &info)) return GetLastError();
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return kErrorLinkOnPath;
    if (bFolder && !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return ERROR_DIRECTORY;
    return NO_ERROR;
}

// The path that h leads to, every link on the way resolved, without a closing backslash (a drive's
// root has one); empty where the system cannot tell.
CString FinalPath(HANDLE h)
{
    const NativeCalls& nt = Native();
    if (!nt.finalPath) return CString();
    DWORD n = nt.finalPath(h, nullptr, 0, FILE_NAME_NORMALIZED);
    if (n == 0) return CString();
    std::vector<char> buf(n + 1, 0);
    if (nt.finalPath(h, buf.data(), n + 1, FILE_NAME_NORMALIZED) == 0) return CString();
    CString path(buf.data());
    return path.Right(1) == "\\" ? path.Left(path.GetLength() - 1) : path;
}

// An item opened below the folder whose final path is strFolderFinal must lead to strFolderFinal
// and its own name: anything else was reached through a link (some systems follow a link even
// when asked to open the link itself, and then show no reparse point on the handle).
DWORD CheckPlace(HANDLE h, const CString& strFolderFinal, const CString& strName)
{
    if (strFolderFinal.IsEmpty()) return NO_ERROR;
    return AfxSamePath(FinalPath(h).Str(), (strFolderFinal + "\\" + strName).Str()) ? NO_ERROR : kErrorLinkOnPath;
}

// Opens strName (one component) relative to the folder hRoot, the link itself when it is one.
// disposition is the native call's (kFileOpen, kFileCreate, kFileOpenIf); pCreated, when given,
// says whether the item was made by this call. A new item gets pSecurity's list when one is given.
DWORD OpenRelative(HANDLE hRoot, const CString& strName, ACCESS_MASK access, ULONG share, ULONG options, CHandle& out,
                   ULONG disposition = kFileOpen, SECURITY_ATTRIBUTES* pSecurity = nullptr, bool* pCreated = nullptr)
{
    const NativeCalls& nt = Native();
    if (!nt.Ready()) return ERROR_PROC_NOT_FOUND;
    if (strName.IsEmpty() || strName == "." || strName == ".." || strName.Find('\\') >= 0 || strName.Find('/') >= 0)
        return ERROR_INVALID_NAME;
    // Bytes that are no text of the code page name no file: never one with a replacement character.
    std::wstring wide;
    if (!AfxAnsiToWide(strName.GetString(), wide) || wide.empty() || wide.size() >= 0x7FFF) return ERROR_INVALID_NAME;
    UNICODE_STRING name;
    name.Buffer = &wide[0];
    name.Length = USHORT(wide.size() * sizeof(WCHAR));
    name.MaximumLength = USHORT((wide.size() + 1) * sizeof(WCHAR));
    OBJECT_ATTRIBUTES oa;
    InitializeObjectAttributes(&oa, &name, OBJ_CASE_INSENSITIVE, hRoot,
                               pSecurity ? pSecurity->lpSecurityDescriptor : nullptr);
    IO_STATUS_BLOCK io = {};
    HANDLE h = nullptr;
    NTSTATUS status = nt.create(&h, access | SYNCHRONIZE, &oa, &io, nullptr, FILE_ATTRIBUTE_NORMAL, share, disposition,
                                options | kSynchronousIo | kOpenReparsePoint, nullptr, 0);
    if (status < 0) return nt.toDosError(status);
    if (pCreated) *pCreated = io.Information == kFileCreated;
    out.Attach(h);
    return NO_ERROR;
}

std::vector<CString> Components(const CString& strRelative)
{
    std::vector<CString> parts;
    int start = 0;
    for (;;) {
        int sep = strRelative.Find('\\', start);
        CString part = sep < 0 ? strRelative.Mid(start) : strRelative.Mid(start, sep - start);
        if (!part.IsEmpty()) parts.push_back(part);
        if (sep < 0) return parts;
        start = sep + 1;
    }
}

}  // namespace

DWORD AfxCheckSingleName(HANDLE h)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h, &info)) return GetLastError();
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return NO_ERROR;
    return info.nNumberOfLinks > 1 ? kErrorHardLinked : NO_ERROR;
}

DWORD AfxCheckOpenedFile(HANDLE h, const CString& strPath)
{
    DWORD err = CheckOpened(h, false);
    if (err != NO_ERROR) return err;
    int cut = -1;
    for (int i = 0; i < strPath.GetLength(); ++i)
        if (strPath[i] == '\\' || strPath[i] == '/') cut = i;
    CString folder = cut < 0 ? CString(".") : cut == 0 || strPath[cut - 1] == ':' ? strPath.Left(cut + 1) : strPath.Left(cut);
    CHandle hFolder(CreateFileA(folder, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return CheckPlace(h, hFolder ? FinalPath(hFolder.Get()) : CString(), strPath.Mid(cut + 1));
}

bool CFolderHandle::Open(const CString& strPath, DWORD dwExtraAccess)
{
    m_h.Close();
    // Looked at by name as well as by handle: a system that opens a link's target despite
    // FILE_FLAG_OPEN_REPARSE_POINT still names the link a reparse point.
    if (IsLinkAttributes(GetFileAttributesA(strPath))) {
        SetLastError(kErrorLinkOnPath);
        return false;
    }
    CHandle h(CreateFileA(strPath, FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | READ_CONTROL | dwExtraAccess,
                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                          FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!h) return false;
    DWORD err = CheckOpened(h.Get(), true);
    if (err != NO_ERROR) {
        SetLastError(err);
        return false;
    }
    m_strFinal = CString();
    m_bFinalKnown = false;
    m_h = std::move(h);
    return true;
}

const CString& CFolderHandle::Final() const
{
    if (!m_bFinalKnown) {
        m_strFinal = FinalPath(m_h.Get());
        m_bFinalKnown = true;
    }
    return m_strFinal;
}

DWORD CFolderHandle::CheckExisting(HANDLE h, const CString& strName, bool bFolder) const
{
    DWORD err = CheckOpened(h, bFolder);
    return err == NO_ERROR ? CheckPlace(h, Final(), strName) : err;
}

bool CFolderHandle::OpenChild(const CFolderHandle& parent, const CString& strName)
{
    std::vector<CString> parts = Components(strName);
    if (parts.empty()) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    // Each level held while the next is opened relative to it.
    CFolderHandle level;
    const CFolderHandle* pAt = &parent;
    for (const CString& part : parts) {
        CFolderHandle next;
        DWORD err = OpenRelative(pAt->Get(), part, FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | READ_CONTROL,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, kDirectoryFile | kForBackup, next.m_h);
        if (err == NO_ERROR) err = pAt->CheckExisting(next.Get(), part, true);
        if (err != NO_ERROR) {
            SetLastError(err);
            return false;
        }
        level = std::move(next);
        pAt = &level;
    }
    *this = std::move(level);
    return true;
}

DWORD CFolderHandle::CreateChild(const CString& strName, SECURITY_ATTRIBUTES* pSecurity, CFolderHandle& child,
                                 bool* pExisted, DWORD dwExtraAccess) const
{
    CFolderHandle made;
    bool bCreated = false;
    DWORD err = OpenRelative(m_h.Get(), strName,
                             FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | READ_CONTROL | dwExtraAccess,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, kDirectoryFile | kForBackup, made.m_h, kFileOpenIf,
                             pSecurity, &bCreated);
    // A file of that name answers as "not a directory".
    if (err == ERROR_DIRECTORY || err == ERROR_FILE_EXISTS) return ERROR_DIRECTORY;
    // Only a folder that was there already can be a link, or lead elsewhere.
    if (err == NO_ERROR && !bCreated) err = CheckExisting(made.Get(), strName, true);
    if (err != NO_ERROR) return err;
    if (pExisted) *pExisted = !bCreated;
    child = std::move(made);
    return NO_ERROR;
}

DWORD CFolderHandle::OpenChildFile(const CString& strName, DWORD dwAccess, DWORD dwShare, DWORD dwDisposition,
                                   SECURITY_ATTRIBUTES* pSecurity, CHandle& file) const
{
    bool bCreate = dwDisposition == CREATE_NEW;
    if (!bCreate && dwDisposition != OPEN_EXISTING) return ERROR_INVALID_PARAMETER;
    // GENERIC_WRITE and GENERIC_READ are what the native call understands too.
    CHandle h;
    DWORD err = OpenRelative(m_h.Get(), strName, dwAccess | FILE_READ_ATTRIBUTES, dwShare, kNonDirectoryFile, h,
                             bCreate ? kFileCreate : kFileOpen, bCreate ? pSecurity : nullptr);
    if (err == ERROR_ALREADY_EXISTS) err = ERROR_FILE_EXISTS;
    if (err == NO_ERROR && !bCreate) err = CheckExisting(h.Get(), strName, false);
    if (err != NO_ERROR) return err;
    file = std::move(h);
    return NO_ERROR;
}

DWORD CFolderHandle::OpenChildFileToWrite(const CString& strName, DWORD dwAccess, DWORD dwShare,
                                          SECURITY_ATTRIBUTES* pSecurity, bool bReplace, CHandle& file,
                                          bool* pReplaced) const
{
    if (pReplaced) *pReplaced = false;
    CHandle h;
    DWORD err = OpenChildFile(strName, dwAccess, dwShare, OPEN_EXISTING, nullptr, h);
    if (err == NO_ERROR) err = AfxCheckSingleName(h.Get());
    if (err != kErrorHardLinked || !bReplace) {
        if (err == NO_ERROR) file = std::move(h);
        return err;
    }
    // Removing a name changes nothing behind the file's other names. Whatever stands at the name
    // once it has been let go is removed the same way, links refused: the name is the one to be
    // written.
    h.Close();
    err = RemoveChild(strName, false);
    if (err == NO_ERROR) err = OpenChildFile(strName, dwAccess, dwShare, CREATE_NEW, pSecurity, h);
    if (err != NO_ERROR) return err == kErrorLinkOnPath ? err : kErrorHardLinked;
    if (pReplaced) *pReplaced = true;
    file = std::move(h);
    return NO_ERROR;
}

DWORD CFolderHandle::RemoveChild(const CString& strName, bool bFolder) const
{
    CHandle h;
    DWORD err = OpenRelative(m_h.Get(), strName, DELETE | FILE_READ_ATTRIBUTES,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             bFolder ? kDirectoryFile | kForBackup : kNonDirectoryFile, h);
    if (err == NO_ERROR) err = CheckExisting(h.Get(), strName, bFolder);
    if (err != NO_ERROR) return err;
    // Marked for deletion through the handle: whatever name leads to the item now, it is the one
    // checked above that goes when the handle closes.
    BOOLEAN bDelete = TRUE;
    IO_STATUS_BLOCK io = {};
    NTSTATUS status = Native().setInformation(h.Get(), &io, &bDelete, sizeof bDelete, kFileDispositionInformation);
    if (status < 0) return Native().toDosError(status);
    h.Close();
    return NO_ERROR;
}

namespace {

bool IsLetter(char ch) { return (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z'); }

// Where the part of a full path below its root starts: after "C:\", "\\server\share\", or either
// of them behind "\\?\" or "\\.\"; -1 for a path without such a root.
int RootLength(const CString& strFull)
{
    const std::string& s = strFull.Str();
    size_t at = 0;
    bool bShare = false;
    if (s.compare(0, 4, "\\\\?\\") == 0 || s.compare(0, 4, "\\\\.\\") == 0) {
        at = 4;
        if (s.size() >= 8 && CString(s.substr(4, 4).c_str()).CompareNoCase("UNC\\") == 0) {
            at = 8;
            bShare = true;
        }
    } else if (s.compare(0, 2, "\\\\") == 0) {
        at = 2;
        bShare = true;
    }
    if (!bShare) return s.size() >= at + 3 && IsLetter(s[at]) && s[at + 1] == ':' && s[at + 2] == '\\' ? int(at + 3) : -1;
    size_t server = s.find('\\', at);
    if (server == std::string::npos || server == at) return -1;
    size_t share = s.find('\\', server + 1);
    if (share == server + 1) return -1;
    return share == std::string::npos ? int(s.size()) : int(share + 1);
}

CHandle OpenToLookAt(const CString& strPath)
{
    return CHandle(CreateFileA(strPath, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

// True when strName, the last component of strPath, is the short (8.3) form of strLong: the
// system resolves a short name to the long one.
bool IsShortNameOf(const CString& strPath, const CString& strName, const CString& strLong)
{
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA(strPath, &data);
    if (h == INVALID_HANDLE_VALUE) return false;
    FindClose(h);
    return AfxSameName(strName.Str(), data.cAlternateFileName) && AfxSameName(strLong.Str(), data.cFileName);
}

bool IsMissing(DWORD err)
{
    return err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND || err == ERROR_INVALID_NAME ||
           err == ERROR_DIRECTORY || err == ERROR_BAD_NETPATH || err == ERROR_BAD_NET_NAME || err == ERROR_NOT_READY ||
           err == ERROR_FILENAME_EXCED_RANGE;
}

}  // namespace

bool AfxLinkInPath(const CString& strPath)
{
    DWORD n = GetFullPathNameA(strPath, 0, nullptr, nullptr);
    if (n == 0) return false;
    std::vector<char> buf(size_t(n) + 1, 0);
    if (GetFullPathNameA(strPath, n + 1, buf.data(), nullptr) == 0) return false;
    CString full(buf.data());
    int at = RootLength(full);
    if (at < 0) return false;
    CString path = full.Left(at);
    if (path.Right(1) != "\\") path += "\\";
    CString parentFinal;
    if (CHandle root = OpenToLookAt(path)) parentFinal = FinalPath(root.Get());
    for (const CString& name : Components(full.Mid(at))) {
        path += (path.Right(1) == "\\" ? "" : "\\") + name;
        DWORD attrs = GetFileAttributesA(path);
        if (attrs == INVALID_FILE_ATTRIBUTES) return !IsMissing(GetLastError());
        if (IsLinkAttributes(attrs)) return true;
        CHandle h = OpenToLookAt(path);
        if (!h) return !IsMissing(GetLastError());
        CString final = FinalPath(h.Get());
        // Without the system's answer for both levels only the attributes can tell.
        if (!final.IsEmpty() && !parentFinal.IsEmpty() && !AfxSamePath(final.Str(), (parentFinal + "\\" + name).Str())) {
            int cut = final.ReverseFind('\\');
            if (cut < 0 || !AfxSamePath(final.Left(cut).Str(), parentFinal.Str()) || !IsShortNameOf(path, name, final.Mid(cut + 1)))
                return true;
        }
        parentFinal = final;
    }
    return false;
}
