// CFile on Win32: CreateFileA with the share mode and disposition the flags ask for.
#include "AfxFile.h"

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
}  // namespace

BOOL CFile::Open(const char* lpszFileName, UINT nOpenFlags, CFileException* pError)
{
    Abort();
    m_strFileName = lpszFileName;

    DWORD access = GENERIC_READ;
    switch (nOpenFlags & 3) {
    case modeWrite: access = GENERIC_WRITE; break;
    case modeReadWrite: access = GENERIC_READ | GENERIC_WRITE; break;
    default: break;
    }
    // Compatibility mode shares nothing, like exclusive mode.
    DWORD share = 0;
    switch (nOpenFlags & 0x70) {
    case shareDenyWrite: share = FILE_SHARE_READ; break;
    case shareDenyRead: share = FILE_SHARE_WRITE; break;
    case shareDenyNone: share = FILE_SHARE_READ | FILE_SHARE_WRITE; break;
    default: break;
    }
    DWORD disposition = OPEN_EXISTING;
    if (nOpenFlags & modeCreate) disposition = (nOpenFlags & modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;

    SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, (nOpenFlags & modeNoInherit) ? FALSE : TRUE};
    PSECURITY_DESCRIPTOR pSecurity =
        m_pCreateSecurity ? static_cast<SECURITY_ATTRIBUTES*>(m_pCreateSecurity)->lpSecurityDescriptor : nullptr;
    sa.lpSecurityDescriptor = pSecurity;
    // A file that exists keeps its own access list through CREATE_ALWAYS: it is given the list
    // asked for once open.
    if (pSecurity) access |= WRITE_DAC;
    DWORD flags = FILE_ATTRIBUTE_NORMAL;
    HANDLE h = INVALID_HANDLE_VALUE;
    if (nOpenFlags & osNoLinks) {
        // Looked at by name first, and opened without truncating: the handle must be seen to lead
        // to the name itself before a byte of the file is changed. Then the link itself, were
        // one put there since, is what gets opened, and is refused.
        flags |= FILE_FLAG_OPEN_REPARSE_POINT;
        DWORD attrs = GetFileAttributesA(lpszFileName);
        if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_REPARSE_POINT)) SetLastError(kErrorLinkOnPath);
        else h = CreateFileA(lpszFileName, access, share, &sa, disposition == CREATE_ALWAYS ? OPEN_ALWAYS : disposition,
                             flags, nullptr);
        DWORD err = h == INVALID_HANDLE_VALUE ? NO_ERROR : AfxCheckOpenedFile(h, lpszFileName);
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
    }
    // A file that others could change gets the list asked for; one that only the trusted ones can
    // change keeps its own.
    if (h != INVALID_HANDLE_VALUE && pSecurity && !AfxOnlyTrustedCanWrite(h) &&
        !SetKernelObjectSecurity(h, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, pSecurity)) {
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

DWORD CFile::GetLength() const
{
    // An unopened file fails here with the system's invalid-handle error, as the framework does.
    DWORD high = 0;
    SetLastError(NO_ERROR);
    DWORD low = GetFileSize(m_hFile, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) ThrowLastError(m_strFileName);
    return low;
}
