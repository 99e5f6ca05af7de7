// CReaderErrors: how the reader's own errors reach its caller. Every error the reader detects is
// told once through the caller's prompt (CArchivePrompt, ArchivePrompt.h) and then reported by
// throwing the caller's own CFileException pointer, the one given to Open, with its cause set to
// generic; an error the user has already been told of (a volume given up at the retry prompt)
// throws without a message. It is also the one way the reader reaches the prompt: without a prompt
// nothing is told and a missing volume is never looked for again.
//
// While the pipeline decodes ahead, errors are kept instead of reported: Fail stores the message
// and throws Stop, which only the pipeline catches, and ReportKept later tells and throws what was
// kept, at the point where a reader on one thread meets the same error. Exceptions of the file
// layer (a failing read of the medium) are kept the same way by the pipeline.
#pragma once

#include "AfxFileException.h"
#include "AfxString.h"
#include "ArchivePrompt.h"

class CReaderErrors {
public:
    // pPrompt may be null: then nothing is told and nothing is asked.
    explicit CReaderErrors(CArchivePrompt* pPrompt = nullptr) : m_pPrompt(pPrompt) {}
    CReaderErrors(const CReaderErrors&) = delete;
    CReaderErrors& operator=(const CReaderErrors&) = delete;
    ~CReaderErrors() { DiscardKept(); }

    // The caller's exception object: filled by the file layer when a volume cannot be opened, and
    // the object thrown for every later error.
    void Attach(CFileException* pError) { m_pError = pError; }
    CFileException* Exception() const { return m_pError; }

    // Tells text through the prompt, if there is one, and returns.
    void Tell(const char* text);
    // Asks the prompt whether to look again for a volume that was not found; false without one.
    bool AskRetry(const char* text);

    // The message text, then the read error.
    [[noreturn]] void Fail(const char* text);
    // The message format with a path in it, then the read error.
    [[noreturn]] void Fail(const char* format, const char* path);
    // The read error alone: the user has been told already.
    [[noreturn]] void FailTold();

    // Thrown by Fail while errors are kept; never leaves the reader.
    struct Stop {};
    void BeginKeeping() { m_keeping = true; }
    void EndKeeping() { m_keeping = false; }
    // Keeps an exception of the file layer met while keeping, to be thrown again by ReportKept.
    void KeepFileLayerError(CFileException* e);
    // Tells and throws the error kept, if any; returns when there is none.
    void ReportKept();
    // Forgets a kept error, releasing a kept file-layer exception.
    void DiscardKept();

private:
    enum Kind { none, message, told, fileLayer };
    [[noreturn]] void keep(Kind kind, const char* text);
    [[noreturn]] void throwReadError();

    CArchivePrompt* m_pPrompt;
    CFileException* m_pError = nullptr;
    bool m_keeping = false;
    Kind m_kept = none;
    CString m_strKeptText;
    CFileException* m_pKeptFileError = nullptr;
};
