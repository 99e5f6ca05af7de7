#include "LanguageTables.h"

#include "AfxCodePage.h"
#include "AfxText.h"
#include "EmbeddedPrograms.h"
#include "ToolCommon.h"

#include <cctype>
#include <cstring>
#include <map>
#include <set>

namespace zrvtool {

const ResourceKey kLanguageResource = {10, "ZRVLANG", 0};

namespace {

std::string At(const std::string& strSource, int nLine)
{
    return nLine > 0 ? strSource + ":" + std::to_string(nLine) + ": " : strSource + ": ";
}

bool IsKey(const std::string& key)
{
    if (key.empty()) return false;
    for (char ch : key)
        if (!std::isalnum((unsigned char)ch) && ch != '.' && ch != '_') return false;
    return true;
}

// The offset of the first backslash in text that starts no escape the tables know; npos when none.
size_t BadEscape(const std::string& text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') continue;
        if (i + 1 == text.size() || std::strchr("nt\\", text[i + 1]) == nullptr) return i;
        ++i;
    }
    return std::string::npos;
}

// One line without its line end, and where the next begins.
std::string NextLine(const std::string& text, size_t& at)
{
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    at = end + 1;
    return line;
}

const LanguageEntry* FindEntry(const LanguageTable& table, const std::string& key)
{
    for (const LanguageEntry& e : table.entries)
        if (e.strKey == key) return &e;
    return nullptr;
}

bool IsFirstSetting(const std::string& key)
{
    return key == "Language" || key == "LanguageIds" || key == "LanguageName";
}

}  // namespace

LanguageTable ParseLanguageTable(const std::string& strSource, const std::string& text)
{
    LanguageTable table;
    table.strSource = strSource;
    size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    std::set<std::string> keys;
    int nLine = 0;
    for (size_t at = start; at < text.size();) {
        size_t lineStart = at;
        std::string line = NextLine(text, at);
        ++nLine;
        if (!IsUtf8(line)) throw ToolError(At(strSource, nLine) + "the line is not UTF-8; a table is UTF-8 text");
        if (line.empty() || line[0] == '#' || line.find_first_not_of(" \t") == std::string::npos) continue;
        size_t eq = line.find('=');
        if (eq == std::string::npos) throw ToolError(At(strSource, nLine) + "the line is no KEY=TEXT");
        std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        if (!IsKey(key))
            throw ToolError(At(strSource, nLine) + "the key '" + key + "' holds other than letters, digits, '.' and '_'");
        if (table.entries.empty() && key != "Language")
            throw ToolError(At(strSource, nLine) + "a table begins with Language=TAG");
        if (!keys.insert(key).second) throw ToolError(At(strSource, nLine) + "the key '" + key + "' is given twice");
        size_t bad = BadEscape(value);
        if (bad != std::string::npos)
            throw ToolError(At(strSource, nLine) + "'" + value.substr(bad, 2) +
                            "' is no escape the tables know (\\n, \\t, \\\\)");
        if (key == "Language") {
            if (value.empty()) throw ToolError(At(strSource, nLine) + "Language= needs a tag, such as de or pt-BR");
            table.strTag = value;
            table.strText = text.substr(lineStart);
        }
        table.entries.push_back({key, value, nLine});
    }
    if (table.entries.empty()) throw ToolError(strSource + ": holds no table (it begins with Language=TAG)");
    for (const char* required : {"LanguageIds", "LanguageName"})
        if (!keys.count(required)) throw ToolError(strSource + ": the table lacks " + required + "=");
    if (!table.strText.empty() && table.strText.back() != '\n') table.strText += "\r\n";
    return table;
}

std::vector<LanguageTable> SplitLanguageTables(const std::string& data, const std::string& what)
{
    std::vector<LanguageTable> tables;
    std::vector<size_t> starts;
    for (size_t at = data.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0; at < data.size();) {
        size_t lineStart = at;
        if (NextLine(data, at).compare(0, 9, "Language=") == 0) starts.push_back(lineStart);
    }
    for (size_t i = 0; i < starts.size(); ++i) {
        size_t end = i + 1 < starts.size() ? starts[i + 1] : data.size();
        std::string text = data.substr(starts[i], end - starts[i]);
        // A zero byte may end the resource's data.
        text.resize(std::strlen(text.c_str()));
        tables.push_back(ParseLanguageTable(what + " (table " + std::to_string(i + 1) + ")", text));
    }
    return tables;
}

