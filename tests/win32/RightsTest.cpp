// Whose rights a program runs with, and starting one with other rights: every program under Wine
// starts elevated, with a limited twin; as-user.exe (written apart from the framework) starts one
// with that twin, so that both branches run here. The rows marked for the unelevated side run in a
// second copy of this program that as-user.exe starts.
#include "AfxElevation.h"
#include "AfxHandle.h"
#include "AfxPath.h"
#include "AfxRestartGate.h"
#include "AfxSecurity.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

CString Beside(const char* pszName) { return AfxFolderOf(AfxGetProgramPath()) + "\\" + pszName; }

bool OnTheUnelevatedSide() { return std::getenv("ZRV_RIGHTS_SIDE") != nullptr; }

// This program again under as-user.exe, running the rows of one test; its exit code.
int RunUnelevated(const char* pszFilter)
{
    SetEnvironmentVariableA("ZRV_RIGHTS_SIDE", "1");
    CString line = "\"" + Beside("as-user.exe") + "\" \"" + AfxGetProgramPath() + "\" --gtest_filter=" + pszFilter;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::string buffer = line.Str();
    BOOL started = CreateProcessA(nullptr, &buffer[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
    SetEnvironmentVariableA("ZRV_RIGHTS_SIDE", nullptr);
    if (!started) return -1;
    CHandle process(pi.hProcess), thread(pi.hThread);
    WaitForSingleObject(process.Get(), INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.Get(), &code);
    return int(code);
}

}  // namespace

TEST(Rights, ElevatedWithATwinAndTheTwinStarted)
{
    if (OnTheUnelevatedSide()) GTEST_SKIP() << "the elevated side's rows";
    EXPECT_EQ(AfxGetRights(), AfxRights::elevated);
    EXPECT_TRUE(AfxIsElevated());
    // as-user.exe --probe answers 10 only from a process without elevation that holds the
    // limited token: AfxRunAsUser started it with the twin, not with this process's token.
    EXPECT_EQ(AfxRunAsUser(Beside("as-user.exe"), "--probe", ""), 10);
    EXPECT_EQ(AfxRunAsUser(Beside("no-such-program.exe"), "", ""), -1);
}

TEST(Rights, WithoutElevationNothingIsArrangedForTheRestart)
{
    if (!OnTheUnelevatedSide()) {
        // The same rows, without elevation: the second copy's verdict.
        EXPECT_EQ(RunUnelevated("Rights.WithoutElevationNothingIsArrangedForTheRestart"), 0);
        return;
    }
    EXPECT_EQ(AfxGetRights(), AfxRights::limited);
    EXPECT_FALSE(AfxIsElevated());
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    CString path = CString(temp) + "zrv-rights-restart.txt";
    CHandle file(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(file.IsValid());
    file.Close();
    // Refused by the token, whatever the system would answer (under Wine it would take it).
    SetLastError(0);
    EXPECT_FALSE(AfxArrangeAtRestart(path));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(AfxArrangeAtRestart(path, path + ".new"));
    // A program started as the user from here is not elevated either.
    EXPECT_EQ(AfxRunAsUser(Beside("as-user.exe"), "--probe", ""), 10);
    DeleteFileA(path);
}
