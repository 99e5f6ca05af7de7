// How the uninstaller speaks (UninstallVoice.h): which texts reach a box, which reach the /LOG=
// file, and the answer a silent run takes.
#include "UninstallVoice.h"

#include <gtest/gtest.h>

#include "../common/MessageBoxRecorder.h"
#include "../common/TempDir.h"

namespace {

TEST(UninstallVoice, TableOfTextsBoxesAndTheLog)
{
    ScopedTempDir dir;
    const std::filesystem::path path = dir.path() / "voice.log";
    struct Row {
        const char* pszName;
        bool bSilent;
        bool bShow;  // Show, not Tell
        const char* pszText;
        UINT nType;
        int nAnswer;         // what the box answers when one is shown
        int nExpected;       // what Tell returns
        const char* pszBox;  // the texts of the boxes shown
        const char* pszLog;
    };
    const Row rows[] = {
        {"a stop is shown and logged", false, false, "No log", MB_ICONHAND, IDOK, IDOK, "No log", "No log\r\n"},
        {"the question is shown, not logged", false, false, "Remove?", MB_YESNO | MB_ICONQUESTION, IDNO, IDNO, "Remove?", ""},
        {"silent: the question is answered Yes", true, false, "Remove?", MB_YESNO | MB_ICONQUESTION, IDNO, IDYES, "", ""},
        {"silent: a stop is logged only", true, false, "No log", MB_ICONHAND, IDCANCEL, IDOK, "", "No log\r\n"},
        {"the outcome is shown, not logged", false, true, "Removed", MB_ICONINFORMATION, IDOK, 0, "Removed", ""},
        {"silent: the outcome is neither", true, true, "Removed", MB_ICONINFORMATION, IDOK, 0, "", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pszName);
        UninstallOptions options;
        options.bSilent = row.bSilent;
        options.strLogFile = path.string().c_str();
        CUninstallVoice voice(options);
        ASSERT_TRUE(voice.OpenLog());
        MessageBoxRecorder boxes({row.nAnswer});
        if (row.bShow) voice.Show(row.pszText, row.nType);
        else EXPECT_EQ(voice.Tell(row.pszText, row.nType), row.nExpected);
        voice.CloseLog();
        EXPECT_EQ(boxes.Texts(), row.pszBox);
        EXPECT_EQ(ReadBytes(path), row.pszLog);
    }
}

}  // namespace
