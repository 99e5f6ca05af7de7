// Language tables, their check, the choice of a language and the lookup (AfxText.h).
#include "AfxText.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

const char* CTextTable::Find(const std::string& strKey) const
{
    auto it = texts.find(strKey);
    return it == texts.end() ? nullptr : it->second.c_str();
}

namespace {

bool IsKeyChar(char ch)
{
    return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') || ch == '.' || ch == '_';
}

bool Refuse(std::string* pError, int nLine, const std::string& strWhy)
{
    if (pError) *pError = "line " + std::to_string(nLine) + ": " + strWhy;
    return false;
}

// The text with its escapes resolved; false at an escape the format does not know.
bool Unescape(const std::string& raw, std::string& out, std::string& strWhy)
{
    out.clear();
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '\\') {
            out += raw[i];
            continue;
        }
        char next = i + 1 < raw.size() ? raw[i + 1] : '\0';
        if (next == 'n') out += '\n';
        else if (next == 't') out += '\t';
        else if (next == '\\') out += '\\';
        else {
            strWhy = next ? std::string("unknown escape \\") + next + " (use \\n, \\t or \\\\)"
                          : "a backslash ends the line (write \\\\ for one)";
            return false;
        }
        ++i;
    }
    return true;
}

// LanguageIds=0x0407,0x0807: hexadecimal LANGIDs, 1 to 0xFFFF.
bool ParseIds(const std::string& value, std::vector<unsigned>& ids)
{
    ids.clear();
    size_t at = 0;
    while (at <= value.size()) {
        size_t comma = value.find(',', at);
        std::string one = value.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
        while (!one.empty() && one.front() == ' ') one.erase(0, 1);
        while (!one.empty() && one.back() == ' ') one.pop_back();
        if (one.size() < 3 || one[0] != '0' || (one[1] != 'x' && one[1] != 'X')) return false;
        char* end = nullptr;
        unsigned long n = std::strtoul(one.c_str() + 2, &end, 16);
        if (*end || n == 0 || n > 0xFFFF || one.size() > 6) return false;
        ids.push_back(unsigned(n));
        if (comma == std::string::npos) break;
        at = comma + 1;
    }
    return !ids.empty();
}

bool TakeLine(const std::string& line, int nLine, std::vector<CTextTable>& tables, std::string* pError)
{
    size_t eq = line.find('=');
    if (eq == std::string::npos) return Refuse(pError, nLine, "no '=': a line is KEY=TEXT, # for a comment");
    std::string key = line.substr(0, eq);
    if (key.empty()) return Refuse(pError, nLine, "no key before '='");
    for (char ch : key)
        if (!IsKeyChar(ch))
            return Refuse(pError, nLine, "the key '" + key + "' holds a character other than letters, digits, . and _");
    std::string text, why;
    if (!Unescape(line.substr(eq + 1), text, why)) return Refuse(pError, nLine, why);
    if (key == "Language") {
        if (text.empty()) return Refuse(pError, nLine, "Language= names no tag");
        tables.emplace_back();
        tables.back().strTag = text;
        return true;
    }
    if (tables.empty()) return Refuse(pError, nLine, "'" + key + "' before the first Language= line");
    CTextTable& table = tables.back();
    if (key == "LanguageIds") {
        if (!ParseIds(text, table.ids))
            return Refuse(pError, nLine, "LanguageIds= is a list of hexadecimal LANGIDs such as 0x0407,0x0807");
        return true;
    }
    if (key == "LanguageName") {
        table.strName = text;
        return true;
    }
    if (!table.texts.emplace(key, text).second)
        return Refuse(pError, nLine, "the key '" + key + "' is given a second time in the table " + table.strTag);
    table.lines[key] = nLine;
    return true;
}

}  // namespace

