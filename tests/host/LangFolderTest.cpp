// Every language table in the source folder lang/, as the programs will carry it: it parses, it is
// named after its tag, it has every English key and no other, and each text keeps the English
// printf conversions in their order. A translator's missing key fails here. Also: the dialog keys'
// English texts are the texts of the dialog templates, which is how the dialogs find them.
#include "AfxRunEnd.h"
#include "AfxText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<fs::path> Tables()
{
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(ZRV_LANG_DIR))
        if (entry.path().extension() == ".lang") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

TEST(LangFolder, EnglishIsTheBuiltInTable)
{
    std::string text = ReadAll(fs::path(ZRV_LANG_DIR) / "en.lang");
    std::vector<CTextTable> tables;
    std::string error;
    ASSERT_TRUE(AfxParseTextTables(text.data(), text.size(), tables, &error)) << error;
    ASSERT_EQ(tables.size(), 1u);
    EXPECT_EQ(tables[0].texts, AfxEnglishTexts().texts);
    EXPECT_EQ(tables[0].strTag, "en");
    EXPECT_FALSE(tables[0].ids.empty());
}

TEST(LangFolder, EveryTableIsCompleteAndKeepsTheConversions)
{
    std::vector<fs::path> files = Tables();
    ASSERT_FALSE(files.empty());
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.filename().string());
        std::string text = ReadAll(file);
        std::vector<CTextTable> tables;
        std::string error;
        EXPECT_TRUE(AfxParseTextTables(text.data(), text.size(), tables, &error)) << error;
        ASSERT_EQ(tables.size(), 1u) << "one table a file, its Language= line first";
        EXPECT_EQ(tables[0].strTag, file.stem().string()) << "the file is named after its tag";
        EXPECT_FALSE(tables[0].ids.empty()) << "no LanguageIds= line";
        for (const std::string& problem : AfxCheckTextTable(AfxEnglishTexts(), tables[0])) ADD_FAILURE() << problem;
        for (const auto& kv : tables[0].texts) {
            const char* pszEnglish = AfxEnglishTexts().Find(kv.first);
            if (pszEnglish && *pszEnglish) {
                EXPECT_FALSE(kv.second.empty()) << kv.first << " is empty";
            }
        }
    }
}

TEST(LangFolder, DialogKeysHoldTheTemplateTexts)
{
    std::string templates;
    for (const auto& entry : fs::directory_iterator(ZRV_RES_DIR))
        if (entry.path().extension() == ".rc") templates += ReadAll(entry.path());
    int nDialogKeys = 0;
    for (const auto& kv : AfxEnglishTexts().texts) {
        if (kv.first.compare(0, 4, "dlg.") != 0) continue;
        ++nDialogKeys;
        // As the template writes it: a double quote doubled, within quotes.
        std::string quoted;
        for (char ch : kv.second) quoted += ch == '"' ? std::string("\"\"") : std::string(1, ch);
        EXPECT_NE(templates.find("\"" + quoted + "\""), std::string::npos) << kv.first << ": not a template text";
    }
    EXPECT_GT(nDialogKeys, 20);
}

// Every way a run ends has one of the shared exit codes, and its text, where it has one, is an
// English key (and so, by the test above, in every table); a run whose text says FATAL never ends
// as done (0 or 3010).
TEST(LangFolder, EveryWayARunEndsHasItsExitCodeAndText)
{
    const std::set<int> codes = {kExitDone, kExitRefused, kExitFailed, kExitRestartNeeded};
    for (int i = 0; i < kRunEndCount; ++i) {
        SCOPED_TRACE(i);
        const RunEnd end = RunEnd(i);
        EXPECT_TRUE(codes.count(RunEndExitCode(end)));
        // Refused before anything was touched.
        if (IsRefusal(end)) {
            EXPECT_EQ(RunEndExitCode(end), kExitRefused);
        }
        const char* pszKey = RunEndTextKey(end);
        if (!pszKey) continue;
        const char* pszEnglish = AfxEnglishTexts().Find(pszKey);
        ASSERT_NE(pszEnglish, nullptr) << pszKey << " is no key of the English table";
        if (std::string(pszEnglish).find("FATAL") != std::string::npos) {
            EXPECT_TRUE(RunEndExitCode(end) == kExitRefused || RunEndExitCode(end) == kExitFailed) << pszKey;
        }
    }
}
