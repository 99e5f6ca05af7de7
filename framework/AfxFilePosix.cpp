// CFile on POSIX. Share modes have no equivalent and are ignored; the file is always binary.
#include "AfxFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr int kNoFile = -1;

// Like Win32, tell a missing file (only the last level missing) from a missing path.
int OpenErrorCause(const char* path, int err)
{
    if (err != ENOENT) return CFileException::ErrnoToException(err);
    CString dir(path);
    int slash = dir.ReverseFind('/');
    if (slash <= 0) return CFileException::fileNotFound;
    struct stat st;
    if (stat(dir.Left(slash), &st) != 0 || !S_ISDIR(st.st_mode)) return CFileException::badPath;
    return CFileException::fileNotFound;
}
}  // namespace

CFile::CFile() : m_hFile(kNoFile) {}

BOOL CFile::IsOpen() const { return m_hFile != kNoFile; }

BOOL CFile::Open(const char* lpszFileName, UINT nOpenFlags, CFileException* pError)
{
    Abort();
    m_strFileName = lpszFileName;
    int flags = O_CLOEXEC;
    switch (nOpenFlags & 3) {
    case modeWrite: flags |= O_WRONLY; break;
    case modeReadWrite: flags |= O_RDWR; break;
    default: flags |= O_RDONLY; break;
    }
    if (nOpenFlags & modeCreate) flags |= (nOpenFlags & modeNoTruncate) ? O_CREAT : (O_CREAT | O_TRUNC);
    if (nOpenFlags & osNoLinks) flags |= O_NOFOLLOW;
    int fd = ::open(lpszFileName, flags, 0666);
    if (fd < 0) {
        int err = errno;
        if (pError) {
            pError->m_cause = OpenErrorCause(lpszFileName, err);
            pError->m_lOsError = err;
            pError->m_strFileName = lpszFileName;
        }
        return FALSE;
    }
    struct stat st;
    if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        if (pError) {
            pError->m_cause = CFileException::accessDenied;
            pError->m_lOsError = EISDIR;
            pError->m_strFileName = lpszFileName;
        }
        return FALSE;
    }
    m_hFile = fd;
    return TRUE;
}

UINT CFile::Read(void* lpBuf, UINT nCount)
{
    if (m_hFile == kNoFile) AfxThrowFileException(CFileException::invalidFile, EBADF, m_strFileName);
    char* out = static_cast<char*>(lpBuf);
    UINT done = 0;
    while (done < nCount) {
        ssize_t n = ::read(m_hFile, out + done, nCount - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            int err = errno;
            AfxThrowFileException(CFileException::ErrnoToException(err), err, m_strFileName);
        }
        if (n == 0) break;
        done += UINT(n);
    }
    return done;
}

void CFile::Write(const void* lpBuf, UINT nCount)
{
    if (m_hFile == kNoFile) AfxThrowFileException(CFileException::invalidFile, EBADF, m_strFileName);
    const char* in = static_cast<const char*>(lpBuf);
    UINT done = 0;
    while (done < nCount) {
        ssize_t n = ::write(m_hFile, in + done, nCount - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            int err = errno;
            AfxThrowFileException(CFileException::ErrnoToException(err), err, m_strFileName);
        }
        if (n == 0) AfxThrowFileException(CFileException::diskFull, ENOSPC, m_strFileName);
        done += UINT(n);
    }
}

void CFile::Close()
{
    if (m_hFile == kNoFile) return;
    int fd = m_hFile;
    m_hFile = kNoFile;
    if (::close(fd) != 0 && errno != EINTR) {
        int err = errno;
        AfxThrowFileException(CFileException::ErrnoToException(err), err, m_strFileName);
    }
}

void CFile::Abort()
{
    if (m_hFile != kNoFile) ::close(m_hFile);
    m_hFile = kNoFile;
}

DWORD CFile::SeekTo(DWORD lOff)
{
    off_t pos = m_hFile == kNoFile ? off_t(-1) : lseek(m_hFile, off_t(lOff), SEEK_SET);
    if (pos < 0) {
        int err = m_hFile == kNoFile ? EBADF : errno;
        AfxThrowFileException(CFileException::ErrnoToException(err), err, m_strFileName);
    }
    return DWORD(pos);
}

void CFile::SetLength(DWORD dwLength)
{
    if (ftruncate(m_hFile, off_t(dwLength)) != 0) {
        int err = errno;
        AfxThrowFileException(CFileException::ErrnoToException(err), err, m_strFileName);
    }
}

DWORD CFile::GetLength() const
{
    struct stat st;
    if (m_hFile == kNoFile || fstat(m_hFile, &st) != 0) {
        int err = m_hFile == kNoFile ? EBADF : errno;
        AfxThrowFileException(CFileException::ErrnoToException(err), err, m_strFileName);
    }
    return DWORD(st.st_size);
}
