// zrvtool and the code page of a medium, as an author runs it: Windows-1252 kept byte for byte when
// it can write every name and text, UTF-8 chosen (and said) when one needs it, refusals that name
// what is wrong and leave nothing behind; line ends; what ini check shows of code page and languages.
#include "EmbeddedPrograms.h"
#include "SetupText.h"
#include "LanguageTables.h"
#include "ProgramResources.h"

#include "../common/ToolRun.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace zrvtool;

namespace {

const std::string kScript = "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\Software\\Demo]\r\n\"Path\"=\"%INSTALLPATH%\"\r\n";
const std::string kChinese = "\xe4\xb8\xad\xe6\x96\x87";  // two CJK letters, beyond Windows-1252

// A Setup.ini text: product name, then extension lines (CR LF ended) after the four key lines.
std::string Config(const std::string& product, const std::string& ext = "", const std::string& image = "demo.001")
{
    return "INSTALL4\r\n[" + product + "]\r\nAppDescription=A demo\r\nDiskImage=" + image + "\r\nDefaultDir=C:\\Demo\r\n"
           "FreeSpace=1\r\n" + ext + kScript;
}

std::string WithLf(std::string text)
{
    for (size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at, 1);
    return text;
}

void MakeSource(const std::string& name)
{
    fs::create_directories("src/docs");
    WriteBytes("src/docs/guide.txt", std::string(300, 'g'));
    WriteBytes("src/" + name, "Hello\r\n");
}

}  // namespace

