// The reader on Win32 files: the worked images, volumes chained under a Windows path, and the
// retry prompt driven by the file layer's Win32 error causes.
#include "../common/ArchiveReaderFixture.h"
#include "../common/ZrvTestEncoder.h"

using namespace zrvtest;


TEST_F(ArchiveReaderTest, WorkedImagesOnWin32)
{
    struct Case {
        std::string data;
        std::string output;
    } cases[] = {
        {WorkedImageAbc(), "abc"},
        {WorkedImageAaaaaaaab(), "aaaaaaab"},
    };
    for (const Case& c : cases) {
        WriteBytes("disk.001", MakeVolume(c.data));
        CArchiveFile reader(&prompt);
        CFileException err;
        ASSERT_TRUE(reader.Open("disk.001", CFile::typeBinary, &err));
        char buf[10] = {};
        EXPECT_EQ(reader.Read(buf, 10), c.output.size());
        EXPECT_EQ(std::string(buf, c.output.size()), c.output);
        EXPECT_NO_THROW(reader.Close());
        EXPECT_EQ(reader.GetFileName(), CString("disk.001"));
    }
    EXPECT_TRUE(boxes.empty()) << BoxTexts();
}

TEST_F(ArchiveReaderTest, VolumesUnderAWindowsPathWithRetry)
{
    CreateDirectoryA("media", nullptr);
    std::string data;
    for (int i = 0; i < 40000; ++i) data += "file " + std::to_string(i % 97) + (i % 13 ? " " : "\r\n");
    std::string stream = Compress(data, 1);
    ASSERT_GT(data.size(), 300000u);
    std::vector<std::string> pieces = SplitStream(stream, {300, stream.size() / 2});
    auto writeFirstTwo = [&] {
        DeleteFileA("media\\disk.003");
        WriteBytes("media\\disk.001", MakeVolume(pieces[0], 1));
        WriteBytes("media\\disk.002", MakeVolume(pieces[1], 1));
    };
    // The third disk is "inserted" when the prompt for it comes.
    answer = [&](const std::string& text, UINT type) {
        EXPECT_EQ(text, msg::NotFound("media\\disk.003"));
        EXPECT_EQ(type, UINT(MB_RETRYCANCEL));
        WriteBytes("media\\disk.003", MakeVolume(pieces[2], 1));
        return IDRETRY;
    };
    writeFirstTwo();
    DecodeResult r = Decode("media\\disk.001", 4096);
    EXPECT_FALSE(r.threw) << BoxTexts();
    EXPECT_TRUE(r.data == data);
    EXPECT_EQ(boxes.size(), 1u);

    // The reader's second thread on Win32: every Read delivers the same and the prompt comes at
    // the same Read as on one thread.
    for (size_t readSize : {4096, 65537}) {
        writeFirstTwo();
        std::string one = TraceReads("media\\disk.001", false, readSize);
        writeFirstTwo();
        std::string two = TraceReads("media\\disk.001", true, readSize);
        EXPECT_EQ(two, one) << readSize;
        EXPECT_NE(one.find("box["), std::string::npos);
    }

    // A missing folder is a bad path to Win32: the same prompt, and Cancel ends the open.
    boxes.clear();
    answer = nullptr;
    CArchiveFile reader(&prompt);
    CFileException err;
    EXPECT_FALSE(reader.Open("nowhere\\disk.001", CFile::typeBinary, &err));
    EXPECT_EQ(err.m_cause, CFileException::badPath);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, msg::NotFound("nowhere\\disk.001"));
}
