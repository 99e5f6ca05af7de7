// The hand-over between the uninstaller that the user starts and the copy of it that does the work.
//
// A running program cannot delete its own file. So the program started from the target directory
// (the first process) copies itself into a private folder of its own (AfxCreatePrivateFolder: new,
// a random name, nobody else may write there) and starts the copy, handing it, as inherited
// handles, a handle to itself and the write end of a pipe; then it waits on the pipe. The copy's
// folder and file are held (open without delete sharing; the file without write sharing either)
// from their creation until the copy has ended: the first process holds them until the verdict,
// and the copy inherits both handles and keeps them to its end, so neither can be renamed aside,
// changed or replaced while it runs from them. The copy accepts the hand-over only when both handles are inherited handles of those
// kinds and the program it names is the uninstaller that its folder's Install.log lists. It removes
// what the log lists, writes its verdict (the exit code, four bytes, least significant first: a code
// such as 3010 does not fit one) into the pipe, waits for the
// first process to end, removes the first program's file and the then empty target directory, and
// removes its own folder (its own file at the next restart). The first process ends with the
// verdict, so whoever started it learns the outcome.
#pragma once

#include "AfxHandle.h"
#include "AfxNoLinks.h"
#include "AfxString.h"

struct HandoverArgs {
    CHandle hParent;   // the first process (SYNCHRONIZE, PROCESS_QUERY_INFORMATION)
    CHandle hVerdict;  // the pipe's write end
};

// In the first process: starts a copy of this program with "strOptions /HANDOVER <handles>
// strProgram" and returns its verdict (an exit code, AfxExitCodes.h). Returns -1 when no copy could
// be made or started; nothing has then been started. When the copy ends without a verdict its exit
// code is returned.
int RunHandoverCopy(const CString& strOptions, const CString& strProgram);

// In the first process: reads the verdict from the pipe's read end; false when the copy ended
// without writing one whole.
bool ReceiveVerdict(HANDLE hRead, int& nCode);

// In the copy: takes the two handles of "HEX:HEX" when they are what the first process hands over:
// an inherited handle of another process that is still running, and an inherited pipe's write end.
// Returns false, owning nothing, for anything else.
bool TakeHandoverHandles(const char* psz, HandoverArgs& args);

// In the copy: hands the verdict to the first process and closes the pipe.
void SendVerdict(HandoverArgs& args, int nCode);

// In the copy: waits, at most nMs milliseconds, for the first process to end.
void WaitForFirstProcess(HandoverArgs& args, DWORD nMs);

// In the copy, at its end: removes the private folder that the copy runs from (the running file
// itself at the next restart; without the administrators' rights, the folder when the user next
// signs in). Does nothing when the program does not run from such a folder. The next first process
// removes whatever a copy that was ended on the way left (AfxRemoveLeftPrivateFolders).
void RemoveOwnFolder();
