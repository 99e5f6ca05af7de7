// Language tables as zrvtool checks and embeds them: the format's rules, the printf conversions a
// translation must keep, and the ZRVLANG resource written into a program and read back.
#include "LanguageTables.h"
#include "ProgramManifest.h"
#include "ProgramResources.h"
#include "EmbeddedPrograms.h"
#include "ToolCommon.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace zrvtool;

namespace {

const std::string kEnglish =
    "# English, the texts every other table follows\n"
    "Language=en\nLanguageIds=0x0409\nLanguageName=English\n"
    "welcome.install=Welcome to %s Setup.\n"
    "msg.free_space=%s needs %lu MB of free space on %s.\n"
    "msg.percent=100%% done\n";

const std::string kGerman =
    "\xEF\xBB\xBFLanguage=de\r\nLanguageIds=0x0407\r\nLanguageName=Deutsch\r\n"
    "welcome.install=Willkommen bei %s.\r\n"
    "msg.free_space=%s braucht %lu MB freien Platz auf %s.\r\n"
    "msg.percent=100%% fertig\r\n";

// The German table with one line put in place of the line that starts with key.
std::string GermanWith(const std::string& key, const std::string& line)
{
    std::string text = kGerman;
    size_t at = text.find("\n" + key) + 1;
    size_t end = text.find('\n', at) + 1;
    return text.substr(0, at) + line + text.substr(end);
}

// A small 64-bit program of headers and one resource section holding RCDATA "ZRVLANG" (data given)
// and a manifest (type 24, id 1): what the installer's programs carry, made here byte by byte.
std::string ProgramWithTables(const std::string& tables, const std::string& manifest)
{
    auto put16 = [](std::string& s, size_t at, uint16_t v) { s[at] = char(v), s[at + 1] = char(v >> 8); };
    auto put32 = [&](std::string& s, size_t at, uint32_t v) { put16(s, at, uint16_t(v)), put16(s, at + 2, uint16_t(v >> 16)); };
    std::string pe(0x400, '\0');
    pe[0] = 'M', pe[1] = 'Z';
    put32(pe, 0x3C, 0x40);
    std::memcpy(&pe[0x40], "PE\0\0", 4);
    size_t fh = 0x44, opt = fh + 20;
    put16(pe, fh, 0x8664);
    put16(pe, fh + 2, 1);
    put16(pe, fh + 16, 240);
    put16(pe, opt, 0x20B);
    put32(pe, opt + 32, 0x1000);  // section alignment
    put32(pe, opt + 36, 0x200);   // file alignment
    put32(pe, opt + 60, 0x400);   // size of headers
    put32(pe, opt + 108, 16);     // data directories
    size_t sec = opt + 240;

    // Resource tree: root (2 types) -> type dirs -> name dirs -> data entries, then strings, data.
    std::string r(0x200, '\0');
    auto dir = [&](size_t at, uint16_t named, uint16_t ids) { put16(r, at + 12, named), put16(r, at + 14, ids); };
    auto entry = [&](size_t at, uint32_t name, uint32_t target) { put32(r, at, name), put32(r, at + 4, target); };
    dir(0x00, 0, 2);
    entry(0x10, 10, 0x80000000u | 0x20);
    entry(0x18, 24, 0x80000000u | 0x38);
    dir(0x20, 1, 0);
    entry(0x30, 0x80000000u | 0xE0, 0x80000000u | 0x50);  // named "ZRVLANG"
    dir(0x38, 0, 1);
    entry(0x48, 1, 0x80000000u | 0x68);
    dir(0x50, 0, 1);
    entry(0x60, 0x409, 0xC0);
    dir(0x68, 0, 1);
    entry(0x78, 0x409, 0xD0);
    const char name[] = "ZRVLANG";
    put16(r, 0xE0, 7);
    for (int i = 0; i < 7; ++i) put16(r, 0xE2 + size_t(i) * 2, uint16_t(name[i]));
    uint32_t va = 0x1000;
    put32(r, 0xC0, va + 0x200);
    put32(r, 0xC4, uint32_t(tables.size()));
    std::string data = tables;
    while (data.size() % 8) data += '\0';
    put32(r, 0xD0, va + 0x200 + uint32_t(data.size()));
    put32(r, 0xD4, uint32_t(manifest.size()));
    r += data + manifest;
    while (r.size() % 0x200) r += '\0';

    std::memcpy(&pe[sec], ".rsrc\0\0\0", 8);
    put32(pe, sec + 8, uint32_t(r.size()));
    put32(pe, sec + 12, va);
    put32(pe, sec + 16, uint32_t(r.size()));
    put32(pe, sec + 20, 0x400);
    put32(pe, opt + 56, va + uint32_t(r.size()));  // size of image
    put32(pe, opt + 112 + 2 * 8, va);
    put32(pe, opt + 112 + 2 * 8 + 4, 0x200 + uint32_t(data.size() + manifest.size()));
    return pe + r;
}

const std::string kManifest = "<assembly><requestedExecutionLevel level=\"requireAdministrator\"/></assembly>";

const std::string kNoConversion =
    ", no conversion the programs use: they take %s, %d, %u, %c, %ld and %lu as they stand, without flags, width or "
    "precision (write %% for a percent sign)";

std::string Refusal(const std::function<void()>& f)
{
    try {
        f();
    } catch (const ToolError& e) {
        return e.what();
    }
    return "";
}

}  // namespace

