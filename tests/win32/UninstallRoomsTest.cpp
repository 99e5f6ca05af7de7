// The uninstaller's parts that decide without touching the system: its command line and what it
// hands on (UninstallOptions.h), the entry taken out of the record to go last (RemovalRun.h), the
// exit code, the final message and the log made from a report (UninstallOutcome.h).
#include "AfxExitCodes.h"
#include "AfxLogFile.h"
#include "AfxText.h"
#include "InstallRecordFormat.h"
#include "RemovalRun.h"
#include "RemovalWithProgress.h"
#include "UninstallOptions.h"
#include "UninstallOutcome.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

TEST(UninstallOptions, TableOfCommandLines)
{
    struct Row {
        const char* pszArguments;
        bool bKnown;
        const char* pszSeen;    // the flags set: s(ilent) h(elp) o (hand-over) a(gain) f(inish)
        const char* pszLog;
        const char* pszPassedOn;
    };
    const Row rows[] = {
        {"", true, "", "", ""},
        {"/S", true, "s", "", "/S"},
        {"/s", true, "s", "", "/S"},
        {"/?", true, "h", "", ""},
        {"/S /?", true, "sh", "", "/S"},
        {"/X", false, "", "", ""},
        {"/X /S", false, "s", "", "/S"},  // /S counts wherever it stands
        {"/LOG=C:\\logs\\u.log", true, "", "C:\\logs\\u.log", "\"/LOG=C:\\logs\\u.log\""},
        {"/S \"/LOG=C:\\a b\\u.log\"", true, "s", "C:\\a b\\u.log", "/S \"/LOG=C:\\a b\\u.log\""},
        {"/LOG=", false, "", "", ""},
        {"/FINISH", true, "f", "", "/FINISH"},
        {"/FINISH /S", true, "sf", "", "/FINISH"},
        {"/HANDOVER 1:2 C:\\p\\Uninstal.exe", true, "o", "", ""},
        {"/HANDOVER 1:2", false, "", "", ""},
        {"/LANG=de", true, "", "", "\"/LANG=de\""},
        {"/S /LANG=pt-BR \"/LOG=C:\\u.log\"", true, "s", "C:\\u.log", "/S \"/LOG=C:\\u.log\" \"/LANG=pt-BR\""},
        {"/HANDOVER 1:2 C:\\p\\Uninstal.exe /HANDOVER 3:4 C:\\q\\Uninstal.exe", false, "o", "", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pszArguments);
        UninstallOptions options;
        EXPECT_EQ(ParseUninstallOptions(row.pszArguments, options), row.bKnown);
        std::string seen;
        if (options.bSilent) seen += 's';
        if (options.bHelp) seen += 'h';
        if (options.bHandover) seen += 'o';
        if (options.bStartedAgain) seen += 'a';
        if (options.bFinish) seen += 'f';
        EXPECT_EQ(seen, row.pszSeen);
        EXPECT_STREQ(options.strLogFile, row.pszLog);
        EXPECT_STREQ(OptionsPassedOn(options), row.pszPassedOn);
    }
}

TEST(UninstallOptions, HandOverTakesTheHandlesAndTheProgram)
{
    UninstallOptions options;
    ASSERT_TRUE(ParseUninstallOptions("/S /HANDOVER 1A:2B \"C:\\Program Files\\P\\Uninstal.exe\"", options));
    EXPECT_STREQ(options.strHandles, "1A:2B");
    EXPECT_STREQ(options.strProgram, "C:\\Program Files\\P\\Uninstal.exe");
}

TEST(UninstallOptions, UsageNamesEveryOptionAndExitCode)
{
    std::string usage = UninstallUsage().GetString();
    for (const char* phrase : {"Uninstal.exe [/S] [/LOG=FILE] [/LANG=TAG]", "/S\t", "/LOG=FILE\t", "/LANG=TAG\t", "/?\t", "Install.log", "0 removed",
                             "3010 removed once Windows has restarted", "2 removed, but", "1 nothing was removed"}) {
        SCOPED_TRACE(phrase);
        EXPECT_NE(usage.find(phrase), std::string::npos);
    }
}

