// CReaderErrors: how the reader's own errors reach its caller. Every error the reader detects is
// shown in one message box (AfxMessageBox) and then reported by throwing the caller's own
// CFileException pointer, the one given to Open, with its cause set to generic; an error the user
// has already been told of (a volume given up at the retry prompt) throws without a message.
//
// While the pipeline decodes ahead, errors are kept instead of reported: Fail stores the message
// and throws Stop, which only the pipeline catches, and ReportKept later shows and throws what was
// kept, at the point where a reader on one thread meets the same error. Exceptions of the file
// layer (a failing read of the medium) are kept the same way by the pipeline.
#pragma once

#include "AfxFileException.h"
#include "AfxString.h"

class CReaderErrors {
public:
    CReaderErrors() = default;
    CReaderErrors(const CReaderErrors&) = delete;
    CReaderErrors& operator=(const CReaderErrors&) = delete;
    ~CReaderErrors() { DiscardKept(); }

    // The caller's exception object: filled by the file layer when a volume cannot be opened, and
    // the object thrown for every later error.
    void Attach(CFileException* pError) { m_pError = pError; }
    CFileException* Exception() const { return m_pError; }

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
    // Shows and throws the error kept, if any; returns when there is none.
    void ReportKept();
    // Forgets a kept error, releasing a kept file-layer exception.
    void DiscardKept();

private:
    enum Kind { none, message, told, fileLayer };
    [[noreturn]] void keep(Kind kind, const char* text);
    [[noreturn]] void throwReadError();

    CFileException* m_pError = nullptr;
    bool m_keeping = false;
    Kind m_kept = none;
    CString m_strKeptText;
    CFileException* m_pKeptFileError = nullptr;
};
