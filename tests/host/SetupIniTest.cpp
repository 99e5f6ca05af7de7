// Reading Setup.ini: storage, the section, key lines and their values.
#include "RegistryScript.h"
#include "SetupApp.h"
#include "SetupExtensions.h"

#include <gtest/gtest.h>

#include "../common/TempDir.h"

namespace {

std::string Chain(const std::string& text)
{
    std::string stored = text;
    for (size_t k = 1; k < stored.size(); ++k) stored[k] = char(text[k] ^ stored[k - 1]);
    return stored;
}

const char* kDemo =
    "INSTALL4\r\n"
    "[Demo]\r\n"
    "AppDescription=A small demo product\r\n"
    "DiskImage=demo.001\r\n"
    "DefaultDir=C:\\Demo\r\n"
    "FreeSpace=20\r\n";

struct Result {
    BOOL ok;
    SetupConfig config;
};

Result ReadStored(const std::string& stored)
{
    ScopedTempDir dir;
    WriteBytes("Setup.ini", stored);
    CSetupApp app;
    BOOL ok = app.ReadSetupIni();
    return {ok, app.m_config};
}

Result Read(const std::string& text) { return ReadStored(Chain(text)); }

}  // namespace

TEST(SetupIniFile, TheFirstLineChainsToKnownBytes)
{
    const std::string stored("\x49\x07\x54\x00\x41\x0D\x41\x75\x78\x72", 10);
    ASSERT_EQ(Chain(std::string("INSTALL4\r\n")), stored);

    ScopedTempDir dir;
    WriteBytes("Setup.ini", stored + "\x55");
    CSetupIniFile f;
    ASSERT_TRUE(f.Open("Setup.ini", CFile::modeRead | CFile::shareCompat));
    char buf[12];
    buf[10] = '#';
    EXPECT_EQ(f.ReadUnchained(buf, 10), 10u);
    EXPECT_EQ(std::string(buf, 10), "INSTALL4\r\n");
    EXPECT_EQ(buf[10], '#');  // nothing past the bytes read is touched
}

TEST(SetupIni, TheDemoFile)
{
    Result r = Read(kDemo);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.config.m_strProductName, "Demo");
    EXPECT_EQ(r.config.m_strAppDescription, "A small demo product");
    EXPECT_EQ(r.config.m_strDiskImage, "demo.001");
    EXPECT_EQ(r.config.m_strInstallDir, "C:\\Demo");
    EXPECT_EQ(r.config.m_nFreeSpaceMB, 20);
}

TEST(SetupIni, StoredPlainIsRejected) { EXPECT_FALSE(ReadStored(kDemo).ok); }

TEST(SetupIni, MissingFileIsRejected)
{
    ScopedTempDir dir;
    CSetupApp app;
    EXPECT_FALSE(app.ReadSetupIni());
}

