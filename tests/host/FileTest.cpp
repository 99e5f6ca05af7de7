// CFile on the local file system: the open flags, error causes and file names.
#include "AfxDigest.h"
#include "AfxFile.h"

#include <algorithm>

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

// SHA-256 against published digests, fed in pieces that straddle the 64-byte blocks and the
// padding boundary (55, 56, 63 and 64 bytes), and through a file that digests what it writes.
TEST(Sha256, KnownDigestsWhateverThePieces)
{
    struct Case {
        std::string data;
        const char* digest;
    } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {std::string(55, 'a'), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
        {std::string(56, 'a'), "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
        {std::string(63, 'a'), "7d3e74a05d7db15bce4ad9ec0658ea98e3f06eeecf16b4c6fff2da457ddc2f34"},
        {std::string(64, 'a'), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
        {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    ScopedTempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.data.size());
        EXPECT_EQ(CSha256::Of(c.data), c.digest);
        CDigestFile file;
        ASSERT_TRUE(file.Open("d.bin", CFile::modeCreate | CFile::modeWrite | CFile::osNoLinks));
        for (size_t at = 0, piece = 1; at < c.data.size(); at += piece, piece = piece * 3 % 97 + 1)
            file.Write(c.data.data() + at, UINT(std::min(piece, c.data.size() - at)));
        file.Close();
        EXPECT_EQ(file.HexDigest(), c.digest);
    }
}