TEST(LanguageTables, ChecksAnAuthorsTableAgainstEnglish)
{
    LanguageTable english = ParseLanguageTable("en.lang", kEnglish);
    struct Case {
        const char* what;
        std::string text;
        std::string refusal;  // "" for a table that is taken
    } cases[] = {
        {"a complete table", kGerman, ""},
        {"a key the English table lacks", kGerman + "welcome.uninstal=Tsch\xC3\xBCss\r\n",
         "de.lang:7: the key 'welcome.uninstal' is not one of the English table's: no program asks for it"},
        {"a missing key", GermanWith("msg.percent", ""),
         "de.lang: the table lacks 1 key of the English table: msg.percent"},
        {"a conversion of another type", GermanWith("msg.free_space", "msg.free_space=%s braucht %s MB auf %s.\r\n"),
         "de.lang:5: the text of 'msg.free_space' has the conversions %s, %s, %s where the English text has %s, "
         "%lu, %s: they must be the same, in the same order"},
        {"conversions in another order", GermanWith("msg.free_space", "msg.free_space=%lu MB braucht %s auf %s.\r\n"),
         "de.lang:5: the text of 'msg.free_space' has the conversions %lu, %s, %s where the English text has %s, "
         "%lu, %s: they must be the same, in the same order"},
        {"a conversion fewer", GermanWith("welcome.install", "welcome.install=Willkommen.\r\n"),
         "de.lang:4: the text of 'welcome.install' has the conversions none where the English text has %s: they "
         "must be the same, in the same order"},
        {"a writing conversion", GermanWith("welcome.install", "welcome.install=%s%n\r\n"),
         "de.lang:4: the text of 'welcome.install' holds '%n'" + kNoConversion},
        {"a lone percent sign that printf reads as one", GermanWith("msg.percent", "msg.percent=100% fertig\r\n"),
         "de.lang:6: the text of 'msg.percent' holds '% f'" + kNoConversion},
        {"a lone percent sign at the end", GermanWith("msg.percent", "msg.percent=fertig: 100%\r\n"),
         "de.lang:6: the text of 'msg.percent' holds '%'" + kNoConversion},
        // What the programs would drop for English is refused here, at its line.
        {"a flag", GermanWith("welcome.install", "welcome.install=Willkommen bei %-s.\r\n"),
         "de.lang:4: the text of 'welcome.install' holds '%-s'" + kNoConversion},
        {"a width", GermanWith("welcome.install", "welcome.install=Willkommen bei %300s.\r\n"),
         "de.lang:4: the text of 'welcome.install' holds '%300s'" + kNoConversion},
        {"a precision", GermanWith("welcome.install", "welcome.install=Willkommen bei %.2s.\r\n"),
         "de.lang:4: the text of 'welcome.install' holds '%.2s'" + kNoConversion},
        {"an alternate form", GermanWith("msg.free_space", "msg.free_space=%s braucht %#lu MB auf %s.\r\n"),
         "de.lang:5: the text of 'msg.free_space' holds '%#lu'" + kNoConversion},
        {"a line that is no setting", GermanWith("msg.percent", "msg.percent 100%% fertig\r\n"), "de.lang:6: the line is no KEY=TEXT"},
        {"a key given twice", kGerman + "msg.percent=x\r\n", "de.lang:7: the key 'msg.percent' is given twice"},
        {"an unknown escape", GermanWith("msg.percent", "msg.percent=100%% \\q\r\n"),
         "de.lang:6: '\\q' is no escape the tables know (\\n, \\t, \\\\)"},
        {"no Language line first", "LanguageIds=0x0407\nLanguage=de\n", "de.lang:1: a table begins with Language=TAG"},
        {"no LanguageName", "Language=de\nLanguageIds=0x0407\n", "de.lang: the table lacks LanguageName="},
        {"text that is not UTF-8", GermanWith("msg.percent", "msg.percent=100%% f\xFCr\r\n"),
         "de.lang:6: the line is not UTF-8; a table is UTF-8 text"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Refusal([&] { CheckAgainstEnglish(ParseLanguageTable("de.lang", c.text), english); }), c.refusal);
    }
}

