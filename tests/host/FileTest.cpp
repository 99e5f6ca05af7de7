// CFile on the local file system: the open flags, error causes and file names.
#include "AfxFile.h"

#include <gtest/gtest.h>

#include "../common/TempDir.h"

TEST(CFile, FlagValuesMatchTheFramework)
{
    EXPECT_EQ(CFile::modeCreate | CFile::modeWrite | CFile::shareExclusive | CFile::typeBinary, 36881u);
}

TEST(CFile, WriteReadAndLength)
{
    ScopedTempDir dir;
    CFile out;
    ASSERT_TRUE(out.Open("data.bin", CFile::modeCreate | CFile::modeWrite | CFile::shareExclusive | CFile::typeBinary));
    out.Write("hello\r\nworld", 12);
    out.Close();
    out.Close();  // a second close is harmless

    CFile in;
    ASSERT_TRUE(in.Open("data.bin", CFile::modeRead));
    EXPECT_EQ(in.GetLength(), 12u);
    char buf[32] = {};
    EXPECT_EQ(in.Read(buf, sizeof buf), 12u);
    EXPECT_EQ(std::string(buf, 12), "hello\r\nworld");
    EXPECT_EQ(in.Read(buf, sizeof buf), 0u);
}

TEST(CFile, SeekToReadsFromThere)
{
    ScopedTempDir dir;
    WriteBytes("data.bin", "0123456789");
    CFile in;
    ASSERT_TRUE(in.Open("data.bin", CFile::modeRead | CFile::shareDenyWrite));
    struct Case {
        DWORD at;
        const char* rest;
    };
    // Backwards, forwards, at the end and past it (where a read finds nothing).
    const Case cases[] = {{7, "789"}, {2, "23456789"}, {0, "0123456789"}, {10, ""}, {4000000000u, ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.at);
        EXPECT_EQ(in.SeekTo(c.at), c.at);
        char buf[16] = {};
        UINT got = in.Read(buf, sizeof buf);
        EXPECT_EQ(std::string(buf, got), c.rest);
    }
}

TEST(CFile, CreateTruncatesAnExistingFile)
{
    ScopedTempDir dir;
    WriteBytes("f.txt", "old contents");
    CFile f;
    ASSERT_TRUE(f.Open("f.txt", 36881));
    f.Write("new", 3);
    f.Close();
    EXPECT_EQ(ReadBytes("f.txt"), "new");
}

TEST(CFile, OpenFailuresFillTheCallersException)
{
    ScopedTempDir dir;
    std::filesystem::create_directory("adir");
    struct Case {
        const char* path;
        int cause;
    } cases[] = {
        {"missing.bin", CFileException::fileNotFound},
        {"nodir/missing.bin", CFileException::badPath},
        {"adir", CFileException::accessDenied},
    };
    for (const Case& c : cases) {
        CFile f;
        CFileException e;
        EXPECT_FALSE(f.Open(c.path, CFile::modeRead | CFile::typeBinary, &e)) << c.path;
        EXPECT_EQ(e.m_cause, c.cause) << c.path;
        EXPECT_EQ(e.m_strFileName, CString(c.path));
        EXPECT_FALSE(f.IsOpen());
    }
}

TEST(CFile, GetFileNameIsTheLastComponentOfTheLastAttempt)
{
    struct Case {
        const char* path;
        const char* name;
    } cases[] = {
        {"C:\\Program Files\\Demo\\Install.log", "Install.log"},
        {"dir/sub/readme.txt", "readme.txt"},
        {"A:disk.002", "disk.002"},
        {"plain.001", "plain.001"},
        {"mixed/dir\\name", "name"},
    };
    for (const Case& c : cases) {
        CFile f;
        f.Open(c.path, CFile::modeRead);
        EXPECT_EQ(f.GetFileName(), CString(c.name)) << c.path;
    }
}

TEST(CFile, OperationsOnAnUnopenedFileThrow)
{
    CFile f;
    for (int op = 0; op < 4; ++op) {
        try {
            char buf[4];
            if (op == 0) f.GetLength();
            if (op == 1) f.Read(buf, sizeof buf);
            if (op == 2) f.Write(buf, sizeof buf);
            if (op == 3) f.SeekTo(1);
            ADD_FAILURE() << "operation " << op << " did not throw";
        } catch (CFileException* e) {
            EXPECT_NE(e->m_cause, CFileException::none) << op;
            e->Delete();
        }
    }
}
