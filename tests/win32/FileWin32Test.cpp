// CFile on Win32 under the real file system: share modes, error codes, read-only files.
#include "AfxFile.h"
#include "AfxInUse.h"
#include "AfxShell.h"

#include <gtest/gtest.h>

#include "../common/TempDir.h"

TEST(CFileWin32, ExclusiveOpenRefusesASecondOpener)
{
    ScopedTempDir dir;
    CFile first;
    ASSERT_TRUE(first.Open("x.bin", 36881));
    CFile second;
    CFileException e;
    EXPECT_FALSE(second.Open("x.bin", CFile::modeRead, &e));
    EXPECT_EQ(e.m_cause, CFileException::sharingViolation);
    EXPECT_EQ(e.m_lOsError, long(ERROR_SHARING_VIOLATION));
}

TEST(CFileWin32, OpenErrorsMapToCauses)
{
    ScopedTempDir dir;
    // A read-only file would be the natural access-denied case, but Wine run as root writes it
    // anyway; a directory opened as a file is refused everywhere.
    CreateDirectoryA("adir", nullptr);
    struct Case {
        const char* path;
        UINT flags;
        int cause;
    } cases[] = {
        {"missing.bin", CFile::modeRead, CFileException::fileNotFound},
        {"nodir\\missing.bin", CFile::modeRead, CFileException::badPath},
        {"adir", 36881, CFileException::accessDenied},
    };
    for (const Case& c : cases) {
        CFile f;
        CFileException e;
        EXPECT_FALSE(f.Open(c.path, c.flags, &e)) << c.path;
        EXPECT_EQ(e.m_cause, c.cause) << c.path;
    }
}

// The one test of "a program holds it": the error alone for an open; for a delete or a move over
// the file, "access denied" too, unless the file is read-only (which meets it without any holder).
TEST(InUse, TheErrorAndTheFileTellWhetherAProgramHoldsIt)
{
    ScopedTempDir dir;
    { CFile f; ASSERT_TRUE(f.Open("plain.bin", 36881)); }
    { CFile f; ASSERT_TRUE(f.Open("ro.bin", 36881)); }
    ASSERT_TRUE(SetFileAttributesA("ro.bin", FILE_ATTRIBUTE_READONLY));
    struct Row {
        DWORD dwError;
        const char* pszPath;
        bool bInUseError, bHeld;
    } rows[] = {
        {ERROR_SHARING_VIOLATION, "plain.bin", true, true}, {ERROR_LOCK_VIOLATION, "ro.bin", true, true},
        {ERROR_ACCESS_DENIED, "plain.bin", false, true},   {ERROR_ACCESS_DENIED, "missing.bin", false, true},
        {ERROR_ACCESS_DENIED, "ro.bin", false, false},     {ERROR_FILE_NOT_FOUND, "plain.bin", false, false},
        {ERROR_DISK_FULL, "plain.bin", false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.dwError) + " " + row.pszPath);
        EXPECT_EQ(row.bInUseError, AfxIsInUseError(row.dwError));
        EXPECT_EQ(row.bHeld, AfxIsHeldByProgram(row.dwError, row.pszPath));
    }
    SetFileAttributesA("ro.bin", FILE_ATTRIBUTE_NORMAL);
}

TEST(CFileWin32, CauseTable)
{
    struct Case {
        DWORD err;
        int cause;
    } cases[] = {
        {ERROR_FILE_NOT_FOUND, CFileException::fileNotFound},
        {ERROR_PATH_NOT_FOUND, CFileException::badPath},
        {ERROR_TOO_MANY_OPEN_FILES, CFileException::tooManyOpenFiles},
        {ERROR_ACCESS_DENIED, CFileException::accessDenied},
        {ERROR_SHARING_VIOLATION, CFileException::sharingViolation},
        {ERROR_LOCK_VIOLATION, CFileException::lockViolation},
        {ERROR_DISK_FULL, CFileException::diskFull},
        {ERROR_HANDLE_EOF, CFileException::endOfFile},
        {ERROR_SEEK, CFileException::badSeek},
        {ERROR_CRC, CFileException::hardIO},
        {12345, CFileException::generic},
    };
    for (const Case& c : cases) EXPECT_EQ(CFileException::OsErrorToException(LONG(c.err)), c.cause) << c.err;
}

// An installation for everyone started without administrator rights runs its program again with
// them and ends with that run's exit code: the wait and the code, whatever the system asks first.
// (Wine runs every program elevated, so no consent is asked here.)
TEST(RunElevated, WaitsAndPassesOnTheExitCode)
{
    char szSystem[MAX_PATH] = {};
    ASSERT_NE(GetSystemDirectoryA(szSystem, sizeof szSystem), 0u);
    const CString cmd = CString(szSystem) + "\\cmd.exe";
    const struct {
        CString program;
        const char* arguments;
        int expected;
    } rows[] = {
        {cmd, "/c exit 0", 0},
        {cmd, "/c exit 2", 2},
        {cmd, "/c exit 3010", 3010},
        {CString(szSystem) + "\\no-such-program.exe", "", -1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.arguments);
        EXPECT_EQ(row.expected, AfxRunElevated(row.program, row.arguments, ""));
    }
}