TEST(CodePageCli, MediumChoosesTheCodePageItsNamesAndTextsNeed)
{
    const std::string utf8Line = "CodePage=65001\r\n";
    struct Case {
        const char* what;
        std::string config;      // the plain text the author writes
        std::string file;        // a file of the tree besides docs/guide.txt
        std::string args;
        std::string err;         // exact
        std::string stored;      // the plain text of the medium's Setup.ini
        const char* pszPack;     // the code page that pack must be given for the same image
        std::string volume = "demo.001";  // the image's file as Linux names it: in UTF-8, as Windows sees it
    } cases[] = {
        {"LF line ends", WithLf(Config("Demo")), "readme.txt", "",
         "Setup.ini.txt: note: lines ended by LF alone are stored ended by CR LF, as the installer reads them\n",
         Config("Demo"), "1252"},
        {"accented names and texts that Windows-1252 holds", Config("Caf\xc3\xa9"), "r\xc3\xa9sum\xc3\xa9.txt", "",
         "Setup.ini.txt: note: the text is UTF-8; stored converted to Windows-1252\n", Config("Caf\xe9"), "1252"},
        {"a text of Windows-1252 bytes", Config("Caf\xe9"), "readme.txt", "", "", Config("Caf\xe9"), "1252"},
        {"a Chinese file name", Config("Demo"), kChinese + ".txt", "",
         "Setup.ini.txt: note: UTF-8 (the name '" + kChinese + ".txt' needs a character that Windows-1252 lacks): "
         "stored with CodePage=65001, the image's names in UTF-8\n",
         Config("Demo", utf8Line), "utf-8"},
        {"a Chinese product name", Config(kChinese + " Demo"), "readme.txt", "",
         "Setup.ini.txt: note: UTF-8 (line 2 holds a character that Windows-1252 lacks): stored with CodePage=65001, "
         "the image's names in UTF-8\n",
         Config(kChinese + " Demo", utf8Line), "utf-8"},
        {"a Windows-1252 text with a Chinese file name", Config("Caf\xe9"), kChinese + ".txt", "",
         "Setup.ini.txt: note: the text is Windows-1252; stored converted to UTF-8\n"
         "Setup.ini.txt: note: UTF-8 (the name '" + kChinese + ".txt' needs a character that Windows-1252 lacks): "
         "stored with CodePage=65001, the image's names in UTF-8\n",
         Config("Caf\xc3\xa9", utf8Line), "utf-8"},
        {"UTF-8 asked for", Config("Demo"), "readme.txt", "--code-page utf-8",
         "Setup.ini.txt: note: UTF-8 (--code-page utf-8): stored with CodePage=65001, the image's names in UTF-8\n",
         Config("Demo", utf8Line), "utf-8"},
        {"UTF-8 declared by the author", Config(kChinese, "Publisher=" + kChinese + "\r\n" + utf8Line), kChinese, "",
         "", Config(kChinese, "Publisher=" + kChinese + "\r\n" + utf8Line), "utf-8"},
        {"an accented image name in a Windows-1252 text", Config("Demo", "", "donn\xe9" "es.001"), "readme.txt", "", "",
         Config("Demo", "", "donn\xe9" "es.001"), "1252", "donn\xc3\xa9" "es.001"},
        {"an accented image name stored in Windows-1252", Config("Demo", "", "donn\xc3\xa9" "es.001"), "readme.txt", "",
         "Setup.ini.txt: note: the text is UTF-8; stored converted to Windows-1252\n",
         Config("Demo", "", "donn\xe9" "es.001"), "1252", "donn\xc3\xa9" "es.001"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScopedTempDir dir;
        MakeSource(c.file);
        WriteBytes("Setup.ini.txt", c.config);
        ToolRun r = Tool("medium Setup.ini.txt src out " + c.args);
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(UnchainSetupIni(ReadBytes("out/Setup.ini")), c.stored);
        // The image is the one pack makes of the tree in that code page: for Windows-1252, the image
        // of every medium made before UTF-8.
        ToolRun pack = Tool("pack src ref.001 --code-page " + std::string(c.pszPack));
        ASSERT_EQ(pack.code, 0) << pack.err;
        EXPECT_EQ(Tree("out"), "Setup.exe Setup.ini " + c.volume);
        EXPECT_TRUE(ReadBytes("out/" + c.volume) == ReadBytes("ref.001"));
        ToolRun list = Tool("list 'out/" + c.volume + "' --code-page " + std::string(c.pszPack));
        EXPECT_NE(list.out.find("  " + c.file + "\n"), std::string::npos) << list.out;
        EXPECT_EQ(list.err, "");
        // A bundle of the medium holds the image under the name its Setup.ini gives, and reads it.
        ToolRun bundle = Tool("bundle out b.exe");
        ASSERT_EQ(bundle.code, 0) << bundle.err;
        ToolRun listed = Tool("list b.exe --code-page " + std::string(c.pszPack));
        EXPECT_EQ(listed.out, list.out);
        EXPECT_EQ(listed.err, "");
    }
}

TEST(CodePageCli, MediumRefusesWhatNoCodePageOfTheMediumCanHold)
{
    struct Case {
        const char* what;
        std::string config;
        std::string file;
        std::string args;
        std::string err;
    } cases[] = {
        {"a Chinese file name with Windows-1252 fixed", Config("Demo"), kChinese + ".txt", "--code-page 1252",
         "zrvtool: Setup.ini.txt: the name '" + kChinese + ".txt' needs UTF-8, but --code-page 1252 fixes Windows-1252\n"},
        {"a Chinese file name with CodePage=1252", Config("Demo", "CodePage=1252\r\n"), kChinese + ".txt", "",
         "zrvtool: Setup.ini.txt: the name '" + kChinese + ".txt' needs UTF-8, but CodePage=1252 fixes Windows-1252\n"},
        {"a Chinese product name with Windows-1252 fixed", Config(kChinese), "readme.txt", "--code-page 1252",
         "zrvtool: Setup.ini.txt:2: the line holds a character that the installer's code page (Windows-1252) lacks\n"},
        {"malformed UTF-8 that says CodePage=65001", Config("Demo", "CodePage=65001\r\nPublisher=Caf\xe9\r\n"),
         "readme.txt", "",
         "zrvtool: Setup.ini.txt:8: the line is not well-formed UTF-8, which CodePage=65001 says the text is\n"},
        {"a code page the installer does not know", Config("Demo", "CodePage=936\r\n"), "readme.txt", "",
         "zrvtool: Setup.ini.txt:7: a CodePage line is CodePage=1252 (Windows-1252, as without the line) or "
         "CodePage=65001 (UTF-8)\n"},
        {"--code-page against the CodePage line", Config("Demo", "CodePage=65001\r\n"), "readme.txt",
         "--code-page 1252", "zrvtool: Setup.ini.txt:7: CodePage=65001 differs from --code-page\n"},
        {"a name that is not UTF-8 on the host", Config("Demo"), "caf\xe9.txt", "",
         "zrvtool: 'caf\\xe9.txt': name cannot be written in the installer's code page (Windows-1252)\n"},
        {"a name that is not UTF-8 on the host, UTF-8 asked for", Config("Demo"), "caf\xe9.txt", "--code-page utf-8",
         "Setup.ini.txt: note: UTF-8 (--code-page utf-8): stored with CodePage=65001, the image's names in UTF-8\n"
         "zrvtool: 'caf\\xe9.txt': name cannot be written in the installer's code page (Windows-1252) nor in UTF-8: "
         "it is not UTF-8 on this host\n"},
        {"an error after the CodePage line the tool adds: named by the author's line",
         Config("Demo", "Shortcut=Run|run.exe\r\n"), kChinese + ".txt", "",
         "Setup.ini.txt: note: UTF-8 (the name '" + kChinese + ".txt' needs a character that Windows-1252 lacks): "
         "stored with CodePage=65001, the image's names in UTF-8\n"
         "Setup.ini.txt:7: error: the shortcut's target 'run.exe' is not a file of 'src'\n"
         "zrvtool: Setup.ini.txt: the installer would not work with it; nothing is written\n"},
        {"a stored Setup.ini of Windows-1252 with a Chinese file name", ChainSetupIni(Config("Demo")), kChinese + ".txt", "",
         "zrvtool: Setup.ini.txt: the name '" + kChinese + ".txt' needs UTF-8, but the stored Setup.ini has no "
         "CodePage=65001 line; give its plain text instead\n"},
        {"a stored Setup.ini against --code-page", ChainSetupIni(Config("Demo")), "readme.txt", "--code-page utf-8",
         "zrvtool: Setup.ini.txt: the stored Setup.ini is Windows-1252, not as --code-page says\n"},
        {"an unknown code page option", Config("Demo"), "readme.txt", "--code-page 936",
         "zrvtool: --code-page '936': give 1252 (Windows-1252), utf-8 (CodePage=65001) or auto (Windows-1252 unless "
         "a name or a text needs UTF-8; the default)\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScopedTempDir dir;
        // Windows holds names in UTF-16: no file there has a name that is not UTF-8 here.
        if (LinuxToolOnly(c.what, {"a name that is not UTF-8 on the host", "a name that is not UTF-8 on the host, UTF-8 asked for"}))
            continue;
        MakeSource(c.file);
        WriteBytes("Setup.ini.txt", c.config);
        std::string before = Tree(".");
        ToolRun r = Tool("medium Setup.ini.txt src out " + c.args);
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(Tree("."), before);
    }
}

TEST(CodePageCli, EncodeStoresLineEndsAndCodePageAsMediumDoes)
{
    struct Case {
        const char* what;
        std::string plain;
        std::string args;
        int code;
        std::string err;
        std::string stored;  // the plain text of the stored file
    } cases[] = {
        {"LF line ends", WithLf(Config("Demo")), "", 0,
         "plain.txt: note: lines ended by LF alone are stored ended by CR LF, as the installer reads them\n",
         Config("Demo")},
        {"CR LF and LF mixed", Config("Demo", "Publisher=Me\n"), "", 0,
         "plain.txt: note: lines ended by LF alone are stored ended by CR LF, as the installer reads them\n",
         Config("Demo", "Publisher=Me\r\n")},
        {"Windows-1252 bytes, as before", Config("Caf\xe9"), "", 0, "", Config("Caf\xe9")},
        {"a byte-order mark", "\xEF\xBB\xBF" + Config("Caf\xc3\xa9"), "", 0,
         "plain.txt: note: the byte-order mark at the start is left out\n"
         "plain.txt: note: the text is UTF-8; stored converted to Windows-1252\n",
         Config("Caf\xe9")},
        {"UTF-8 that says CodePage=65001", Config(kChinese, "CodePage=65001\r\n"), "", 0, "",
         Config(kChinese, "CodePage=65001\r\n")},
        {"UTF-8 that needs CodePage=65001", Config(kChinese), "", 0,
         "plain.txt: note: UTF-8 (line 2 holds a character that Windows-1252 lacks): stored with CodePage=65001, the "
         "image's names in UTF-8\n",
         Config(kChinese, "CodePage=65001\r\n")},
        {"malformed UTF-8 that says CodePage=65001", Config("Caf\xe9", "CodePage=65001\r\n"), "", 1,
         "zrvtool: plain.txt:2: the line is not well-formed UTF-8, which CodePage=65001 says the text is\n", ""},
        {"UTF-8 that Windows-1252 cannot hold, 1252 fixed", Config(kChinese), "--code-page 1252", 1,
         "zrvtool: plain.txt:2: the line holds a character that the installer's code page (Windows-1252) lacks\n", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScopedTempDir dir;
        WriteBytes("plain.txt", c.plain);
        ToolRun r = Tool("ini encode plain.txt Setup.ini " + c.args);
        EXPECT_EQ(r.code, c.code);
        EXPECT_EQ(r.err, c.err);
        if (c.code == 0) EXPECT_EQ(UnchainSetupIni(ReadBytes("Setup.ini")), c.stored);
        else EXPECT_FALSE(fs::exists("Setup.ini"));
    }
}

TEST(CodePageCli, IniCheckShowsCodePageAndLanguages)
{
    struct Case {
        const char* what;
        std::string text;
        int code;
        std::vector<std::string> outLines;  // lines the report must hold
        std::string err;                    // exact
    } cases[] = {
        {"no CodePage line", Config("Caf\xe9"), 0, {"Code page: Windows-1252 (no CodePage line)"}, ""},
        {"UTF-8", Config(kChinese, "CodePage=65001\r\n"), 0, {"Code page: UTF-8 (CodePage=65001)", "Product: " + kChinese}, ""},
        {"malformed UTF-8", Config("Caf\xe9", "CodePage=65001\r\n"), 1, {"Code page: UTF-8 (CodePage=65001)"},
         "s.ini:2: error: the line is not well-formed UTF-8, which CodePage=65001 says the text is\n"},
        {"UTF-8 without the line", Config(kChinese), 0, {"Code page: Windows-1252 (no CodePage line)"},
         "s.ini:2: warning: the text is UTF-8 with characters that Windows-1252 lacks, but says no CodePage=65001, so "
         "the installer reads it as Windows-1252 (medium and ini encode add the line)\n"},
        {"languages the tables have", Config("Demo", "Languages=de,pt-BR,en\r\nAppDescription.de=Eine Demo\r\n"), 0,
         {"Languages: de, pt-BR, en", "AppDescription (de): Eine Demo"}, ""},
        {"tags in other letter case", Config("Demo", "Languages=DE,pt-br\r\nAppDescription.Zh-cn=?\r\n"), 0,
         {"Languages: DE, pt-br", "AppDescription (Zh-cn): ?"}, ""},
        {"a tag no table has", Config("Demo", "Languages=de,xx\r\nAppDescription.yy=?\r\n"), 0,
         {"Languages: de, xx", "AppDescription (yy): ?"},
         "s.ini:7: warning: no language table has the tag 'xx' (give its table with --language, or use one of the "
         "built-in tags)\n"
         "s.ini:8: warning: no language table has the tag 'yy' (give its table with --language, or use one of the "
         "built-in tags)\n"},
        {"a code page the installer does not know", Config("Demo", "CodePage=936\r\n"), 1,
         {"Code page: Windows-1252 (no CodePage line)"},
         "s.ini:7: error: a CodePage line is CodePage=1252 (Windows-1252, as without the line) or CodePage=65001 "
         "(UTF-8)\n"},
        {"a byte-order mark, left out as medium leaves it out", "\xEF\xBB\xBF" + Config("Demo"), 0,
         {"Product: Demo"}, "s.ini: note: the byte-order mark at the start is left out\n"},
        {"an empty tag", Config("Demo", "Languages=de,,fr\r\n"), 1, {"Languages: de, fr"},
         "s.ini:7: error: an empty tag in Languages=: the list is TAG[,TAG...]\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScopedTempDir dir;
        WriteBytes("s.ini", c.text);
        ToolRun r = Tool("ini check s.ini");
        EXPECT_EQ(r.code, c.code);
        for (const std::string& line : c.outLines) EXPECT_NE(r.out.find(line + "\n"), std::string::npos) << r.out;
        EXPECT_EQ(r.err, c.err);
    }
}

// A tag of the author's own table is known to ini check when the table is given.
TEST(CodePageCli, IniCheckKnowsTheTagsOfTheTablesGiven)
{
    ScopedTempDir dir;
    WriteBytes("s.ini", Config("Demo", "Languages=xx,de\r\n"));
    WriteBytes("xx.lang", "Language=xx\nLanguageIds=0x0401\nLanguageName=Test\n");
    WriteBytes("bad.lang", "LanguageIds=0x0401\n");
    struct Case {
        const char* args;
        int code;
        std::string err;
    } cases[] = {
        {"", 0, "s.ini:7: warning: no language table has the tag 'xx' (give its table with --language, or use one of the "
                "built-in tags)\n"},
        {"--language bad.lang", 1, "zrvtool: bad.lang:1: a table begins with Language=TAG\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        ToolRun r = Tool(std::string("ini check s.ini ") + c.args);
        EXPECT_EQ(r.code, c.code);
        EXPECT_EQ(r.err, c.err);
    }
    // With the table given, the tag is known; whether the table passes the English check depends on
    // whether the carried programs have tables, so only the tag's warning is looked at.
    ToolRun r = Tool("ini check s.ini --language xx.lang");
    EXPECT_EQ(r.err.find("tag 'xx'"), std::string::npos) << r.err;
}

// A Windows-1252 image whose names hold bytes the code page leaves undefined is listed with a note.
TEST(CodePageCli, ListTellsOfBytesWindows1252LeavesUndefined)
{
    struct Case {
        const char* what;
        std::string name;  // as the host spells it
        std::string err;
    } cases[] = {
        {"an accented name", "caf\xc3\xa9.txt", ""},
        {"a name with U+0081", "a\xc2\x81.txt",
         "img.001: note: some names hold bytes that Windows-1252 leaves undefined (shown escaped): the image may be "
         "of another code page\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScopedTempDir dir;
        fs::create_directory("src");
        WriteBytes("src/" + c.name, "x");
        ASSERT_EQ(Tool("pack src img.001 --no-uninstaller").code, 0);
        ToolRun r = Tool("list img.001");
        EXPECT_EQ(r.code, 0);
        EXPECT_EQ(r.err, c.err);
    }
}

// An image alone does not say its code page: list tells when the names look like the other one.
TEST(CodePageCli, ListReadsNamesInTheCodePageItIsGiven)
{
    ScopedTempDir dir;
    MakeSource(kChinese + ".txt");
    ToolRun pack = Tool("pack src img.001 --no-uninstaller");
    ASSERT_EQ(pack.code, 0) << pack.err;
    EXPECT_EQ(pack.err, "src: note: a name needs a character that Windows-1252 lacks: the image stores its names "
                        "in UTF-8, for a Setup.ini that says CodePage=65001\n");
    struct Case {
        const char* args;
        std::string name;  // as listed
        std::string err;
    } cases[] = {
        {"", "\xc3\xa4\xc2\xb8\xc2\xad\xc3\xa6\xe2\x80\x93\xe2\x80\xa1.txt",
         "img.001: note: the names look like UTF-8 (read here as Windows-1252); an image of a medium whose Setup.ini "
         "says CodePage=65001 is read with --code-page utf-8\n"},
        {"--code-page utf-8", kChinese + ".txt", ""},
        {"--code-page auto", kChinese + ".txt", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        ToolRun r = Tool(std::string("list img.001 ") + c.args);
        EXPECT_EQ(r.code, 0);
        EXPECT_NE(r.out.find("  " + c.name + "\n"), std::string::npos) << r.out;
        EXPECT_EQ(r.err, c.err);
        fs::remove_all("x");
        ToolRun x = Tool(std::string("extract img.001 x ") + c.args);
        EXPECT_EQ(x.code, 0) << x.err;
        EXPECT_TRUE(fs::exists(fs::u8path("x/" + c.name)));
    }
}

// medium --language: a table checked against the English one of the carried programs and put into
// Setup.exe, the payload's Uninstal.exe and the bundle's launcher alike; a table that could
// misread the programs' arguments is refused, naming its line. Programs that carry no tables yet
// make --language a clear refusal.
TEST(LanguageCli, MediumPutsTheAuthorsTablesIntoEveryProgram)
{
    ScopedTempDir dir;
    MakeSource("readme.txt");
    WriteBytes("Setup.ini.txt", Config("Demo"));
    const EmbeddedProgram& setup = EmbeddedSetup(WindowsArch::x86);
    ASSERT_NE(setup.pData, nullptr);
    std::optional<std::string> builtIn =
        ResourceData(std::string(reinterpret_cast<const char*>(setup.pData), setup.nSize), kLanguageResource, "Setup.exe");
    if (!builtIn) {
        WriteBytes("de.lang", "Language=de\nLanguageIds=0x0407\nLanguageName=Deutsch\n");
        ToolRun r = Tool("medium Setup.ini.txt src out --language de.lang");
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(r.err, "zrvtool: Setup.exe carries no language tables (no ZRVLANG resource): --language needs a "
                         "zrvtool whose programs have them\n");
        EXPECT_FALSE(fs::exists("out"));
        return;
    }
    // A German table made of the English one: every key, every conversion as in English.
    size_t en = builtIn->find("Language=en");
    ASSERT_NE(en, std::string::npos);
    size_t enEnd = builtIn->find("\nLanguage=", en);
    std::string english = builtIn->substr(en, enEnd == std::string::npos ? std::string::npos : enEnd + 1 - en);
    std::string german = "Language=de" + english.substr(std::string("Language=en").size());
    // The table's text runs to the next Language= line, so it may end in the next file's comments:
    // the last key is the last line that is not one.
    std::string withoutLast = german;
    for (bool bKey = false; !bKey && !withoutLast.empty();) {
        size_t lineStart = withoutLast.rfind('\n', withoutLast.size() - 2);
        lineStart = lineStart == std::string::npos ? 0 : lineStart + 1;
        bKey = withoutLast[lineStart] != '#' && withoutLast.find('=', lineStart) != std::string::npos;
        withoutLast.resize(lineStart);
    }
    size_t percent = german.find("%s");
    struct Case {
        const char* what;
        std::string table;
        std::string errStart;  // "" for a table that is taken
    } cases[] = {
        {"a key the English table lacks", german + "zz.unknown=x\n", "zrvtool: de.lang:"},
        {"a missing key", withoutLast, "zrvtool: de.lang: the table lacks 1 key of the English table: "},
        {"a conversion of another type",
         percent == std::string::npos ? german + "zz=%d\n" : german.substr(0, percent) + "%d" + german.substr(percent + 2),
         "zrvtool: de.lang:"},
        {"a table of the English keys", german, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all("out");
        fs::remove("b.exe");
        WriteBytes("de.lang", c.table);
        ToolRun r = Tool("medium Setup.ini.txt src out --bundle b.exe --language de.lang");
        if (!c.errStart.empty()) {
            EXPECT_EQ(r.code, 1);
            EXPECT_EQ(r.err.compare(0, c.errStart.size(), c.errStart), 0) << r.err;
            EXPECT_FALSE(fs::exists("out"));
            continue;
        }
        ASSERT_EQ(r.code, 0) << r.err;
        // The built-in German table (or none) gives way to the author's.
        // The programs keep the tables alone: the comments before the first Language= line go.
        std::string expected = builtIn->substr(en);
        size_t de = expected.find("Language=de\n") != std::string::npos ? expected.find("Language=de\n")
                                                                          : expected.find("Language=de\r\n");
        if (de == std::string::npos) {
            expected += german;
        } else {
            size_t deEnd = expected.find("\nLanguage=", de);
            expected.replace(de, deEnd == std::string::npos ? std::string::npos : deEnd + 1 - de, german);
        }
        ASSERT_EQ(Tool("extract out/demo.001 payload").code, 0);
        for (const char* program : {"out/Setup.exe", "payload/Uninstal.exe", "b.exe"}) {
            SCOPED_TRACE(program);
            EXPECT_EQ(ResourceData(ReadBytes(program), kLanguageResource, program).value_or("<none>"), expected);
        }
    }
}

// pack's own choice: names of other scripts make a UTF-8 image, and Windows' rule of letter case
// holds for them as for the code page's letters.
TEST(CodePageCli, PackComparesUtf8NamesAsWindowsDoes)
{
    struct Case {
        const char* what;
        std::vector<std::string> names;
        std::string err;  // "" for a tree that is packed
    } cases[] = {
        {"Greek letters differing in case", {"\xce\x94.txt", "\xce\xb4.txt"},
         "zrvtool: '\xce\xb4.txt' and '\xce\x94.txt': names that differ only in letter case are the same on Windows\n"},
        {"Cyrillic letters differing in case", {"\xd0\x96.txt", "\xd0\xb6.txt"},
         "zrvtool: '\xd0\xb6.txt' and '\xd0\x96.txt': names that differ only in letter case are the same on Windows\n"},
        {"Latin letters beyond Windows-1252 differing in case", {"\xc5\x81\xe4\xb8\xad.txt", "\xc5\x82\xe4\xb8\xad.txt"},
         "zrvtool: '\xc5\x82\xe4\xb8\xad.txt' and '\xc5\x81\xe4\xb8\xad.txt': names that differ only in letter case are the "
         "same on Windows\n"},
        {"different letters", {"\xce\x94.txt", "\xce\x95.txt"}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScopedTempDir dir;
        fs::create_directory("src");
        for (const std::string& name : c.names) WriteBytes("src/" + name, "x");
        ToolRun r = Tool("pack src img.001 --no-uninstaller");
        if (c.err.empty()) {
            EXPECT_EQ(r.code, 0) << r.err;
            continue;
        }
        EXPECT_EQ(r.code, 1);
        // After the note of UTF-8 chosen, the refusal.
        ASSERT_GE(r.err.size(), c.err.size()) << r.err;
        EXPECT_EQ(r.err.substr(r.err.size() - c.err.size()), c.err);
        EXPECT_FALSE(fs::exists("img.001"));
    }
}

// bundle --language: the launcher and a copy of the medium's Setup.exe get the tables; programs
// without tables make it a clear refusal that leaves nothing behind.
TEST(LanguageCli, BundlePutsTheTablesIntoTheLauncherAndSetup)
{
    ScopedTempDir dir;
    MakeSource("readme.txt");
    WriteBytes("Setup.ini.txt", Config("Demo"));
    ASSERT_EQ(Tool("medium Setup.ini.txt src media").code, 0);
    std::string setup = ReadBytes("media/Setup.exe");
    std::optional<std::string> builtIn = ResourceData(setup, kLanguageResource, "Setup.exe");
    WriteBytes("xx.lang", "Language=xx\nLanguageIds=0x0401\nLanguageName=Test\n");
    std::string before = Tree(".");
    ToolRun r = Tool("bundle media b.exe --language xx.lang");
    if (!builtIn) {
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(r.err, "zrvtool: 'media/Setup.exe' carries no language tables (no ZRVLANG resource): --language needs "
                         "a zrvtool whose programs have them\n");
        EXPECT_EQ(Tree("."), before);
        return;
    }
    // A table of only the first settings lacks every key of the English table.
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err.find("zrvtool: xx.lang: the table lacks "), 0u) << r.err;
    EXPECT_EQ(Tree("."), before);
}
