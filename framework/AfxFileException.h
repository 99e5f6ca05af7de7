// CFileException: a file error with the framework's cause codes. Errors travel as a thrown
// CFileException pointer; the thrower owns the object unless said otherwise (see AfxThrowFileException).
#pragma once

#include "AfxString.h"

class CFileException {
public:
    enum {
        none = 0,
        generic = 1,
        fileNotFound = 2,
        badPath = 3,
        tooManyOpenFiles = 4,
        accessDenied = 5,
        invalidFile = 6,
        removeCurrentDir = 7,
        directoryFull = 8,
        badSeek = 9,
        hardIO = 10,
        sharingViolation = 11,
        lockViolation = 12,
        diskFull = 13,
        endOfFile = 14,
    };

    explicit CFileException(int cause = none, long lOsError = -1, const char* pszFileName = nullptr)
        : m_cause(cause), m_lOsError(lOsError), m_strFileName(pszFileName) {}
    virtual ~CFileException() = default;

    // Releases an exception caught as a pointer. Objects the framework threw on its own were
    // allocated for the throw and are deleted; objects that belong to a caller are left alone.
    void Delete();

    // The cause for an operating-system error: a Win32 error code on Win32, an errno value on the host.
    static int OsErrorToException(long lOsError);
    // The cause for an errno value; on the host this is what OsErrorToException uses.
    static int ErrnoToException(int nErrno);

    int m_cause;
    long m_lOsError;
    CString m_strFileName;
    bool m_bAutoDelete = false;
};

// Throws a new, framework-owned CFileException (the catcher calls Delete()).
[[noreturn]] void AfxThrowFileException(int cause, long lOsError = -1, const char* pszFileName = nullptr);
