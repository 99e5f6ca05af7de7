// The installation without a window: its command line, its answers to the boxes, and whole silent
// runs that end before the image is read, each with its exit code and its log; and how the end of a
// run, windowed or silent, is told.
#include "InstallFlags.h"
#include "InstallRecordFormat.h"
#include "InstallWorker.h"
#include "RunOutcome.h"
#include "SetupApp.h"
#include "SilentLog.h"

#include <cstring>

#include <gtest/gtest.h>

#include "../common/InstallFixtures.h"
#include "../common/KeptAnchor.h"
#include "../common/MessageBoxRecorder.h"
#include "../common/TempDir.h"

namespace {

bool IsDirectory(const std::string& path)
{
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

TEST(SilentOptions, CommandLines)
{
    const char* const kUnknown = "FATAL: unknown option '%s' (use /S, /LOG=FILE and /D=PATH)";
    struct Row {
        const char* line;
        BOOL silent;
        const char* target;  // null: no /D=
        const char* log;
        const char* unknown;  // the argument refused as unknown, or null
        const char* error;    // any other refusal, or null
        BOOL downgrade;       // /DOWNGRADE was read
    } rows[] = {
        {"", FALSE, nullptr, "", nullptr, nullptr, FALSE},
        // Without /S nothing counts, not even what would be refused.
        {"/X /LOG= /D=C:\\a", FALSE, nullptr, "", nullptr, nullptr, FALSE},
        {"/SS", FALSE, nullptr, "", nullptr, nullptr, FALSE},
        {"/s", TRUE, nullptr, "", nullptr, nullptr, FALSE},
        {"  /S  ", TRUE, nullptr, "", nullptr, nullptr, FALSE},
        // /D= takes the rest of the line, blanks included; quotes and a closing backslash go.
        {"/S /D=C:\\Program Files\\My App", TRUE, "C:\\Program Files\\My App", "", nullptr, nullptr, FALSE},
        {"/S /d=C:\\My App\\  ", TRUE, "C:\\My App", "", nullptr, nullptr, FALSE},
        {"/S /D=C:\\My  App\\v 1", TRUE, "C:\\My  App\\v 1", "", nullptr, nullptr, FALSE},
        {"/S \"/D=C:\\My App\"", TRUE, "C:\\My App", "", nullptr, nullptr, FALSE},
        {"/S /D=\"C:\\My App\"", TRUE, "C:\\My App", "", nullptr, nullptr, FALSE},
        {"/S /D=C:\\", TRUE, "C:\\", "", nullptr, nullptr, FALSE},
        {"/S /D=C:\\a /LOG=x.txt", TRUE, "C:\\a /LOG=x.txt", "", nullptr, nullptr, FALSE},
        // A /S after /D= belongs to the directory: the run is not silent.
        {"/D=C:\\a /S", FALSE, nullptr, "", nullptr, nullptr, FALSE},
        {"/S /LOG=C:\\setup.txt", TRUE, nullptr, "C:\\setup.txt", nullptr, nullptr, FALSE},
        {"/Log=C:\\setup.txt /S", TRUE, nullptr, "C:\\setup.txt", nullptr, nullptr, FALSE},
        {"/S \"/LOG=C:\\my logs\\s.txt\" /D=D:\\x", TRUE, "D:\\x", "C:\\my logs\\s.txt", nullptr, nullptr, FALSE},
        {"/S /LOG=\"C:\\my logs\\s.txt\"", TRUE, nullptr, "C:\\my logs\\s.txt", nullptr, nullptr, FALSE},
        // Anything else under /S is refused, the first problem named.
        {"/S /Q", TRUE, nullptr, "", "/Q", nullptr, FALSE},
        {"/S /LOG=l.txt extra /Q", TRUE, nullptr, "l.txt", "extra", nullptr, FALSE},
        {"/S /S /D", TRUE, nullptr, "", "/D", nullptr, FALSE},
        {"/S /LOG=", TRUE, nullptr, "", nullptr, "FATAL: the option /LOG= names no file", FALSE},
        {"/S /D=", TRUE, "", "", nullptr, "FATAL: the option /D= names no directory", FALSE},
        {"/S /D= \"\" ", TRUE, "", "", nullptr, "FATAL: the option /D= names no directory", FALSE},
        // /DOWNGRADE in any letter case, anywhere before /D=; after it, it is part of the folder.
        {"/S /DOWNGRADE", TRUE, nullptr, "", nullptr, nullptr, TRUE},
        {"/downgrade /s /LOG=x.txt", TRUE, nullptr, "x.txt", nullptr, nullptr, TRUE},
        {"/S /DownGrade /D=C:\\a", TRUE, "C:\\a", "", nullptr, nullptr, TRUE},
        {"/S /D=C:\\a /DOWNGRADE", TRUE, "C:\\a /DOWNGRADE", "", nullptr, nullptr, FALSE},
        {"/DOWNGRADE", FALSE, nullptr, "", nullptr, nullptr, FALSE},
        {"/S /DOWNGRADE=1", TRUE, nullptr, "", "/DOWNGRADE=1", nullptr, FALSE},
        {"/S /DOWNGRADES", TRUE, nullptr, "", "/DOWNGRADES", nullptr, FALSE},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        SetupOptions o = ParseSetupOptions(row.line);
        EXPECT_EQ(o.bSilent, row.silent);
        EXPECT_EQ(o.bHasTarget, row.target != nullptr);
        EXPECT_STREQ(o.strTarget, row.target ? row.target : "");
        EXPECT_STREQ(o.strLogFile, row.log);
        CString error = row.error ? row.error : "";
        if (row.unknown) error.Format(kUnknown, row.unknown);
        EXPECT_STREQ(o.strError, error);
        EXPECT_EQ(o.bAllowDowngrade, row.downgrade);
    }
    EXPECT_FALSE(ParseSetupOptions(nullptr).bSilent);
}

// For whom: read with the window too (the run started again with administrator rights gets the
// choice that way), in any letter case, never from a folder's name after /D=.
TEST(SilentOptions, TheScopeSwitches)
{
    const struct {
        const char* line;
        BOOL allUsers, currentUser;
        const char* error;
    } rows[] = {
        {"/ALLUSERS", TRUE, FALSE, ""},
        {"/currentuser", FALSE, TRUE, ""},
        {"/S /AllUsers /LOG=x.txt", TRUE, FALSE, ""},
        {"/S /CURRENTUSER /D=C:\\a", FALSE, TRUE, ""},
        {"/S /D=C:\\a /ALLUSERS", FALSE, FALSE, ""},
        {"/S /ALLUSERS /CURRENTUSER", TRUE, TRUE, ""},  // the flow refuses the pair, with its own message
        {"/S /ALLUSERS=1", FALSE, FALSE, "FATAL: unknown option '/ALLUSERS=1' (use /S, /LOG=FILE and /D=PATH)"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line);
        SetupOptions o = ParseSetupOptions(row.line);
        EXPECT_EQ(row.allUsers, o.bAllUsers);
        EXPECT_EQ(row.currentUser, o.bCurrentUser);
        EXPECT_STREQ(row.error, o.strError);
    }
}

// The caller's folder comes only from the launcher's /CALLERDIR=, never from the environment.
TEST(SilentOptions, CallerDirectoryOnlyFromTheCommandLine)
{
    SetEnvironmentVariableA("ZRV_CALLER_DIRECTORY", "C:\\planted");
    struct Row {
        const char* line;
        const char* callerDir;
        const char* target;
    } rows[] = {
        {"/CALLERDIR=\"C:\\My Dir\" /S /LOG=s.txt /D=App", "C:\\My Dir", "App"},
        {"/S /callerdir=\"D:\\\" /D=x", "D:\\", "x"},
        {"/S /LOG=s.txt", "", nullptr},
        // After /D= it is part of the directory.
        {"/S /D=x /CALLERDIR=C:\\y", "", "x /CALLERDIR=C:\\y"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        SetupOptions o = ParseSetupOptions(row.line);
        EXPECT_STREQ(o.strError, "");
        EXPECT_STREQ(o.strCallerDir, row.callerDir);
        EXPECT_STREQ(o.strTarget, row.target ? row.target : "");
    }
    SetEnvironmentVariableA("ZRV_CALLER_DIRECTORY", nullptr);
}

// Each text on one line as the box showed it.
TEST(SilentOptions, OneLinePerText)
{
    struct Line {
        const char* text;
        const char* line;
    } lines[] = {
        {"FATAL:\tdata integrity error.\n\tThe file 'd.001' is probably corrupted.",
         "FATAL: data integrity error. The file 'd.001' is probably corrupted."},
        {"Not enough free space left on drive C:\nYou need 5", "Not enough free space left on drive C: You need 5"},
        {"FATAL:\tunable to allocate enough memory.\n\tRequested 6 bytes.\n", "FATAL: unable to allocate enough memory. Requested 6 bytes."},
        {"a\r\nb", "a b"},
        {"caf\xe9 'x\\y'", "caf\xe9 'x\\y'"},
    };
    for (const Line& l : lines) EXPECT_STREQ(CSilentLog::OneLine(l.text), l.line) << l.text;
}

// Silent runs that install nothing: exit code 1, the reason in the log, no box. The boxes are
// answered as a script would: the question before creating the target with OK (it is made with
// its parents), the retry prompt for a missing image with Cancel (no waiting).
TEST(SilentRun, RefusalsEndWithExitOneAndTheirText)
{
    const std::string kIni =
        "INSTALL4\r\n[Silent]\r\nAppDescription=d\r\nDiskImage=nothere.001\r\nDefaultDir=%T\\default\r\nFreeSpace=20\r\n";
    struct Row {
        const char* what;
        const char* ini;   // "ini": the usual one, "broken": one key missing, "": none
        std::string args;  // %T: the test's folder
        int freeMB;
        const char* log;  // expected, lines joined by "|"; %T as above
        std::vector<std::string> dirs;  // must exist afterwards, below %T
    } rows[] = {
        {"no Setup.ini", "", "/S /LOG=out.txt", 100, "FATAL: unable to open 'Setup.ini'", {}},
        {"a broken Setup.ini", "broken", "/S /LOG=out.txt", 100, "FATAL: the file 'Setup.ini' is damaged or incomplete", {}},
        {"an unknown option", "ini", "/S /LOG=out.txt /Q", 100, "FATAL: unknown option '/Q' (use /S, /LOG=FILE and /D=PATH)", {}},
        {"a target that is a file", "ini", "/S /LOG=out.txt /D=%T\\taken", 100,
         "The name '%T\\taken' is already in use, and it's not a directory!", {}},
        {"too little space", "ini", "/S /LOG=out.txt", 20,
         "Not enough free space left on drive %D: You need 20 megabytes, and currently have only 20 megabytes free.", {}},
        // The missing target is made with its parents; the missing image is a failure, not a wait.
        {"a missing image", "ini", "/s /log=out.txt /d=%T\\a b\\c", 21,
         "The directory '%T\\a b\\c' does not exist. Do you wish to create it?|The file 'nothere.001' could not be "
         "found/opened|FATAL: unable to open 'nothere.001'",
         {"a b\\c"}},
        {"the configured target", "ini", "/S /LOG=out.txt", 21,
         "The directory '%T\\default' does not exist. Do you wish to create it?|The file 'nothere.001' could not be "
         "found/opened|FATAL: unable to open 'nothere.001'",
         {"default"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ScopedTempDir dir;
        const std::string t = dir.path().string();
        auto subst = [&t](std::string s) {
            for (size_t at; (at = s.find("%T")) != std::string::npos;) s.replace(at, 2, t);
            for (size_t at; (at = s.find("%D")) != std::string::npos;) s.replace(at, 2, t.substr(0, 1));
            return s;
        };
        std::string ini = subst(kIni);
        if (std::string(row.ini) == "broken") ini = ini.substr(0, ini.find("FreeSpace"));
        if (*row.ini) WriteBytes("Setup.ini", fixtures::Chained(ini));
        WriteBytes("taken", "x");
        MessageBoxRecorder boxes;
        CSetupApp app;
        app.m_queryFreeSpace = [&row](const char*, DWORD* spc, DWORD* bps, DWORD* freeClusters) {
            *spc = 1;
            *bps = 1024;
            *freeClusters = DWORD(row.freeMB) * 1024;
            return TRUE;
        };
        std::string args = subst(row.args);
        app.m_lpCmdLine = args.c_str();
        EXPECT_FALSE(app.InitInstance());
        EXPECT_EQ(app.ExitInstance(), kExitRefused);
        std::string expected = subst(row.log);
        for (size_t at; (at = expected.find('|')) != std::string::npos;) expected.replace(at, 1, "\r\n");
        EXPECT_EQ(ReadBytes("out.txt"), expected + "\r\n");
        EXPECT_EQ(boxes.Texts(), "");  // the silent answers replaced the handler for the run
        for (const std::string& d : row.dirs) EXPECT_TRUE(IsDirectory(t + "\\" + d)) << d;
        EXPECT_EQ(IsDirectory(t + "\\default"), row.dirs == std::vector<std::string>{"default"});
        app.m_lpCmdLine = "";
    }
}

// The log may not replace a file of the medium, nor be made where no folder is: nothing is
// installed, and Setup.ini stays as it was.
TEST(SilentRun, ALogThatCannotBeKeptEndsTheRun)
{
    for (const char* args : {"/S /LOG=Setup.ini", "/S /LOG=setup.INI", "/S /LOG=nothere.002", "/S /LOG=missing\\out.txt"}) {
        SCOPED_TRACE(args);
        ScopedTempDir dir;
        const std::string ini =
            fixtures::Chained("INSTALL4\r\n[S]\r\nAppDescription=d\r\nDiskImage=nothere.001\r\nDefaultDir=C:\\x\r\nFreeSpace=1\r\n");
        WriteBytes("Setup.ini", ini);
        MessageBoxRecorder boxes;
        CSetupApp app;
        app.m_lpCmdLine = args;
        EXPECT_FALSE(app.InitInstance());
        EXPECT_EQ(app.ExitInstance(), kExitRefused);
        EXPECT_EQ(ReadBytes("Setup.ini"), ini);
        EXPECT_EQ(GetFileAttributesA("nothere.002"), INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(boxes.Texts(), "");
        app.m_lpCmdLine = "";
    }
}

// The product's entry in the registry against the medium's DisplayVersion: only a lower version on
// the medium stops a silent run, before the target is made, unless /DOWNGRADE allows it; then the
// run logs what it does, never the windowed question, and goes on (here to the missing image, exit
// code 1 either way).
TEST(SilentRun, ALowerVersionNeedsTheDowngradeSwitch)
{
    const char* const kEntry = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZrvDowngradeRow";
    const char* const kRefused =
        "Version 1.1 of ZrvDowngradeRow is installed; this installation holds the older version 1.0. Nothing was "
        "installed (/DOWNGRADE allows it).";
    const char* const kReplaced =
        "Version 1.1 of ZrvDowngradeRow is installed; it is replaced with the older version 1.0, as /DOWNGRADE asks.";
    const char* const kGoesOn = "The directory '%T\\t' does not exist. Do you wish to create it?";
    struct Row {
        const char* installed;  // the entry's DisplayVersion; null: no entry
        const char* medium;     // the medium's DisplayVersion line; null: none
        const char* args;
        std::string log;  // the log's lines up to the target's question, joined by '|'; %T: the test's folder
    } rows[] = {
        {"1.1", "1.0", "", kRefused},
        {"1.1", "1.0", "/downgrade ", std::string(kReplaced) + "|" + kGoesOn},
        {"1.10", "1.9", "", "Version 1.10 of ZrvDowngradeRow is installed; this installation holds the older version "
                            "1.9. Nothing was installed (/DOWNGRADE allows it)."},
        {"1.0", "1.0.0", "", kGoesOn},
        {"1.0", "1.1", "", kGoesOn},
        {"1.1 beta", "1.0", "", kGoesOn},
        {"1.1", nullptr, "", kGoesOn},
        {nullptr, "1.0", "", kGoesOn},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.installed ? row.installed : "no entry") + " / " + (row.medium ? row.medium : "none"));
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kEntry);
        if (row.installed) {
            HKEY key = nullptr;
            ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kEntry, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
                      ERROR_SUCCESS);
            RegSetValueExA(key, "DisplayVersion", 0, REG_SZ, reinterpret_cast<const BYTE*>(row.installed),
                           DWORD(std::strlen(row.installed) + 1));
            RegCloseKey(key);
        }
        ScopedTempDir dir;
        const std::string t = dir.path().string();
        std::string ini = "INSTALL4\r\n[ZrvDowngradeRow]\r\nAppDescription=d\r\nDiskImage=nothere.001\r\nDefaultDir=" + t +
                          "\\t\r\nFreeSpace=1\r\n";
        if (row.medium) ini += std::string("DisplayVersion=") + row.medium + "\r\n";
        WriteBytes("Setup.ini", fixtures::Chained(ini));
        MessageBoxRecorder boxes;
        CSetupApp app;
        app.m_queryFreeSpace = [](const char*, DWORD* spc, DWORD* bps, DWORD* freeClusters) {
            *spc = 1;
            *bps = 1024;
            *freeClusters = 100 * 1024;
            return TRUE;
        };
        std::string args = std::string("/S ") + row.args + "/LOG=out.txt";
        app.m_lpCmdLine = args.c_str();
        EXPECT_FALSE(app.InitInstance());
        EXPECT_EQ(app.ExitInstance(), kExitRefused);
        std::string expected = row.log;
        for (size_t at; (at = expected.find("%T")) != std::string::npos;) expected.replace(at, 2, t);
        for (size_t at; (at = expected.find('|')) != std::string::npos;) expected.replace(at, 1, "\r\n");
        const bool refused = expected.find("does not exist") == std::string::npos;
        std::string log = ReadBytes("out.txt");
        EXPECT_EQ(log.substr(0, expected.size() + 2), expected + "\r\n");
        if (refused) {
            EXPECT_EQ(log, expected + "\r\n") << "nothing after the refusal";
        }
        EXPECT_EQ(log.find("Do you want to replace"), std::string::npos) << "a silent log asks nothing";
        EXPECT_EQ(IsDirectory(t + "\\t"), !refused) << "the target is made only when the run goes on";
        EXPECT_EQ(boxes.Texts(), "");
        app.m_lpCmdLine = "";
    }
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kEntry);
}

// An "either" product installed in one scope refuses a run for the other, before anything is made
// or this program starts itself again; one whose folder lost its record, or the same scope, goes on
// (here to the missing image). The refusal's first words, as the log keeps them.
TEST(SilentRun, TheProductInTheOtherScopeRefusesTheRun)
{
    const char* const kProduct = "ZrvScopeRow";
    const std::string kEntry = std::string(kUninstallKeyPath) + kProduct;
    struct Row {
        const char* what;
        int nKeptRoot;      // where the installation's entry is
        bool bRecordThere;  // its folder still holds Install.log
        const char* args;     // %I: the installed folder
        const char* refusal;  // the log's first line up to the folder, or null: the run goes on
        const char* goesOn;   // then its first line; %T: the test's folder
        bool makesTarget;     // the run goes on to make %T\t
    } rows[] = {
        {"for everyone beside one user's", kRootCurrentUser, true, "/ALLUSERS",
         "FATAL: ZrvScopeRow is installed for you alone, in '", nullptr, false},
        {"for one user beside everyone's", kRootLocalMachine, true, "/CURRENTUSER",
         "FATAL: ZrvScopeRow is installed for everyone who uses this computer, in '", nullptr, false},
        {"for everyone over everyone's", kRootLocalMachine, true, "/ALLUSERS /D=%I", nullptr,
         "The file 'nothere.001' could not be found/opened", false},
        {"beside one user's whose record is gone", kRootCurrentUser, false, "/ALLUSERS", nullptr,
         "The directory '%T\\t' does not exist. Do you wish to create it?", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        RegDeleteKeyA(HKEY_CURRENT_USER, kEntry.c_str());
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kEntry.c_str());
        ScopedTempDir dir;
        const std::string t = dir.path().string(), there = t + "\\installed";
        CreateDirectoryA(there.c_str(), nullptr);
        if (row.bRecordThere) WriteBytes(there + "\\Install.log", "Uninstal.exe\r\n");
        ASSERT_TRUE(KeepAnchor(kProduct, there.c_str(), RecordDigestText("Uninstal.exe\r\n", ""), row.nKeptRoot));
        WriteBytes("Setup.ini", fixtures::Chained("INSTALL4\r\n[ZrvScopeRow]\r\nAppDescription=d\r\nDiskImage=nothere.001"
                                                  "\r\nDefaultDir=" + t + "\\t\r\nFreeSpace=1\r\nScope=either\r\n"));
        MessageBoxRecorder boxes;
        CSetupApp app;
        app.m_queryFreeSpace = [](const char*, DWORD* spc, DWORD* bps, DWORD* freeClusters) {
            *spc = 1;
            *bps = 1024;
            *freeClusters = 100 * 1024;
            return TRUE;
        };
        std::string args = std::string("/S /LOG=out.txt ") + row.args;
        if (args.find("%I") != std::string::npos) args.replace(args.find("%I"), 2, there);
        app.m_lpCmdLine = args.c_str();
        EXPECT_FALSE(app.InitInstance());
        EXPECT_EQ(app.ExitInstance(), kExitRefused);
        std::string log = ReadBytes("out.txt");
        if (row.refusal) {
            const std::string start = row.refusal + there + "'";
            EXPECT_EQ(log.substr(0, start.size()), start);
            // An administrator is never sent to run a program from a user's folder.
            const std::string remove = row.nKeptRoot == kRootCurrentUser
                                           ? "Remove it first in Add/Remove programs, without administrator rights"
                                           : "Remove it first with '" + there + "\\Uninstal.exe' (or Add/Remove programs)";
            EXPECT_NE(log.find(remove), std::string::npos) << log;
            if (row.nKeptRoot == kRootCurrentUser) {
                EXPECT_EQ(log.find("Uninstal.exe"), std::string::npos) << log;
            }
            EXPECT_EQ(log.find("\r\n"), log.size() - 2) << "one line, nothing after the refusal: " << log;
        } else {
            std::string expected = row.goesOn;
            if (expected.find("%T") != std::string::npos) expected.replace(expected.find("%T"), 2, t);
            EXPECT_EQ(log.substr(0, log.find("\r\n")), expected);
        }
        EXPECT_EQ(IsDirectory(t + "\\t"), row.makesTarget) << "the target is made only when the run goes on to it";
        EXPECT_EQ(boxes.Texts(), "");
        app.m_lpCmdLine = "";
    }
    RegDeleteKeyA(HKEY_CURRENT_USER, kEntry.c_str());
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kEntry.c_str());
}