// The author's table replaces the built-in table of its tag, or follows the others; the program's
// other resources read as before.
TEST(LanguageTables, EmbedsTablesAndReadsThemBack)
{
    ScopedTempDir dir;
    const std::string french = "Language=fr\nLanguageIds=0x040C\nLanguageName=Fran\xC3\xA7" "ais\n"
                               "welcome.install=Bienvenue dans %s.\nmsg.free_space=%s: %lu Mo libres sur %s.\n"
                               "msg.percent=100%% fait\n";
    const std::string builtInGerman = "Language=de\nLanguageIds=0x0407\nLanguageName=Deutsch\n"
                                      "welcome.install=Hallo %s.\nmsg.free_space=%s %lu %s\nmsg.percent=%%\n";
    WriteBytes("de.lang", kGerman);
    WriteBytes("fr.lang", french);
    std::string program = ProgramWithTables(kEnglish + builtInGerman, kManifest);
    struct Case {
        const char* what;
        std::vector<std::string> files;
        std::string expected;  // the resource's data afterwards
    } cases[] = {
        {"a table of a built-in tag", {"de.lang"}, kEnglish.substr(kEnglish.find("Language=")) + kGerman.substr(3)},
        {"a table of a new tag", {"fr.lang"}, kEnglish.substr(kEnglish.find("Language=")) + builtInGerman + french},
        {"both", {"fr.lang", "de.lang"}, kEnglish.substr(kEnglish.find("Language=")) + kGerman.substr(3) + french},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<LanguageTable> author = ReadAuthorTables(c.files, BuiltInTables(program, "test.exe"));
        std::string changed = WithResources(program, {LanguageChange(program, author, "test.exe")}, "test.exe");
        EXPECT_EQ(ResourceData(changed, kLanguageResource, "test.exe").value_or("<none>"), c.expected);
        EXPECT_EQ(ManifestOf(changed, "test.exe"), kManifest);
        // The old data is cleared in the old section: a replaced table is nowhere in the program.
        EXPECT_EQ(changed.find("Hallo %s.") != std::string::npos, c.expected.find("Hallo %s.") != std::string::npos);
    }
    EXPECT_EQ(Refusal([&] { ReadAuthorTables({"de.lang", "de.lang"}, BuiltInTables(program, "test.exe")); }),
              "de.lang: a second table of Language=de (after de.lang)");
}

// The same machinery on the programs this zrvtool carries: one resource changed, the others as
// they were; a program without tables is told of clearly.
TEST(LanguageTables, ChangesOneResourceOfACarriedProgram)
{
    for (WindowsArch arch : {WindowsArch::x86, WindowsArch::x64}) {
        const EmbeddedProgram& setup = EmbeddedSetup(arch);
        if (!setup.pData) continue;
        SCOPED_TRACE(setup.pszName);
        std::string program(reinterpret_cast<const char*>(setup.pData), setup.nSize);
        std::optional<std::string> version = ResourceData(program, {16, "", 0}, "Setup.exe");
        ASSERT_TRUE(version.has_value());
        std::string manifest = ManifestOf(program, "Setup.exe");
        std::string changed = WithResources(program, {{{24, "", 1}, manifest + "<!-- changed -->"}}, "Setup.exe");
        EXPECT_EQ(ManifestOf(changed, "Setup.exe"), manifest + "<!-- changed -->");
        EXPECT_EQ(ResourceData(changed, {16, "", 0}, "Setup.exe").value_or("<none>"), *version);
        EXPECT_EQ(Refusal([&] { WithResources(program, {{{10, "NOSUCH", 0}, "x"}}, "Setup.exe"); }),
                  "Setup.exe: has no resource NOSUCH of type 10");
        if (!ResourceData(program, kLanguageResource, "Setup.exe")) {
            EXPECT_EQ(Refusal([&] { BuiltInTables(program, "Setup.exe"); }),
                      "Setup.exe carries no language tables (no ZRVLANG resource): --language needs a zrvtool whose "
                      "programs have them");
        }
    }
}