LogItem Value(int nRoot, const char* pszKey, const char* pszName)
{
    return {LogItemKind::Value, 0, pszName, nRoot, pszKey};
}
LogItem Key(int nRoot, const char* pszKey) { return {LogItemKind::Key, 0, pszKey, nRoot, CString()}; }
LogItem File(const char* pszPath) { return {LogItemKind::File, 0, pszPath, 0, CString()}; }

std::string Names(const std::vector<LogItem>& items)
{
    std::string names;
    for (const LogItem& item : items) names += std::string(item.strPath.GetString()) + ";";
    return names;
}

TEST(EntryLast, TableOfItemsTakenOutOfTheRecord)
{
    const std::string entry = std::string(kUninstallKeyPath) + "Demo";
    const std::string other = std::string(kUninstallKeyPath) + "Demo 2";
    struct Row {
        const char* pszName;
        std::vector<LogItem> items;
        int nEntryRoot;
        std::string strEntryKey;
        std::string strTaken;  // the paths taken, in order
        std::string strKept;   // the paths kept, in order
    };
    const Row rows[] = {
        {"the entry's key and values go last; the rest keeps its order",
         {File("a.txt"), Key(kRootLocalMachine, entry.c_str()), Value(kRootLocalMachine, entry.c_str(), "DisplayName"),
          Key(kRootLocalMachine, "SOFTWARE\\Demo"), Value(kRootLocalMachine, entry.c_str(), "UninstallString"),
          File("b.txt")},
         kRootLocalMachine, entry, entry + ";DisplayName;UninstallString;", "a.txt;SOFTWARE\\Demo;b.txt;"},
        {"case and backslashes at either end do not matter",
         {Key(kRootLocalMachine, ("\\" + entry + "\\").c_str()), Value(kRootLocalMachine, "software\\microsoft\\windows\\currentversion\\uninstall\\demo", "X")},
         kRootLocalMachine, entry, "\\" + entry + "\\;X;", ""},
        {"another root's key of the same name stays",
         {Key(kRootCurrentUser, entry.c_str()), Value(kRootCurrentUser, entry.c_str(), "DisplayName")},
         kRootLocalMachine, entry, "", entry + ";DisplayName;"},
        {"a product whose name starts the same stays, and so does a key below the entry",
         {Key(kRootLocalMachine, other.c_str()), Value(kRootLocalMachine, other.c_str(), "DisplayName"),
          Key(kRootLocalMachine, (entry + "\\Sub").c_str())},
         kRootLocalMachine, entry, "", other + ";DisplayName;" + entry + "\\Sub;"},
        {"no entry takes nothing",
         {Key(kRootLocalMachine, entry.c_str()), File("a.txt")}, kRootLocalMachine, "", "", entry + ";a.txt;"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pszName);
        InstallRecord record;
        record.items = row.items;
        record.prior.bTargetHeldFiles = true;
        InstallRecord taken = TakeEntryItems(record, row.nEntryRoot, row.strEntryKey.c_str());
        EXPECT_EQ(Names(taken.items), row.strTaken);
        EXPECT_EQ(Names(record.items), row.strKept);
        EXPECT_TRUE(taken.prior.bTargetHeldFiles);  // the entry goes under the same record of what was there
    }
}

RemovalReport Report(int nRemoved, std::vector<LeftItem> left, std::vector<LeftItem> scheduled, int nAtSignIn = 0)
{
    RemovalReport report;
    report.nRemoved = nRemoved;
    report.left = std::move(left);
    report.scheduled = std::move(scheduled);
    report.nAtSignIn = nAtSignIn;
    return report;
}

