// A plain text log that a program writes for a script: one line per text, ended by CR LF.
//
// The file is created anew (or emptied) when it is opened. Each text becomes one line, its bytes as
// they stand (the program's code page); line breaks and tabs inside a text become single blanks, so
// that each text stays on its line. The programs that write such a log run elevated: the file is
// never created or emptied through a link.
#pragma once

#include "AfxFile.h"

#include <mutex>

class CLogFile {
public:
    CLogFile() = default;
    CLogFile(const CLogFile&) = delete;
    CLogFile& operator=(const CLogFile&) = delete;

    // Creates or empties the log file strPath. FALSE when it cannot be made (pError says why): on
    // Win32 also when a folder above it or the name itself is a link (kErrorLinkOnPath), since an
    // elevated run would write wherever a link that a user made points.
    BOOL Open(const CString& strPath, CFileException* pError);
    BOOL IsOpen() const { return m_file.IsOpen(); }
    // Closes the file; another Open may follow. Safe to call twice.
    void Close();
    // Writes the text as one line; nothing without an open log. A failing write is dropped: there
    // is nobody else to tell. Safe from any thread.
    void WriteLine(const CString& strText);

    // The line a text becomes (without its CR LF): each run of control characters (line breaks,
    // tabs) is one blank, and blanks at the end are dropped.
    static CString OneLine(const CString& strText);

private:
    std::mutex m_lock;
    CFile m_file;
};
