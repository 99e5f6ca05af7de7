// The installation flow's edges under Wine: the framework's start-up, a progress dialog that cannot
// open, a Setup.ini that another program holds, and the free-space check against a drive's counts.
#include "AfxHandle.h"
#include "AfxThread.h"
#include "InstallFlags.h"
#include "InstallWorker.h"
#include "SetupApp.h"

#include <gtest/gtest.h>

#include "../common/MessageBoxRecorder.h"
#include "../common/TempDir.h"

namespace {

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

// Critical-error boxes (insert a disk into drive A:) are off before the application starts, so
// that probing a drive that is not ready fails quietly.
TEST(Flow, StartUpSwitchesCriticalErrorBoxesOff)
{
    struct ProbeApp : CWinApp {
        ProbeApp() : CWinApp("probe") {}
        BOOL InitInstance() override
        {
            m_nMode = GetErrorMode();
            return FALSE;
        }
        UINT m_nMode = 0;
    };
    UINT old = SetErrorMode(0);
    ProbeApp app;
    AfxWinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOWNORMAL);
    SetErrorMode(old);
    EXPECT_NE(app.m_nMode & SEM_FAILCRITICALERRORS, 0u);
}

// This program has no dialog template 134: the progress dialog cannot open and so never resumes
// the worker. The run must end, told once, with nothing written (no Install.log either).
TEST(Flow, AProgressDialogThatCannotOpenEndsTheRun)
{
    ScopedTempDir dir;
    CreateDirectoryA("target", nullptr);
    MessageBoxRecorder boxes;
    CSetupApp app;
    app.m_config.m_strDiskImage = "missing.001";
    app.m_config.m_strInstallDir = (dir.path() / "target").string().c_str();
    app.m_config.m_strProductName = "Flow";
    InstallJob job = app.MakeInstallJob(nullptr);
    app.RunInstallation(job);
    EXPECT_EQ(boxes.Texts(), "FATAL: unable to open the progress dialog");
    EXPECT_EQ(app.m_pWorkerThread, nullptr);
    EXPECT_FALSE(Exists((dir.path() / "target" / "Install.log").string()));
}

// A Setup.ini that another program holds without sharing cannot be read: the program ends at
// once, silently, as for a missing one.
TEST(Flow, SetupIniHeldOpenElsewhereEndsSilently)
{
    ScopedTempDir dir;
    WriteBytes("Setup.ini", "I");  // content does not matter: it is never read
    CHandle held(CreateFileA("Setup.ini", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held.IsValid());
    MessageBoxRecorder boxes;
    CSetupApp app;
    EXPECT_FALSE(app.ReadSetupIni());
    held.Close();
    EXPECT_EQ(boxes.Texts(), "");
}

// The drive must have more free megabytes than required, counted from the drive's own figures in
// 64 bits: exactly as many is refused, and the message names the drive letter as typed.
TEST(Flow, FreeSpaceCheckAgainstTheDrivesCounts)
{
    struct Row {
        const char* target;
        BOOL answered;  // whether the drive could be asked
        DWORD sectorsPerCluster, bytesPerSector, freeClusters;
        int required;
        const char* message;  // "" when the check passes
    } rows[] = {
        // 8 x 512-byte sectors per cluster: 256 clusters a megabyte; 2560 clusters are 10 MB.
        {"C:\\Games", TRUE, 8, 512, 2560, 9, ""},
        {"C:\\Games", TRUE, 8, 512, 2560, 10,
         "Not enough free space left on drive C:\nYou need 10 megabytes, and currently have\nonly 10 megabytes free."},
        {"c:\\games", TRUE, 8, 512, 2559, 9,
         "Not enough free space left on drive c:\nYou need 9 megabytes, and currently have\nonly 9 megabytes free."},
        // Less than a megabyte free is 0, and a requirement of 0 is not met by it.
        {"D:\\x", TRUE, 8, 512, 255, 0,
         "Not enough free space left on drive D:\nYou need 0 megabytes, and currently have\nonly 0 megabytes free."},
        // Clusters x sectors beyond 32 bits: 2^32 - 1 clusters of 64 sectors of 4 KB.
        {"E:\\big", TRUE, 64, 4096, 0xFFFFFFFFu, 1073741822, ""},
        {"E:\\big", TRUE, 64, 4096, 0xFFFFFFFFu, 1073741823,
         "Not enough free space left on drive E:\nYou need 1073741823 megabytes, and currently have\nonly 1073741823 "
         "megabytes free."},
        // A drive that cannot be asked, or answers with counts that describe no drive, passes.
        {"Q:\\none", FALSE, 0, 0, 0, 5, ""},
        {"Q:\\none", TRUE, 8, 0, 2560, 5, ""},
        {"rel", FALSE, 0, 0, 0, 5, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.target) + " needs " + std::to_string(row.required));
        MessageBoxRecorder boxes;
        CSetupApp app;
        app.m_config.m_strInstallDir = row.target;
        app.m_config.m_nFreeSpaceMB = row.required;
        std::string asked;
        app.m_queryFreeSpace = [&](const char* root, DWORD* spc, DWORD* bps, DWORD* freeClusters) {
            asked = root;
            *spc = row.sectorsPerCluster;
            *bps = row.bytesPerSector;
            *freeClusters = row.freeClusters;
            return row.answered;
        };
        EXPECT_EQ(app.CheckFreeSpace(), *row.message == '\0');
        EXPECT_EQ(asked, std::string(row.target).substr(0, 3));
        EXPECT_EQ(boxes.Texts(), row.message);
        for (const MessageBoxRecorder::Box& b : boxes.Boxes()) EXPECT_EQ(b.type, UINT(MB_OK));
    }
}
