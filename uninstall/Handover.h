// The hand-over between the uninstaller that the user starts and the copy of it that does the work.
//
// A running program cannot delete its own file. So the program started from the target directory
// (the first process) copies itself into the temporary folder and starts the copy, handing it, as
// inherited handles, a handle to itself and the write end of a pipe; then it waits on the pipe.
// The copy removes what the log lists, writes its verdict (the exit code, one byte) into the pipe,
// waits for the first process to end, removes the first program's file and the then empty target
// directory, and arranges for its own file to go at the next restart. The first process ends
// with the verdict, so whoever started it learns the outcome.
#pragma once

#include "AfxString.h"

struct HandoverArgs {
    HANDLE hParent = nullptr;   // the first process (SYNCHRONIZE)
    HANDLE hVerdict = nullptr;  // the pipe's write end
};

// In the first process: starts a copy of this program with "strOptions /HANDOVER <handles>
// strProgram" and returns its verdict (0 to 255). Returns -1 when no copy could be made or started;
// nothing has then been started. When the copy ends without a verdict its exit code is returned.
int RunHandoverCopy(const CString& strOptions, const CString& strProgram);

// Parses "HEX:HEX" as given to the copy. Returns false when it does not read as two handles.
bool ParseHandoverHandles(const char* psz, HandoverArgs& args);

// In the copy: hands the verdict to the first process and closes the pipe.
void SendVerdict(HandoverArgs& args, int nCode);

// In the copy: waits, at most nMs milliseconds, for the first process to end.
void WaitForFirstProcess(HandoverArgs& args, DWORD nMs);

// Arranges for a file or an empty directory to be deleted at the next restart of the system.
void DeleteAtRestart(const CString& strPath);

// The full path of the running program.
CString OwnProgramPath();