bool AfxParseTextTables(const char* p, size_t nSize, std::vector<CTextTable>& tables, std::string* pError)
{
    size_t at = 0;
    if (nSize >= 3 && std::memcmp(p, "\xEF\xBB\xBF", 3) == 0) at = 3;
    int nLine = 0;
    while (at < nSize) {
        const char* start = p + at;
        const void* nl = std::memchr(start, '\n', nSize - at);
        size_t len = nl ? size_t(static_cast<const char*>(nl) - start) : nSize - at;
        at += len + (nl ? 1 : 0);
        ++nLine;
        std::string line(start, len);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // A table's own byte-order mark, where tables were put one after another.
        if (line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
        // A line of nothing but blanks is as blank as an empty one.
        if (line.find_first_not_of(" \t") == std::string::npos || line[0] == '#') continue;
        if (line.find('\0') != std::string::npos) return Refuse(pError, nLine, "a zero byte in the line");
        if (!TakeLine(line, nLine, tables, pError)) return false;
    }
    return true;
}

namespace {

// The conversions the texts may hold, each as it must be written after its '%'.
const char* const kPlainConversions[] = {"s", "d", "u", "c", "ld", "lu"};

// The conversion that starts at the '%' at strText[at], as printf would read it (flags, width,
// precision, length, the letter), for a message; cut short when it runs on.
std::string ConversionAt(const std::string& strText, size_t at)
{
    size_t end = at + 1;
    while (end < strText.size() && end - at < 12 && std::strchr("-+ #0123456789.*$hlLqjztI", strText[end])) ++end;
    if (end < strText.size() && end - at < 12 && std::isalpha(static_cast<unsigned char>(strText[end]))) ++end;
    return strText.substr(at, end - at);
}

std::string Listed(const std::vector<std::string>& conversions)
{
    std::string list;
    for (const std::string& c : conversions) list += (list.empty() ? "" : ", ") + c;
    return list.empty() ? "none" : list;
}

}  // namespace

bool AfxTextConversions(const std::string& strText, std::vector<std::string>& out, size_t* pBad)
{
    out.clear();
    for (size_t i = 0; i < strText.size(); ++i) {
        if (strText[i] != '%') continue;
        if (i + 1 < strText.size() && strText[i + 1] == '%') {
            ++i;
            continue;
        }
        const char* pszTaken = nullptr;
        // No form is the start of another, so the first that fits is the one.
        for (const char* psz : kPlainConversions)
            if (!pszTaken && strText.compare(i + 1, std::strlen(psz), psz) == 0) pszTaken = psz;
        if (!pszTaken) {
            if (pBad) *pBad = i;
            return false;
        }
        out.push_back(std::string("%") + pszTaken);
        i += std::strlen(pszTaken);
    }
    return true;
}

std::string AfxConversionProblem(const std::string& strEnglish, const std::string& strText)
{
    std::vector<std::string> want, got;
    size_t nBad = 0;
    if (!AfxTextConversions(strText, got, &nBad))
        return "holds '" + ConversionAt(strText, nBad) +
               "', no conversion the programs use: they take %s, %d, %u, %c, %ld and %lu as they stand, without "
               "flags, width or precision (write %% for a percent sign)";
    AfxTextConversions(strEnglish, want);
    if (want == got) return std::string();
    return "has the conversions " + Listed(got) + " where the English text has " + Listed(want) +
           ": they must be the same, in the same order";
}

std::vector<std::string> AfxCheckTextTable(const CTextTable& english, const CTextTable& table)
{
    std::vector<std::string> problems;
    const std::string name = table.strTag.empty() ? "the table" : table.strTag;
    if (table.strTag.empty()) problems.push_back(name + ": no Language= line");
    if (table.strName.empty()) problems.push_back(name + ": no LanguageName= line");
    for (const auto& kv : english.texts)
        if (!table.Find(kv.first)) problems.push_back(name + ": the key " + kv.first + " is missing");
    for (const auto& kv : table.texts) {
        const char* pszEnglish = english.Find(kv.first);
        std::string where = name + ", line " + std::to_string(table.lines.count(kv.first) ? table.lines.at(kv.first) : 0);
        if (!pszEnglish) {
            problems.push_back(where + ": the key " + kv.first + " is not one the programs know");
            continue;
        }
        std::string problem = AfxConversionProblem(pszEnglish, kv.second);
        if (!problem.empty()) problems.push_back(where + ": the text of " + kv.first + " " + problem);
    }
    return problems;
}

namespace {

// The primary language of a tag: what comes before its first '-' ("de" of "de-CH").
std::string PrimaryOf(const std::string& strTag)
{
    return strTag.substr(0, strTag.find('-'));
}

bool SameTag(const std::string& a, const std::string& b)
{
    return AfxEqualNoCase(a.data(), a.size(), b.data(), b.size());
}

}  // namespace

int AfxChooseLanguage(const std::vector<CTextTable>& tables, const LanguageRequest& request)
{
    auto indexOf = [&tables](const std::string& tag) {
        for (size_t i = 0; i < tables.size(); ++i)
            if (SameTag(tables[i].strTag, tag)) return int(i);
        return -1;
    };
    std::vector<int> candidates;
    bool bEnglishNamed = false;
    for (const std::string& tag : request.allowed) {
        bEnglishNamed = bEnglishNamed || SameTag(PrimaryOf(tag), "en");
        int n = indexOf(tag);
        bool seen = false;
        for (int c : candidates) seen = seen || c == n;
        if (n >= 0 && !seen) candidates.push_back(n);
    }
    const bool bRestricted = !candidates.empty();
    if (!bRestricted)
        for (size_t i = 0; i < tables.size(); ++i) candidates.push_back(int(i));
    // /LANG= as the user's language is matched: the tag itself, else the first table of the same
    // primary language (de-CH speaks de), among the languages Languages= allows. English is always
    // there, built in, unless Languages= leaves it out.
    const std::string& command = request.strCommandTag;
    if (!command.empty()) {
        for (int c : candidates)
            if (SameTag(tables[size_t(c)].strTag, command)) return c;
        for (int c : candidates)
            if (SameTag(PrimaryOf(tables[size_t(c)].strTag), PrimaryOf(command))) return c;
        if (SameTag(PrimaryOf(command), "en") && (!bRestricted || bEnglishNamed)) return -1;
    }
    const unsigned nUser = request.nUserLangId & 0xFFFF;
    if (nUser) {
        for (int c : candidates)
            for (unsigned id : tables[size_t(c)].ids)
                if (id == nUser) return c;
        for (int c : candidates)
            for (unsigned id : tables[size_t(c)].ids)
                if ((id & 0x3FF) == (nUser & 0x3FF)) return c;
    }
    return bRestricted ? candidates.front() : -1;
}

namespace {

struct TextState {
    std::vector<CTextTable> tables;
    int nChosen = -1;
};

TextState& State()
{
    static TextState state;
    return state;
}

const CTextTable& BuiltInEnglish()
{
    static const CTextTable english = [] {
        std::vector<CTextTable> tables;
        AfxParseTextTables(kAfxEnglishTable, kAfxEnglishTableSize, tables, nullptr);
        return tables.empty() ? CTextTable() : tables.front();
    }();
    return english;
}

}  // namespace

void AfxSetTextTables(std::vector<CTextTable> tables)
{
    // A text whose conversions differ from the English ones would make the formatting read
    // arguments that are not there, or show them padded or cut: such a text (and a key the
    // programs do not know) is dropped, and English speaks for it.
    const CTextTable& english = BuiltInEnglish();
    // A later table of a tag replaces the earlier one in its place: an author's own table given
    // after the built-in ones (letter case aside).
    std::vector<CTextTable> merged;
    for (CTextTable& table : tables) {
        bool bReplaced = false;
        for (CTextTable& earlier : merged) {
            if (!AfxEqualNoCase(earlier.strTag.data(), earlier.strTag.size(), table.strTag.data(), table.strTag.size()))
                continue;
            earlier = std::move(table);
            bReplaced = true;
            break;
        }
        if (!bReplaced) merged.push_back(std::move(table));
    }
    tables = std::move(merged);
    for (CTextTable& table : tables) {
        for (auto it = table.texts.begin(); it != table.texts.end();) {
            const char* pszEnglish = english.Find(it->first);
            if (pszEnglish && AfxConversionProblem(pszEnglish, it->second).empty()) ++it;
            else it = table.texts.erase(it);
        }
    }
    State().tables = std::move(tables);
    State().nChosen = -1;
}

const std::vector<CTextTable>& AfxGetTextTables() { return State().tables; }

void AfxSetLanguage(int nTable)
{
    State().nChosen = nTable >= 0 && size_t(nTable) < State().tables.size() ? nTable : -1;
}

const char* AfxGetLanguage()
{
    const TextState& state = State();
    return state.nChosen < 0 ? "en" : state.tables[size_t(state.nChosen)].strTag.c_str();
}

const CTextTable& AfxEnglishTexts() { return BuiltInEnglish(); }

const char* AfxText(const char* pszKey)
{
    const TextState& state = State();
    std::string key(pszKey);
    if (state.nChosen >= 0)
        if (const char* psz = state.tables[size_t(state.nChosen)].Find(key)) return psz;
    const char* psz = BuiltInEnglish().Find(key);
    return psz ? psz : pszKey;
}

CString AfxTextFormat(const char* pszKey, ...)
{
    va_list args;
    va_start(args, pszKey);
    CString text;
    text.FormatV(AfxText(pszKey), args);
    va_end(args);
    return text;
}

const char* AfxTranslateEnglish(const char* pszPrefix, const char* pszEnglish)
{
    const size_t nPrefix = std::strlen(pszPrefix);
    for (const auto& kv : BuiltInEnglish().texts)
        if (kv.first.compare(0, nPrefix, pszPrefix) == 0 && kv.second == pszEnglish) return AfxText(kv.first.c_str());
    return nullptr;
}