TEST(UninstallOutcome, TableOfReports)
{
    const LeftItem held = {"C:\\P\\held.txt", LeftReason::inUseAtRestart, false};
    const LeftItem mine = {"C:\\P\\mine.txt", LeftReason::changed, false};
    const LeftItem busy = {"C:\\P\\busy.txt", LeftReason::accessDenied, true};
    const LeftItem signIn = {"C:\\P\\late.txt", LeftReason::inUseAtSignIn, true};
    const LeftItem folder = {"C:\\P", LeftReason::leftInside, true};
    struct Row {
        const char* pszName;
        RemovalReport report;
        int nVerdict;
        const char* pszHeadline;
        UINT nIcon;
    };
    const Row rows[] = {
        {"all gone", Report(5, {}, {}), kExitDone, "Demo was removed from your computer.", MB_ICONINFORMATION},
        {"nothing listed", Report(0, {}, {}), kExitDone, "Demo was removed from your computer.", MB_ICONINFORMATION},
        {"a file at the restart", Report(5, {}, {held}), kExitRestartNeeded,
         "Demo was removed, but some items are in use: Windows removes them when it restarts.", MB_ICONINFORMATION},
        {"a file at the next sign-in", Report(5, {signIn, folder}, {}, 1), kExitRestartNeeded,
         "Demo was removed, but some items are in use: they are removed when you next sign in to Windows.",
         MB_ICONEXCLAMATION},
        {"an item left", Report(5, {mine}, {}), kExitFailed, "Demo was removed, but these items were left in place:",
         MB_ICONEXCLAMATION},
        {"an item left and one at the restart", Report(0, {busy}, {held}), kExitFailed,
         "Demo was removed, but these items were left in place:", MB_ICONEXCLAMATION},
        {"nothing removed at all", Report(0, {busy}, {}), kExitRefused, "Demo could not be removed:", MB_ICONEXCLAMATION},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pszName);
        EXPECT_EQ(RemovalVerdict(row.report), row.nVerdict);
        OutcomeMessage message = RemovalOutcomeMessage(row.report, "Demo", false);
        std::string text = message.strText.GetString();
        EXPECT_EQ(text.substr(0, std::strlen(row.pszHeadline)), row.pszHeadline);
        EXPECT_EQ(message.nIcon, row.nIcon);
        for (const LeftItem& item : row.report.left)
            EXPECT_NE(text.find(std::string(item.strWhat) + "\n    " + ReasonText(item).GetString()), std::string::npos);
        EXPECT_EQ(text.find("Restart Windows") != std::string::npos, !row.report.scheduled.empty());
    }
}

TEST(UninstallOutcome, NamesEightItemsCountsTheRestAndSaysWhatIsKept)
{
    std::vector<LeftItem> left;
    for (int i = 0; i < 11; ++i) left.push_back({CString("item ") + char('a' + i), LeftReason::refused, true});
    std::string text = RemovalOutcomeMessage(Report(1, left, {}), "Demo", true).strText.GetString();
    EXPECT_NE(text.find("item h\n"), std::string::npos);
    EXPECT_EQ(text.find("item i\n"), std::string::npos);
    EXPECT_NE(text.find("... and 3 more.\n"), std::string::npos);
    EXPECT_NE(text.find("The uninstaller and its entry in Add/Remove programs are kept"), std::string::npos);
}

std::string ReadAll(const std::string& path)
{
    std::string text;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
        std::fclose(f);
    }
    return text;
}

