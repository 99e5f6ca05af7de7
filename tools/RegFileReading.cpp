#include "RegFileReading.h"

#include "InstallRecordFormat.h"

#include "AfxString.h"

#include <cctype>
#include <cstring>

namespace zrvtool {
namespace {

// Root names and their abbreviations, as a registry file accepts them: the installer's four
// (kRegistryRoots) and two that only a registry file knows.
const char* RootOf(const std::string& s, size_t at, size_t* pLen)
{
    static const struct {
        const char* pszName;
        const char* pszRoot;
    } kRoots[] = {
        {kRegistryRoots[kRootClassesRoot], kRegistryRoots[kRootClassesRoot]},
        {"HKCR", kRegistryRoots[kRootClassesRoot]},
        {kRegistryRoots[kRootCurrentUser], kRegistryRoots[kRootCurrentUser]},
        {"HKCU", kRegistryRoots[kRootCurrentUser]},
        {kRegistryRoots[kRootLocalMachine], kRegistryRoots[kRootLocalMachine]},
        {"HKLM", kRegistryRoots[kRootLocalMachine]},
        {kRegistryRoots[kRootUsers], kRegistryRoots[kRootUsers]},
        {"HKU", kRegistryRoots[kRootUsers]},
        {"HKEY_CURRENT_CONFIG", "HKEY_CURRENT_CONFIG"}, {"HKCC", "HKEY_CURRENT_CONFIG"},
        {"HKEY_DYN_DATA", "HKEY_DYN_DATA"},
    };
    for (const auto& root : kRoots) {
        size_t n = std::strlen(root.pszName);
        if (AfxStartsWithNoCase(s, at, root.pszName) && at + n < s.size() && s[at + n] == '\\') {
            *pLen = n + 1;
            return root.pszRoot;
        }
    }
    return nullptr;
}

int HexValue(char ch)
{
    if (ch >= '0' && ch <= '9') return ch - '0';
    if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
    return -1;
}

// A quoted text from s[at] (the opening quote) with "\\" and "\"" unescaped; another backslash
// stays. *pEnd is just past the closing quote; false when there is none.
bool ReadQuoted(const std::string& s, size_t at, std::string* pOut, size_t* pEnd)
{
    pOut->clear();
    for (size_t i = at + 1; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"')) {
            *pOut += s[++i];
        } else if (s[i] == '"') {
            *pEnd = i + 1;
            return true;
        } else {
            *pOut += s[i];
        }
    }
    return false;
}

// Comma-separated hexadecimal bytes, blanks allowed around them.
bool ReadBytes(const std::string& s, size_t at, std::vector<unsigned char>* pBytes)
{
    pBytes->clear();
    size_t i = at;
    auto skipBlanks = [&] {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    };
    skipBlanks();
    if (i == s.size()) return true;
    for (;;) {
        skipBlanks();
        int high = i < s.size() ? HexValue(s[i]) : -1;
        if (high < 0) return false;
        int low = i + 1 < s.size() ? HexValue(s[i + 1]) : -1;
        pBytes->push_back((unsigned char)(low < 0 ? high : high * 16 + low));
        i += low < 0 ? 1 : 2;
        skipBlanks();
        if (i == s.size()) return true;
        if (s[i] != ',') return false;
        ++i;
    }
}

std::string Substitute(std::string s, const std::string& strInstallPath)
{
    static const std::string kDirective = "%INSTALLPATH%";
    for (size_t at = s.find(kDirective); at != std::string::npos; at = s.find(kDirective, at + strInstallPath.size()))
        s.replace(at, kDirective.size(), strInstallPath);
    return s;
}

// The effect of one value entry "name"=data (or @=data), empty when a registry file would not read it.
std::string ValueEffect(const std::string& s, const std::string& strInstallPath)
{
    std::string name;
    size_t i = 1;
    if (s[0] == '"' && !ReadQuoted(s, 0, &name, &i)) return "";
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    if (i == s.size() || s[i] != '=') return "";
    ++i;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    std::string data;
    if (i < s.size() && s[i] == '"') {
        size_t end;
        if (!ReadQuoted(s, i, &data, &end)) return "";
        data = Substitute(data, strInstallPath);
        return DescribeValue(name, 1, std::vector<unsigned char>(data.c_str(), data.c_str() + data.size() + 1));
    }
    if (s.compare(i, std::string::npos, "-") == 0) return "delete value \"" + name + "\"";
    std::vector<unsigned char> bytes;
    if (AfxStartsWithNoCase(s, i, "dword:")) {
        std::string digits = s.substr(i + 6);
        if (digits.empty() || digits.size() > 8) return "";
        unsigned long dw = 0;
        for (char ch : digits) {
            if (HexValue(ch) < 0) return "";
            dw = dw * 16 + unsigned(HexValue(ch));
        }
        return DescribeValue(name, 4, {(unsigned char)dw, (unsigned char)(dw >> 8), (unsigned char)(dw >> 16), (unsigned char)(dw >> 24)});
    }
    if (AfxStartsWithNoCase(s, i, "hex:")) {
        if (!ReadBytes(s, i + 4, &bytes)) return "";
        return DescribeValue(name, 3, bytes);
    }
    if (AfxStartsWithNoCase(s, i, "hex(")) {
        size_t close = s.find("):", i);
        if (close == std::string::npos) return "";
        unsigned long type = std::strtoul(s.substr(i + 4, close - i - 4).c_str(), nullptr, 16);
        if (!ReadBytes(s, close + 2, &bytes)) return "";
        return DescribeValue(name, type, bytes);
    }
    return "";
}

std::string KeyEffect(const std::string& s)
{
    bool bDelete = s.size() > 1 && s[1] == '-';
    size_t at = bDelete ? 2 : 1;
    size_t close = s.find(']', at);
    size_t rootLen = 0;
    const char* root = RootOf(s, at, &rootLen);
    if (close == std::string::npos || !root || at + rootLen > close) return "";
    std::string key = DescribeKey(root, s.substr(at + rootLen, close - at - rootLen));
    return bDelete ? "delete " + key : key;
}

}  // namespace

std::vector<RegFileEffect> ReadAsRegistryFile(const std::vector<TextLine>& lines, size_t nFirst,
                                              const std::string& strInstallPath)
{
    std::vector<RegFileEffect> effects;
    for (size_t i = nFirst; i < lines.size(); ++i) {
        int nLine = int(i) + 1;
        std::string entry;
        // A backslash at the end of a line continues the entry on the next, without its indentation.
        for (;;) {
            std::string part = lines[i].strText;
            size_t start = entry.empty() ? 0 : part.find_first_not_of(" \t");
            entry += start == std::string::npos ? "" : part.substr(start);
            while (!entry.empty() && (entry.back() == ' ' || entry.back() == '\t')) entry.pop_back();
            if (entry.empty() || entry.back() != '\\' || i + 1 >= lines.size()) break;
            entry.pop_back();
            ++i;
        }
        size_t start = entry.find_first_not_of(" \t");
        if (start == std::string::npos) continue;
        entry.erase(0, start);
        std::string effect;
        if (entry[0] == '[')
            effect = KeyEffect(entry);
        else if (entry[0] == '"' || entry[0] == '@')
            effect = ValueEffect(entry, strInstallPath);
        if (!effect.empty()) effects.push_back({nLine, effect});
    }
    return effects;
}

}  // namespace zrvtool