// How a run whose worker has ended is told, windowed or silent: the completion box only when it is
// done without failure, its first line always the same, a second sentence when a restart finishes it.
TEST(RunOutcome, ExitCodeAndCompletionFromTheWorkersFlags)
{
    struct Row {
        int done, failed, written, restart;
        int exitCode;
        const char* box;  // the one box shown, or ""
    } rows[] = {
        {1, 0, 1, 0, kExitDone, "Installation complete!"},
        {1, 0, 1, 1, kExitRestartNeeded,
         "Installation complete!\nSome files were in use: restart Windows to finish the installation."},
        {1, 1, 1, 0, kExitFailed, ""},
        {1, 1, 1, 1, kExitFailed, ""},
        {1, 1, 0, 0, kExitRefused, ""},
        {0, 0, 1, 0, kExitFailed, ""},
        {0, 0, 0, 0, kExitRefused, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "done " << row.done << " failed " << row.failed << " written " << row.written
                                        << " restart " << row.restart);
        InstallFlag done{row.done}, failed{row.failed}, written{row.written}, restart{row.restart};
        MessageBoxRecorder boxes;
        CSetupApp app;
        InstallJob job = app.MakeInstallJob(&written, &restart);
        job.pDone = &done;
        job.pFailed = &failed;
        EXPECT_EQ(TellRunEnd(FinishedRunEnd(job)), row.exitCode);
        EXPECT_EQ(boxes.Texts(), row.box);
    }
}
