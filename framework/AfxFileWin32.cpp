// CFile on Win32: CreateFileA with the share mode and disposition the flags ask for.
#include "AfxFile.h"

#include "AfxHandle.h"
#include "AfxNoLinks.h"
#include "AfxSecurity.h"

CFile::CFile() : m_hFile(INVALID_HANDLE_VALUE) {}

BOOL CFile::IsOpen() const { return m_hFile != INVALID_HANDLE_VALUE; }

namespace {
[[noreturn]] void ThrowLastError(const CString& name)
{
    DWORD err = GetLastError();
    AfxThrowFileException(CFileException::OsErrorToException(LONG(err)), LONG(err), name);
}

DWORD AccessOf(UINT nOpenFlags)
{
    switch (nOpenFlags & 3) {
    case CFile::modeWrite: return GENERIC_WRITE;
    case CFile::modeReadWrite: return GENERIC_READ | GENERIC_WRITE;
    default: return GENERIC_READ;
    }
}

// Compatibility mode shares nothing, like exclusive mode.
DWORD ShareOf(UINT nOpenFlags)
{
    switch (nOpenFlags & 0x70) {
    case CFile::shareDenyWrite: return FILE_SHARE_READ;
    case CFile::shareDenyRead: return FILE_SHARE_WRITE;
    case CFile::shareDenyNone: return FILE_SHARE_READ | FILE_SHARE_WRITE;
    default: return 0;
    }
}
}  // namespace

BOOL CFile::Open(const char* lpszFileName, UINT nOpenFlags, CFileException* pError)
{
    Abort();
    m_strFileName = lpszFileName;

    DWORD access = AccessOf(nOpenFlags);
    DWORD share = ShareOf(nOpenFlags);
    DWORD disposition = OPEN_EXISTING;
    if (nOpenFlags & modeCreate) disposition = (nOpenFlags & modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;

    SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, (nOpenFlags & modeNoInherit) ? FALSE : TRUE};
    auto* pSecurity = static_cast<SECURITY_ATTRIBUTES*>(m_pCreateSecurity);
    sa.lpSecurityDescriptor = pSecurity ? pSecurity->lpSecurityDescriptor : nullptr;
    // A file that exists keeps its own access list through CREATE_ALWAYS: it is given the list
    // asked for once open.
    if (pSecurity) access |= WRITE_DAC | WRITE_OWNER;
    DWORD flags = FILE_ATTRIBUTE_NORMAL;
    HANDLE h = INVALID_HANDLE_VALUE;
    bool bExisted = false;
    if (nOpenFlags & osNoLinks) {
        // Looked at by name first, and opened without truncating: the handle must be seen to lead
        // to the name itself before a byte of the file is changed. Then the link itself, were
        // one put there since, is what gets opened, and is refused.
        flags |= FILE_FLAG_OPEN_REPARSE_POINT;
        access |= FILE_READ_ATTRIBUTES;
        DWORD attrs = GetFileAttributesA(lpszFileName);
        if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_REPARSE_POINT)) SetLastError(kErrorLinkOnPath);
        else h = CreateFileA(lpszFileName, access, share, &sa, disposition == CREATE_ALWAYS ? OPEN_ALWAYS : disposition,
                             flags, nullptr);
        bExisted = h != INVALID_HANDLE_VALUE && (disposition == OPEN_EXISTING || GetLastError() == ERROR_ALREADY_EXISTS);
        DWORD err = h == INVALID_HANDLE_VALUE ? NO_ERROR : AfxCheckOpenedFile(h, lpszFileName);
        // Nor is a file written that has other names too (a hard link): it is refused untouched.
        if (err == NO_ERROR && bExisted && (access & GENERIC_WRITE)) err = AfxCheckSingleName(h);
        if (err == NO_ERROR && h != INVALID_HANDLE_VALUE && disposition == CREATE_ALWAYS &&
            (SetFilePointer(h, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER || !SetEndOfFile(h)))
            err = GetLastError();
        if (err != NO_ERROR) {
            CloseHandle(h);
            h = INVALID_HANDLE_VALUE;
            SetLastError(err);
        }
    } else {
        h = CreateFileA(lpszFileName, access, share, &sa, disposition, flags, nullptr);
        bExisted = h != INVALID_HANDLE_VALUE && (disposition == OPEN_EXISTING || GetLastError() == ERROR_ALREADY_EXISTS);
    }
    // A file that was there gets the list asked for, whoever could change it before: a list that
    // admits the user alone is no better than one that admits everyone, when the user's everyday
    // programs carry the same SID as this one.
    if (h != INVALID_HANDLE_VALUE && pSecurity && bExisted && !AfxProtect(h, pSecurity)) {
        DWORD err = GetLastError();
        CloseHandle(h);
        h = INVALID_HANDLE_VALUE;
        SetLastError(err);
    }
    if (h == INVALID_HANDLE_VALUE) {
        DWORD err = GetLastError();
        if (pError) {
            pError->m_cause = CFileException::OsErrorToException(LONG(err));
            pError->m_lOsError = LONG(err);
            pError->m_strFileName = lpszFileName;
        }
        SetLastError(err);
        return FALSE;
    }
    m_hFile = h;
    return TRUE;
}

