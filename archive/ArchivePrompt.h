// CArchivePrompt: how the reader talks to whoever uses it. The reader never shows anything itself:
// each error it finds is told once through Tell, and a volume that cannot be found is put to
// AskRetry, whose answer decides whether the reader looks for it again. The caller hands its
// prompt to the reader (CArchiveFile's constructor) and keeps it alive as long as the reader.
// A reader without a prompt tells nothing and never looks again for a missing volume.
// The texts are in the language the program speaks (AfxText.h, keys archive.*): English unless the
// program has chosen a table.
//
// Both calls come on the thread that calls the reader's Open, Read, ReadString or Close, never on
// the reader's second thread. Neither may throw.
#pragma once

#include "AfxString.h"

class CArchivePrompt {
public:
    virtual ~CArchivePrompt() = default;

    // An error the reader has found, told once, before the reader reports it to its caller.
    virtual void Tell(const CString& strText) = 0;
    // A volume was not found (strText names it). True: look for it again; false: give it up.
    virtual bool AskRetry(const CString& strText) = 0;
};
