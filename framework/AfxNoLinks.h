// Files and folders reached without following links (Win32).
//
// A link (a symbolic link, a junction: any reparse point) inside a folder that another user can
// write would let that user send an elevated program's writes and deletes anywhere. These calls
// refuse a link wherever one stands on the way, with ERROR_CANT_RESOLVE_FILENAME.
#pragma once

#include "AfxHandle.h"
#include "AfxString.h"

#ifdef _WIN32

// The error that the calls below report for a link on the way.
const DWORD kErrorLinkOnPath = ERROR_CANT_RESOLVE_FILENAME;

// True when strBase itself, or an existing component of strRelative below it ("a\b\c", no leading
// backslash), is a link. With bLast false the last component is not looked at.
bool AfxLinkOnPath(const CString& strBase, const CString& strRelative, bool bLast);

// Checks a file just opened by the name strPath: NO_ERROR when the handle leads to that name in its
// folder, kErrorLinkOnPath when the name is a link (seen by its attributes, or because the handle
// leads elsewhere: some systems follow a link to a file without showing it as one).
DWORD AfxCheckOpenedFile(HANDLE h, const CString& strPath);

// A folder held open and checked not to be a link. While it is held nobody can rename or delete it
// (it is open without delete sharing), so names taken relative to it stay inside it.
class CFolderHandle {
public:
    CFolderHandle() = default;
    CFolderHandle(CFolderHandle&&) = default;
    CFolderHandle& operator=(CFolderHandle&&) = default;

    // Opens the folder at strPath. False with GetLastError: kErrorLinkOnPath when it is a link,
    // ERROR_DIRECTORY when it is a file.
    bool Open(const CString& strPath);
    // Opens the folder strName ("a\b": each component checked) relative to parent.
    bool OpenChild(const CFolderHandle& parent, const CString& strName);
    // Removes the file or the empty folder strName (one component) of this folder, never
    // following a link: a link is left, with kErrorLinkOnPath. Returns NO_ERROR or the error.
    DWORD RemoveChild(const CString& strName, bool bFolder) const;

    bool IsOpen() const { return m_h.IsValid(); }
    void Close()
    {
        m_h.Close();
        m_strFinal = CString();
    }
    HANDLE Get() const { return m_h.Get(); }

private:
    CHandle m_h;
    CString m_strFinal;  // the path the handle leads to, as the system resolves it
};

#endif
