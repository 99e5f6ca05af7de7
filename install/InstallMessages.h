// The installation worker's notifications to the progress dialog, and who owns the status text:
// the contract between the two, kept with the worker: the dialog (ui/) sits above the installation and
// includes this header, the worker never includes the dialog.
//
// All are sent with SendNotifyMessageA, so the worker never waits for the dialog; they arrive in
// the order sent. wParam is 0 for all of them; sizes and counts in lParam are unsigned 32-bit values
// (read them as (UINT)lParam: a size of 2 GB or more is negative as a LPARAM).
//
//   WM_INSTALL_STATUS      lParam: address of a zero-terminated status text (see below)
//   WM_INSTALL_FILE_SIZE   lParam: the size of the file now being written (the file bar's upper bound)
//   WM_INSTALL_TOTAL_SIZE  lParam: the payload's total (the total bar's upper bound)
//   WM_INSTALL_FILE_RESET  lParam: 0, the file bar's new position
//   WM_INSTALL_TOTAL_RESET lParam: 0, the total bar's new position
//   WM_INSTALL_FILE_STEP   lParam: bytes just written, to add to the file bar
//   WM_INSTALL_TOTAL_STEP  lParam: the same count, to add to the total bar
//
// Status text ownership. The text of each WM_INSTALL_STATUS lives in a buffer of its own that the
// worker will not touch again until the receiver gives it back. The receiver (the dialog's window
// procedure) MUST, for every WM_INSTALL_STATUS it handles, read or copy the text and then call
// InstallReleaseStatusText(lParam) exactly once; after that call it must not read the text again.
// Texts of messages that are never handled (the window went away with them still queued) are
// reclaimed by InstallFreeStatusTexts, which the owner of the run calls once the worker thread has
// ended and the dialog's window is gone, and in any case at process exit.
#pragma once

#include "AfxPlatform.h"

#ifndef WM_APP
#define WM_APP 0x8000
#endif
#ifndef WM_CLOSE
#define WM_CLOSE 0x0010
#endif

// From WM_APP: the numbers just above WM_USER are the dialog manager's own (DM_GETDEFID ...).
#define WM_INSTALL_STATUS (WM_APP + 1)
#define WM_INSTALL_FILE_SIZE (WM_APP + 2)
#define WM_INSTALL_TOTAL_SIZE (WM_APP + 3)
#define WM_INSTALL_FILE_RESET (WM_APP + 4)
#define WM_INSTALL_TOTAL_RESET (WM_APP + 5)
#define WM_INSTALL_FILE_STEP (WM_APP + 6)
#define WM_INSTALL_TOTAL_STEP (WM_APP + 7)

// Receiver's side: gives back the text of one handled WM_INSTALL_STATUS (its lParam). Safe from
// any thread; a null value is ignored.
void InstallReleaseStatusText(intptr_t lParam);

// Frees every status text buffer. Only when no thread can still send or read one: after the worker
// has ended and the receiving window has been destroyed.
void InstallFreeStatusTexts();
