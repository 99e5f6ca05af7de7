// AfxMessageBox: where the program talks to the user. On Win32 the default shows a real message
// box owned by the main window; on the host it prints the text to stderr and answers as a user
// who cannot be asked would (Cancel where there is one, else OK). Tests install their own handler
// to see every text and type and to choose the answer.
#pragma once

#include "AfxString.h"

#include <functional>

using AfxMessageBoxHandler = std::function<int(const CString& text, UINT nType)>;

int AfxMessageBox(const char* lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);

// Installs handler (an empty one restores the default) and returns the one it replaces.
// The handler may be called from any thread; it must be installed before other threads start.
AfxMessageBoxHandler AfxSetMessageBoxHandler(AfxMessageBoxHandler handler);