void CheckAgainstEnglish(const LanguageTable& table, const LanguageTable& english)
{
    for (const LanguageEntry& e : table.entries) {
        if (IsFirstSetting(e.strKey)) continue;
        const LanguageEntry* en = FindEntry(english, e.strKey);
        if (!en)
            throw ToolError(At(table.strSource, e.nLine) + "the key '" + e.strKey +
                            "' is not one of the English table's: no program asks for it");
        // The text as written: its escapes hold no '%', and a '%' before a backslash is refused
        // either way, so the answer is the one the programs give for the text unescaped.
        std::string problem = AfxConversionProblem(en->strText, e.strText);
        if (!problem.empty())
            throw ToolError(At(table.strSource, e.nLine) + "the text of '" + e.strKey + "' " + problem);
    }
    std::vector<std::string> missing;
    for (const LanguageEntry& en : english.entries)
        if (!IsFirstSetting(en.strKey) && !FindEntry(table, en.strKey)) missing.push_back(en.strKey);
    if (!missing.empty()) {
        std::string list;
        for (size_t i = 0; i < missing.size() && i < 3; ++i) list += (i ? ", " : "") + missing[i];
        if (missing.size() > 3) list += " and " + std::to_string(missing.size() - 3) + " more";
        throw ToolError(table.strSource + ": the table lacks " + std::to_string(missing.size()) +
                        (missing.size() == 1 ? " key" : " keys") + " of the English table: " + list);
    }
}

std::string MergedTables(const std::vector<LanguageTable>& builtIn, const std::vector<LanguageTable>& author)
{
    std::string data;
    std::set<std::string> placed;
    for (const LanguageTable& t : builtIn) {
        const LanguageTable* chosen = &t;
        for (const LanguageTable& a : author)
            if (a.strTag == t.strTag) chosen = &a;
        data += chosen->strText;
        placed.insert(t.strTag);
    }
    for (const LanguageTable& a : author)
        if (!placed.count(a.strTag)) data += a.strText;
    return data;
}

std::vector<LanguageTable> ReadAuthorTables(const std::vector<std::string>& files, const std::vector<LanguageTable>& builtIn)
{
    const LanguageTable* english = nullptr;
    for (const LanguageTable& t : builtIn)
        if (t.strTag == "en") english = &t;
    if (!english && !files.empty()) throw ToolError("the programs' built-in language tables hold no English table");
    std::vector<LanguageTable> tables;
    std::map<std::string, std::string> seen;
    for (const std::string& file : files) {
        LanguageTable table = ParseLanguageTable(file, ReadWholeFile(file));
        CheckAgainstEnglish(table, *english);
        auto [pos, fresh] = seen.emplace(table.strTag, file);
        if (!fresh) throw ToolError(file + ": a second table of Language=" + table.strTag + " (after " + pos->second + ")");
        tables.push_back(table);
    }
    return tables;
}

std::vector<LanguageTable> BuiltInTables(const std::string& program, const std::string& what)
{
    std::optional<std::string> data = ResourceData(program, kLanguageResource, what);
    if (!data)
        throw ToolError(what + " carries no language tables (no ZRVLANG resource): --language needs a zrvtool "
                               "whose programs have them");
    return SplitLanguageTables(*data, what);
}

ResourceChange LanguageChange(const std::string& program, const std::vector<LanguageTable>& author,
                              const std::string& what)
{
    return {kLanguageResource, MergedTables(BuiltInTables(program, what), author)};
}

std::vector<std::string> KnownLanguageTags()
{
    std::vector<std::string> tags;
    for (WindowsArch arch : {WindowsArch::x86, WindowsArch::x64}) {
        const EmbeddedProgram& setup = EmbeddedSetup(arch);
        if (!setup.pData) continue;
        std::string program(reinterpret_cast<const char*>(setup.pData), setup.nSize);
        try {
            if (std::optional<std::string> data = ResourceData(program, kLanguageResource, "Setup.exe")) {
                for (const LanguageTable& t : SplitLanguageTables(*data, "Setup.exe")) tags.push_back(t.strTag);
                return tags;
            }
        } catch (const ToolError&) {
        }
    }
    return {"en", "de", "fr", "es", "it", "pt-BR", "nl", "pl", "cs", "ru", "ja", "zh-CN", "ko"};
}

}  // namespace zrvtool
