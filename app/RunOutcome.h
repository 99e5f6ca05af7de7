// How a run of Setup.exe ends, windowed or silent: the way it ended (AfxRunEnd.h) decided from the
// worker's flags, told, and turned into the program's exit code.
#pragma once

#include "AfxRunEnd.h"
#include "AfxString.h"

struct InstallJob;

// A run whose worker ended on its own: installed (at the restart, when the worker left files in
// use to it) when it is done and did not fail; otherwise as StoppedRunEnd.
RunEnd FinishedRunEnd(const InstallJob& job);
// A run that stopped before it was complete: after a change once the worker wrote into the target
// (Install.log exists, and lists what is there), before one otherwise.
RunEnd StoppedRunEnd(const InstallJob& job);
// Tells the end where the table gives it a text (as information when the product is installed, as
// an error otherwise) and returns its exit code.
int TellRunEnd(RunEnd end);
// A refusal before the worker started (IsRefusal): strText, when given, told as an error, then
// the cause's exit code.
int Refuse(RunEnd cause, const CString& strText = CString());
