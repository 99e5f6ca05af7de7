// The hand-over between the first process and its copy: the private copy started with inherited
// handles, the verdict through the pipe, the copy's own folder removed at its end (Handover.h).
#include "Handover.h"

#include "AfxElevation.h"
#include "AfxExitCodes.h"
#include "AfxFile.h"
#include "AfxFileException.h"
#include "AfxPath.h"
#include "AfxPrivateFolder.h"
#include "AfxRestartGate.h"
#include "AfxSecurity.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// Quotes an argument for the switch reader (AfxCommandLine.h), which drops the quotes and takes
// backslashes as they stand.
CString Quoted(const CString& s) { return "\"" + s + "\""; }

// The copy of the program, written into a new private folder and held there with its folder: the
// folder open without delete sharing, the file open for reading only, from its writing on. Both
// handles are inherited by the copy, which keeps them until it ends; this process keeps its own
// until the verdict, so nobody can rename the folder aside or change or replace the file while
// either process uses them.
struct PrivateCopy {
    CString strFolder;
    CString strPath;
    CFolderHandle folder;
    CHeldFile file;

    bool Make(const CString& strProgram)
    {
        if (!AfxCreatePrivateFolder(strFolder, folder)) return false;
        CString name = AfxNameOf(strProgram);
        strPath = strFolder + "\\" + name;
        if (CopyInto(strProgram, name)) return true;
        DWORD dwError = GetLastError();
        Remove();
        SetLastError(dwError);
        return false;
    }

    // Writes the program into the held folder as name and holds it.
    bool CopyInto(const CString& strProgram, const CString& strName)
    {
        CFile in;
        if (!in.Open(strProgram, CFile::modeRead | CFile::shareDenyWrite) || !file.Create(folder, strName)) return false;
        std::vector<char> buffer(1 << 16);
        try {
            for (UINT got; (got = in.Read(buffer.data(), UINT(buffer.size()))) > 0;)
                if (!file.Write(buffer.data(), got)) return false;
        } catch (CFileException* e) {
            DWORD err = e->m_lOsError > 0 ? DWORD(e->m_lOsError) : ERROR_READ_FAULT;
            e->Delete();
            SetLastError(err);
            return false;
        }
        return file.Hold();
    }

    // Lets the copy inherit the folder's and the file's handles, as it does the pipe's.
    bool PassOn()
    {
        return SetHandleInformation(folder.Get(), HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT) &&
               SetHandleInformation(file.Get(), HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    }

    void Remove()
    {
        file.Release();
        AfxRemovePrivateFolder(strFolder, folder);
    }
};

bool IsInherited(HANDLE h)
{
    DWORD flags = 0;
    return GetHandleInformation(h, &flags) && (flags & HANDLE_FLAG_INHERIT);
}

// The first process's handle: another process, still running, that may be waited for.
bool IsRunningOtherProcess(HANDLE h)
{
    DWORD pid = GetProcessId(h);
    return pid != 0 && pid != GetCurrentProcessId() && WaitForSingleObject(h, 0) == WAIT_TIMEOUT;
}

// The verdict's handle: a pipe, and not its reading (server) end.
bool IsPipeWriteEnd(HANDLE h)
{
    if (GetFileType(h) != FILE_TYPE_PIPE) return false;
    DWORD flags = 0;
    return GetNamedPipeInfo(h, &flags, nullptr, nullptr, nullptr) && !(flags & PIPE_SERVER_END);
}

}  // namespace