TEST(UninstallOutcome, TheLogListsTheCountEachItemAndWhatIsKept)
{
    char dir[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, dir);
    std::string path = std::string(dir) + "zrv-outcome-" + std::to_string(GetCurrentProcessId()) + ".log";
    struct Row {
        const char* pszName;
        RemovalReport report;
        int nStillToGo;
        bool bKeepRecord;
        const char* pszLog;
    };
    const Row rows[] = {
        {"all gone, two still to go", Report(3, {}, {}), 2, false, "Removed: 5 items\r\n"},
        {"left and at the restart",
         Report(1, {{"C:\\P\\a.txt", LeftReason::changed, false}}, {{"C:\\P\\b.txt", LeftReason::inUseAtRestart, false}}),
         0, false,
         "Removed: 1 items\r\nLeft: C:\\P\\a.txt (changed since the installation; left as it is)\r\n"
         "At restart: C:\\P\\b.txt (in use by a program; removed when Windows restarts)\r\nWindows must restart to finish the removal\r\n"},
        {"kept for a later run", Report(0, {{"C:\\P\\c.txt", LeftReason::accessDenied, true}}, {}), 0, true,
         "Removed: 0 items\r\nLeft: C:\\P\\c.txt (access denied (in use, read-only or no rights))\r\n"
         "Kept for a later run: Install.log, Install.prior, Uninstal.exe and the entry in Add/Remove programs\r\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pszName);
        CLogFile log;
        CFileException error;
        ASSERT_TRUE(log.Open(path.c_str(), &error));
        WriteRemovalOutcome(log, row.report, row.nStillToGo, row.bKeepRecord, "Uninstal.exe");
        EXPECT_FALSE(log.IsOpen());  // closed: nothing is written later
        EXPECT_EQ(ReadAll(path), row.pszLog);
    }
    DeleteFileA(path.c_str());
}

TEST(UninstallOutcome, TheInUseQuestionNamesTheProgramsOrSaysAProgram)
{
    // Nothing holds a file that does not exist: the question says "a program".
    std::string text = InUseQuestionText("C:\\nowhere\\zrv-none.txt").GetString();
    EXPECT_EQ(text,
              "'C:\\nowhere\\zrv-none.txt' is in use by a program and cannot be removed now.\n\nClose the program that "
              "uses it and press Retry, or press Cancel to have it removed when Windows restarts.");
}

// Every reason has its English words (the log's) and a key of the English table (the message's);
// the English table says the same words under it, so that an English message shows what the log
// says, and no two reasons share their words. The programs' names, where a reason names them, are
// put in as they are.
TEST(RemovalReport, TableOfReasonsAndTheirWords)
{
    std::set<std::string> seen;
    for (int i = 0; i < kLeftReasonCount; ++i) {
        SCOPED_TRACE(i);
        const LeftItem item = {"C:\\P\\a.txt", LeftReason(i), true};
        const std::string english = ReasonText(item).Str();
        EXPECT_FALSE(english.empty());
        EXPECT_TRUE(seen.insert(english).second) << "two reasons say: " << english;
        const LeftReasonWords& words = LeftReasonRow(LeftReason(i));
        ASSERT_NE(words.pszTextKey, nullptr);
        EXPECT_NE(AfxEnglishTexts().Find(words.pszTextKey), nullptr) << words.pszTextKey << " is no English key";
        if (words.pszTextKeyNamed) {
            EXPECT_NE(AfxEnglishTexts().Find(words.pszTextKeyNamed), nullptr) << words.pszTextKeyNamed << " is no English key";
        }
        EXPECT_EQ(ReasonShown(item).Str(), english);
    }
    struct Row {
        LeftReason reason;
        const char* pszPrograms;
        const char* pszWords;
    };
    const Row rows[] = {
        {LeftReason::inUse, "", "in use by a program"},
        {LeftReason::inUse, "Editor (1234)", "in use by Editor (1234)"},
        {LeftReason::inUse, "100%s %d", "in use by 100%s %d"},
        {LeftReason::inUseAtRestart, "Editor", "in use by a program; removed when Windows restarts"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pszPrograms);
        const LeftItem item = {"C:\\P\\a.txt", row.reason, true, row.pszPrograms};
        EXPECT_EQ(ReasonText(item).Str(), row.pszWords);
        EXPECT_EQ(ReasonShown(item).Str(), row.pszWords);
    }
}

TEST(RemovalReport, TableOfItemsWithdrawnFromTheRestart)
{
    const LeftItem target = {"C:\\P", LeftReason::atRestart, false};
    const LeftItem program = {"C:\\P\\Uninstal.exe", LeftReason::inUseAtRestart, false};
    const LeftItem other = {"C:\\P\\a.txt", LeftReason::inUseAtRestart, false};
    struct Row {
        const char* pszName;
        std::vector<LeftItem> scheduled;
        const char* pszWithdrawn;
        std::string strScheduledAfter;
    };
    auto names = [](const std::vector<LeftItem>& items) {
        std::string text;
        for (const LeftItem& item : items) text += std::string(item.strWhat.GetString()) + ";";
        return text;
    };
    const Row rows[] = {
        {"the last item", {other, target}, "C:\\P", "C:\\P\\a.txt;"},
        {"an item that others were arranged after", {target, program}, "C:\\P", "C:\\P\\Uninstal.exe;"},
        {"named in another case", {other, target}, "c:\\p", "C:\\P\\a.txt;"},
        {"not arranged at all", {other}, "C:\\P", "C:\\P\\a.txt;"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pszName);
        RemovalReport report;
        report.scheduled = row.scheduled;
        WithdrawFromRestart(report, row.pszWithdrawn, LeftReason::refused);
        EXPECT_EQ(names(report.scheduled), row.strScheduledAfter);
        ASSERT_EQ(report.left.size(), 1u);
        EXPECT_STREQ(report.left[0].strWhat, row.pszWithdrawn);
        EXPECT_EQ(report.left[0].reason, LeftReason::refused);
        EXPECT_TRUE(report.left[0].bUnfinished);
    }
}

}  // namespace
