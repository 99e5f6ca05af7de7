// The installer's prompt for the reader: each text in its message box (a stop sign for an error,
// Retry/Cancel for a missing volume), and only Retry makes the reader look again.
#include "ArchiveFile.h"
#include "ArchivePromptBox.h"

#include "MessageBoxRecorder.h"
#include "TempDir.h"
#include "ZrvTestEncoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(ArchivePromptBox, EachTextInItsBox)
{
    struct Case {
        const char* name;
        bool ask;  // AskRetry; otherwise Tell
        const char* text;
        int answer;
        bool result;  // AskRetry's answer; Tell counts as false
        UINT type;
    } cases[] = {
        {"an error", false, "FATAL: broken", IDOK, false, MB_ICONHAND},
        {"a volume, Retry", true, "disk 2 is missing", IDRETRY, true, MB_RETRYCANCEL},
        {"a volume, Cancel", true, "disk 2 is missing", IDCANCEL, false, MB_RETRYCANCEL},
        {"a volume, the box closed", true, "disk 2 is missing", IDOK, false, MB_RETRYCANCEL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MessageBoxRecorder boxes({c.answer});
        CArchivePrompt& prompt = ArchivePromptBox();
        bool result = false;
        if (c.ask)
            result = prompt.AskRetry(c.text);
        else
            prompt.Tell(c.text);
        EXPECT_EQ(result, c.result);
        std::vector<MessageBoxRecorder::Box> shown = boxes.Boxes();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, c.text);
        EXPECT_EQ(shown[0].type, c.type);
    }
}

// A reader given the installer's prompt shows what the installer showed: the question for a
// missing first volume, where Retry after the disk has gone in opens it, and a stop sign for a
// file that is not an image.
TEST(ArchivePromptBox, TheReaderThroughIt)
{
    ScopedTempDir dir;
    const std::string image = zrvtest::MakeVolume(zrvtest::EncodeContents({"ok*"}));
    struct Case {
        const char* name;
        std::string bytes;  // what disk.001 holds; "": it is missing
        int answer;         // the user's answer; Retry puts the disk in first
        bool opened;
        std::string text;
        UINT type;
    } cases[] = {
        {"missing, Cancel", "", IDCANCEL, false, "The file 'disk.001' could not be found/opened", MB_RETRYCANCEL},
        {"missing, inserted, Retry", "", IDRETRY, true, "The file 'disk.001' could not be found/opened",
         MB_RETRYCANCEL},
        {"not an image", "ZRW" + image.substr(3), IDOK, false, "FATAL: the file 'disk.001' is not a ZRV-Zip file",
         MB_ICONHAND},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteFileA("disk.001");
        if (!c.bytes.empty()) WriteBytes("disk.001", c.bytes);
        std::vector<MessageBoxRecorder::Box> shown;
        AfxMessageBoxHandler old = AfxSetMessageBoxHandler([&](const CString& text, UINT type) {
            shown.push_back({text.GetString(), type});
            if (c.answer == IDRETRY) WriteBytes("disk.001", image);
            return c.answer;
        });
        bool opened = false;
        {
            CArchiveFile reader(&ArchivePromptBox());
            CFileException err;
            opened = reader.Open("disk.001", CFile::typeBinary, &err) != 0;
        }
        AfxSetMessageBoxHandler(old);
        EXPECT_EQ(opened, c.opened);
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, c.text);
        EXPECT_EQ(shown[0].type, c.type);
    }
}