TEST(SetupIni, Table)
{
    const std::string head = "INSTALL4\r\n[Demo]\r\n";
    const std::string four = "AppDescription=d\r\nDiskImage=i\r\nDefaultDir=p\r\n";
    struct Case {
        const char* what;
        std::string text;
        bool ok;
        int freeSpace;
        const char* description;
        const char* dir;
    } cases[] = {
        {"skipped lines everywhere",
         "INSTALL4 ignored\r\n# c\r\n\r\n indented\r\n[Demo] tail\r\n# c\r\nAppDescription=d\r\n\r\n"
         "DiskImage=i\r\n #x\r\nDefaultDir=p\r\nFreeSpace=7\r\n",
         true, 7, "d", "p"},
        {"indented key line does not count", head + four + " FreeSpace=7\r\n", false, 0, "d", "p"},
        {"lower-case key is not a key", head + "AppDescription=d\r\ndiskimage=i\r\nDefaultDir=p\r\nFreeSpace=1\r\n", false, 0, "", ""},
        {"a key given twice counts twice",
         head + "AppDescription=first\r\nAppDescription=second\r\nDiskImage=i\r\nDefaultDir=p\r\n", true, 0, "second", "p"},
        {"quoted value spans lines and drops its tail",
         head + "AppDescription=\"two\r\nlines \\ kept \" tail\r\nDiskImage=i\r\nDefaultDir=\" C:\\x \"\r\nFreeSpace=1\r\n",
         true, 1, "two\r\nlines \\ kept ", " C:\\x "},
        {"quote never closed", head + "AppDescription=\"open\r\nDiskImage=i\r\nDefaultDir=p\r\nFreeSpace=1\r\n", false, 0, "", ""},
        {"unquoted value keeps trailing blanks", head + "AppDescription=d  \r\nDiskImage=i\r\nDefaultDir=p \r\nFreeSpace=1\r\n", true, 1, "d  ", "p "},
        {"FreeSpace 20MB", head + four + "FreeSpace=20MB\r\n", true, 20, "d", "p"},
        {"FreeSpace negative", head + four + "FreeSpace=-5\r\n", true, -5, "d", "p"},
        {"FreeSpace leading blanks", head + four + "FreeSpace=  12\r\n", true, 12, "d", "p"},
        {"FreeSpace lots", head + four + "FreeSpace=lots\r\n", false, 0, "d", "p"},
        {"FreeSpace empty", head + four + "FreeSpace=\r\n", true, 0, "d", "p"},
        {"FreeSpace blank", head + four + "FreeSpace=   \r\n", true, 0, "d", "p"},
        {"FreeSpace quoted", head + four + "FreeSpace=\"30\"\r\n", true, 30, "d", "p"},
        {"last key line lacks CR LF", head + four + "FreeSpace=5", false, 0, "d", "p"},
        {"last key line quoted without CR LF", head + four + "FreeSpace=\"5\"", true, 5, "d", "p"},
        {"second section before four keys", head + "AppDescription=d\r\n[Other]\r\nDiskImage=i\r\nDefaultDir=p\r\nFreeSpace=1\r\n", false, 0, "d", ""},
        {"a second section after four keys is never read", head + four + "FreeSpace=2\r\n[Other\r\ngarbage\r\n", true, 2, "d", "p"},
        {"header without closing bracket", "INSTALL4\r\n[Demo\r\n" + four + "FreeSpace=1\r\n", false, 0, "", ""},
        {"first used line is not a header", "INSTALL4\r\nDemo\r\n" + four + "FreeSpace=1\r\n", false, 0, "", ""},
        {"no line end after the first line", "INSTALL4", false, 0, "", ""},
        {"empty file", "", false, 0, "", ""},
        {"marker is case-sensitive", "install4\r\n[Demo]\r\n" + four + "FreeSpace=1\r\n", false, 0, "", ""},
        {"text ends before four key lines", head + four, false, 0, "d", "p"},
        {"unknown lines are ignored", head + "Other=1\r\n" + four + "Junk\r\nFreeSpace=3\r\n", true, 3, "d", "p"},
    };
    for (const Case& c : cases) {
        Result r = Read(c.text);
        EXPECT_EQ(bool(r.ok), c.ok) << c.what;
        if (!c.ok) continue;
        EXPECT_EQ(r.config.m_nFreeSpaceMB, c.freeSpace) << c.what;
        EXPECT_EQ(r.config.m_strAppDescription, c.description) << c.what;
        EXPECT_EQ(r.config.m_strInstallDir, c.dir) << c.what;
        EXPECT_EQ(r.config.m_strProductName, "Demo") << c.what;
    }
}

TEST(SetupIni, ReadKeyValueLeavesTheTextUnchanged)
{
    char line[] = "DiskImage=\"a b\" rest\r\nnext\r\n";
    const std::string before = line;
    CSetupApp app;
    CString v;
    EXPECT_FALSE(app.ReadKeyValue(line, "DefaultDir=", v));
    EXPECT_TRUE(app.ReadKeyValue(line, "DiskImage=", v));
    EXPECT_EQ(v, "a b");
    EXPECT_EQ(std::string(line), before);
}

TEST(RegistryScriptLoader, KeepsTheWholeDecodedText)
{
    ScopedTempDir dir;
    const std::string text = std::string(kDemo) + "REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\Demo]\r\n\"a\"=\"b\"\r\n";
    WriteBytes("Setup.ini", Chain(text));
    RegistryScript script("Setup.ini", "C:\\Demo", "Demo");
    EXPECT_EQ(std::string(script.GetText()), text);
    EXPECT_EQ(script.m_strInstallPath, "C:\\Demo");
    EXPECT_EQ(script.m_strProductName, "Demo");
}

