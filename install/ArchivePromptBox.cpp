// CArchivePromptBox: the reader's texts in message boxes.
#include "ArchivePromptBox.h"

#include "AfxMessageBox.h"

void CArchivePromptBox::Tell(const CString& strText) { AfxMessageBox(strText, MB_ICONHAND); }

bool CArchivePromptBox::AskRetry(const CString& strText) { return AfxMessageBox(strText, MB_RETRYCANCEL) == IDRETRY; }

CArchivePrompt& ArchivePromptBox()
{
    static CArchivePromptBox prompt;
    return prompt;
}
