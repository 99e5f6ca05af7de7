// CArchivePromptBox: the installer's side of the reader's prompt (ArchivePrompt.h). Each error the
// reader tells is shown in a stop-sign message box; a missing volume is a Retry/Cancel box, and
// Retry makes the reader look for it again. The boxes go through AfxMessageBox, so they are owned
// by the installer's main window and a test's handler sees them.
#pragma once

#include "ArchivePrompt.h"

class CArchivePromptBox : public CArchivePrompt {
public:
    void Tell(const CString& strText) override;
    bool AskRetry(const CString& strText) override;
};

// The one prompt of the installer's readers. It keeps no state, so any number of readers on any
// thread may share it; it lives as long as the program.
CArchivePrompt& ArchivePromptBox();