TEST(RegistryScriptLoader, AMissingFileThrowsAFileException)
{
    ScopedTempDir dir;
    try {
        RegistryScript script("Setup.ini", "C:\\Demo", "Demo");
        FAIL() << "no exception";
    } catch (CFileException* e) {
        EXPECT_NE(e->m_cause, CFileException::none);
        e->Delete();
    }
}

// The extension lines after the four key lines: what is read, where the reading stops, and which
// lines are told to the author.
TEST(SetupIni, ExtensionLines)
{
    const std::string head = "INSTALL4\r\n[Demo]\r\nAppDescription=x\r\nDiskImage=d.001\r\nDefaultDir=C:\\D\r\nFreeSpace=1\r\n";
    struct Case {
        const char* what;
        std::string text;
        const char* read;  // shortcuts as NAME>TARGET@LINE, then v=VERSION p=PUBLISHER, bad/unknown lines
    } cases[] = {
        {"none", head + "REGEDIT4\r\n", "v= p= bad: unknown:"},
        {"all three, skipped lines between",
         head + "# menu\r\nShortcut=Run me|bin\\run.exe\r\n\r\n  Shortcut=Hidden|x\r\nShortcut=Help|a|b.txt\r\n"
                "DisplayVersion=1.0 \"rc\"\r\nPublisher= Nexal \r\nREGEDIT4\r\n",
         "Run me>bin\\run.exe@8 Help>a|b.txt@11 v=1.0 \"rc\" p= Nexal  bad: unknown:"},
        {"a section header ends them", head + "[Other]\r\nPublisher=A\r\n", "v= p= bad: unknown:"},
        {"so does a line holding the script's marker", head + "Publisher=A\r\n# REGEDIT4 below\r\nPublisher=B\r\n",
         "v= p=A bad: unknown:"},
        {"the marker among the key lines leaves no room for them",
         "INSTALL4\r\n[Demo]\r\nAppDescription=REGEDIT4\r\nDiskImage=d.001\r\nDefaultDir=C:\\D\r\nFreeSpace=1\r\nPublisher=A\r\n",
         "v= p= bad: unknown:"},
        {"a last line without CR LF is none", head + "Publisher=A", "v= p= bad: unknown:"},
        {"bad and unknown lines", head + "Shortcut=|x\r\nShortcut=a|\r\nShortcut=A|x\r\nShortcut=a|y\r\nWhat=1\r\nno equals\r\n",
         "A>x@9 v= p= bad:7,8,10 unknown:11,12"},
        {"after a fourth key line that ends the text", head.substr(0, head.size() - 2), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetupExtensions ext;
        if (!ReadSetupExtensions(c.text.c_str(), ext)) {
            EXPECT_STREQ(c.read, "") << "refused";
            continue;
        }
        std::string read;
        for (const SetupShortcut& s : ext.shortcuts)
            read += s.strName.Str() + ">" + s.strTarget.Str() + "@" + std::to_string(s.nLine) + " ";
        read += "v=" + ext.strDisplayVersion.Str() + " p=" + ext.strPublisher.Str() + " bad:";
        for (size_t i = 0; i < ext.bad.size(); ++i) read += (i ? "," : "") + std::to_string(ext.bad[i].m_nLine);
        read += " unknown:";
        for (size_t i = 0; i < ext.unknown.size(); ++i) read += (i ? "," : "") + std::to_string(ext.unknown[i].m_nLine);
        EXPECT_EQ(read, c.read);
    }
}

// For whom a product is installed, and the choice offered first when it may be either: a line
// that is no scope leaves the scope as it was, and is bad.
TEST(SetupIni, ScopeLines)
{
    const std::string head = "INSTALL4\r\n[Demo]\r\nAppDescription=x\r\nDiskImage=d.001\r\nDefaultDir=C:\\D\r\nFreeSpace=1\r\n";
    const struct {
        const char* what;
        const char* lines;
        const char* read;  // scope>preferred@line, then the bad lines
    } cases[] = {
        {"none: for everyone", "", "machine>machine@0 bad:"},
        {"for one user", "Scope=user\r\n", "user>user@7 bad:"},
        {"either, everyone offered first", "Scope=either\r\n", "either>machine@7 bad:"},
        {"either, the user offered first", "Scope=either|user\r\n", "either>user@7 bad:"},
        {"either, everyone named", "Scope=either|machine\r\n", "either>machine@7 bad:"},
        {"the last line counts", "Scope=user\r\nScope=machine\r\n", "machine>machine@8 bad:"},
        {"a word it does not know", "Scope=everyone\r\n", "machine>machine@0 bad:7"},
        {"letter case counts", "Scope=User\r\n", "machine>machine@0 bad:7"},
        {"a choice only for either", "Scope=user|machine\r\n", "machine>machine@0 bad:7"},
        {"a bad line after a good one keeps the good", "Scope=user\r\nScope=either|nobody\r\n", "user>user@7 bad:8"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SetupExtensions ext;
        ASSERT_TRUE(ReadSetupExtensions((head + c.lines + "REGEDIT4\r\n").c_str(), ext));
        std::string read = std::string(SetupScopeName(ext.scope)) + ">" + SetupScopeName(ext.preferred) + "@" +
                           std::to_string(ext.nScopeLine) + " bad:";
        for (size_t i = 0; i < ext.bad.size(); ++i) read += (i ? "," : "") + std::to_string(ext.bad[i].m_nLine);
        EXPECT_EQ(c.read, read);
    }
}

// The languages the installer may speak, and the author's description in each: a malformed
// Languages line is bad and leaves the list as it was.
TEST(SetupIni, LanguageLines)
{
    const std::string head = "INSTALL4\r\n[Demo]\r\nAppDescription=Plain\r\nDiskImage=d.001\r\nDefaultDir=C:\\D\r\nFreeSpace=1\r\n";
    const struct {
        const char* what;
        const char* lines;
        const char* read;  // languages@line, the descriptions for de, pt-BR, ru, then the bad lines
    } cases[] = {
        {"none", "", "@0 de=Plain pt-BR=Plain ru=Plain bad:"},
        {"a list", "Languages=de,pt-BR,ru\r\n", "de,pt-BR,ru@7 de=Plain pt-BR=Plain ru=Plain bad:"},
        {"one language", "Languages=ru\r\n", "ru@7 de=Plain pt-BR=Plain ru=Plain bad:"},
        {"the last list counts", "Languages=de\r\nLanguages=fr,it\r\n", "fr,it@8 de=Plain pt-BR=Plain ru=Plain bad:"},
        {"an empty tag", "Languages=de,,ru\r\n", "@0 de=Plain pt-BR=Plain ru=Plain bad:7"},
        {"a blank in a tag", "Languages=de, ru\r\n", "@0 de=Plain pt-BR=Plain ru=Plain bad:7"},
        {"an empty list", "Languages=\r\n", "@0 de=Plain pt-BR=Plain ru=Plain bad:7"},
        {"a bad list keeps the good one", "Languages=de\r\nLanguages=d_e\r\n", "de@7 de=Plain pt-BR=Plain ru=Plain bad:8"},
        {"descriptions by tag, any letter case",
         "AppDescription.de=Ein Spiel\r\nAppDescription.PT-br=Um jogo\r\n",
         "@0 de=Ein Spiel pt-BR=Um jogo ru=Plain bad:"},
        {"a later description replaces", "AppDescription.ru=A\r\nAppDescription.ru=B\r\n", "@0 de=Plain pt-BR=Plain ru=B bad:"},
        {"AppDescription. without a tag is unknown", "AppDescription.=x\r\n", "@0 de=Plain pt-BR=Plain ru=Plain bad:"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SetupExtensions ext;
        ASSERT_TRUE(ReadSetupExtensions((head + c.lines + "REGEDIT4\r\n").c_str(), ext));
        std::string read;
        for (size_t i = 0; i < ext.languages.size(); ++i) read += (i ? "," : "") + ext.languages[i];
        read += "@" + std::to_string(ext.nLanguagesLine);
        for (const char* tag : {"de", "pt-BR", "ru"})
            read += std::string(" ") + tag + "=" + SetupDescriptionFor(ext, tag, "Plain").Str();
        read += " bad:";
        for (size_t i = 0; i < ext.bad.size(); ++i) read += (i ? "," : "") + std::to_string(ext.bad[i].m_nLine);
        EXPECT_EQ(read, c.read);
    }
}

// Which folder of an earlier installation's entry may be proposed again.
TEST(SetupIni, ProposableLocations)
{
    const struct {
        const char* path;
        bool ok;
    } cases[] = {
        {"C:\\Program Files\\Demo", true}, {"d:\\x", true}, {"C:\\", true},
        {"", false}, {"C:", false}, {"C:Demo", false}, {"Demo", false}, {"\\\\server\\share\\Demo", false},
        {"C:\\Demo\\", false}, {"C:\\a\\\\b", false}, {"C:\\a\\..\\Windows", false}, {"C:\\a\\.", false},
        {"C:\\a\"b", false}, {"C:\\a|b", false}, {"C:\\a\nb", false}, {"C:\\a/b", false}, {"1:\\a", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsProposableLocation(c.path), c.ok) << c.path;
    EXPECT_TRUE(IsProposableLocation(("C:\\" + std::string(255, 'a')).c_str()));
    EXPECT_FALSE(IsProposableLocation(("C:\\" + std::string(257, 'a')).c_str())) << "MAX_PATH and more";
    // Counted in UTF-16 characters: 200 Chinese characters are 600 bytes and fit; 129 emoji are 258.
    std::string chinese, emoji;
    for (int i = 0; i < 200; ++i) chinese += "\xE4\xB8\xAD";
    for (int i = 0; i < 129; ++i) emoji += "\xF0\x9F\x98\x80";
    EXPECT_TRUE(IsProposableLocation(("C:\\" + chinese).c_str()));
    EXPECT_FALSE(IsProposableLocation(("C:\\" + emoji).c_str())) << "an emoji is two UTF-16 characters";
}

// The medium's DisplayVersion against the installed one, as dotted numbers; each row also read the
// other way round, which must give the opposite order.
TEST(SetupIni, DottedVersionOrder)
{
    const struct {
        const char* medium;
        const char* installed;
        char order;  // '<', '=', '>' as the medium's is lower, equal, higher; 'x': no order
    } cases[] = {
        {"1.2", "1.10", '<'}, {"1.0", "1.1", '<'}, {"2", "10", '<'}, {"0.9.9.9", "1", '<'}, {"1.0", "1.0.1", '<'},
        {"1.0", "1.0.0", '='}, {"1", "1.0.0.0", '='}, {"01.2", "1.02", '='}, {"1.000", "1.0", '='}, {"3.4.5", "3.4.5", '='},
        {" 1.0\t", "1.0", '='},
        {"1.10", "1.9", '>'}, {"2.0", "1.99.99", '>'}, {"1.0.0.1", "1", '>'},
        // Longer than any integer type: compared by their digits.
        {"18446744073709551616", "18446744073709551615", '>'}, {"1.99999999999999999999", "1.100000000000000000000", '<'},
        // No dotted number on one side: no order, so nobody is asked.
        {"1.0 beta", "1.0", 'x'}, {"1.0", "v1.0", 'x'}, {"", "1", 'x'}, {"1.0", "  ", 'x'}, {"1..2", "1.2", 'x'},
        {"1.", "1", 'x'}, {".1", "0.1", 'x'}, {"1.-2", "1", 'x'}, {"1,2", "1", 'x'}, {"1 .2", "1.2", 'x'},
        {"2.1 \"beta\"", "2.0", 'x'},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.medium) + " against " + c.installed);
        for (bool swapped : {false, true}) {
            int order = 7;
            BOOL compared = swapped ? CompareDottedVersions(c.installed, c.medium, order)
                                    : CompareDottedVersions(c.medium, c.installed, order);
            char expected = c.order;
            if (swapped && expected != '=' && expected != 'x') expected = expected == '<' ? '>' : '<';
            char got = !compared ? 'x' : order < 0 ? '<' : order > 0 ? '>' : '=';
            EXPECT_EQ(got, expected) << (swapped ? "swapped" : "as given");
            if (!compared) {
                EXPECT_EQ(order, 7) << "untouched without an order";
            }
        }
    }
}