int RunHandoverCopy(const CString& strOptions, const CString& strProgram)
{
    // What a copy that was ended before its own end left behind goes first.
    AfxRemoveLeftPrivateFolders(AfxNameOf(strProgram));
    PrivateCopy copy;
    if (!copy.Make(strProgram)) return -1;
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    CHandle hRead, hWrite, hSelf;
    if (!copy.PassOn() || !CreatePipe(hRead.Receive(), hWrite.Receive(), &sa, 0) ||
        !DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), hSelf.Receive(),
                         SYNCHRONIZE | PROCESS_QUERY_INFORMATION, TRUE, 0)) {
        copy.Remove();
        return -1;
    }
    SetHandleInformation(hRead.Get(), HANDLE_FLAG_INHERIT, 0);

    char handles[64];
    // Handle values as wide as a handle: on 64-bit Windows they need not fit in 32 bits.
    std::snprintf(handles, sizeof handles, "%" PRIxPTR ":%" PRIxPTR, uintptr_t(hSelf.Get()), uintptr_t(hWrite.Get()));
    CString cmd = Quoted(copy.strPath) + (strOptions.IsEmpty() ? "" : " " + strOptions) + " /HANDOVER " + handles +
                  " " + Quoted(strProgram);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::string cmdBuffer = cmd.Str();
    // The copy works from its own folder, so that no process keeps the target in use.
    BOOL started = CreateProcessA(copy.strPath, &cmdBuffer[0], nullptr, nullptr, TRUE, 0, nullptr, copy.strFolder,
                                  &si, &pi);
    DWORD startErr = GetLastError();
    CHandle hProcess(started ? pi.hProcess : nullptr), hThread(started ? pi.hThread : nullptr);
    // Only the copy holds the write end now: the pipe breaks when it ends, verdict or not.
    hWrite.Close();
    hSelf.Close();
    if (!started) {
        copy.Remove();
        SetLastError(startErr);
        return -1;
    }
    // The copy holds its folder and file now as well, until it ends; ours go with this process.
    int verdict = 0;
    if (ReceiveVerdict(hRead.Get(), verdict)) return verdict;
    // The copy ended without a word: its exit code is all there is, and its folder can go now.
    WaitForSingleObject(hProcess.Get(), INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(hProcess.Get(), &code);
    copy.Remove();
    // A code beyond the table's (a crash's status) says only that the copy failed somewhere.
    return code <= 0xFFFF ? int(code) : kExitFailed;
}

bool ReceiveVerdict(HANDLE hRead, int& nCode)
{
    unsigned char bytes[4] = {};
    DWORD have = 0;
    // A pipe may hand the four bytes over in parts.
    while (have < sizeof bytes) {
        DWORD got = 0;
        if (!ReadFile(hRead, bytes + have, DWORD(sizeof bytes - have), &got, nullptr) || got == 0) return false;
        have += got;
    }
    nCode = int(bytes[0] | bytes[1] << 8 | bytes[2] << 16 | DWORD(bytes[3]) << 24);
    return true;
}

bool TakeHandoverHandles(const char* psz, HandoverArgs& args)
{
    char* end = nullptr;
    unsigned long long parent = std::strtoull(psz, &end, 16);
    if (end == psz || *end != ':') return false;
    const char* second = end + 1;
    unsigned long long verdict = std::strtoull(second, &end, 16);
    if (end == second || *end != '\0' || parent == 0 || verdict == 0 || parent == verdict) return false;
    if (uintptr_t(parent) != parent || uintptr_t(verdict) != verdict) return false;
    HANDLE hParent = HANDLE(ULONG_PTR(parent)), hVerdict = HANDLE(ULONG_PTR(verdict));
    // Numbers that are not what the first process hands over may name handles of this process's
    // own: they are looked at, never taken or closed.
    if (!IsInherited(hParent) || !IsInherited(hVerdict)) return false;
    if (!IsRunningOtherProcess(hParent) || !IsPipeWriteEnd(hVerdict)) return false;
    args.hParent.Attach(hParent);
    args.hVerdict.Attach(hVerdict);
    return true;
}

void SendVerdict(HandoverArgs& args, int nCode)
{
    if (!args.hVerdict) return;
    const DWORD code = DWORD(nCode);
    const unsigned char bytes[4] = {BYTE(code), BYTE(code >> 8), BYTE(code >> 16), BYTE(code >> 24)};
    DWORD written = 0;
    WriteFile(args.hVerdict.Get(), bytes, sizeof bytes, &written, nullptr);
    args.hVerdict.Close();
}

void WaitForFirstProcess(HandoverArgs& args, DWORD nMs)
{
    if (!args.hParent) return;
    WaitForSingleObject(args.hParent.Get(), nMs);
    args.hParent.Close();
}

void RemoveOwnFolder()
{
    CString folder = AfxFolderOf(AfxGetProgramPath());
    if (!AfxIsPrivateFolder(folder)) return;
    AfxRemovePrivateFolder(folder);
    // The running program's own file stays. Without the administrators' rights nothing may be
    // arranged for the restart: the folder goes when the user next signs in, by the system's
    // command interpreter, with that user's rights.
    if (AfxIsElevated() || GetFileAttributesA(folder) == INVALID_FILE_ATTRIBUTES) return;
    char system[MAX_PATH] = {};
    UINT n = GetSystemDirectoryA(system, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return;
    AfxArrangeAtSignIn(AfxNameOf(folder), CString(system) + "\\cmd.exe", "/c rd /s /q \"" + folder + "\"");
}

