// The run's record and its anchor (RunRecord.h): every line anchored as it goes out, a line taken
// back leaving the digests as they were, and how the run ends deciding what the anchor keeps; the
// parts of an earlier installation that a run carries (CarriedParts.h), in their order at every
// step; and the message of each file error (InstallStop.h).
#include "CarriedParts.h"
#include "InstallRecordFormat.h"
#include "InstallStop.h"
#include "RecordAnchor.h"
#include "RunRecord.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <set>
#include <string>
#include <vector>

namespace {

// The anchor as a table: every call in order, "keep DIGESTS" or "carried LOG|PRIOR".
class TableAnchor : public IRunAnchor {
public:
    bool Keep(const std::string& strDigests) override
    {
        calls.push_back("keep " + strDigests);
        kept = strDigests;
        return bAccept;
    }
    bool KeepCarried(const std::string& strLog, const std::string& strPrior) override
    {
        calls.push_back("carried " + strLog + "|" + strPrior);
        carriedLog = strLog;
        carriedPrior = strPrior;
        return bAccept;
    }
    std::vector<std::string> calls;
    std::string kept, carriedLog, carriedPrior;
    bool bAccept = true;
};

// An item as the probe's table names it: "D path", "F path", "K path", "V key: name", "SD path",
// "SF path".
std::string Name(const LogItem& item)
{
    switch (item.kind) {
    case LogItemKind::Directory: return "D " + item.strPath.Str();
    case LogItemKind::File: return "F " + item.strPath.Str();
    case LogItemKind::Key: return "K " + item.strPath.Str();
    case LogItemKind::Value: return "V " + item.strKey.Str() + ": " + item.strPath.Str();
    case LogItemKind::ShortcutFolder: return "SD " + item.strPath.Str();
    case LogItemKind::Shortcut: return "SF " + item.strPath.Str();
    }
    return "?";
}

class SetProbe : public CarriedItemProbe {
public:
    explicit SetProbe(std::set<std::string> there) : m_there(std::move(there)) {}
    bool Exists(const LogItem& item) const override { return m_there.count(Name(item)) != 0; }
    std::set<std::string> m_there;
};

const char kEarlierLog[] =
    "\\sub\r\n"
    "a.txt\r\n"
    "b.txt\r\n"
    "[\\REGEDIT4]\r\n"
    "\\[HKEY_LOCAL_MACHINE\\Software\\P]\r\n"
    "Version\r\n"
    "[\\SHORTCUTS]\r\n"
    "\\P\r\n"
    "P\\Read me.lnk\r\n";
const std::set<std::string> kAllThere = {"D sub", "F a.txt", "F b.txt", "K Software\\P", "V Software\\P: Version",
                                         "SD P", "SF P\\Read me.lnk"};

// Both files opened plainly in the test's folder (the run opens them in its held target).
CRunRecord::Opener InFolder(const std::string& strFolder)
{
    return [strFolder](CFile& file, const char* pszName, CFileException* pError) {
        return file.Open((strFolder + "/" + pszName).c_str(), CFile::modeCreate | CFile::modeWrite, pError);
    };
}

// The digests the anchor must hold for the two files as they are on disk.
std::string OpenDigestsOnDisk(const ScopedTempDir& dir)
{
    std::string log = ReadBytes(dir.path() / kInstallLogName), prior = ReadBytes(dir.path() / kPriorRecordName);
    return OpenDigestText(CSha256::Of(log), log.size(), CSha256::Of(prior), prior.size());
}

std::string WholeDigestsOnDisk(const ScopedTempDir& dir)
{
    return RecordDigestText(ReadBytes(dir.path() / kInstallLogName), ReadBytes(dir.path() / kPriorRecordName));
}

struct RunParts {
    explicit RunParts(const std::string& strEarlierLog = std::string(), std::set<std::string> there = kAllThere)
        : probe(std::move(there))
    {
        earlier.Load(strEarlierLog, std::string());
        carried.Take(earlier, probe, false);
    }
    void Open(const std::string& strFolder)
    {
        record.StartAnchor(carried, false);
        record.OpenLog(InFolder(strFolder));
        record.OpenPrior(InFolder(strFolder), CRunRecord::PriorStart(), carried);
    }
    TableAnchor anchor;
    SetProbe probe;
    EarlierInstallation earlier;
    CCarriedParts carried;
    CRunRecord record{anchor};
};

}  // namespace

