// The language tables: parsing, the check of a translation, the choice of a language and the
// lookup with its fallback to English.
#include "AfxText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<CTextTable> Parse(const std::string& text, bool& ok, std::string& error)
{
    std::vector<CTextTable> tables;
    error.clear();
    ok = AfxParseTextTables(text.data(), text.size(), tables, &error);
    return tables;
}

}  // namespace

TEST(TextTableTest, ParsesLinesEscapesAndRefusesBadOnes)
{
    struct Row {
        const char* name;
        std::string text;
        bool ok;
        const char* errorPart;  // a part of the message for a refused text
        const char* key;        // for an accepted one: a key of the last table and its text
        std::string value;
        size_t nTables;
    };
    const Row rows[] = {
        {"plain", "Language=de\nLanguageName=Deutsch\na.b=Hallo\n", true, "", "a.b", "Hallo", 1},
        {"CR LF", "Language=de\r\nx_1=Eins\r\n", true, "", "x_1", "Eins", 1},
        {"BOM", "\xEF\xBB\xBFLanguage=de\nk=v\n", true, "", "k", "v", 1},
        {"BOM of a table put after another", "Language=de\nk=v\n\xEF\xBB\xBF# fr\nLanguage=fr\nk=w\n", true, "", "k", "w", 2},
        {"comments and blank lines", "# top\n\nLanguage=de\n# k=no\n\nk=yes", true, "", "k", "yes", 1},
        {"lines of blanks", "Language=de\n  \t\nk=yes\n \n", true, "", "k", "yes", 1},
        {"escapes", "Language=de\nk=a\\nb\\tc\\\\d\n", true, "", "k", "a\nb\tc\\d", 1},
        {"equals sign inside the text", "Language=de\nk=a=b\n", true, "", "k", "a=b", 1},
        {"empty text", "Language=de\nk=\n", true, "", "k", "", 1},
        {"UTF-8 text", "Language=ru\nk=\xD0\x9E\xD1\x82\xD0\xBC\xD0\xB5\xD0\xBD\xD0\xB0\n", true, "", "k",
         "\xD0\x9E\xD1\x82\xD0\xBC\xD0\xB5\xD0\xBD\xD0\xB0", 1},
        {"no equals sign", "Language=de\nthis is no setting\n", false, "line 2: no '='", nullptr, "", 0},
        {"bad key character", "Language=de\nmy key=x\n", false, "line 2: the key 'my key'", nullptr, "", 0},
        {"empty key", "Language=de\n=x\n", false, "line 2: no key", nullptr, "", 0},
        {"unknown escape", "Language=de\nk=a\\qb\n", false, "line 2: unknown escape \\q", nullptr, "", 0},
        {"backslash at the end", "Language=de\nk=ab\\\n", false, "line 2: a backslash ends the line", nullptr, "", 0},
        {"text before Language=", "k=v\nLanguage=de\n", false, "line 1: 'k' before the first Language= line", nullptr, "", 0},
        {"key twice", "Language=de\nk=1\nk=2\n", false, "line 3: the key 'k' is given a second time", nullptr, "", 0},
        {"empty tag", "Language=\n", false, "line 1: Language= names no tag", nullptr, "", 0},
        {"bad LanguageIds", "Language=de\nLanguageIds=0407\n", false, "line 2: LanguageIds=", nullptr, "", 0},
        {"LanguageIds out of range", "Language=de\nLanguageIds=0x10000\n", false, "line 2: LanguageIds=", nullptr, "", 0},
        {"zero byte", std::string("Language=de\nk=a\0b\n", 18), false, "line 2: a zero byte", nullptr, "", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        bool ok = false;
        std::string error;
        std::vector<CTextTable> tables = Parse(row.text, ok, error);
        EXPECT_EQ(ok, row.ok) << error;
        if (!row.ok) {
            EXPECT_NE(error.find(row.errorPart), std::string::npos) << error;
            continue;
        }
        ASSERT_EQ(tables.size(), row.nTables);
        const char* text = tables.back().Find(row.key);
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(std::string(text), row.value);
    }
}

TEST(TextTableTest, ReadsTheSettingsOfEachTable)
{
    bool ok = false;
    std::string error;
    std::vector<CTextTable> tables =
        Parse("Language=de\nLanguageIds=0x0407, 0x0807,0x0C07\nLanguageName=Deutsch\n"
              "Language=pt-BR\nLanguageIds=0x0416\nLanguageName=Portugu\xC3\xAAs (Brasil)\nk=v\n",
              ok, error);
    ASSERT_TRUE(ok) << error;
    ASSERT_EQ(tables.size(), 2u);
    EXPECT_EQ(tables[0].strTag, "de");
    EXPECT_EQ(tables[0].ids, (std::vector<unsigned>{0x0407, 0x0807, 0x0C07}));
    EXPECT_EQ(tables[0].strName, "Deutsch");
    EXPECT_TRUE(tables[0].texts.empty());
    EXPECT_EQ(tables[1].strTag, "pt-BR");
    EXPECT_EQ(tables[1].ids, (std::vector<unsigned>{0x0416}));
    EXPECT_EQ(tables[1].lines.at("k"), 7);
}

// One rule for the tool and the programs: the plain forms are taken, anything else is refused at
// its '%', so that a program never drops what the tool let through.
TEST(TextTableTest, FindsTheConversionsOfAText)
{
    struct Row {
        const char* text;
        bool ok;
        std::vector<std::string> conversions;  // all of them, or those before the refused one
        size_t nBad;                           // the refused '%'
    };
    const Row rows[] = {
        {"no conversion", true, {}, 0},
        {"100%% sure, %%s is none", true, {}, 0},
        {"%s and %d", true, {"%s", "%d"}, 0},
        {"drive %c: %lu bytes of %u, %ld left", true, {"%c", "%lu", "%u", "%ld"}, 0},
        {"%s%d%%%c", true, {"%s", "%d", "%c"}, 0},
        {"%-s", false, {}, 0},
        {"%s then %300s", false, {"%s"}, 8},
        {"%.2s", false, {}, 0},
        {"%#d", false, {}, 0},
        {"%1$s", false, {}, 0},
        {"%ls", false, {}, 0},
        {"%x", false, {}, 0},
        {"%n", false, {}, 0},
        {"100% sure", false, {}, 3},
        {"done: 100%", false, {}, 9},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        std::vector<std::string> found;
        size_t nBad = 12345;
        EXPECT_EQ(AfxTextConversions(row.text, found, &nBad), row.ok);
        EXPECT_EQ(found, row.conversions);
        if (!row.ok) {
            EXPECT_EQ(nBad, row.nBad);
        }
    }
}

// Every conversion of the built-in English is one the rule takes: else no translation could match.
TEST(TextTableTest, EnglishHoldsOnlyPlainConversions)
{
    for (const auto& kv : AfxEnglishTexts().texts) {
        std::vector<std::string> found;
        EXPECT_TRUE(AfxTextConversions(kv.second, found)) << kv.first << "=" << kv.second;
    }
}

TEST(TextTableTest, ChecksATranslationAgainstEnglish)
{
    const std::string english = "Language=en\nLanguageName=English\na=File %s at line %d\nb=Cancel\n";
    struct Row {
        const char* name;
        std::string table;
        std::vector<std::string> problemParts;  // one part of each problem, in order
    };
    const Row rows[] = {
        {"complete", "Language=de\nLanguageName=Deutsch\na=Datei %s in Zeile %d\nb=Abbrechen\n", {}},
        {"missing key", "Language=de\nLanguageName=Deutsch\na=Datei %s in Zeile %d\n", {"de: the key b is missing"}},
        {"unknown key", "Language=de\nLanguageName=Deutsch\na=Datei %s in Zeile %d\nb=Abbrechen\nc=Neu\n",
         {"de, line 5: the key c is not one the programs know"}},
        {"conversions swapped", "Language=de\nLanguageName=Deutsch\na=Zeile %d der Datei %s\nb=Abbrechen\n",
         {"de, line 3: the text of a has the conversions %d, %s where the English text has %s, %d"}},
        {"conversion dropped", "Language=de\nLanguageName=Deutsch\na=Datei %s\nb=Abbrechen\n", {"a has the conversions %s where"}},
        {"conversion added", "Language=de\nLanguageName=Deutsch\na=Datei %s Zeile %d\nb=%s\n", {"b has the conversions %s where"}},
        {"padded", "Language=de\nLanguageName=Deutsch\na=Datei %-s in Zeile %d\nb=Abbrechen\n",
         {"de, line 3: the text of a holds '%-s', no conversion the programs use"}},
        {"widened", "Language=de\nLanguageName=Deutsch\na=Datei %300s in Zeile %d\nb=Abbrechen\n", {"holds '%300s'"}},
        {"cut", "Language=de\nLanguageName=Deutsch\na=Datei %.2s in Zeile %d\nb=Abbrechen\n", {"holds '%.2s'"}},
        {"flagged", "Language=de\nLanguageName=Deutsch\na=Datei %s in Zeile %#d\nb=Abbrechen\n", {"holds '%#d'"}},
        {"no name", "Language=de\na=Datei %s in Zeile %d\nb=Abbrechen\n", {"de: no LanguageName= line"}},
    };
    bool ok = false;
    std::string error;
    CTextTable en = Parse(english, ok, error).at(0);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<CTextTable> tables = Parse(row.table, ok, error);
        ASSERT_TRUE(ok) << error;
        std::vector<std::string> problems = AfxCheckTextTable(en, tables.at(0));
        ASSERT_EQ(problems.size(), row.problemParts.size());
        for (size_t i = 0; i < problems.size(); ++i)
            EXPECT_NE(problems[i].find(row.problemParts[i]), std::string::npos) << problems[i];
    }
}

