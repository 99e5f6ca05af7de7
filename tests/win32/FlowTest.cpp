// The installation flow's edges under Wine: the framework's start-up, a progress dialog that cannot
// open, a Setup.ini that another program holds, and free space exactly at the required amount.
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
    InstallJob job = {nullptr, &app.m_config.m_strDiskImage, &app.m_config.m_strInstallDir,
                      &app.m_config.m_strProductName, &g_bCancel, &g_bDone, &g_bFailed};
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

// The drive must have more free megabytes than required: exactly as many is refused, and the
// message names the same number twice.
TEST(Flow, FreeSpaceEqualToTheRequiredAmountIsRefused)
{
    ScopedTempDir dir;
    const std::string here = dir.path().string();
    const std::string root = here.substr(0, 3);
    auto freeNow = [&root] {
        DWORD spc = 0, bps = 0, freeClusters = 0, total = 0;
        EXPECT_TRUE(GetDiskFreeSpaceA(root.c_str(), &spc, &bps, &freeClusters, &total));
        return FreeMegabytes(spc, bps, freeClusters);
    };
    // The machine is shared: other programs may change the free space meanwhile, so the check is
    // taken only when the amount was the same before and after it.
    for (int attempt = 0; attempt < 20; ++attempt) {
        long long before = freeNow();
        ASSERT_GT(before, 0);
        ASSERT_LE(before, 2147483647LL);
        MessageBoxRecorder boxes;
        CSetupApp app;
        app.m_config.m_strInstallDir = here.c_str();
        app.m_config.m_nFreeSpaceMB = int(before);
        BOOL passed = app.CheckFreeSpace();
        if (freeNow() != before) continue;
        EXPECT_FALSE(passed);
        const std::string n = std::to_string(before);
        EXPECT_EQ(boxes.Texts(), std::string("Not enough free space left on drive ") + here[0] + ":\nYou need " + n +
                                     " megabytes, and currently have\nonly " + n + " megabytes free.");
        return;
    }
    GTEST_SKIP() << "the free space never held still";
}