UINT CFile::Read(void* lpBuf, UINT nCount)
{
    if (nCount == 0) return 0;
    DWORD read = 0;
    if (!ReadFile(m_hFile, lpBuf, nCount, &read, nullptr)) ThrowLastError(m_strFileName);
    return UINT(read);
}

void CFile::Write(const void* lpBuf, UINT nCount)
{
    if (nCount == 0) return;
    DWORD written = 0;
    if (!WriteFile(m_hFile, lpBuf, nCount, &written, nullptr)) ThrowLastError(m_strFileName);
    if (written != nCount) AfxThrowFileException(CFileException::diskFull, -1, m_strFileName);
}

void CFile::Close()
{
    if (m_hFile == INVALID_HANDLE_VALUE) return;
    HANDLE h = m_hFile;
    m_hFile = INVALID_HANDLE_VALUE;
    if (!CloseHandle(h)) ThrowLastError(m_strFileName);
}

void CFile::Abort()
{
    if (m_hFile != INVALID_HANDLE_VALUE) CloseHandle(m_hFile);
    m_hFile = INVALID_HANDLE_VALUE;
}

DWORD CFile::SeekTo(DWORD lOff)
{
    LONG high = 0;
    SetLastError(NO_ERROR);
    DWORD pos = SetFilePointer(m_hFile, LONG(lOff), &high, FILE_BEGIN);
    if (pos == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) ThrowLastError(m_strFileName);
    return pos;
}

void CFile::SetLength(DWORD dwLength)
{
    SeekTo(dwLength);
    if (!SetEndOfFile(m_hFile)) ThrowLastError(m_strFileName);
}

BOOL CFile::OpenIn(const CFolderHandle& folder, const char* lpszName, UINT nOpenFlags, CFileException* pError,
                   const char* lpszShown, bool* pExisted)
{
    Abort();
    m_strFileName = lpszShown;
    DWORD access = AccessOf(nOpenFlags);
    DWORD share = ShareOf(nOpenFlags);
    auto* pSecurity = static_cast<SECURITY_ATTRIBUTES*>(m_pCreateSecurity);
    bool bExisted = !(nOpenFlags & modeCreate);
    CHandle h;
    DWORD err = ERROR_FILE_EXISTS;
    // A new file gets its list with its creation; only one that exists costs more.
    if (nOpenFlags & modeCreate) err = folder.OpenChildFile(lpszName, access, share, CREATE_NEW, pSecurity, h);
    if (err == ERROR_FILE_EXISTS && !(nOpenFlags & osNewOnly)) {
        bExisted = true;
        DWORD extra = (nOpenFlags & modeCreate) && pSecurity ? WRITE_DAC | WRITE_OWNER : 0;
        // A file to be emptied that has other names too (a hard link) is replaced by a new one
        // under this name; one whose content would be kept is refused.
        const bool bEmptied = (nOpenFlags & modeCreate) && !(nOpenFlags & modeNoTruncate);
        bool bReplaced = false;
        if (access & GENERIC_WRITE)
            err = folder.OpenChildFileToWrite(lpszName, access | extra, share, pSecurity, bEmptied, h, &bReplaced);
        else
            err = folder.OpenChildFile(lpszName, access | extra, share, OPEN_EXISTING, nullptr, h);
        if (err == NO_ERROR && extra && !bReplaced && !AfxProtect(h.Get(), pSecurity)) err = GetLastError();
        if (err == NO_ERROR && bEmptied && !bReplaced &&
            (SetFilePointer(h.Get(), 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER || !SetEndOfFile(h.Get())))
            err = GetLastError();
    }
    if (err != NO_ERROR) {
        if (pError) {
            pError->m_cause = CFileException::OsErrorToException(LONG(err));
            pError->m_lOsError = LONG(err);
            pError->m_strFileName = lpszShown;
        }
        SetLastError(err);
        return FALSE;
    }
    if (pExisted) *pExisted = bExisted;
    m_hFile = h.Release();
    return TRUE;
}

DWORD CFile::GetLength() const
{
    // An unopened file fails here with the system's invalid-handle error, as the framework does.
    DWORD high = 0;
    SetLastError(NO_ERROR);
    DWORD low = GetFileSize(m_hFile, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) ThrowLastError(m_strFileName);
    return low;
}