TEST(RunRecord, EveryLineIsAnchoredAsItGoesOut)
{
    ScopedTempDir dir;
    RunParts run;
    run.record.StartAnchor(run.carried, false);
    const std::string empty = CSha256::Of("");
    EXPECT_EQ(run.anchor.kept, OpenDigestText(empty, 0, empty, 0));
    EXPECT_TRUE(run.anchor.carriedLog.empty());  // nothing carried on a fresh installation
    run.record.OpenLog(InFolder(dir.path().string()));
    run.record.OpenPrior(InFolder(dir.path().string()), CRunRecord::PriorStart(), run.carried);
    EXPECT_EQ(run.anchor.kept, OpenDigestsOnDisk(dir)) << "after the record's first lines";
    const struct {
        const char* pszStep;
        std::function<void(CRunRecord&)> write;
    } steps[] = {
        {"a directory", [](CRunRecord& r) { InstallLogWriter(r.Log()).Directory("sub"); }},
        {"a file", [](CRunRecord& r) { InstallLogWriter(r.Log()).File("sub\\a.txt"); }},
        {"a folder found there", [](CRunRecord& r) { r.Prior().Directory("old"); }},
        {"a key", [](CRunRecord& r) { InstallLogWriter(r.Log()).Key(kRootLocalMachine, "Software\\P"); }},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.pszStep);
        size_t nCalls = run.anchor.calls.size();
        step.write(run.record);
        EXPECT_GT(run.anchor.calls.size(), nCalls);
        EXPECT_EQ(run.anchor.kept, OpenDigestsOnDisk(dir));
    }
}

TEST(RunRecord, ALineTakenBackLeavesTheDigestsAsBefore)
{
    ScopedTempDir dir;
    RunParts run;
    run.Open(dir.path().string());
    InstallLogWriter(run.record.Log()).File("kept.txt");
    const std::string before = run.anchor.kept, logBefore = ReadBytes(dir.path() / kInstallLogName);
    for (CDigestFile* file : {static_cast<CDigestFile*>(&run.record.Log()), &run.record.PriorFile()}) {
        CDigestFile::Mark mark = file->GetMark();
        if (file == &run.record.PriorFile()) run.record.Prior().Directory("taken back");
        else InstallLogWriter(run.record.Log()).File("taken back.txt");
        EXPECT_NE(run.anchor.kept, before);
        CRunRecord::TakeBack(*file, mark);
        EXPECT_EQ(run.anchor.kept, before);
        EXPECT_EQ(run.anchor.kept, OpenDigestsOnDisk(dir));
    }
    EXPECT_EQ(ReadBytes(dir.path() / kInstallLogName), logBefore);
}

// How the run ends decides what the anchor keeps: the whole files' digests once nothing is owed
// (what was carried let go), the digests of the lines written while something is (carried kept).
TEST(RunRecord, TheEndLeavesAPairTheUninstallerBelieves)
{
    enum End { complete, finishWritten, finishFailed };
    const struct {
        const char* pszRow;
        End end;
        bool bWholeDigests;
        bool bCarriedDropped;
    } rows[] = {
        {"a complete run", complete, true, true},
        {"a run stopped early that writes what it owes", finishWritten, true, true},
        {"a run stopped early whose log cannot be written", finishFailed, false, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.pszRow);
        ScopedTempDir dir;
        RunParts run(kEarlierLog);
        ASSERT_TRUE(run.carried.Any());
        run.record.StartAnchor(run.carried, false);
        EXPECT_EQ(run.anchor.carriedLog, run.carried.LogText());
        EXPECT_FALSE(run.anchor.carriedLog.empty());
        // A log that takes nothing: the lines still owed cannot be written.
        CRunRecord::Opener logOpener = InFolder(dir.path().string());
        if (row.end == finishFailed)
            logOpener = [](CFile& file, const char*, CFileException* pError) {
                return file.Open("/dev/full", CFile::modeCreate | CFile::modeWrite, pError);
            };
        run.record.OpenLog(logOpener);
        run.record.OpenPrior(InFolder(dir.path().string()), CRunRecord::PriorStart(), run.carried);
        const std::string carriedLog = run.anchor.carriedLog;
        if (row.end == complete) {
            run.carried.WriteShortcutPart(run.record.Log(), false, nullptr);
            run.record.Complete();
        } else {
            run.record.Finish(run.carried);
        }
        if (row.bWholeDigests) {
            EXPECT_EQ(run.anchor.kept, WholeDigestsOnDisk(dir));
            EXPECT_EQ(ReadBytes(dir.path() / kInstallLogName), kEarlierLog) << "every earlier item listed";
        } else {
            EXPECT_TRUE(IsOpenDigest(run.anchor.kept)) << run.anchor.kept;
        }
        EXPECT_EQ(run.anchor.carriedLog.empty(), row.bCarriedDropped);
        if (!row.bCarriedDropped) {
            EXPECT_EQ(run.anchor.carriedLog, carriedLog);
        }
        // The carried text is let go only after the whole digests are kept.
        if (row.bCarriedDropped) {
            EXPECT_EQ(run.anchor.calls.back(), "carried |");
        }
        // Once the files are closed, the end of the run changes nothing more.
        if (row.end == complete) {
            size_t nCalls = run.anchor.calls.size();
            run.record.Finish(run.carried);
            EXPECT_EQ(run.anchor.calls.size(), nCalls);
        }
    }
}

