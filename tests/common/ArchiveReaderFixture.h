// Shared pieces of the reader's tests: a temporary directory, the reader's prompt that records
// every text and answers as the test tells it, and helpers that read an image to its end. The
// reader itself must never show a message box: every test checks that none came.
#pragma once

#include "AfxMessageBox.h"
#include "ArchiveFile.h"
#include "Crc32.h"
#include "RecordingPrompt.h"

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "TempDir.h"

// Bytes from their values, for images written out in tests.
inline std::string Bytes(std::initializer_list<int> v)
{
    std::string s;
    for (int b : v) s += char(b);
    return s;
}

// The data of the two whole worked images (what follows their 12-byte headers), which decode to
// "abc" and "aaaaaaab".
inline std::string WorkedImageAbc() { return Bytes({0x7F, 0xFF, 0xFF, 0xFF, 0x63, 0x90, 0xEA, 0xFF, 0x0B, 0x20, 0x77, 0x04}); }
inline std::string WorkedImageAaaaaaaab()
{
    return Bytes({0x7F, 0xFF, 0xFF, 0xFD, 0x63, 0x3A, 0x79, 0x7E, 0xB3, 0x9B, 0x43, 0x90, 0x08});
}

// What happened when an image was read.
struct DecodeResult {
    bool opened = false;
    bool threw = false;            // the caller's own exception came out, with cause generic
    bool foreignException = false;  // some other exception object came out
    std::string data;              // every byte delivered, also those before an error
    int cause = CFileException::none;  // the caller's exception object's cause at the end
};

class ArchiveReaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_old = AfxSetMessageBoxHandler([this](const CString& text, UINT) {
            m_shownBoxes.push_back(text.GetString());
            return IDCANCEL;
        });
    }
    void TearDown() override
    {
        AfxSetMessageBoxHandler(m_old);
        EXPECT_TRUE(m_shownBoxes.empty()) << "the reader showed a message box: " << m_shownBoxes.front();
        EXPECT_EQ(prompt.ForeignThreadCalls(), 0) << "the prompt was called on the reader's second thread";
    }

    // Opens path and reads it in pieces of readSize until a short read or an error.
    DecodeResult Decode(const char* path, size_t readSize = 4096) { return DecodeWith(&prompt, path, readSize); }

    // The same with a reader given pReaderPrompt (null: a reader without a prompt).
    DecodeResult DecodeWith(CArchivePrompt* pReaderPrompt, const char* path, size_t readSize = 4096)
    {
        DecodeResult res;
        CArchiveFile reader(pReaderPrompt);
        CFileException err;
        std::vector<char> buf(readSize);
        try {
            res.opened = reader.Open(path, CFile::typeBinary, &err) != 0;
            while (res.opened) {
                UINT n = reader.Read(buf.data(), UINT(readSize));
                res.data.append(buf.data(), n);
                if (n < readSize) break;
            }
        } catch (CFileException* e) {
            if (e == &err && e->m_cause == CFileException::generic) {
                res.threw = true;
            } else {
                res.foreignException = true;
                if (e != &err) e->Delete();
            }
        }
        res.cause = err.m_cause;
        return res;
    }

    // Reads path to its end or error with or without the reader's second thread and describes
    // every Read: the bytes delivered (their count and CRC), the messages shown during it and how
    // it ended. Two threads, where the machine has them, must give the same description as one.
    // With closeAfter, the reader is closed after that many reads.
    std::string TraceReads(const char* path, bool secondThread, size_t readSize, int closeAfter = -1)
    {
        boxes.clear();
        std::string log;
        CArchiveFile reader(&prompt);
        reader.SetSecondThread(secondThread);
        CFileException err;
        std::vector<char> buf(readSize);
        size_t shown = 0;
        auto newBoxes = [&] {
            for (; shown < boxes.size(); ++shown) log += " box[" + boxes[shown].text + "]";
        };
        try {
            if (!reader.Open(path, CFile::typeBinary, &err)) {
                newBoxes();
                return log + " open failed";
            }
            if (secondThread && AfxGetProcessorCount() > 1) {
                EXPECT_TRUE(reader.UsesSecondThread());
            }
            for (int call = 0;; ++call) {
                UINT n = reader.Read(buf.data(), UINT(readSize));
                log += "\nread " + std::to_string(call) + ": " + std::to_string(n) + " bytes, crc " +
                       std::to_string(zrv::Crc32(buf.data(), n));
                newBoxes();
                if (n < readSize || call + 1 == closeAfter) break;
            }
            reader.Close();
            log += "\nclosed";
        } catch (CFileException* e) {
            newBoxes();
            log += e == &err ? " read error" : " file error";
            if (e != &err) e->Delete();
        }
        newBoxes();
        return log;
    }

    std::string BoxTexts() const
    {
        std::string all;
        for (const RecordedBox& b : boxes) all += b.text + "|";
        return all;
    }

    ScopedTempDir dir;
    // The prompt that the helpers' readers get; a test gives it to its own readers too.
    RecordingPrompt prompt;
    std::vector<RecordedBox>& boxes = prompt.boxes;
    std::function<int(const std::string&, UINT)>& answer = prompt.answer;

private:
    AfxMessageBoxHandler m_old;
    std::vector<std::string> m_shownBoxes;  // boxes shown through AfxMessageBox: there must be none
};

// The texts of the reader's messages, written out here on their own.
namespace msg {
inline std::string NotFound(const std::string& p) { return "The file '" + p + "' could not be found/opened"; }
inline std::string NotZrv(const std::string& p) { return "FATAL: the file '" + p + "' is not a ZRV-Zip file"; }
inline std::string Integrity(const std::string& p)
{
    return "FATAL:\tdata integrity error.\n\tThe file '" + p + "' is probably corrupted.";
}
inline std::string BadName(const std::string& p)
{
    return "FATAL: the file name '" + p + "' does not end in a three-digit volume number";
}
inline std::string ShortHeader(const std::string& p)
{
    return "FATAL: the file '" + p + "' is too short to be a ZRV-Zip volume";
}
inline std::string CannotOpen(const std::string& p) { return "FATAL: the file '" + p + "' could not be opened"; }
inline std::string DataEnd(const std::string& p)
{
    return "FATAL: the file '" + p + "' is cut short: its compressed data end too early";
}
inline std::string StreamEnd(const std::string& p)
{
    return "FATAL: the file '" + p + "' is corrupted: its contents end too early";
}
const char kOverrun[] =
    "FATAL:\tblock overrun during decompression,\n\twhich probably means the compressed file\n\tis corrupted.";
const char kUnblock[] = "FATAL:\tcompressed file didn't unblock correctly,\n\twhich probably means it is corrupted.";
const char kBadOrigin[] =
    "FATAL:\tblock origin outside the block during decompression,\n\twhich probably means the compressed file\n\tis "
    "corrupted.";
const char kMissingCount[] =
    "FATAL:\trun length count missing at the end of a block,\n\twhich probably means the compressed file\n\tis "
    "corrupted.";
}  // namespace msg