TEST(TextTableTest, ChoosesTheLanguage)
{
    bool ok = false;
    std::string error;
    const std::vector<CTextTable> tables = Parse("Language=en\nLanguageIds=0x0409\n"
                                                 "Language=de\nLanguageIds=0x0407\n"
                                                 "Language=fr\nLanguageIds=0x040C\n"
                                                 "Language=pt-BR\nLanguageIds=0x0416\n"
                                                 "Language=zh-CN\nLanguageIds=0x0804\n"
                                                 "Language=ru\nLanguageIds=0x0419\n",
                                                 ok, error);
    ASSERT_TRUE(ok) << error;
    enum { kEnglish = -1, en = 0, de, fr, ptBR, zhCN, ru };
    struct Row {
        const char* name;
        const char* command;
        std::vector<std::string> allowed;
        unsigned user;
        int expected;
    };
    const Row rows[] = {
        {"nothing known: English", "", {}, 0, kEnglish},
        {"/LANG= wins over the user's language", "de", {}, 0x0419, de},
        {"/LANG= in another letter case", "PT-br", {}, 0x0409, ptBR},
        {"/LANG= outside Languages= is as if absent", "fr", {"de", "ru"}, 0x0419, ru},
        {"/LANG= of a region: its primary language", "de-CH", {}, 0x0419, de},
        {"/LANG= of a primary language only", "pt", {}, 0x0409, ptBR},
        {"/LANG= of another Chinese: the same primary language", "zh-TW", {}, 0x0409, zhCN},
        {"/LANG= of a region of a language Languages= allows", "DE-at", {"fr", "de"}, 0x0419, de},
        {"/LANG= of English where a table of it exists", "en-GB", {}, 0x0407, en},
        {"/LANG= of English among the languages Languages= allows", "en-US", {"ru", "en"}, 0x0407, en},
        {"unknown /LANG= is as if absent", "xx", {}, 0x0419, ru},
        {"the user's LANGID exactly", "", {}, 0x040C, fr},
        {"German of Switzerland: its primary language", "", {}, 0x0807, de},
        {"Portuguese of Portugal: the Brazilian table", "", {}, 0x0816, ptBR},
        {"Brazilian Portuguese exactly", "", {}, 0x0416, ptBR},
        {"Chinese of Taiwan: the zh-CN table by primary language", "", {}, 0x0404, zhCN},
        {"Chinese of China", "", {}, 0x0804, zhCN},
        {"a language with no table: English", "", {}, 0x0411, kEnglish},
        {"Languages= restricts: the user's language allowed", "", {"fr", "de"}, 0x0407, de},
        {"Languages= restricts: not allowed, its first", "", {"fr", "de"}, 0x0419, fr},
        {"Languages= order decides between equals", "", {"ru", "de"}, 0x0411, ru},
        {"Languages= with unknown tags only: as if absent", "", {"xx", "yy"}, 0x0419, ru},
        {"Languages= skips an unknown tag", "", {"xx", "de"}, 0x0411, de},
        {"Languages= naming English first", "", {"en", "de"}, 0x0411, en},
        {"Languages= tags in any letter case", "", {"ZH-cn"}, 0x0409, zhCN},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        LanguageRequest request;
        request.strCommandTag = row.command;
        request.allowed = row.allowed;
        request.nUserLangId = row.user;
        EXPECT_EQ(AfxChooseLanguage(tables, request), row.expected);
    }
}