// A registry that refuses the whole digests keeps the carried text: what is kept still says what
// the earlier installation was.
TEST(RunRecord, CarriedStaysWhenTheWholeDigestsAreRefused)
{
    ScopedTempDir dir;
    RunParts run(kEarlierLog);
    run.Open(dir.path().string());
    run.anchor.bAccept = false;
    run.carried.WriteShortcutPart(run.record.Log(), false, nullptr);
    run.record.Complete();
    EXPECT_EQ(run.anchor.calls.back(), "keep " + WholeDigestsOnDisk(dir));
    EXPECT_EQ(run.anchor.carriedLog, run.carried.LogText());
}

TEST(RunRecord, AFileThatCannotBeMadeStopsTheRunNamingIt)
{
    ScopedTempDir dir;
    const std::string missing = (dir.path() / "no such folder").string();
    RunParts run;
    try {
        run.record.OpenLog(InFolder(missing));
        FAIL() << "the log opened in a missing folder";
    } catch (const InstallStop& stop) {
        EXPECT_EQ(stop.kind, InstallStop::Kind::failure);
        EXPECT_EQ(stop.strMessage, "FATAL: unable to open 'Install.log'");
    }
    run.record.OpenLog(InFolder(dir.path().string()));
    try {
        run.record.OpenPrior(InFolder(missing), CRunRecord::PriorStart(), run.carried);
        FAIL() << "the record opened in a missing folder";
    } catch (const InstallStop& stop) {
        EXPECT_EQ(stop.strMessage, "FATAL: unable to open 'Install.prior'");
    }
}

// The record's first lines: what the target held, the earlier record, the keys and folders made
// for the entry and the target, in that order.
TEST(RunRecord, TheRecordStartsWithWhatWasThere)
{
    ScopedTempDir dir;
    RunParts run;
    CRunRecord::PriorStart start;
    start.bTargetHeldFiles = true;
    start.nEntryRoot = kRootCurrentUser;
    start.entryParents = {"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"};
    start.foldersAbove = {"C:\\Games"};
    run.record.OpenLog(InFolder(dir.path().string()));
    run.record.OpenPrior(InFolder(dir.path().string()), start, run.carried);
    std::string text = ReadBytes(dir.path() / kPriorRecordName);
    PriorState state;
    PriorDamage damage;
    ASSERT_TRUE(ParsePriorRecord(text.data(), text.size(), state, damage)) << damage.strReason << " in\n" << text;
    EXPECT_TRUE(state.bTargetHeldFiles);
    size_t nTarget = text.find("\n"), nKey = text.find("Uninstall"), nFolder = text.find("C:\\Games");
    EXPECT_LT(nTarget, nKey);
    EXPECT_LT(nKey, nFolder);
    EXPECT_NE(nFolder, std::string::npos);
}

