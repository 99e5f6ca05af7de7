// CFile: an unbuffered binary file with the framework's open flags. It owns one handle: copying
// is deleted, destruction closes an open file without throwing. Read, Write, Close, GetLength
// throw a framework-owned CFileException pointer on failure; Open reports through its optional
// exception object instead and returns FALSE.
#pragma once

#include "AfxFileException.h"

#include <string>

#ifdef _WIN32
class CFolderHandle;
#endif

class CFile {
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        typeText = 0x4000,
        typeBinary = 0x8000,
        // Beyond the framework's flags: the file is refused, not followed, when it is a link
        // (a reparse point; on POSIX a symbolic link). On Win32 an existing file opened for
        // writing is refused too, untouched, when it has other names (a hard link:
        // kErrorHardLinked).
        osNoLinks = 0x10000,
        // With OpenIn and modeCreate: only a new file; one that exists fails with ERROR_FILE_EXISTS.
        osNewOnly = 0x20000,
    };

    CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;
    virtual ~CFile();

    // Opens lpszFileName. On failure returns FALSE and, when pError is given, fills it with the
    // cause, the operating-system error and the file name. The name is remembered either way.
    virtual BOOL Open(const char* lpszFileName, UINT nOpenFlags, CFileException* pError = nullptr);
    // Reads up to nCount bytes; returns the number read, 0 at the end of the file.
    virtual UINT Read(void* lpBuf, UINT nCount);
    // Writes all nCount bytes; a short write throws diskFull.
    virtual void Write(const void* lpBuf, UINT nCount);
    // Closes the file; a second call does nothing.
    virtual void Close();
    virtual DWORD GetLength() const;
    // Moves the file pointer to lOff bytes from the start of the file; returns the new position.
    DWORD SeekTo(DWORD lOff);
    // The whole of a file just opened (GetLength bytes at most, in one Read); throws as Read does.
    std::string ReadAll();
    // Cuts or extends the file to dwLength bytes; throws as Write does.
    void SetLength(DWORD dwLength);

    // The security attributes (a SECURITY_ATTRIBUTES on Win32) whose access list the next Open
    // gives the file: a new one at its creation, one that existed in place of its own (whoever
    // could change it before). Null for the default (a new file inherits from its folder).
    // Ignored on POSIX.
    void SetCreateSecurity(void* pSecurityAttributes) { m_pCreateSecurity = pSecurityAttributes; }

    BOOL IsOpen() const;
    // The last component of the path opened or attempted last: text after its last \, / or :.
    CString GetFileName() const;
    const CString& GetFilePath() const { return m_strFileName; }
#ifdef _WIN32
    // The open file's handle, for the system's calls on it; the file keeps owning it.
    HANDLE GetOsHandle() const { return m_hFile; }
    // Opens lpszName (one component) of the folder held as folder, never through a link, as Open
    // does with nOpenFlags (osNoLinks is implied). With modeCreate a file that does not exist is
    // made with the create security's access list at once; one that exists is given that list in
    // place of its own and, without modeNoTruncate, emptied. An existing file is never written
    // through another name: one that has more than one (a hard link) loses this name to a new,
    // empty file when it would be emptied, and is refused (kErrorHardLinked) when its content
    // would be kept. *pExisted, when given, says whether it existed. The name remembered for
    // messages is strShown.
    BOOL OpenIn(const CFolderHandle& folder, const char* lpszName, UINT nOpenFlags, CFileException* pError,
                const char* lpszShown, bool* pExisted = nullptr);
#endif

protected:
    // Closes the handle without throwing; used by the destructor.
    void Abort();

#ifdef _WIN32
    HANDLE m_hFile;
#else
    int m_hFile;
#endif
    CString m_strFileName;
    void* m_pCreateSecurity = nullptr;
};

// A CFile that is never opened and keeps what is written to it, for lines made to go elsewhere
// than into a file (a registry value, a comparison).
class CTextSink : public CFile {
public:
    void Write(const void* lpBuf, UINT nCount) override { m_strText.append(static_cast<const char*>(lpBuf), nCount); }
    const std::string& Text() const { return m_strText; }

private:
    std::string m_strText;
};