TEST(TextTableTest, LooksUpTheSpokenLanguageWithEnglishBehindIt)
{
    const CTextTable& english = AfxEnglishTexts();
    ASSERT_EQ(english.strTag, "en");
    const char* pszCancel = english.Find("dlg.welcome.cancel");
    ASSERT_NE(pszCancel, nullptr);
    bool ok = false;
    std::string error;
    std::vector<CTextTable> tables = Parse("Language=de\nLanguageName=Deutsch\n"
                                           "dlg.welcome.cancel=Abbrechen\n"
                                           "target.create=Das Verzeichnis '%s' fehlt. %d\n"  // a conversion too many
                                           "no.such.key=x\n",
                                           ok, error);
    ASSERT_TRUE(ok) << error;
    AfxSetTextTables(tables);
    EXPECT_STREQ(AfxGetLanguage(), "en");
    EXPECT_STREQ(AfxText("dlg.welcome.cancel"), pszCancel);

    AfxSetLanguage(0);
    EXPECT_STREQ(AfxGetLanguage(), "de");
    EXPECT_STREQ(AfxText("dlg.welcome.cancel"), "Abbrechen");
    // Missing in the table: English.
    EXPECT_STREQ(AfxText("dlg.welcome.install"), english.Find("dlg.welcome.install"));
    // A text whose conversions differ from English is never used: English stands in for it.
    EXPECT_EQ(std::string(AfxTextFormat("target.create", "C:\\X")),
              "The directory 'C:\\X' does not exist.\nDo you wish to create it?");
    EXPECT_EQ(AfxGetTextTables()[0].Find("no.such.key"), nullptr);
    // A key nobody knows: the key itself.
    EXPECT_STREQ(AfxText("not.a.key"), "not.a.key");
    // A control found by its English text.
    EXPECT_STREQ(AfxTranslateEnglish("dlg.welcome.", pszCancel), "Abbrechen");
    EXPECT_EQ(AfxTranslateEnglish("dlg.welcome.", "Not a template text"), nullptr);

    AfxSetLanguage(7);  // no such table: English
    EXPECT_STREQ(AfxGetLanguage(), "en");
    AfxSetTextTables({});
}

TEST(TextTableTest, ALaterTableOfATagReplacesTheEarlierOne)
{
    bool ok = false;
    std::string error;
    std::vector<CTextTable> tables = Parse("Language=de\ndlg.welcome.install=Installieren\ndlg.welcome.cancel=Abbrechen\n"
                                           "Language=fr\ndlg.welcome.install=Installer\n"
                                           "Language=DE\ndlg.welcome.install=Einrichten\n",
                                           ok, error);
    ASSERT_TRUE(ok) << error;
    AfxSetTextTables(tables);
    ASSERT_EQ(AfxGetTextTables().size(), 2u);
    EXPECT_EQ(AfxGetTextTables()[0].strTag, "DE");
    EXPECT_EQ(AfxGetTextTables()[1].strTag, "fr");
    AfxSetLanguage(0);
    EXPECT_STREQ(AfxText("dlg.welcome.install"), "Einrichten");
    // The replaced table's other texts go with it: English speaks for them.
    EXPECT_STREQ(AfxText("dlg.welcome.cancel"), AfxEnglishTexts().Find("dlg.welcome.cancel"));
    AfxSetTextTables({});
}