// The carried parts stand at the end of their own parts of the new log, whatever step the run
// stops at; what the run listed itself is not listed twice, what is gone not at all.
TEST(CarriedParts, EachCarriedPartEndsItsOwnPart)
{
    const std::string kPayload = "\\sub\r\nb.txt\r\n";  // a.txt is the run's own
    const std::string kRegistry = "[\\REGEDIT4]\r\n\\[HKEY_LOCAL_MACHINE\\Software\\P]\r\nVersion\r\n";
    const std::string kShortcuts = "[\\SHORTCUTS]\r\n\\P\r\nP\\Read me.lnk\r\n";
    std::set<std::string> withoutB = kAllThere;
    withoutB.erase("F b.txt");
    enum Step { atStart, afterPayload, afterOwnRegistry, withOwnShortcut };
    const struct {
        const char* pszRow;
        std::set<std::string> there;
        Step step;
        std::string expected;
    } rows[] = {
        {"stopped at the start", kAllThere, atStart, kEarlierLog},
        {"stopped after the payload", kAllThere, afterPayload, "a.txt\r\nc.txt\r\n" + kPayload + kRegistry + kShortcuts},
        {"a file gone since", withoutB, afterPayload, "a.txt\r\nc.txt\r\n\\sub\r\n" + kRegistry + kShortcuts},
        {"the script wrote its marker", kAllThere, afterOwnRegistry,
         "a.txt\r\nc.txt\r\n" + kPayload + "[\\REGEDIT4]\r\n\\[HKEY_LOCAL_MACHINE\\Software\\Q]\r\n" +
             "\\[HKEY_LOCAL_MACHINE\\Software\\P]\r\nVersion\r\n" + kShortcuts},
        {"the run's own shortcuts first", kAllThere, withOwnShortcut,
         "a.txt\r\nc.txt\r\n" + kPayload + kRegistry + "[\\SHORTCUTS]\r\n\\Q\r\n\\P\r\nP\\Read me.lnk\r\n"},
        {"nothing there any more", {}, afterPayload, "a.txt\r\nc.txt\r\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.pszRow);
        ScopedTempDir dir;
        RunParts run(kEarlierLog, row.there);
        run.Open(dir.path().string());
        CListedLog& log = run.record.Log();
        InstallLogWriter writer(log);
        if (row.step >= afterPayload) {
            writer.File("a.txt");
            writer.File("c.txt");
            run.carried.EndPayloadPart(log);
        }
        if (row.step == afterOwnRegistry) {
            writer.RegistryMarker();
            writer.Key(kRootLocalMachine, "Software\\Q");
            run.carried.EndRegistryPart(log, true);
        }
        if (row.step == withOwnShortcut)
            run.carried.WriteShortcutPart(log, true, [&writer] { writer.ShortcutFolder("Q"); });
        // A part already written is not written again.
        run.carried.EndPayloadPart(log);
        EXPECT_TRUE(run.carried.Finish(log));
        EXPECT_TRUE(run.carried.Finish(log));
        EXPECT_EQ(log.Text(), row.expected);
        EXPECT_EQ(ReadBytes(dir.path() / kInstallLogName), row.expected);
    }
}

// After a complete upgrade: what the run did not list itself is retired, and the log written
// again lists of it only what is still there, the run's own lines as they were.
TEST(CarriedParts, RetiredItemsLeaveTheRewrittenLog)
{
    ScopedTempDir dir;
    RunParts run(kEarlierLog);
    run.Open(dir.path().string());
    CListedLog& log = run.record.Log();
    InstallLogWriter(log).File("a.txt");
    run.carried.WriteShortcutPart(log, false, nullptr);
    InstallRecord retired = run.carried.Unlisted(log);
    std::string names;
    for (const LogItem& item : retired.items) names += Name(item) + "|";
    EXPECT_EQ(names, "D sub|F b.txt|K Software\\P|V Software\\P: Version|SD P|SF P\\Read me.lnk|");
    // The retirement removed all but the folder and the shortcut.
    run.probe.m_there = {"D sub", "SD P", "SF P\\Read me.lnk"};
    run.carried.Rewrite(log);
    const std::string expected = "a.txt\r\n\\sub\r\n[\\SHORTCUTS]\r\n\\P\r\nP\\Read me.lnk\r\n";
    EXPECT_EQ(log.Text(), expected);
    run.record.Complete();
    EXPECT_EQ(ReadBytes(dir.path() / kInstallLogName), expected);
    EXPECT_EQ(run.anchor.kept, WholeDigestsOnDisk(dir));
}

// One table from a file error to the box's text; an empty text where the user has been told.
TEST(InstallStop, EachFileErrorHasItsMessage)
{
    const long kNoCode = -1;
    const struct {
        int nCause;
        long lOsError;
        RunFile file;
        const char* pszFileName;
        const char* pszExpected;
    } rows[] = {
        {CFileException::fileNotFound, kNoCode, RunFile::log, "/t/Install.log", "FATAL: unable to open 'Install.log'"},
        {CFileException::accessDenied, kNoCode, RunFile::output, "/t/sub/a.txt", "FATAL: access denied on 'a.txt'"},
        {CFileException::sharingViolation, kNoCode, RunFile::record, "/t/Install.prior",
         "FATAL: sharing violation on 'Install.prior'"},
        {CFileException::diskFull, kNoCode, RunFile::unknown, "/t/x", "FATAL: disk full"},
        {CFileException::hardIO, kNoCode, RunFile::unknown, "/t/x", "FATAL: hard I/O error on '<UNKNOWN FILE>'"},
        {CFileException::endOfFile, kNoCode, RunFile::image, "", "FATAL: unexpected end of file"},
        {CFileException::hardIO, kNoCode, RunFile::image, "", "FATAL: hard I/O error on 'disk.001'"},
        // The reader's own message went first: nothing more.
        {CFileException::generic, kNoCode, RunFile::image, "", ""},
        {CFileException::generic, kNoCode, RunFile::refusedImage, "", ""},
        // Cancel at the retry prompt for a missing first volume.
        {CFileException::badPath, kNoCode, RunFile::refusedImage, "", ""},
        {CFileException::invalidFile, kNoCode, RunFile::image, "", "FATAL: unable to open 'disk.001'"},
        // A refused open of one of the run's own files is never silent.
        {CFileException::generic, kNoCode, RunFile::log, "/t/Install.log", "FATAL: unable to open 'Install.log'"},
        {CFileException::badPath, kNoCode, RunFile::output, "/t/a/b.txt", "FATAL: unable to open 'b.txt'"},
        {CFileException::generic, kNoCode, RunFile::unknown, "/t/x", ""},
        // After the payload.
        {CFileException::diskFull, kNoCode, RunFile::registryStep, "C:\\t\\Install.log", "FATAL: disk full"},
        {CFileException::accessDenied, kNoCode, RunFile::registryStep, "C:\\t/sub:s", "FATAL: access denied on 's'"},
        {CFileException::accessDenied, kNoCode, RunFile::registryStep, "", "FATAL: access denied on '<UNKNOWN FILE>'"},
        {CFileException::generic, kNoCode, RunFile::registryStep, "x", "FATAL: unable to complete the registry step"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.pszExpected) + " / " + row.pszFileName);
        CFileException e(row.nCause, row.lOsError, row.pszFileName);
        EXPECT_EQ(FileErrorMessage(e, row.file, "disk.001"), row.pszExpected);
        InstallStop stop = FileErrorStop(e, row.file, "disk.001");
        EXPECT_EQ(stop.kind, InstallStop::Kind::failure);
        EXPECT_EQ(stop.strMessage, row.pszExpected);
    }
}

// A first volume that the system refused for a reason without a cause of its own is told; one
// whose code the reader kept from a retry is not.
TEST(InstallStop, ARefusedFirstVolumeWithAnUntoldSystemError)
{
    // An errno without a cause of its own (on this host the codes are errno values).
    const long kUntold = ENOEXEC;
    ASSERT_EQ(CFileException::OsErrorToException(kUntold), CFileException::generic);
    CFileException untold(CFileException::generic, kUntold, "");
    EXPECT_EQ(FileErrorMessage(untold, RunFile::refusedImage, "disk.001"), "FATAL: unable to open 'disk.001'");
    EXPECT_EQ(FileErrorMessage(untold, RunFile::image, "disk.001"), "");
    CFileException retried(CFileException::generic, ENOENT, "");
    EXPECT_EQ(FileErrorMessage(retried, RunFile::refusedImage, "disk.001"), "");
}
