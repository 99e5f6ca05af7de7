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

// The error for a file that has more names than the one it was reached by (a hard link, which a
// user may make to any file they can open): what is written to it, or its access list, reaches the
// same file under its other names, wherever they are.
const DWORD kErrorHardLinked = ERROR_TOO_MANY_LINKS;

// NO_ERROR when the file open as h (with FILE_READ_ATTRIBUTES) has one name, kErrorHardLinked when
// it has more, the system's error when that cannot be read. A folder always passes: its count
// is no count of names. Read on the handle that is then used, the answer holds for as long as
// the handle does: a name added later only names this file, never another one.
DWORD AfxCheckSingleName(HANDLE h);

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

    // Opens the folder at strPath, with dwExtraAccess besides the rights to list it and read its
    // list. False with GetLastError: kErrorLinkOnPath when it is a link, ERROR_DIRECTORY when it is
    // a file.
    bool Open(const CString& strPath, DWORD dwExtraAccess = 0);
    // Opens the folder strName ("a\b": each component checked) relative to parent.
    bool OpenChild(const CFolderHandle& parent, const CString& strName);
    // Removes the file or the empty folder strName (one component) of this folder, never
    // following a link: a link is left, with kErrorLinkOnPath. Returns NO_ERROR or the error.
    DWORD RemoveChild(const CString& strName, bool bFolder) const;

    // Creates the folder strName (one component) in this folder with pSecurity's access list (null:
    // inherited) and holds it in child; an existing folder of that name is opened and checked not to
    // be a link instead, and *pExisted says which. Returns NO_ERROR or the error (ERROR_DIRECTORY
    // when the name is a file).
    DWORD CreateChild(const CString& strName, SECURITY_ATTRIBUTES* pSecurity, CFolderHandle& child,
                      bool* pExisted, DWORD dwExtraAccess = 0) const;
    // Opens the file strName (one component) of this folder. dwDisposition CREATE_NEW creates it
    // with pSecurity's access list and fails with ERROR_FILE_EXISTS when the name is taken;
    // OPEN_EXISTING opens what is there and checks that it is a file reached without a link.
    // Nothing is ever opened through a link, since the name is taken relative to the held folder.
    DWORD OpenChildFile(const CString& strName, DWORD dwAccess, DWORD dwShare, DWORD dwDisposition,
                        SECURITY_ATTRIBUTES* pSecurity, CHandle& file) const;

    // Opens the existing file strName (one component) of this folder to write it, as
    // OpenChildFile with OPEN_EXISTING does, but never through another name: a file that has more
    // than one (AfxCheckSingleName) is refused with kErrorHardLinked, or, with bReplace, this name
    // alone is removed (the file keeps its content under its other names) and a new, empty file
    // made in its place with pSecurity's access list; *pReplaced then says so. A replacement that
    // cannot be made (the name cannot be removed, or is taken again meanwhile) is
    // kErrorHardLinked too.
    DWORD OpenChildFileToWrite(const CString& strName, DWORD dwAccess, DWORD dwShare, SECURITY_ATTRIBUTES* pSecurity,
                               bool bReplace, CHandle& file, bool* pReplaced = nullptr) const;

    bool IsOpen() const { return m_h.IsValid(); }
    void Close()
    {
        m_h.Close();
        m_strFinal = CString();
        m_bFinalKnown = false;
    }
    HANDLE Get() const { return m_h.Get(); }

private:
    // The path the handle leads to, as the system resolves it; asked for only when an item that
    // already existed must be checked (the look-up is costly, and a new item needs none).
    const CString& Final() const;
    DWORD CheckExisting(HANDLE h, const CString& strName, bool bFolder) const;

    CHandle m_h;
    mutable CString m_strFinal;
    mutable bool m_bFinalKnown = false;
};

#endif

#ifdef _WIN32

// True when an existing folder or file of strPath below its drive's root ("C:\") or its share
// ("\\server\share") is a link: its attributes name a reparse point, or a handle opened by its name
// leads somewhere other than that name in the folder above it (some systems follow a link to a
// folder or a file without showing it as one), or it is there but cannot be opened to be looked
// at. strPath is first made full as the file calls make it ("." and ".." taken away, '/' read as
// '\', a relative path joined to the current directory). Below the first missing component there
// is nothing to look at. False for a path that has no root or cannot be made full.
bool AfxLinkInPath(const CString& strPath);

#endif
