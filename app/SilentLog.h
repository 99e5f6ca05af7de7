// What a silent installation says instead of showing message boxes: it answers each box as a
// script would and writes the box's text to the log file that /LOG= names.
//
// The log is a plain byte file (AfxLogFile.h), created anew (or emptied) for each run. Each text
// becomes one line ended by CR LF, in the order the texts arose, its bytes as the box would have
// shown them (the installer's code page); line breaks and tabs inside a text become single blanks,
// so that each text stays on its line.
#pragma once

#include "AfxLogFile.h"
#include "AfxMessageBox.h"

class CSilentLog {
public:
    CSilentLog() = default;
    CSilentLog(const CSilentLog&) = delete;
    CSilentLog& operator=(const CSilentLog&) = delete;

    // Creates or empties the log file strPath. FALSE when it cannot be made (pError says why): on
    // Win32 also when a folder above it or the name itself is a link (kErrorLinkOnPath), since an
    // elevated run would write wherever a link that a user made points.
    BOOL Open(const CString& strPath, CFileException* pError) { return m_file.Open(strPath, pError); }
    // Writes the text as one line; nothing without an open log. A failing write is dropped: there
    // is nobody else to tell. Safe from any thread.
    void WriteLine(const CString& strText) { m_file.WriteLine(strText); }
    // Lets the file go (another program writes it from then on); later lines are dropped.
    void Close() { m_file.Close(); }

    // The line a text becomes (without its CR LF): each run of control characters (line breaks,
    // tabs) is one blank, and blanks at the end are dropped.
    static CString OneLine(const CString& strText) { return CLogFile::OneLine(strText); }
    // The answer a script gives to a box of type nType: Cancel to a retry prompt (a missing volume
    // is a failure, not a wait), Abort where there is one, else the answer that goes on (OK, Yes):
    // the one question before an installation, whether to create the missing target, is answered OK.
    static int Answer(UINT nType);

    // The handler that writes each text and answers it. It refers to this log, which must outlive
    // its installation.
    AfxMessageBoxHandler Handler();

private:
    CLogFile m_file;
};
